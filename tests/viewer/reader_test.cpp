// CScrollableFileReader: block edges, line-end forms, moves by lines and offsets, huge files.
#include "win32/StringException.h"
#include "tests/support/TestFiles.h"
#include "tests/viewer/ViewerTestFiles.h"
#include "viewer/ScrollableFileReader.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::wstring>;
constexpr uint32_t kPage = 10;

class ReaderTest : public ::testing::Test {
protected:
    std::wstring Write(const std::string& bytes, const wchar_t* name = L"result.greptmp")
    {
        const std::wstring path = dir.File(name);
        EXPECT_TRUE(WriteBytes(path, bytes));
        return path;
    }
    static std::wstring Top(const CScrollableFileReader& reader)
    {
        const wchar_t* text = reader.GetLineText(0);
        return text ? text : L"<none>";
    }
    static int64_t TopOffset(const CScrollableFileReader& reader)
    {
        int64_t offset = -1;
        EXPECT_TRUE(reader.GetTopPosition(offset));
        return offset;
    }
    TempDir dir;
};

// "line 0000" and a one-byte line end: ten bytes a line.
int64_t LfOffset(int line)
{
    return int64_t(line) * 10;
}

TEST_F(ReaderTest, EmptyFileGivesAnEmptyBlockAtOffsetZero)
{
    CScrollableFileReader reader(Write("").c_str());
    EXPECT_EQ(reader.LineCount(), 0u);
    EXPECT_EQ(reader.GetLineText(0), nullptr);
    EXPECT_EQ(reader.GetLineLength(0), 0u);
    EXPECT_EQ(TopOffset(reader), 0);
    EXPECT_TRUE(reader.BlockReachesEnd());
    EXPECT_TRUE(reader.ScrollBy(kPage, kPage));
    EXPECT_TRUE(reader.ScrollBy(-1, kPage));
    EXPECT_EQ(reader.GetLineText(0), nullptr);
}

TEST_F(ReaderTest, ExactlyOneBlockOfLinesAndScrollingPastItsLastLine)
{
    CScrollableFileReader reader(Write(NumberedLines(1024)).c_str());
    ASSERT_EQ(reader.LineCount(), 1024u);
    EXPECT_EQ(std::wstring(reader.GetLineText(1023)), NumberedLine(1023));
    EXPECT_EQ(reader.GetLineText(1024), nullptr);
    EXPECT_TRUE(reader.BlockReachesEnd());
    // Past the block: the block is read again from its last line.
    ASSERT_TRUE(reader.ScrollBy(1024, kPage));
    EXPECT_EQ(reader.BlockStart(), LfOffset(1023));
    EXPECT_EQ(reader.LineCount(), 1u);
    EXPECT_EQ(Top(reader), NumberedLine(1023));
    // The file's last line at the top stands for the end of the file.
    EXPECT_EQ(TopOffset(reader), reader.GetSize());
}

TEST_F(ReaderTest, EveryLineEndFormGivesTheSameLinesAndOffsets)
{
    struct Case {
        const char* end;
        bool finalEnd;
    };
    const Case cases[] = {{"\n", true}, {"\r\n", true}, {"\r", true}, {"\n", false},
                          {"\r\n", false}, {"\r", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "line end " << int(c.end[0]) << "/"
                                          << std::string(c.end).size() << " final "
                                          << c.finalEnd);
        const int64_t lineBytes = 9 + int64_t(std::string(c.end).size());
        CScrollableFileReader reader(Write(NumberedLines(3000, c.end, c.finalEnd)).c_str());
        ASSERT_EQ(reader.LineCount(), 1024u);
        for (uint32_t i = 0; i < 1024; i += 341) {
            EXPECT_EQ(std::wstring(reader.GetLineText(i)), NumberedLine(int(i)));
            EXPECT_EQ(reader.LineOffset(i), int64_t(i) * lineBytes);
        }
        // Into the middle of line 2000: the block begins with line 2001.
        ASSERT_TRUE(reader.SeekTo(2000 * lineBytes + 4, kPage));
        EXPECT_EQ(Top(reader), NumberedLine(2001));
        ASSERT_TRUE(reader.ScrollBy(-1, kPage));
        EXPECT_EQ(Top(reader), NumberedLine(2000));
        // To the end and back: the last line, with or without its line end.
        ASSERT_TRUE(reader.SeekTo(reader.GetSize(), kPage));
        EXPECT_EQ(reader.GetLineText(0), nullptr);
        ASSERT_TRUE(reader.ScrollBy(-1, kPage));
        EXPECT_EQ(Top(reader), NumberedLine(2999));
        EXPECT_EQ(reader.GetLineText(1), nullptr);
    }
}

TEST_F(ReaderTest, LastLineWithoutLineEndIsInTheBlock)
{
    CScrollableFileReader reader(Write("first\nsecond\nlast").c_str());
    ASSERT_EQ(reader.LineCount(), 3u);
    EXPECT_EQ(std::wstring(reader.GetLineText(2)), L"last");
    EXPECT_EQ(reader.LineOffset(2), 13);
}

// A block holds at most kShownLineBytes of a line, cut before a character
// that would not be whole, and reads past the rest without holding it.
TEST_F(ReaderTest, ABlockHoldsTheHeadOfAVeryLongLine)
{
    const size_t cap = CScrollableFileReader::kShownLineBytes;
    const std::string e = "\xC3\xA9";   // U+00E9 in UTF-8
    const struct {
        std::string bytes;
        std::wstring text;
    } lines[] = {
        {std::string(cap, 'a'), std::wstring(cap, L'a')},
        {std::string(cap, 'b') + "c", std::wstring(cap, L'b')},
        {e + std::string(cap - 3, 'd') + e + "tail", L"\u00E9" + std::wstring(cap - 3, L'd')},
        {"next", L"next"},
    };
    const std::wstring path = dir.File(L"long.greptmp");
    std::vector<int64_t> offsets;
    int64_t at = 0;
    ASSERT_TRUE(WriteBytes(path, ""));
    for (size_t i = 0; i < std::size(lines); ++i) {
        offsets.push_back(at);
        ASSERT_TRUE(AppendBytes(path, lines[i].bytes + "\n"));
        at += static_cast<int64_t>(lines[i].bytes.size() + 1);
        if (i == 2) {
            // 48 MB in one line, never held by this test either.
            offsets.push_back(at);
            const std::string piece(1 << 20, 'z');
            for (int k = 0; k < 48; ++k)
                ASSERT_TRUE(AppendBytes(path, piece));
            ASSERT_TRUE(AppendBytes(path, "\n"));
            at += (48 << 20) + 1;
        }
    }
    PROCESS_MEMORY_COUNTERS before{};
    before.cb = sizeof before;
    ASSERT_TRUE(K32GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before));
    CScrollableFileReader reader(path.c_str());
    PROCESS_MEMORY_COUNTERS after = before;
    ASSERT_TRUE(K32GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after));
    EXPECT_LE(after.PeakWorkingSetSize,
              std::max<size_t>(before.PeakWorkingSetSize, before.WorkingSetSize + (12 << 20)))
        << "reading the block cost " << (after.PeakWorkingSetSize - before.WorkingSetSize) << " bytes";

    ASSERT_EQ(reader.LineCount(), 5u);
    for (uint32_t k = 0; k < 5; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(reader.LineOffset(k), offsets[k]);
        const std::wstring expected = k < 3 ? lines[k].text : k == 3 ? std::wstring(cap, L'z') : L"next";
        EXPECT_TRUE(std::wstring(reader.GetLineText(k), reader.GetLineLength(k)) == expected);
    }
}

TEST_F(ReaderTest, LineUpAtBlockLineZeroReadsTheBlockOneLineHigher)
{
    CScrollableFileReader reader(Write(NumberedLines(3000)).c_str());
    ASSERT_TRUE(reader.SeekTo(LfOffset(1500), kPage));
    ASSERT_EQ(reader.BlockStart(), LfOffset(1500));
    ASSERT_EQ(reader.TopIndex(), 0u);
    ASSERT_TRUE(reader.ScrollBy(-1, kPage));
    EXPECT_EQ(reader.BlockStart(), LfOffset(1499));
    EXPECT_EQ(reader.TopIndex(), 0u);
    EXPECT_EQ(Top(reader), NumberedLine(1499));
    EXPECT_EQ(reader.LineCount(), 1024u);
}

TEST_F(ReaderTest, ScrollingUpFurtherThanTheFileGoesToTheFirstLine)
{
    const std::wstring path = Write(NumberedLines(3000));
    const struct {
        int32_t by;
        int expectedTop;
    } cases[] = {{-1, 2}, {-2, 1}, {-3, 0}, {-4, 0}, {-1000000, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.by);
        CScrollableFileReader reader(path.c_str());
        // A block that starts at line 3, read from outside the first block.
        ASSERT_TRUE(reader.SeekTo(LfOffset(2000), kPage));
        ASSERT_TRUE(reader.SeekTo(LfOffset(3), kPage));
        ASSERT_EQ(reader.BlockStart(), LfOffset(3));
        ASSERT_TRUE(reader.ScrollBy(c.by, kPage));
        EXPECT_EQ(Top(reader), NumberedLine(c.expectedTop));
        EXPECT_EQ(reader.BlockStart(), LfOffset(c.expectedTop));
    }
}

TEST_F(ReaderTest, SeekToFindsTheFirstLineStartingAtOrAfterTheOffset)
{
    // CR LF lines of eleven bytes: an offset between the CR and the LF is not
    // a line start. Each case starts from the first block (lines 0 to 1023).
    const std::wstring path = Write(NumberedLines(3000, "\r\n"));
    const struct {
        int64_t offset;
        int expectedTop;   // 3000: past the last line
        bool blockStays;
    } cases[] = {
        {0, 0, true},                  {11 * 5 + 3, 6, true},           {11 * 1023, 1023, false},
        {11 * 2000, 2000, false},      {11 * 2000 + 1, 2001, false},    {11 * 2000 + 9, 2001, false},
        {11 * 2000 + 10, 2001, false}, {11 * 2000 + 11, 2001, false},   {11 * 2999 + 10, 3000, false},
        {11 * 3000, 3000, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.offset);
        CScrollableFileReader reader(path.c_str());
        ASSERT_TRUE(reader.SeekTo(c.offset, kPage));
        if (c.expectedTop == 3000) {
            EXPECT_EQ(reader.GetLineText(0), nullptr);
            EXPECT_EQ(reader.LineCount(), 0u);
            continue;
        }
        EXPECT_EQ(Top(reader), NumberedLine(c.expectedTop));
        EXPECT_EQ(reader.BlockStart(), c.blockStays ? 0 : 11 * int64_t(c.expectedTop));
    }
    // Inside a block that does not begin the file, and back to offset 0.
    CScrollableFileReader reader(path.c_str());
    ASSERT_TRUE(reader.SeekTo(11 * 2000, kPage));
    ASSERT_TRUE(reader.SeekTo(11 * 2000 + 10, kPage));
    EXPECT_EQ(Top(reader), NumberedLine(2001));
    EXPECT_EQ(reader.BlockStart(), 11 * 2000);
    ASSERT_TRUE(reader.SeekTo(0, kPage));
    EXPECT_EQ(Top(reader), NumberedLine(0));
    EXPECT_EQ(reader.BlockStart(), 0);
}

TEST_F(ReaderTest, SeekToAndScrollByKeepTheBlockUnderDifferentLimits)
{
    const std::wstring path = Write(NumberedLines(3000));
    {
        // Exactly a page of lines after the found line (1013..1023 is 11 lines,
        // 10 after it): the block stays.
        CScrollableFileReader reader(path.c_str());
        ASSERT_TRUE(reader.SeekTo(LfOffset(1013), kPage));
        EXPECT_EQ(reader.BlockStart(), 0);
        EXPECT_EQ(reader.TopIndex(), 1013u);
    }
    {
        // One line fewer after it: SeekTo reads the block again from it.
        CScrollableFileReader reader(path.c_str());
        ASSERT_TRUE(reader.SeekTo(LfOffset(1014), kPage));
        EXPECT_EQ(reader.BlockStart(), LfOffset(1014));
        EXPECT_EQ(reader.TopIndex(), 0u);
    }
    {
        // ScrollBy keeps the block with that one line fewer ...
        CScrollableFileReader reader(path.c_str());
        ASSERT_TRUE(reader.ScrollBy(1014, kPage));
        EXPECT_EQ(reader.BlockStart(), 0);
        EXPECT_EQ(reader.TopIndex(), 1014u);
        EXPECT_EQ(Top(reader), NumberedLine(1014));
    }
    {
        // ... but not with two.
        CScrollableFileReader reader(path.c_str());
        ASSERT_TRUE(reader.ScrollBy(1015, kPage));
        EXPECT_EQ(reader.BlockStart(), LfOffset(1015));
        EXPECT_EQ(Top(reader), NumberedLine(1015));
    }
}

TEST_F(ReaderTest, PagingPastTheEndGivesAnEmptyBlockAndLineUpBringsTheLastLineBack)
{
    CScrollableFileReader reader(Write(NumberedLines(50)).c_str());
    for (int page = 1; page <= 4; ++page) {
        ASSERT_TRUE(reader.ScrollBy(kPage, kPage));
        EXPECT_EQ(Top(reader), NumberedLine(page * 10));
    }
    ASSERT_TRUE(reader.ScrollBy(kPage, kPage));
    EXPECT_EQ(reader.LineCount(), 0u);
    EXPECT_EQ(reader.GetLineText(0), nullptr);
    EXPECT_EQ(TopOffset(reader), reader.GetSize());
    ASSERT_TRUE(reader.ScrollBy(-1, kPage));
    EXPECT_EQ(Top(reader), NumberedLine(49));
    EXPECT_EQ(TopOffset(reader), reader.GetSize());   // the last line stands for the end
}

TEST_F(ReaderTest, TopPositionFollowsTheTopLine)
{
    CScrollableFileReader reader(Write(NumberedLines(50)).c_str());
    EXPECT_EQ(TopOffset(reader), 0);
    ASSERT_TRUE(reader.ScrollBy(7, kPage));
    EXPECT_EQ(TopOffset(reader), LfOffset(7));
    ASSERT_TRUE(reader.ScrollBy(42, kPage));
    EXPECT_EQ(Top(reader), NumberedLine(49));
    EXPECT_EQ(TopOffset(reader), reader.GetSize());
}

TEST_F(ReaderTest, FileBeyondFourGibibytesIsAddressedByByteOffsets)
{
    const std::wstring path = dir.File(L"huge.greptmp");
    const int64_t size = (int64_t(1) << 32) + (int64_t(1) << 20);
    const std::string tail = "\nalpha\nbeta\ngamma\n";
    ASSERT_TRUE(WriteSparseFile(path, size, "first\n", tail));
    CScrollableFileReader reader(path.c_str());
    ASSERT_EQ(reader.GetSize(), size);
    EXPECT_EQ(Top(reader), L"first");
    EXPECT_EQ(reader.LineCount(), 1024u);   // the zero bytes end empty lines

    ASSERT_TRUE(reader.SeekTo(size, kPage));
    EXPECT_EQ(reader.GetLineText(0), nullptr);
    EXPECT_EQ(TopOffset(reader), size);
    ASSERT_TRUE(reader.ScrollBy(-3, kPage));
    EXPECT_EQ(Top(reader), L"alpha");
    EXPECT_EQ(std::wstring(reader.GetLineText(2)), L"gamma");
    EXPECT_EQ(TopOffset(reader), size - int64_t(tail.size()) + 1);

    ASSERT_TRUE(reader.SeekTo(size / 2 + 1, kPage));
    EXPECT_EQ(TopOffset(reader), size / 2 + 1);   // every zero byte is a line
    ASSERT_TRUE(reader.SeekTo(0, kPage));
    EXPECT_EQ(Top(reader), L"first");
}

// A reader whose file handle stops working, to see what ReadBlock raises.
class BrokenReader : public CScrollableFileReader {
public:
    using CScrollableFileReader::CScrollableFileReader;
    void Break()
    {
        m_file.Close();
        m_bufferPos = m_byteCount;   // the next line needs a fresh read
    }
};

TEST_F(ReaderTest, ReadBlockTurnsTheBaseTextsIntoItsOwnException)
{
    BrokenReader reader(Write(NumberedLines(3)).c_str());
    reader.Break();
    try {
        reader.ReadBlock();
        FAIL() << "no exception";
    } catch (const CStringException& e) {
        EXPECT_STREQ(e.Where(), L"CScrollableFileReader::ReadBlock");
        EXPECT_STREQ(e.What(), L"CFileReader::ReadLine: FillBuffer failed");
    }
}

} // namespace
