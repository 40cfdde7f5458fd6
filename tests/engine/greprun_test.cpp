// The grep worker's result files, byte for byte, for the context rules, the
// filter combination and the line ends, each run through the real worker
// thread with hidden windows receiving its notices.
#include "engine/run/GrepThread.h"
#include "tests/engine/GrepWindow.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

std::string Join(const Lines& lines, const std::string& end)
{
    std::string bytes;
    for (const std::string& line : lines)
        bytes += line + end;
    return bytes;
}

// Lines "line 1" to "line n"; the numbers in `matching` carry "ERROR:".
Lines Numbered(int n, std::initializer_list<int> matching)
{
    Lines lines;
    for (int i = 1; i <= n; ++i) {
        std::string line = "line " + std::to_string(i);
        for (int m : matching)
            if (m == i)
                line += " ERROR: x";
        lines.push_back(line);
    }
    return lines;
}

struct RunCase {
    const char* name;
    Lines log;
    std::vector<std::wstring> filters;
    std::vector<int> modes;
    int before;
    int after;
    Lines expected;   // the result lines, each ended by the result's line end
    int matches;
    bool ignoreCase = false;
};

std::string Line(const Lines& log, int number, const char* prefix = "")
{
    return prefix + log[static_cast<size_t>(number - 1)];
}

std::vector<RunCase> Cases()
{
    std::vector<RunCase> cases;
    const std::vector<std::wstring> error = {L"*ERROR:*"};
    const std::vector<int> orMode = {0};
    {
        Lines log = Numbered(10, {5, 7});
        cases.push_back({"context before and after, overlapping", log, error, orMode, 2, 2,
                         {Line(log, 3, "/"), Line(log, 4, "/"), Line(log, 5), Line(log, 6, "\\"),
                          Line(log, 7), Line(log, 8, "\\"), Line(log, 9, "\\")},
                         2});
    }
    {
        Lines log = Numbered(5, {1, 5});
        cases.push_back({"a match in the first and in the last line", log, error, orMode, 2, 2,
                         {Line(log, 1), Line(log, 2, "\\"), Line(log, 3, "\\"), Line(log, 4, "/"),
                          Line(log, 5)},
                         2});
    }
    {
        Lines log = Numbered(10, {5, 9});
        cases.push_back({"three before, none after", log, error, orMode, 3, 0,
                         {Line(log, 2, "/"), Line(log, 3, "/"), Line(log, 4, "/"), Line(log, 5),
                          Line(log, 6, "/"), Line(log, 7, "/"), Line(log, 8, "/"), Line(log, 9)},
                         2});
    }
    {
        Lines log = Numbered(10, {5, 7});
        cases.push_back({"no context", log, error, orMode, 0, 0, {Line(log, 5), Line(log, 7)}, 2});
    }
    {
        Lines log = Numbered(10, {4, 6});
        cases.push_back({"after-context lines never enter the ring", log, error, orMode, 2, 1,
                         {Line(log, 2, "/"), Line(log, 3, "/"), Line(log, 4), Line(log, 5, "\\"),
                          Line(log, 6), Line(log, 7, "\\")},
                         2});
    }
    {
        Lines log = Numbered(6, {2, 3, 4});
        cases.push_back({"a match inside the after-context restarts it", log, error, orMode, 1, 2,
                         {Line(log, 1, "/"), Line(log, 2), Line(log, 3), Line(log, 4),
                          Line(log, 5, "\\"), Line(log, 6, "\\")},
                         3});
    }
    {
        Lines log = {"", "", "ERROR: a", "", "", "b"};
        cases.push_back({"empty lines kept as context", log, error, orMode, 2, 2,
                         {"/", "/", "ERROR: a", "\\", "\\"}, 1});
    }
    {
        Lines log = {"a", "", "b", ""};
        cases.push_back({"a star keeps every line but the empty ones", log, {L"*"}, orMode, 0, 0,
                         {"a", "b"}, 2});
    }
    {
        Lines log = Numbered(12, {3, 11});
        cases.push_back({"lines still in the ring at the end are not written", log, error, orMode,
                         4, 0, {Line(log, 1, "/"), Line(log, 2, "/"), Line(log, 3),
                                Line(log, 7, "/"), Line(log, 8, "/"), Line(log, 9, "/"),
                                Line(log, 10, "/"), Line(log, 11)},
                         2});
    }
    {
        Lines log = {"a", "", "b c", "ERROR: d", ""};
        cases.push_back({"no filters copies the log", log, {}, {}, 2, 4, {"a", "", "b c", "ERROR: d", ""}, 0});
    }
    {
        Lines log = {"ERROR a", "WARN config", "INFO", "WARN b", "ERROR config"};
        cases.push_back({"two Or filters and an And exclusion", log,
                         {L"*ERROR*", L"*WARN*", L"-config"}, {0, 0, 1}, 0, 0,
                         {"ERROR a", "WARN b"}, 2});
    }
    {
        Lines log = {"Error here", "error there", "ERROR: config", "fine"};
        cases.push_back({"ignore case and an exclusion", log, {L"~*error*-config"}, orMode, 0, 0,
                         {"Error here", "error there"}, 2});
    }
    {
        Lines log = {"Error here", "error there", "fine"};
        RunCase c{"ignore case from the parameters", log, {L"*ERROR*"}, orMode, 0, 0,
                  {"Error here", "error there"}, 2};
        c.ignoreCase = true;
        cases.push_back(c);
    }
    {
        Lines log = {"a x", "a y", "b x"};
        cases.push_back({"And filters only", log, {L"a*", L"*x"}, {1, 1}, 0, 0, {"a x"}, 1});
    }
    {
        // Every byte but the line ends comes back unchanged.
        std::string all;
        for (int b = 1; b < 256; ++b)
            if (b != '\n' && b != '\r')
                all += static_cast<char>(b);
        cases.push_back({"8-bit text passes unchanged", {"x", all, "y"}, {L"*\u20AC*"}, orMode, 1, 1,
                         {"/x", all, "\\y"}, 1});
    }
    return cases;
}

class GrepRunTest : public ::testing::Test {
protected:
    // Runs one case on a log with the given line end; the result's bytes.
    std::string RunCaseWith(const RunCase& c, const std::string& logEnd, bool lfResult,
                            GrepWindows& windows)
    {
        const std::wstring log = dir.File(L"case.log");
        const std::wstring result = dir.File(L"case.greptmp");
        EXPECT_TRUE(WriteBytes(log, Join(c.log, logEnd)));
        CGrepParams params;
        params.logFile = log;
        params.resultFile = result;
        params.filters = CheckedFilters(c.filters, c.modes);
        params.linesBefore = c.before;
        params.linesAfter = c.after;
        params.ignoreCase = c.ignoreCase;
        params.lfLineEnds = lfResult;
        EXPECT_TRUE(windows.Run(params));
        return ReadBytes(result);
    }
    TempDir dir;
};

TEST_F(GrepRunTest, ResultFilesByteForByteForLfAndCrLfLogs)
{
    for (const RunCase& c : Cases()) {
        for (const char* logEnd : {"\n", "\r\n"}) {
            for (bool lfResult : {true, false}) {
                SCOPED_TRACE(std::string(c.name) + (logEnd[1] ? ", CR LF log" : ", LF log") +
                             (lfResult ? ", LF result" : ", CR LF result"));
                GrepWindows windows;
                const std::string bytes = RunCaseWith(c, logEnd, lfResult, windows);
                EXPECT_EQ(bytes, Join(c.expected, lfResult ? "\n" : "\r\n"));
                ASSERT_FALSE(windows.Notices().empty());
                const GrepNotice last = windows.Notices().back();
                EXPECT_TRUE(last.finished);
                EXPECT_EQ(last.wParam, 1u);
                const std::wstring completed =
                    L"Completed with " + std::to_wstring(c.matches) + L" matches by ";
                const std::wstring text = LastText(windows.Notices());
                EXPECT_EQ(text.substr(0, completed.size()), completed) << text;
                EXPECT_EQ(text.substr(text.size() - 5), L" sec.") << text;
            }
        }
    }
}

TEST_F(GrepRunTest, ALastLineWithoutLineEndAndMixedLineEnds)
{
    GrepWindows windows;
    const std::wstring log = dir.File(L"mixed.log");
    const std::wstring result = dir.File(L"mixed.greptmp");
    // CR alone, CR LF, LF, a zero byte and no end at all.
    const char bytes[] = "a\rERROR: b\r\nc\nd\0ERROR: e";
    ASSERT_TRUE(WriteBytes(log, std::string(bytes, sizeof bytes - 1)));
    CGrepParams params;
    params.logFile = log;
    params.resultFile = result;
    params.filters = CheckedFilters({L"*ERROR:*"});
    params.linesBefore = 1;
    params.linesAfter = 2;
    ASSERT_TRUE(windows.Run(params));
    EXPECT_EQ(ReadBytes(result), "/a\nERROR: b\n\\c\n\\d\nERROR: e\n");
}

TEST_F(GrepRunTest, ALineLongerThanTheReadBufferIsKeptWhole)
{
    GrepWindows windows;
    const std::wstring log = dir.File(L"long.log");
    const std::wstring result = dir.File(L"long.greptmp");
    std::string longLine(3 * 1024 * 1024 + 17, 'x');
    longLine.replace(2 * 1024 * 1024, 6, "ERROR:");
    ASSERT_TRUE(WriteBytes(log, "first\r\n" + longLine + "\r\nlast\r\n"));
    CGrepParams params;
    params.logFile = log;
    params.resultFile = result;
    params.filters = CheckedFilters({L"*ERROR:*"});
    ASSERT_TRUE(windows.Run(params));
    EXPECT_TRUE(ReadBytes(result) == "/first\n" + longLine + "\n\\last\n");
}

} // namespace

TEST_F(GrepRunTest, EightBitLinesOfAnyEncodingAreWrittenAsTheLogsOwnBytes)
{
    // Latin-1 letters, bytes without a character in most code pages, UTF-8
    // Cyrillic and broken UTF-8: whatever the ANSI code page, 932 or UTF-8
    // included, the result holds each kept line's bytes as they stand, and a
    // UTF-8 line matches a filter in its own script.
    const Lines log = {"caf\xE9 ERROR: 1", "\x81\x8D\xFF plain", "\xD0\xBE\xD1\x88\xD0\xB8\xD0\xB1\xD0\xBA\xD0\xB0 2",
                       "half \xC3( ERROR: 3", "\xE2\x82\xAC plain"};
    const std::wstring path = dir.File(L"mixed8.log");
    const std::wstring result = dir.File(L"mixed8.greptmp");
    ASSERT_TRUE(WriteBytes(path, Join(log, "\r\n")));
    const struct {
        std::vector<std::wstring> filters;
        Lines expected;
    } cases[] = {
        {{L"*ERROR:*"}, {log[0], "\\" + log[1], "/" + log[2], log[3], "\\" + log[4]}},
        {{L"*\u043E\u0448\u0438\u0431\u043A\u0430*"}, {"/" + log[1], log[2], "\\" + log[3]}},
    };
    for (const auto& c : cases) {
        GrepWindows windows;
        CGrepParams params;
        params.logFile = path;
        params.resultFile = result;
        params.filters = CheckedFilters(c.filters);
        params.linesBefore = 1;
        params.linesAfter = 1;
        params.lfLineEnds = true;
        ASSERT_TRUE(windows.Run(params));
        EXPECT_EQ(ReadBytes(result), Join(c.expected, "\n")) << "ANSI code page " << GetACP();
    }
}
