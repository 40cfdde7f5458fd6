// Decompressing a .gz for the viewer: the copy holds the log's bytes, a stop
// or damage ends it with what came before, and the copy goes with its owner
// while another instance cannot remove it.
#include "engine/io/TempCopy.h"
#include "engine/run/LogUnpack.h"
#include "tests/engine/PackedFiles.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

TEST(LogUnpack, TheCopyHoldsWhatCameBeforeAStopOrDamage)
{
    TempDir dir;
    const std::wstring folder = dir.Path() + L"\\";
    const std::string log = RandomLog(5, 3 * 1024 * 1024 + 17);
    const std::string packed = Gzip(log.substr(0, 100)) + Gzip(log.substr(100));
    const struct {
        const char* what;
        std::string bytes;
        int stopAfter;   // progress reports before the stop is asked; -1 never
        UnpackEnd end;
        bool damaged;
    } cases[] = {
        {"whole, two members", packed, -1, UnpackEnd::Completed, false},
        {"stopped after its first piece", packed, 1, UnpackEnd::Stopped, false},
        {"cut short", packed.substr(0, packed.size() / 2), -1, UnpackEnd::Completed, true},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        const std::wstring source = dir.File(L"app.log.gz");
        ASSERT_TRUE(WriteBytes(source, row.bytes));
        std::wstring path;
        {
            CTempCopy copy;
            DWORD error = 0;
            ASSERT_TRUE(copy.Create(folder, L"app.log", error)) << error;
            path = copy.Path();
            EXPECT_FALSE(DeleteFileW(path.c_str())) << "held while it lives";
            int reports = 0;
            CUnpackWatch watch{[&] { return row.stopAfter >= 0 && reports >= row.stopAfter; },
                               [&](int) { ++reports; }};
            const CUnpackOutcome outcome = UnpackLog(source, {}, copy.Handle(), folder, watch);
            EXPECT_EQ(outcome.end, row.end);
            EXPECT_EQ(!outcome.damage.empty(), row.damaged) << std::string(outcome.damage.begin(), outcome.damage.end());
            const std::string written = ReadBytes(path);
            EXPECT_EQ(int64_t(written.size()), outcome.written);
            EXPECT_EQ(written, log.substr(0, written.size()));
            if (row.end == UnpackEnd::Completed && !row.damaged)
                EXPECT_EQ(written.size(), log.size());
            else
                EXPECT_LT(written.size(), log.size());
        }
        EXPECT_FALSE(FileExists(path));
    }
}
