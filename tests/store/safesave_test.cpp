// A safe save whose writer fails part way: the previous file stays exactly as
// it was and no temporary file is left.
#include "store/SafeSave.h"
#include "engine/io/FileWriter.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

namespace {

TEST(SafeSave, LinesWriterThatFailsPartWayLeavesTheFile)
{
    TempDir dir;
    const std::wstring path = dir.File(L"x.ini");
    ASSERT_TRUE(WriteBytes(path, "old\n"));
    // Some lines go out, then one fails.
    EXPECT_FALSE(SaveFileSafely(path, [](CFileWriter& writer) {
        return writer.WriteLine(L"new 1") && writer.WriteLine(L"new 2") && false;
    }));
    EXPECT_EQ(ReadBytes(path), "old\n");
    EXPECT_FALSE(FileExists(TemporaryFileFor(path)));
}

} // namespace
