// From a result line to its log and Go to Line, in a real view over a real
// run's result: Enter, a double click and the menu ask for the log line the
// index gives; Go to Line moves and marks; every refusal says why.
#include "engine/run/GrepIndex.h"
#include "engine/run/GrepRun.h"
#include "resources/resource.h"
#include "tests/viewer/ViewFixture.h"
#include "viewer/RowPainter.h"

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

class NullObserver : public CGrepObserver {
public:
    bool StopRequested() override { return false; }
    void Progress(int, int) override {}
};

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
        params.filterTexts = {L"*ERROR*"};
        params.filterModes = {0};
        NullObserver observer;
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
    CDialogDriver driver({TypeLine(L"2500"), TypeLine(L"3001"), PressButton(IDOK)});
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

} // namespace
