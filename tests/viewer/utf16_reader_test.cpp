// The viewer's reader on UTF-16 files: every move gives the lines and places it gives on the same text as bytes.
#include "engine/match/Utils.h"
#include "tests/support/TestFiles.h"
#include "viewer/ScrollableFileReader.h"
#include "viewer/ViewMath.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kPage = 10;

// Letters whose two bytes hold a byte that ends a line (0A, 0D, 00) in one
// byte order or the other, beside ordinary ones.
const wchar_t kLetters[] = L"abcXYZ \u010A\u0D0A\u0A0D\u0100\u2000\u0A00\u0D00\u0436\u00FC";

// The same lines twice: as bytes, one byte per character (a letter beyond
// ASCII is '#'), and as UTF-16 behind its mark. Character k of the text sits
// at byte k of the first file and at byte 2 + 2k of the second.
struct TwinFiles {
    std::string bytes;
    std::string units;
};

TwinFiles MakeTwins(int lines, bool little, bool finalEnd, std::mt19937& random)
{
    const wchar_t* ends[] = {L"\n", L"\r\n", L"\r", L"\0"};
    std::wstring text;
    for (int i = 0; i < lines; ++i) {
        if (random() % 50 != 0) {   // now and then an empty line
            text += std::to_wstring(i) + L" ";
            const size_t length = random() % 60;
            for (size_t k = 0; k < length; ++k)
                text += kLetters[random() % (std::size(kLetters) - 1)];
            if (random() % 97 == 0)
                text += L" needle";
        }
        if (finalEnd || i + 1 < lines) {
            const int end = int(random() % 4);
            text += end == 3 ? std::wstring(1, L'\0') : std::wstring(ends[end]);
        }
    }
    TwinFiles twins;
    twins.units = Utf16Bytes(text, little);
    for (const wchar_t c : text)
        twins.bytes += c < 0x80 ? char(c) : '#';
    return twins;
}

// Where a byte offset of the first file lies in the second; the first line
// starts at 0 in both.
int64_t InUnits(int64_t offset)
{
    return offset == 0 ? 0 : 2 + 2 * offset;
}

std::wstring AsBytesRead(const wchar_t* text)
{
    std::wstring same = text ? text : L"<none>";
    for (wchar_t& c : same)
        c = c < 0x80 ? c : L'#';
    return same;
}

// Everything the view takes from the reader: the block, its lines and
// places, the top position (the thumb), and the top line's number (Line Info).
void ExpectSame(CScrollableFileReader& bytes, CScrollableFileReader& units, const std::string& step)
{
    SCOPED_TRACE(step);
    ASSERT_EQ(units.LineCount(), bytes.LineCount());
    ASSERT_EQ(units.TopIndex(), bytes.TopIndex());
    EXPECT_EQ(units.BlockStart(), InUnits(bytes.BlockStart()));
    for (uint32_t i = 0; i < bytes.LineCount(); ++i) {
        ASSERT_EQ(units.LineOffset(i), InUnits(bytes.LineOffset(i))) << "line " << i;
        ASSERT_EQ(AsBytesRead(units.GetLineText(i - bytes.TopIndex())),
                  AsBytesRead(bytes.GetLineText(i - bytes.TopIndex())))
            << "line " << i;
    }
    int64_t top8 = -1, top16 = -1;
    EXPECT_EQ(units.GetTopPosition(top16), bytes.GetTopPosition(top8));
    EXPECT_EQ(top16, InUnits(top8));
    EXPECT_EQ(units.AtFirstLine(), bytes.AtFirstLine());
    EXPECT_EQ(units.BlockReachesEnd(), bytes.BlockReachesEnd());
    EXPECT_EQ(units.CountLines(0, units.TopLineOffset()), bytes.CountLines(0, bytes.TopLineOffset()));
}

TEST(Utf16ReaderTest, EveryMoveGivesTheLinesOfTheSameTextReadAsBytes)
{
    TempDir dir;
    const CFilterMatcher needle(L"*needle*", true);
    std::mt19937 random(1307);
    for (const bool little : {true, false}) {
        for (const bool finalEnd : {true, false}) {
            SCOPED_TRACE(::testing::Message() << (little ? "LE" : "BE") << " final end " << finalEnd);
            // Over 1 MiB of units: the steps back cross the read buffer's size.
            const TwinFiles twins = MakeTwins(40000, little, finalEnd, random);
            const std::wstring path8 = dir.File(L"bytes.log"), path16 = dir.File(L"units.log");
            ASSERT_TRUE(WriteBytes(path8, twins.bytes));
            ASSERT_TRUE(WriteBytes(path16, twins.units));
            CScrollableFileReader bytes(path8.c_str());
            CScrollableFileReader units(path16.c_str());
            ASSERT_EQ(units.GetSize(), InUnits(bytes.GetSize()));
            ExpectSame(bytes, units, "opened");
            const int64_t size = bytes.GetSize();
            for (int step = 0; step < 120; ++step) {
                std::string name;
                switch (random() % 6) {
                case 0: {   // a line or a page up or down, or far
                    const int32_t moves[] = {1, -1, int32_t(kPage), -int32_t(kPage), 1500, -1500, -5000};
                    const int32_t by = moves[random() % std::size(moves)];
                    name = "scroll " + std::to_string(by);
                    EXPECT_EQ(units.ScrollBy(by, kPage), bytes.ScrollBy(by, kPage)) << name;
                    break;
                }
                case 1: {   // the thumb dragged to a place on the scale
                    const int pos = int(random() % (viewmath::kVertRange + 1));
                    const int64_t at = viewmath::OffsetFromScrollPos(pos, size);
                    name = "thumb to " + std::to_string(at);
                    EXPECT_EQ(units.SeekTo(InUnits(at), kPage), bytes.SeekTo(at, kPage)) << name;
                    break;
                }
                case 2: {   // an offset inside a unit stands for the unit after it
                    const int64_t at = int64_t(random() % uint64_t(size + 1));
                    name = "odd offset before " + std::to_string(at);
                    EXPECT_EQ(units.SeekTo(InUnits(at) - 1, kPage), bytes.SeekTo(at, kPage)) << name;
                    break;
                }
                case 3:
                    name = "find forward";
                    EXPECT_EQ(units.FindForward(needle, kPage), bytes.FindForward(needle, kPage));
                    break;
                case 4:
                    name = "find backward";
                    EXPECT_EQ(units.FindBackward(needle, kPage),
                              bytes.FindBackward(needle, kPage));
                    break;
                default: {   // the first or the last line
                    const bool end = random() % 2 != 0;
                    name = end ? "to the end" : "to the start";
                    EXPECT_EQ(units.SeekTo(end ? units.GetSize() : 1, kPage),
                              bytes.SeekTo(end ? size : 0, kPage));
                    break;
                }
                }
                ExpectSame(bytes, units, std::to_string(step) + ": " + name);
                if (HasFatalFailure())
                    return;
            }
        }
    }
}

} // namespace
