// FindForward and FindBackward: block edges, no wrap-around, and the same answers as a line-by-line scan.
#include "engine/io/FileReader.h"
#include "engine/match/Utils.h"
#include "tests/support/TestFiles.h"
#include "tests/viewer/ViewerTestFiles.h"
#include "viewer/ScrollableFileReader.h"

#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kPage = 10;

CFilterMatcher Expr(const wchar_t* text, bool ignoreCase = true)
{
    CFilterMatcher expression;
    EXPECT_TRUE(expression.Compile(text, ignoreCase));
    return expression;
}

std::wstring Top(const CScrollableFileReader& reader)
{
    const wchar_t* text = reader.GetLineText(0);
    return text ? text : L"<none>";
}

class FindTest : public ::testing::Test {
protected:
    // 5000 numbered lines (five blocks, the last partial) with markers.
    std::wstring WriteMarked(const std::vector<std::pair<int, std::string>>& marks)
    {
        std::vector<std::string> lines;
        for (int i = 0; i < 5000; ++i) {
            char text[32];
            std::snprintf(text, sizeof(text), "line %04d", i);
            lines.push_back(text);
        }
        for (const auto& [at, text] : marks)
            lines[size_t(at)] += " " + text;
        const std::wstring path = dir.File(L"find.greptmp");
        EXPECT_TRUE(WriteBytes(path, JoinLines(lines)));
        return path;
    }
    TempDir dir;
};

TEST_F(FindTest, ForwardFindsTheNextBlocksFirstLineAndTheLastPartialBlock)
{
    const std::wstring path = WriteMarked({{1024, "needle one"}, {4990, "needle two"}});
    CScrollableFileReader reader(path.c_str());
    ASSERT_TRUE(reader.FindForward(Expr(L"*needle*"), kPage));
    EXPECT_EQ(Top(reader), L"line 1024 needle one");
    ASSERT_TRUE(reader.FindForward(Expr(L"*needle*"), kPage));
    EXPECT_EQ(Top(reader), L"line 4990 needle two");
    // From the last match: nothing more, and the top line stays.
    const int64_t start = reader.BlockStart();
    const uint32_t top = reader.TopIndex();
    EXPECT_FALSE(reader.FindForward(Expr(L"*needle*"), kPage));
    EXPECT_EQ(Top(reader), L"line 4990 needle two");
    EXPECT_EQ(reader.BlockStart(), start);
    EXPECT_EQ(reader.TopIndex(), top);
    // No wrap-around to the first match.
}

TEST_F(FindTest, ForwardInsideTheBlockKeepsItAndNeverTestsTheTopLine)
{
    const std::wstring path = WriteMarked({{0, "needle"}, {7, "needle"}});
    CScrollableFileReader reader(path.c_str());
    ASSERT_TRUE(reader.FindForward(Expr(L"*needle*"), kPage));
    EXPECT_EQ(Top(reader), L"line 0007 needle");
    EXPECT_EQ(reader.BlockStart(), 0);
    EXPECT_EQ(reader.TopIndex(), 7u);
}

TEST_F(FindTest, BackwardFindsTheLineJustAboveTheBlockAndTheFirstLine)
{
    const std::wstring path = WriteMarked({{0, "needle zero"}, {1999, "needle above"}});
    CScrollableFileReader reader(path.c_str());
    // Line 0 is 12 bytes longer, line 1999 13: line 2000 starts at 20025.
    ASSERT_TRUE(reader.SeekTo(20025, kPage));
    ASSERT_EQ(Top(reader), L"line 2000");
    ASSERT_TRUE(reader.FindBackward(Expr(L"*needle*"), kPage));
    EXPECT_EQ(Top(reader), L"line 1999 needle above");
    EXPECT_EQ(reader.TopIndex(), 0u);   // the block begins with the match
    ASSERT_TRUE(reader.FindBackward(Expr(L"*needle*"), kPage));
    EXPECT_EQ(Top(reader), L"line 0000 needle zero");
    EXPECT_EQ(reader.BlockStart(), 0);
    // Nothing above the first line, no wrap-around: the top line stays.
    EXPECT_FALSE(reader.FindBackward(Expr(L"*needle*"), kPage));
    EXPECT_EQ(Top(reader), L"line 0000 needle zero");
}

TEST_F(FindTest, BackwardInsideTheBlockMovesOnlyTheTopIndex)
{
    const std::wstring path = WriteMarked({{3, "needle"}});
    CScrollableFileReader reader(path.c_str());
    ASSERT_TRUE(reader.ScrollBy(500, kPage));
    ASSERT_TRUE(reader.FindBackward(Expr(L"*needle*"), kPage));
    EXPECT_EQ(reader.TopIndex(), 3u);
    EXPECT_EQ(reader.BlockStart(), 0);
}

TEST_F(FindTest, CaseAndExclusionFollowTheExpression)
{
    const std::wstring path =
        WriteMarked({{10, "Disk Full"}, {20, "disk ok"}, {3000, "DISK ok"}});
    CScrollableFileReader reader(path.c_str());
    ASSERT_TRUE(reader.FindForward(Expr(L"*disk*-full"), kPage));
    EXPECT_EQ(Top(reader), L"line 0020 disk ok");
    ASSERT_TRUE(reader.FindForward(Expr(L"*DISK*", false), kPage));
    EXPECT_EQ(Top(reader), L"line 3000 DISK ok");
    ASSERT_TRUE(reader.FindBackward(Expr(L"*Disk Full*", false), kPage));
    EXPECT_EQ(Top(reader), L"line 0010 Disk Full");
    EXPECT_FALSE(reader.FindForward(Expr(L"*disk full*", false), kPage));
    EXPECT_EQ(Top(reader), L"line 0010 Disk Full");
}

// Every line with its offset, read plainly from the start.
struct PlainLine {
    int64_t offset;
    std::wstring text;
};
std::vector<PlainLine> ReadPlain(const std::wstring& path)
{
    CFileReader reader(path.c_str(), 4096);
    std::vector<PlainLine> lines;
    std::wstring text;
    for (;;) {
        int64_t offset = 0;
        reader.GetPosition(offset);
        if (!reader.ReadLine(text))
            break;
        lines.push_back({offset, text});
    }
    return lines;
}

TEST_F(FindTest, BothDirectionsGiveTheAnswersOfALineByLineScan)
{
    // Random lines over several blocks: every line-end form, empty lines and
    // a last line without a line end, searched from random top lines.
    std::mt19937 random(20261207);
    const char* ends[] = {"\n", "\r\n", "\r"};
    std::string bytes;
    const int count = 4500;
    for (int i = 0; i < count; ++i) {
        const int length = int(random() % 40);
        for (int c = 0; c < length; ++c)
            bytes += char('a' + random() % 6);
        if (i + 1 < count)
            bytes += ends[random() % 3];
    }
    const std::wstring path = dir.File(L"random.greptmp");
    ASSERT_TRUE(WriteBytes(path, bytes));
    const std::vector<PlainLine> plain = ReadPlain(path);
    const wchar_t* expressions[] = {L"*abcde*", L"*ffff*", L"*fedcb*", L"a*f", L"*aaaa*-*b*"};

    CScrollableFileReader reader(path.c_str());
    for (int round = 0; round < 60; ++round) {
        const wchar_t* text = expressions[random() % 5];
        const CFilterMatcher expression = Expr(text, false);
        ASSERT_TRUE(reader.SeekTo(int64_t(random() % uint32_t(bytes.size())), kPage));
        ASSERT_TRUE(reader.ScrollBy(int32_t(random() % 1100), kPage));
        if (!reader.GetLineText(0))
            continue;
        const int64_t before = reader.TopLineOffset();
        size_t index = 0;
        while (plain[index].offset != before)
            ++index;
        const bool forward = round % 2 == 0;
        int64_t expected = before;
        if (forward) {
            for (size_t i = index + 1; i < plain.size(); ++i)
                if (CUtils::MatchLine(false, expression.Tokens(), plain[i].text.c_str())) {
                    expected = plain[i].offset;
                    break;
                }
        } else {
            for (size_t i = index; i-- > 0;)
                if (CUtils::MatchLine(false, expression.Tokens(), plain[i].text.c_str())) {
                    expected = plain[i].offset;
                    break;
                }
        }
        SCOPED_TRACE(::testing::Message() << "round " << round << (forward ? " forward " : " back ")
                                          << "from " << before);
        const bool found = forward ? reader.FindForward(expression, kPage)
                                   : reader.FindBackward(expression, kPage);
        EXPECT_EQ(found, expected != before);
        EXPECT_EQ(reader.TopLineOffset(), expected);
    }
}

// Reader state a search leaves behind: the block, its top line and where it ends.
struct ReaderState {
    bool found;
    int64_t blockStart;
    uint32_t topIndex;
    uint32_t count;
    int64_t lastOffset;
    int64_t topPosition;
    std::wstring top;
    bool operator==(const ReaderState&) const = default;
};
std::ostream& operator<<(std::ostream& out, const ReaderState& s)
{
    return out << (s.found ? "found" : "not found") << " block " << s.blockStart << " top "
               << s.topIndex << "/" << s.count << " last " << s.lastOffset;
}

ReaderState StateOf(bool found, const CScrollableFileReader& reader)
{
    int64_t position = -1;
    reader.GetTopPosition(position);
    return {found, reader.BlockStart(), reader.TopIndex(), reader.LineCount(),
            reader.LastOffset(), position, Top(reader)};
}

TEST_F(FindTest, RawByteSearchLeavesTheStateOfTheLineByLineSearch)
{
    // Random files of 1 to 3 MiB (several read chunks, hundreds of blocks):
    // every line-end form, zero bytes, empty lines, words in ANSI and in
    // UTF-8, a UTF-8 mark before the third file, now and then a line
    // longer than a chunk, and a last line with or without a line end. Both
    // readers start from the same random place, inside a block, at its first
    // or last line, or past the end of the file.
    std::mt19937 random(15);
    const char* words[] = {"alpha", "beta", "Gamma", "DELTA", "x", "needle", "Needle", "-",
                           "\xe9t\xe9", "\xc3\xa9t\xc3\xa9", "12:51:2", " ", "  "};
    const char* ends[] = {"\n", "\r\n", "\r", "", "\n\r"};   // 3: a zero byte
    const wchar_t* expressions[] = {L"*needle*", L"*Needle*-x", L"~*gamma*", L"beta",
                                    L"*al?ha*", L"*delta*beta*", L"*\u00e9t\u00e9*", L"x",
                                    L"*12:51:2?*", L"*needle*-*alpha*", L"~*NEEDLE x*"};
    for (int file = 0; file < 3; ++file) {
        std::string bytes = file == 2 ? "\xEF\xBB\xBFneedle " : "";
        const size_t size = (1u << 20) + random() % (2u << 20);
        const int sparse = 1 + int(random() % 40);   // one word in this many is a rare one
        while (bytes.size() < size) {
            if (random() % 20000 == 0)
                bytes += std::string((1u << 20) + random() % 1000, 'L');
            for (int w = int(random() % 12); w > 0; --w)
                bytes += random() % sparse == 0 ? words[random() % 13] : words[random() % 2 + 11];
            const int end = int(random() % 5);
            bytes += end == 3 ? std::string(1, '\0') : std::string(ends[end]);
        }
        if (random() % 2)
            bytes += "needle Gamma beta";
        const std::wstring path = dir.File(L"raw" + std::to_wstring(file) + L".greptmp");
        ASSERT_TRUE(WriteBytes(path, bytes));
        CScrollableFileReader fast(path.c_str());
        CScrollableFileReader plain(path.c_str());
        plain.AllowLiteralSearch(false);
        for (int round = 0; round < 40; ++round) {
            const int64_t to = int64_t(random() % (bytes.size() + 10));
            const int32_t by = int32_t(random() % 4 == 0 ? 1023 : random() % 1100);
            const uint32_t page = random() % 3 == 0 ? 1 : 1 + random() % 60;
            for (CScrollableFileReader* r : {&fast, &plain}) {
                ASSERT_TRUE(r->SeekTo(to, page));
                ASSERT_TRUE(r->ScrollBy(by, page));
            }
            const bool forward = random() % 2 == 0;
            const bool ignoreCase = random() % 3 == 0;
            const CFilterMatcher expression = Expr(expressions[random() % 11], ignoreCase);
            SCOPED_TRACE(::testing::Message() << "file " << file << " round " << round
                                              << (forward ? " forward" : " backward") << " from "
                                              << plain.TopLineOffset() << " page " << page);
            const ReaderState before = StateOf(false, plain);
            ASSERT_EQ(StateOf(false, fast), before);
            const bool plainFound = forward ? plain.FindForward(expression, page)
                                            : plain.FindBackward(expression, page);
            const bool fastFound = forward ? fast.FindForward(expression, page)
                                           : fast.FindBackward(expression, page);
            ASSERT_EQ(StateOf(fastFound, fast), StateOf(plainFound, plain));
        }
    }
}

} // namespace
