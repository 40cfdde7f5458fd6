// The colour map and Tilvo.ini: parsing and writing entries, map order,
// duplicates, and files that must be left as they are.
#include "store/LoadReport.h"
#include "store/SafeSave.h"
#include "settings/ColorMap.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

namespace {

TEST(ColorValue, Parse)
{
    struct Case {
        const wchar_t* value;
        bool ok;
        const wchar_t* filterText;
        COLORREF color;
    };
    const Case cases[] = {
        {L"*ERROR:* 0000ff", true, L"*ERROR:*", 0x0000FF},
        {L"*ERROR:* ff", true, L"*ERROR:*", 0x0000FF},
        {L"*a* 0xFF00", true, L"*a*", 0x00FF00},
        {L"*a* 0X00ff00", true, L"*a*", 0x00FF00},
        {L"*a* ABCDEFzz", true, L"*a*", 0xABCDEF},
        {L"*disk full* ff0000", true, L"*disk full*", 0xFF0000},
        {L"*a*  \t ff", true, L"*a*", 0x0000FF},
        {L"*a*\tff", true, L"*a*", 0x0000FF},
        {L"*a* 1ffffffff", true, L"*a*", 0xFFFFFFFF},
        {L"*a*", false, L"", 0},
        {L"*a* zz", false, L"", 0},
        {L"*a* 0x", false, L"", 0},
        {L"ff", false, L"", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.value)));
        std::wstring filterText;
        COLORREF color = 0;
        ASSERT_EQ(ParseColorValue(c.value, filterText, color), c.ok);
        if (c.ok) {
            EXPECT_EQ(filterText, c.filterText);
            EXPECT_EQ(color, c.color);
        }
    }
    std::wstring text;
    COLORREF color = 0;
    EXPECT_TRUE(ParseColorValue(std::wstring(1023, L'x') + L" ff", text, color));
    EXPECT_FALSE(ParseColorValue(std::wstring(1024, L'x') + L" ff", text, color));
}

TEST(ColorValue, FormatIsTextBlankAndSixHexDigits)
{
    std::wstring value;
    EXPECT_TRUE(FormatColorValue(L"*ERROR:*", 0x0000FF, value));
    EXPECT_EQ(value, L"*ERROR:* 0000ff");
    EXPECT_TRUE(FormatColorValue(L"~*x*", 0x1ABCDEF, value));
    EXPECT_EQ(value, L"~*x* 1abcdef");
    EXPECT_TRUE(FormatColorValue(std::wstring(1016, L'x'), 0, value));
    EXPECT_EQ(value.size(), 1023u);
    EXPECT_FALSE(FormatColorValue(std::wstring(1017, L'x'), 0, value));
}

class ColorMapTest : public ::testing::Test {
protected:
    void SetUp() override { ClearColors(); }
    void TearDown() override { ClearColors(); }
    void Write(const std::string& bytes) { ASSERT_TRUE(WriteBytes(path, bytes)); }

    TempDir dir;
    std::wstring path = dir.File(L"Tilvo.ini");
};

TEST_F(ColorMapTest, MissingFileFailsAndLeavesEveryLineBlack)
{
    EXPECT_FALSE(LoadColors(path));
    EXPECT_EQ(ColorCount(), 0u);
    EXPECT_EQ(GetLineColor(L"ERROR: anything"), 0u);
    EXPECT_FALSE(FileExists(path));
}

TEST_F(ColorMapTest, CommentsOnlyLoadAndStayUntilTheFileIsWrittenEmpty)
{
    const std::string comments = "# colours\n\n#Color = *x* ff\n";
    Write(comments);
    EXPECT_TRUE(LoadColors(path));
    EXPECT_EQ(ColorCount(), 0u);
    EXPECT_TRUE(SaveColors(path));
    EXPECT_EQ(ReadBytes(path), comments);
    // A file deleted while the program ran is written again from the map.
    ASSERT_TRUE(DeleteFileW(path.c_str()));
    EXPECT_TRUE(SaveColors(path));
    bool ok = false;
    EXPECT_EQ(ReadBytes(path, &ok), "");
    EXPECT_TRUE(ok);
}

TEST_F(ColorMapTest, FirstOfTwoEqualExpressionsWinsAndIsWrittenNormalised)
{
    Write("Color = *ERROR:* ff\n"
          "Color = *ERROR:* ff00\n"
          "Color = ~*Warn* 00ff00\n"
          "Color = ~*WARN* ff0000\n"
          "Color = *\"disk full\"* 800080\n"
          "color = *lower* 123456\n"
          "Other = x\n");
    ASSERT_TRUE(LoadColors(path));
    EXPECT_EQ(ColorCount(), 3u);
    EXPECT_EQ(GetLineColor(L"10:01 ERROR: disk"), 0x0000FFu);
    EXPECT_EQ(GetLineColor(L"a warning"), 0x00FF00u);
    EXPECT_EQ(GetLineColor(L"the disk full now"), 0x800080u);
    EXPECT_EQ(GetLineColor(L"lower"), 0u);
    ASSERT_TRUE(DeleteFileW(path.c_str()));
    ASSERT_TRUE(SaveColors(path));
    // Map order: "*" before "~"; within "*", "ERROR:" (0x45) before "disk full" (0x64).
    EXPECT_EQ(ReadBytes(path), "Color = *ERROR:* 0000ff\n"
                               "Color = *disk full* 800080\n"
                               "Color = ~*warn* 00ff00\n");
    EXPECT_FALSE(FileExists(BackupFileFor(path)));
}

TEST_F(ColorMapTest, MapOrderNotFileOrderDecidesBetweenTwoMatches)
{
    // Both match "x ERROR y"; "*ERROR*" sorts before "~*error*" whatever the file says.
    Write("Color = ~*error* ff0000\nColor = *ERROR* 0000ff\n");
    ASSERT_TRUE(LoadColors(path));
    EXPECT_EQ(GetLineColor(L"x ERROR y"), 0x0000FFu);
    EXPECT_EQ(GetLineColor(L"x error y"), 0xFF0000u);
    // Within one first token, the second decides: "*" "A..." before "*" "B...".
    ClearColors();
    Write("Color = *B* 00ff00\nColor = *A* 0000ff\n");
    ASSERT_TRUE(LoadColors(path));
    EXPECT_EQ(GetLineColor(L"A and B"), 0x0000FFu);
}

TEST_F(ColorMapTest, EntriesInAnyScriptSurviveASaveInUtf8WithAMark)
{
    // A UTF-8 file with a mark, as Notepad saves it; the ANSI entry alone
    // would have kept the file in ANSI.
    Write("\xEF\xBB\xBF" "Color = *\xD0\xBE\xD1\x88\xD0\xB8\xD0\xB1\xD0\xBA\xD0\xB0* ff\r\n"
          "Color = *caf\xC3\xA9* ff00\r\n");
    ASSERT_TRUE(LoadColors(path));
    EXPECT_EQ(GetLineColor(L"1 \u043E\u0448\u0438\u0431\u043A\u0430 2"), 0x0000FFu);
    EXPECT_EQ(GetLineColor(L"un caf\u00E9"), 0x00FF00u);
    ASSERT_TRUE(DeleteFileW(path.c_str()));
    ASSERT_TRUE(SaveColors(path));
    EXPECT_EQ(ReadBytes(path), "\xEF\xBB\xBF" "Color = *caf\xC3\xA9* 00ff00\n"
                               "Color = *\xD0\xBE\xD1\x88\xD0\xB8\xD0\xB1\xD0\xBA\xD0\xB0* 0000ff\n");
}

TEST_F(ColorMapTest, RedWrittenAsTwoDigitsComesBackWithSix)
{
    Write("Color = *x* ff");
    ASSERT_TRUE(LoadColors(path));
    EXPECT_EQ(GetLineColor(L"x"), RGB(255, 0, 0));
    ASSERT_TRUE(DeleteFileW(path.c_str()));
    ASSERT_TRUE(SaveColors(path));
    EXPECT_EQ(ReadBytes(path), "Color = *x* 0000ff\n");
}

TEST_F(ColorMapTest, MalformedEntryInTheMiddleStopsTheLoad)
{
    const char* bad[] = {
        "Color = *nocolour*\n",
        "Color = *a* zz\n",
        "Color = \" ff\n",
    };
    for (const char* line : bad) {
        SCOPED_TRACE(line);
        ClearColors();
        const std::string original = std::string("Color = *first* ff\n") + line +
                                     "Color = *after* ff00\n";
        Write(original);
        EXPECT_FALSE(LoadColors(path));
        EXPECT_EQ(GetLineColor(L"first"), 0x0000FFu);
        EXPECT_EQ(GetLineColor(L"after"), 0u);
        // The program does not save after a failed load; if anything did, the
        // map would hold nothing the file lacks, so the file would stay.
        EXPECT_EQ(ReadBytes(path), original);
        ASSERT_TRUE(SaveColors(path));
        EXPECT_EQ(ReadBytes(path), original);
        EXPECT_FALSE(FileExists(BackupFileFor(path)));
    }
}

TEST_F(ColorMapTest, LineWithoutEqualsIsNotedAndTheFileKept)
{
    const std::string original = "Color = *a* ff\nno equals sign here\nColor = *b* ff00\n";
    Write(original);
    EXPECT_TRUE(LoadColors(path));
    EXPECT_EQ(ColorCount(), 1u);
    EXPECT_EQ(LoadStopLine(path), 2u);
    ASSERT_TRUE(SaveColors(path));
    EXPECT_EQ(ReadBytes(path), original);
    EXPECT_FALSE(FileExists(BackupFileFor(path)));
}

// The file changed by hand while the program ran: an entry this map holds and
// the file as it is now does not may lie past a line that stops the reading,
// so it is written back, with the file kept as its backup first.
TEST_F(ColorMapTest, FileThatNowStopsEarlyIsKeptAsBackupWhenWritten)
{
    Write("Color = *a* ff\n");
    ASSERT_TRUE(LoadColors(path));
    const std::string edited = "# new\nColor = *b* ff00\nno equals\nColor = *a* ff\n";
    Write(edited);
    ASSERT_TRUE(SaveColors(path));
    EXPECT_EQ(ReadBytes(BackupFileFor(path)), edited);
    // The comment goes with the entry below it, into map order.
    EXPECT_EQ(ReadBytes(path), "Color = *a* 0000ff\n# new\nColor = *b* 00ff00\n");
}

// A map loaded elsewhere written over a file edited by hand: the file's comments, blank lines
// and other keys stay above the entry they stood above, in map order, or go with it; a file
// whose bytes are not all text is named with its line and kept as its backup first.
TEST_F(ColorMapTest, WriteKeepsTheLinesTheLoadLeavesAndBacksUpBytesThatAreNotText)
{
    const std::string mark = "\xEF\xBB\xBF";
    struct Case {
        const char* name;
        std::string onDisk;
        std::string map;   // the file the map is loaded from
        std::string expected;
        size_t notTextLine;
    };
    const Case cases[] = {
        {"kept lines move with their entry into map order",
         "# colours\n\nColor = *b* ff00\nOther = x\ncolor = *lower* 1\nColor = *a* ff\n# end\n",
         "Color = *a* ff\nColor = *b* ff\n",
         "Other = x\ncolor = *lower* 1\nColor = *a* 0000ff\n# colours\n\nColor = *b* 0000ff\n# end\n", 0},
        {"an entry that is gone takes its comment", "# a\nColor = *a* ff\n# b\nColor = *b* ff\n",
         "Color = *a* ff\n", "# a\nColor = *a* 0000ff\n", 0},
        {"without such lines the file is what it always was", "Color = *a* ff\n",
         "Color = *a* ff\nColor = *b* ff00\n", "Color = *a* 0000ff\nColor = *b* 00ff00\n", 0},
        {"bytes that are not UTF-8 after a mark", mark + "# caf\xE9\nColor = *a* ff\n",
         "Color = *a* ff00\n", mark + "# caf\xEF\xBF\xBD\nColor = *a* 00ff00\n", 1},
    };
    const std::wstring mapPath = dir.File(L"map.ini");
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        DeleteFileW(BackupFileFor(path).c_str());
        Write(test.onDisk);
        ClearColors();
        ASSERT_TRUE(LoadColors(path));
        EXPECT_EQ(LineNotText(path), test.notTextLine);
        ASSERT_TRUE(WriteBytes(mapPath, test.map));
        ClearColors();
        ASSERT_TRUE(LoadColors(mapPath));
        ASSERT_TRUE(SaveColors(path));
        EXPECT_EQ(ReadBytes(path), test.expected);
        bool backedUp = false;
        const std::string backup = ReadBytes(BackupFileFor(path), &backedUp);
        EXPECT_EQ(backedUp, test.notTextLine > 0);
        if (backedUp) {
            EXPECT_EQ(backup, test.onDisk);
        }
    }
}

TEST_F(ColorMapTest, ValueTooLongToSaveFailsAndLeavesNoFile)
{
    // A filter text of 1022 characters loads (the limit on reading is 1023),
    // but with its blank and six digits the value no longer fits in 1023.
    const std::string text = "*" + std::string(1020, 'x') + "*";
    const std::string original = "Color = " + text + " ff\n";
    Write(original);
    ASSERT_TRUE(LoadColors(path));
    ASSERT_TRUE(DeleteFileW(path.c_str()));
    EXPECT_FALSE(SaveColors(path));
    EXPECT_FALSE(FileExists(path));
    EXPECT_FALSE(FileExists(TemporaryFileFor(path)));
}

TEST_F(ColorMapTest, DefaultPlaceIsBesideTheExecutable)
{
    const std::wstring file = ColorsFilePath();
    EXPECT_EQ(file.substr(file.rfind(L'\\')), L"\\Tilvo.ini");
}

} // namespace

// An expression colours lines from a "RegexColor" line, after the masks; its blanks at
// either end survive, and one this PCRE2 refuses stays in the file, colouring nothing.
TEST_F(ColorMapTest, ExpressionsColourLinesFromALineOfTheirOwn)
{
    const std::string file = "Color = *ERROR* 0000ff\n"
                             "RegexColor = \\x20t=\\d{3,} 00ff00\n"
                             "RegexColor = a( ff0000\n";
    Write(file);
    ASSERT_TRUE(LoadColors(path));
    EXPECT_EQ(ColorCount(), 2u);
    EXPECT_EQ(GetLineColor(L"ERROR t=1234"), 0x0000FFu) << "masks come first";
    EXPECT_EQ(GetLineColor(L"wait t=1234"), 0x00FF00u);
    EXPECT_EQ(GetLineColor(L"wait_t=1234"), 0u) << "the leading blank is the expression's";
    EXPECT_EQ(GetLineColor(L"a("), 0u);
    ASSERT_TRUE(SaveColors(path));
    EXPECT_EQ(ReadBytes(path), file);
    ASSERT_TRUE(DeleteFileW(path.c_str()));
    ASSERT_TRUE(SaveColors(path));
    EXPECT_EQ(ReadBytes(path), "Color = *ERROR* 0000ff\nRegexColor = \\x20t=\\d{3,} 00ff00\n");
}
