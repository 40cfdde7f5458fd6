// From a result line to its log and Go to Line, in a real view over a real
// run's result: Enter, a double click and the menu ask for the log line the
// index gives; Go to Line moves and marks; every refusal says why.
#include "engine/run/GrepIndex.h"
#include "engine/run/GrepRun.h"
#include "engine/run/ResultLine.h"
#include "resources/resource.h"
#include "tests/viewer/ViewFixture.h"
#include "viewer/RowPainter.h"
#include "tests/support/GrepObservers.h"

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

// "line 0001" to "line NNNN", CR LF ends, ERROR in lines 1000 and 2500.
std::string Log(int count, const char* word = "ERROR")
{
    std::string log;
    for (int i = 1; i <= count; ++i) {
        char line[48];
        std::snprintf(line, sizeof line, "line %04d%s\r\n", i, i == 1000 || i == 2500 ? " " : "");
        log += line;
        if (i == 1000 || i == 2500)
            log.insert(log.size() - 2, word);
    }
    return log;
}

size_t OffsetOfLine(const std::string& log, int line)
{
    size_t at = 0;
    for (int i = 1; i < line; ++i)
        at = log.find("\r\n", at) + 2;
    return at;
}

CDialogDriver::Handler TypeLine(const wchar_t* number)
{
    return [number](HWND dialog) {
        SetDlgItemTextW(dialog, IDC_LINE_NUMBER, number);
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    };
}

class LinesTest : public ViewTest {
protected:
    // Runs *ERROR* with 2 lines before and 4 after over the log and opens the result.
    void OpenResult()
    {
        log = dir.File(L"app.log");
        ASSERT_TRUE(WriteBytes(log, logBytes));
        CGrepParams params;
        params.logFile = log;
        params.resultFile = dir.File(L"result.greptmp");
        params.filters = CheckedFilters({L"*ERROR*"});
        CQuietObserver observer;
        ASSERT_EQ(RunGrep(params, observer).end, GrepEnd::Completed);
        OpenView(ReadBytes(params.resultFile));
    }
    void Command(int id) { SendMessageW(Window(), WM_COMMAND, id, 0); }
    RecordedMessage LastRequest() const
    {
        const std::vector<RecordedMessage> notices = Notices();
        return notices.empty() ? RecordedMessage{} : notices.back();
    }

    std::string logBytes = Log(3000);
    std::wstring log;
};

TEST_F(LinesTest, ResultLinesLeadToTheirLogLines)
{
    OpenResult();
    ASSERT_EQ(Top(), L"/line 0998");
    struct Step {
        const char* what;
        std::function<void()> act;
        int logLine;
    };
    const Step steps[] = {
        {"Enter on the top line", [&] { Key(VK_RETURN); }, 998},
        {"double click on row 3",
         [&] { SendMessageW(Window(), WM_LBUTTONDBLCLK, 0, MAKELPARAM(10, RowTop(3) + 3)); }, 1001},
        {"the menu after 7 lines down",
         [&] {
             for (int i = 0; i < 7; ++i)
                 Key(VK_DOWN);
             Command(IDM_SHOW_IN_LOG);
         },
         2498},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        const size_t before = Notices().size();
        step.act();
        ASSERT_EQ(Notices().size(), before + 1);
        const RecordedMessage request = LastRequest();
        EXPECT_EQ(request.code, static_cast<UINT>(NM_VIEWER_SHOW_IN_LOG));
        EXPECT_EQ(request.from, Window());
        EXPECT_EQ(request.text, log);
        EXPECT_EQ(request.number, int64_t(OffsetOfLine(logBytes, step.logLine)));
    }

    // Line Info adds the log line of the top line; the result line stays first.
    CDialogDriver info({PressButton(IDOK)});
    Command(IDM_LINE_INFO);
    ASSERT_EQ(info.Seen().size(), 1u);
    EXPECT_EQ(info.Seen()[0].text, L"Current Line:    7\r\nCurrent Char:   0\r\nLog Line (from 1): 2498");

    // Refusals: a log line that changed under the result, a result without index.
    ASSERT_TRUE(WriteBytes(log, Log(3000, "FATAL")));
    const size_t requests = Notices().size();
    CDialogDriver refusals({PressButton(IDOK), PressButton(IDOK)});
    SendMessageW(Window(), WM_LBUTTONDBLCLK, 0, MAKELPARAM(10, RowTop(2) + 3));   // line 2500
    ASSERT_TRUE(DeleteFileW(GrepIndexFileName(path).c_str()));
    Key(VK_RETURN);
    EXPECT_EQ(Notices().size(), requests);
    ASSERT_EQ(refusals.Seen().size(), 2u);
    EXPECT_EQ(refusals.Seen()[0].caption, L"Show in Log");
    EXPECT_EQ(refusals.Seen()[0].text,
              L"The log has changed since the run: its line 2500 no longer holds this line.\r\n\r\n" + log);
    EXPECT_EQ(refusals.Seen()[1].text,
              L"This file has no index of its log lines: it is a log, a saved copy of a result, or "
              L"a result of an older version.\r\nRun the search again to go from its lines to the log.");
}

TEST_F(LinesTest, GoToLineMovesToTheLineAndMarksIt)
{
    OpenView(logBytes, 640, 20 * 16 + 4, L"app.log");
    CDialogDriver driver({TypeLine(L"2500"), TypeLine(L"3001"), PressButton(IDOK), TypeLine(L"5000"),
                          PressButton(IDOK)});
    Key('G', true);
    EXPECT_EQ(Top(), L"line 2500 ERROR");
    EXPECT_EQ(view->MarkedOffset(), int64_t(OffsetOfLine(logBytes, 2500)));
    EXPECT_EQ(TopOffset(), view->MarkedOffset());
    const auto canvas = PaintToCanvas();
    const std::vector<COLORREF> row0 = canvas->ColorsIn(RowArea(0));
    EXPECT_NE(std::find(row0.begin(), row0.end(), kMarkedLineBack), row0.end()) << "the marked row";
    const std::vector<COLORREF> row1 = canvas->ColorsIn(RowArea(1));
    EXPECT_EQ(std::find(row1.begin(), row1.end(), kMarkedLineBack), row1.end()) << "the next row";

    Command(IDM_GO_TO_LINE);   // past the end: told, and the view stays
    EXPECT_EQ(Top(), L"line 2500 ERROR");
    ASSERT_EQ(driver.Seen().size(), 3u);
    EXPECT_EQ(driver.Seen()[2].caption, L"Go to Line");
    EXPECT_EQ(driver.Seen()[2].text, L"There is no line 3001: the file has 3000 lines.");
    Command(IDM_GO_TO_LINE);   // far past the end: the last line end ends the last line
    ASSERT_EQ(driver.Seen().size(), 5u);
    EXPECT_EQ(driver.Seen()[4].text, L"There is no line 5000: the file has 3000 lines.");

    // First and last lines; Esc clears the mark before it closes the view.
    EXPECT_TRUE(view->GoToLine(3000));
    EXPECT_EQ(Top(), L"line 3000");
    EXPECT_TRUE(view->GoToLine(1));
    EXPECT_EQ(Top(), L"line 0001");
    Key(VK_ESCAPE);
    EXPECT_EQ(view->MarkedOffset(), -1);
    EXPECT_NE(Window(), nullptr);

    // Ctrl+F opens Find as F7 does.
    CDialogDriver find({PressButton(IDCANCEL)});
    Key('F', true);
    ASSERT_EQ(find.Seen().size(), 1u);
    EXPECT_EQ(find.Seen()[0].caption, L"Search...");
}

TEST_F(LinesTest, LineInfoGivesALogLineOnlyWhereShowInLogWouldLead)
{
    OpenResult();
    ASSERT_EQ(Top(), L"/line 0998");
    const std::wstring index = GrepIndexFileName(path);
    const std::string indexBytes = ReadBytes(index);
    const struct {
        const char* what;
        std::string log;
        std::string index;
        std::wstring logLine;     // what Line Info says after "Log Line (from 1): "
        std::wstring showInLog;   // how Show in Log's box starts; "" when it leads to the log
    } rows[] = {
        {"as the run left them", logBytes, indexBytes, L"998", L""},
        {"a new log written under its name", std::string(46 * 6, 'x') + "\r\n" + logBytes,
         indexBytes, L"unknown, the log has changed since the run",
         L"The log has changed since the run"},
        {"a zeroed index", logBytes, std::string(indexBytes.size(), '\0'),
         L"unknown, the index of log lines is damaged",
         L"The index of this result's log lines is damaged."},
        {"an index cut short", logBytes, indexBytes.substr(0, indexBytes.size() - 8),
         L"unknown, the index of log lines is damaged",
         L"The index of this result's log lines is damaged."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ASSERT_TRUE(WriteBytes(log, row.log));
        ASSERT_TRUE(WriteBytes(index, row.index));
        CDialogDriver boxes({PressButton(IDOK), PressButton(IDOK)});
        Command(IDM_LINE_INFO);
        ASSERT_EQ(boxes.Seen().size(), 1u);
        const std::wstring info = boxes.Seen()[0].text;
        const std::wstring labelText = L"\r\nLog Line (from 1): ";
        const size_t label = info.find(labelText);
        ASSERT_NE(label, std::wstring::npos) << testing::PrintToString(info);
        EXPECT_EQ(info.substr(label + labelText.size()), row.logLine);
        const size_t requests = Notices().size();
        Key(VK_RETURN);
        if (row.showInLog.empty()) {
            EXPECT_EQ(Notices().size(), requests + 1);
            EXPECT_EQ(boxes.Seen().size(), 1u);
        } else {
            EXPECT_EQ(Notices().size(), requests);
            ASSERT_EQ(boxes.Seen().size(), 2u);
            EXPECT_EQ(boxes.Seen()[1].text.rfind(row.showInLog, 0), 0u)
                << testing::PrintToString(boxes.Seen()[1].text);
        }
    }
}

TEST_F(LinesTest, ShowInLogOnALineFollowingWroteAndOnALoneSurrogate)
{
    // The line following writes where it starts the log over is no log line.
    std::string result = "ERROR one\n";
    for (const wchar_t* c = kFollowRestartedLine; *c; ++c)
        result += char(*c);
    OpenView(result + "\nERROR two\n");
    CDialogDriver box({PressButton(IDOK)});
    SendMessageW(Window(), WM_LBUTTONDBLCLK, 0, MAKELPARAM(10, RowTop(1) + 3));
    ASSERT_EQ(box.Seen().size(), 1u);
    EXPECT_EQ(box.Seen()[0].text.rfind(L"This line is not from the log", 0), 0u);

    // A UTF-16 log line with a lone surrogate: the result holds U+FFFD for it,
    // and the log has not changed.
    view.reset();
    log = dir.File(L"wide.log");
    ASSERT_TRUE(WriteBytes(log, Utf16Bytes(L"line 1\nERROR \xD800 here\nline 3\n", true)));
    CGrepParams params;
    params.logFile = log;
    params.resultFile = dir.File(L"wide.greptmp");
    params.filters = CheckedFilters({L"*ERROR*"});
    CQuietObserver observer;
    ASSERT_EQ(RunGrep(params, observer).end, GrepEnd::Completed);
    OpenView(ReadBytes(params.resultFile), 640, 20 * 16 + 4, L"wide.greptmp");
    ASSERT_EQ(Line(1), L"ERROR \xFFFD here");
    const size_t requests = Notices().size();
    CDialogDriver none({PressButton(IDOK)});
    SendMessageW(Window(), WM_LBUTTONDBLCLK, 0, MAKELPARAM(10, RowTop(1) + 3));
    EXPECT_EQ(none.Seen().size(), 0u) << testing::PrintToString(none.Seen().empty() ? L"" : none.Seen()[0].text);
    ASSERT_EQ(Notices().size(), requests + 1);
    EXPECT_EQ(LastRequest().text, log);
}

} // namespace
