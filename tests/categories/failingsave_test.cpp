// Saves of the categories file that fail: the previous file stays exactly as
// it was and the save reports the failure.
#include "categories/CategoryStore.h"
#include "store/SafeSave.h"
#include "engine/io/FileWriter.h"
#include "tests/support/FullDevice.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace {

const char kPrevious[] = "Category = Old\nFilter = *kept*\nCheck = 1\n";

class FailingSaveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ClearCategories();
        ASSERT_TRUE(WriteBytes(path, kPrevious));
        ASSERT_TRUE(LoadCategories(path));
        Category* c = AddCategory(L"New");
        for (int i = 0; i < 200; ++i)
            c->filters.push_back(L"*filter number " + std::to_wstring(i) + L"*");
    }
    void TearDown() override { ClearCategories(); }

    TempDir dir;
    std::wstring path = dir.File(L"TilvoCats.dat");
};

TEST_F(FailingSaveTest, DeviceThatIsAlwaysFull)
{
    const std::wstring temporary = TemporaryFileFor(path);
    if (!LinkToFullDevice(temporary))
        GTEST_SKIP() << "no /dev/full link possible here (not under wine?)";
    EXPECT_FALSE(SaveCategories(path));
    RemoveFullDeviceLink(temporary);
    EXPECT_EQ(ReadBytes(path), kPrevious);
}

TEST_F(FailingSaveTest, TargetHeldOpenByAnotherProgram)
{
    // Another program reading the file without letting it be replaced.
    HANDLE holder = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(SaveCategories(path));
    CloseHandle(holder);
    EXPECT_EQ(ReadBytes(path), kPrevious);
    EXPECT_FALSE(FileExists(TemporaryFileFor(path)));
    // Once it is free, the save goes through.
    EXPECT_TRUE(SaveCategories(path));
    EXPECT_NE(ReadBytes(path), kPrevious);
}

TEST_F(FailingSaveTest, TemporaryFileCannotBeCreated)
{
    ASSERT_TRUE(CreateDirectoryW(TemporaryFileFor(path).c_str(), nullptr));
    EXPECT_FALSE(SaveCategories(path));
    EXPECT_EQ(ReadBytes(path), kPrevious);
}

TEST_F(FailingSaveTest, TargetFolderMissing)
{
    EXPECT_FALSE(SaveCategories(dir.File(L"no such folder\\TilvoCats.dat")));
    EXPECT_EQ(ReadBytes(path), kPrevious);
}

TEST_F(FailingSaveTest, BackupThatCannotBeMadeStopsTheSave)
{
    const std::string truncated = std::string(kPrevious) + "no equals\nCategory = Lost\nFilter = x\n";
    ASSERT_TRUE(WriteBytes(path, truncated));
    ClearCategories();
    ASSERT_TRUE(LoadCategories(path));
    AddCategory(L"Added")->filters = {L"*added*"};
    ASSERT_TRUE(CreateDirectoryW(BackupFileFor(path).c_str(), nullptr));
    EXPECT_FALSE(SaveCategories(path));
    EXPECT_EQ(ReadBytes(path), truncated);
    EXPECT_FALSE(FileExists(TemporaryFileFor(path)));

    ASSERT_TRUE(RemoveDirectoryW(BackupFileFor(path).c_str()));
    EXPECT_TRUE(SaveCategories(path));
    EXPECT_EQ(ReadBytes(BackupFileFor(path)), truncated);
}

} // namespace
