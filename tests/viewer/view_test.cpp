// CTextView with real windows and messages: creation, keys, thumb, wheel, resize, painting, closing.
#include "win32/ModulePath.h"
#include "tests/support/GrepObservers.h"
#include "win32/StringException.h"
#include "resources/resource.h"
#include "tests/viewer/ViewFixture.h"
#include "engine/run/GrepRun.h"
#include "viewer/RowPainter.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <memory>

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kMarker = RGB(0xA0, 0, 0);   // COLORREF 0x0000A0

bool Has(const std::vector<COLORREF>& colors, COLORREF c)
{
    return std::find(colors.begin(), colors.end(), c) != colors.end();
}

std::string Repeat(char c, int n)
{
    return std::string(size_t(n), c);
}

TEST_F(ViewTest, CreateMakesAWindowOfItsClassWithTheViewerMenuAndDisabledBars)
{
    CTextView standalone(GetModuleHandleW(nullptr));
    ASSERT_TRUE(standalone.Create(L"C:\\logs\\app.log.greptmp"));
    HWND window = standalone.Window();
    wchar_t text[256] = {};
    GetClassNameW(window, text, 256);
    EXPECT_STREQ(text, L"TilvoTextView");
    GetWindowTextW(window, text, 256);
    EXPECT_STREQ(text, L"C:\\logs\\app.log.greptmp");
    // The horizontal bar hides itself while its range is empty.
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    EXPECT_EQ(style & (WS_OVERLAPPEDWINDOW | WS_VSCROLL), WS_OVERLAPPEDWINDOW | WS_VSCROLL);
    EXPECT_TRUE(IsWindowVisible(window));

    HMENU menu = GetMenu(window);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(GetMenuItemCount(menu), 5);
    EXPECT_EQ(standalone.PercentText(), L"  0%");
    EXPECT_EQ(GetMenuItemID(menu, 4), UINT(IDM_LINE_INFO));
    GetMenuStringW(GetSubMenu(menu, 0), IDM_SAVE, text, 256, MF_BYCOMMAND);
    EXPECT_STREQ(text, L"&Save...\tCtrl+S");

    SCROLLBARINFO bar{};
    bar.cbSize = sizeof(bar);
    ASSERT_TRUE(GetScrollBarInfo(window, OBJID_VSCROLL, &bar));
    EXPECT_TRUE(bar.rgstate[1] & STATE_SYSTEM_UNAVAILABLE);   // the up arrow
    EXPECT_TRUE(bar.rgstate[5] & STATE_SYSTEM_UNAVAILABLE);   // the down arrow

    try {
        standalone.Create(L"again");
        FAIL() << "a second Create must raise";
    } catch (const CStringException& e) {
        EXPECT_STREQ(e.Where(), L"CTextView::Create");
        EXPECT_STREQ(e.What(), L"Already created");
    }
}

TEST_F(ViewTest, OpenFileNeedsAWindowAndReportsAFileThatCannotBeOpened)
{
    CTextView noWindow(GetModuleHandleW(nullptr));
    EXPECT_FALSE(noWindow.OpenFile(dir.File(L"x").c_str()));

    CTextView standalone(GetModuleHandleW(nullptr));
    ASSERT_TRUE(standalone.Create(L"missing"));
    try {
        standalone.OpenFile(dir.File(L"no such file.greptmp").c_str());
        FAIL() << "opening a missing file must raise";
    } catch (const CStringException& e) {
        EXPECT_STREQ(e.Where(), L"CTextView::OpenFile");
        EXPECT_STREQ(e.What(), L"CFileReader::CFileReader: unable to open the file");
    }
    EXPECT_EQ(standalone.Reader(), nullptr);
    EXPECT_TRUE(standalone.FilePath().empty());
}

TEST_F(ViewTest, OpenedFileShowsItsFirstLineWithBothBarsEnabledAtZero)
{
    OpenView(NumberedLines(3000));
    EXPECT_EQ(Top(), NumberedLine(0));
    EXPECT_EQ(view->PageLines(), 20u);
    int minimum = -1, maximum = -1;
    GetScrollRange(Window(), SB_VERT, &minimum, &maximum);
    EXPECT_EQ(minimum, 0);
    EXPECT_EQ(maximum, 10000);
    EXPECT_EQ(VPos(), 0);
    EXPECT_EQ(HPos(), 0);
    EXPECT_EQ(view->PercentText(), L"  0%");
    SCROLLBARINFO bar{};
    bar.cbSize = sizeof(bar);
    ASSERT_TRUE(GetScrollBarInfo(Window(), OBJID_VSCROLL, &bar));
    EXPECT_FALSE(bar.rgstate[1] & STATE_SYSTEM_UNAVAILABLE);
    EXPECT_FALSE(bar.rgstate[5] & STATE_SYSTEM_UNAVAILABLE);
}

TEST_F(ViewTest, ANewViewOpensAtZeroWhateverTheFilesLength)
{
    // A one-line file's first line is also its last; it still opens at the top.
    const struct {
        const char* bytes;
        const wchar_t* name;
    } files[] = {{"only line\n", L"lf.greptmp"},
                 {"only line", L"no end.greptmp"},
                 {"only line\r\n", L"crlf.greptmp"},
                 {"only line\ntwo\n", L"two.greptmp"}};
    for (const auto& file : files) {
        SCOPED_TRACE(file.bytes);
        OpenView(file.bytes, 640, 20 * 16 + 4, file.name);
        EXPECT_EQ(Top(), L"only line");
        EXPECT_EQ(view->PercentText(), L"  0%");
        EXPECT_EQ(VPos(), 0);
        Key(VK_NEXT, true);   // Ctrl+Page Down: the end of the file
        EXPECT_EQ(view->PercentText(), L"100%");
        Key(VK_PRIOR, true);
        EXPECT_EQ(view->PercentText(), L"  0%");
    }
}

TEST_F(ViewTest, PageAndArrowKeysWithAndWithoutCtrl)
{
    OpenView(NumberedLines(3000));   // 30000 bytes, ten a line
    const int page = int(view->PageLines());
    ASSERT_EQ(page, 20);
    const struct {
        WPARAM key;
        bool ctrl;
        int expectedTop;   // -1: past the last line
        int expectedPos;
        const wchar_t* percent;
    } steps[] = {
        {VK_NEXT, false, 20, 66, L"  0%"},     {VK_NEXT, false, 40, 133, L"  1%"},
        {VK_PRIOR, false, 20, 66, L"  0%"},    {VK_DOWN, false, 21, 70, L"  0%"},
        {VK_UP, false, 20, 66, L"  0%"},       {VK_DOWN, true, 40, 133, L"  1%"},
        {VK_UP, true, 20, 66, L"  0%"},        {VK_NEXT, true, -1, 10000, L"100%"},
        {VK_DOWN, false, -1, 10000, L"100%"},  {VK_UP, false, 2999, 10000, L"100%"},
        {VK_UP, false, 2998, 9993, L" 99%"},   {VK_PRIOR, true, 0, 0, L"  0%"},
        {VK_UP, false, 0, 0, L"  0%"},         {VK_PRIOR, false, 0, 0, L"  0%"},
    };
    int n = 0;
    for (const auto& s : steps) {
        SCOPED_TRACE(::testing::Message() << "step " << n++);
        Key(s.key, s.ctrl);
        EXPECT_EQ(Top(), s.expectedTop < 0 ? L"<none>" : NumberedLine(s.expectedTop));
        EXPECT_EQ(VPos(), s.expectedPos);
        EXPECT_EQ(view->PercentText(), s.percent);
    }
}

TEST_F(ViewTest, LineUpWorksNearTheTopOfALargeFileWherePositionReadsZero)
{
    OpenView(NumberedLines(200000));   // 2 MB: the first 200 bytes read 0
    for (int i = 0; i < 5; ++i)
        Key(VK_DOWN);
    ASSERT_EQ(Top(), NumberedLine(5));
    ASSERT_EQ(VPos(), 0);
    Key(VK_UP);
    EXPECT_EQ(Top(), NumberedLine(4));
    Key(VK_PRIOR);
    EXPECT_EQ(Top(), NumberedLine(0));
    Key(VK_DOWN);
    Key(VK_PRIOR, true);
    EXPECT_EQ(Top(), NumberedLine(0));
}

TEST_F(ViewTest, PageDownOnTheLastPageShowsOnlyTheEndMarker)
{
    OpenView(NumberedLines(30));
    Key(VK_NEXT);
    EXPECT_EQ(Top(), NumberedLine(20));
    Key(VK_NEXT);
    EXPECT_EQ(Top(), L"<none>");
    EXPECT_EQ(VPos(), 10000);
    auto canvas = PaintToCanvas();
    EXPECT_TRUE(Has(canvas->ColorsIn(RowArea(0)), kMarker));
    Key(VK_UP);
    EXPECT_EQ(Top(), NumberedLine(29));
}

TEST_F(ViewTest, ThumbMovesToTheOffsetOnTheTenThousandScale)
{
    OpenView(NumberedLines(3000));
    VScroll(SB_THUMBPOSITION, 5000);
    EXPECT_EQ(Top(), NumberedLine(1500));
    EXPECT_EQ(VPos(), 5000);
    EXPECT_EQ(view->PercentText(), L" 50%");
    VScroll(SB_THUMBTRACK, 700);
    EXPECT_EQ(Top(), NumberedLine(210));
    EXPECT_EQ(view->PercentText(), L"  7%");
    VScroll(SB_THUMBPOSITION, 7001);   // offset 21003, inside line 2100
    EXPECT_EQ(Top(), NumberedLine(2101));
    VScroll(SB_THUMBPOSITION, 30000);  // beyond the scale: the end
    EXPECT_EQ(Top(), L"<none>");
    EXPECT_EQ(VPos(), 10000);
    VScroll(SB_ENDSCROLL);             // not a move
    EXPECT_EQ(VPos(), 10000);
    VScroll(SB_TOP);
    EXPECT_EQ(Top(), NumberedLine(0));
}

TEST_F(ViewTest, WheelPagesAndWithShiftScrollsSideways)
{
    std::vector<std::string> lines;
    for (int i = 0; i < 100; ++i)
        lines.push_back(std::to_string(i) + Repeat('x', 300));
    OpenView(JoinLines(lines));
    const int columns = view->VisibleColumns();
    ASSERT_GT(columns, 10);
    SendMessageW(Window(), WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(-120)), 0);
    EXPECT_EQ(Top(), L"20" + std::wstring(300, L'x'));
    SendMessageW(Window(), WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
    EXPECT_EQ(Top(), L"0" + std::wstring(300, L'x'));
    SendMessageW(Window(), WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, 120), 0);
    EXPECT_EQ(HPos(), columns);
    EXPECT_EQ(Top(), L"0" + std::wstring(300, L'x'));
    SendMessageW(Window(), WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, WORD(-120)), 0);
    EXPECT_EQ(HPos(), 0);
}

TEST_F(ViewTest, HorizontalKeysMoveByColumnsWithinTheWidestLineOnThePage)
{
    std::vector<std::string> lines(30, "short");
    lines[3] = Repeat('w', 200);
    OpenView(JoinLines(lines));
    const int widest = 200;
    EXPECT_EQ(view->WidestLine(), widest);
    const int end = widest - view->VisibleColumns();
    const struct {
        WPARAM key;
        bool ctrl;
        int expected;
    } steps[] = {
        {VK_LEFT, false, 0},  {VK_RIGHT, false, 1}, {VK_RIGHT, false, 2}, {VK_LEFT, false, 1},
        {VK_END, false, 11},  {VK_HOME, false, 1},  {VK_HOME, false, 0},  {VK_RIGHT, true, 10},
        {VK_LEFT, true, 0},   {VK_END, true, end},  {VK_RIGHT, false, end}, {VK_END, false, end},
        {VK_HOME, true, 0},
    };
    int n = 0;
    for (const auto& s : steps) {
        SCOPED_TRACE(::testing::Message() << "step " << n++);
        Key(s.key, s.ctrl);
        EXPECT_EQ(HPos(), s.expected);
    }
}

TEST_F(ViewTest, ShortLinesLeaveTheHorizontalPositionAtZero)
{
    OpenView(NumberedLines(50));
    Key(VK_END, true);
    EXPECT_EQ(HPos(), 0);
    Key(VK_END);
    EXPECT_EQ(HPos(), 0);
    Key(VK_RIGHT);
    EXPECT_EQ(HPos(), 0);
    Key(VK_HOME, true);
    EXPECT_EQ(HPos(), 0);
}

TEST_F(ViewTest, ResizeRecomputesPageLinesColumnsAndTheHorizontalRange)
{
    std::vector<std::string> lines;
    for (int i = 0; i < 3000; ++i)
        lines.push_back(std::to_string(i) + ":" + Repeat('r', 150));
    OpenView(JoinLines(lines));
    Key(VK_NEXT);
    const int pos = VPos();
    ASSERT_GT(pos, 0);
    const int cw = view->CharWidth();
    ASSERT_GT(cw, 0);
    EXPECT_EQ(view->VisibleColumns(), (640 - 4) / cw - 1);
    EXPECT_EQ(view->PageLines(), 20u);

    SetClientSize(Window(), 800, 30 * 16 + 4);
    EXPECT_EQ(view->PageLines(), 30u);
    EXPECT_EQ(view->VisibleColumns(), (800 - 4) / cw - 1);
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_RANGE | SIF_PAGE;
    ASSERT_TRUE(GetScrollInfo(Window(), SB_HORZ, &info));
    EXPECT_EQ(info.nMin, 0);
    EXPECT_EQ(info.nMax, view->WidestLine());
    EXPECT_EQ(info.nMax, 2 + 1 + 150);   // "20:" + 150 on the page after one Page Down
    EXPECT_EQ(int(info.nPage), view->VisibleColumns());
    EXPECT_EQ(VPos(), pos);
    EXPECT_EQ(Top(), L"20:" + std::wstring(150, L'r'));
}

TEST_F(ViewTest, EscapeWithoutHighlightClosesAndNotifiesTheMainDialog)
{
    OpenView(NumberedLines(10));
    HWND window = Window();
    Key(VK_ESCAPE);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(view->Window(), nullptr);
    EXPECT_EQ(view->Reader(), nullptr);
    ASSERT_EQ(Notices().size(), 1u);
    EXPECT_EQ(Notices()[0].from, window);
    EXPECT_EQ(Notices()[0].code, UINT(-98));
    EXPECT_EQ(Notices()[0].code, 0xFFFFFF9Eu);
    EXPECT_EQ(Notices()[0].wParam, reinterpret_cast<WPARAM>(window));
}

TEST_F(ViewTest, CloseCommandAndTheSystemCloseNotifyToo)
{
    OpenView(NumberedLines(10));
    HWND first = Window();
    EXPECT_EQ(SendMessageW(first, WM_COMMAND, IDM_CLOSE, 0), 1);
    EXPECT_FALSE(IsWindow(first));

    OpenView(NumberedLines(10));
    HWND second = Window();
    SendMessageW(second, WM_SYSCOMMAND, SC_CLOSE, 0);
    PumpMessages();
    EXPECT_FALSE(IsWindow(second));
    ASSERT_EQ(Notices().size(), 2u);
    EXPECT_EQ(Notices()[0].from, first);
    EXPECT_EQ(Notices()[1].from, second);
}

TEST_F(ViewTest, TheMainDialogMayDeleteTheViewWhenNotified)
{
    OpenView(NumberedLines(10));
    HWND window = Window();
    deleteOnNotice = view.release();
    SendMessageW(window, WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_FALSE(IsWindow(window));
    ASSERT_EQ(Notices().size(), 1u);
    EXPECT_EQ(Notices()[0].from, window);
    EXPECT_EQ(deleteOnNotice, nullptr);
}

TEST_F(ViewTest, AboutBoxStartsWithTheProgramAndVersion)
{
    OpenView(NumberedLines(3));
    CDialogDriver driver({PressButton(IDOK)});
    EXPECT_EQ(SendMessageW(Window(), WM_COMMAND, IDM_ABOUT, 0), 1);
    ASSERT_EQ(driver.Seen().size(), 1u);
    EXPECT_EQ(driver.Seen()[0].caption, L"About...");
    EXPECT_EQ(driver.Seen()[0].text.rfind(L"Tilvo v1.0\r\n", 0), 0u);
}

TEST_F(ViewTest, UnknownKeysAndCommandsAreNotHandled)
{
    OpenView(NumberedLines(10));
    EXPECT_EQ(SendMessageW(Window(), WM_KEYDOWN, 'Q', 0), 1);
    EXPECT_EQ(SendMessageW(Window(), WM_KEYDOWN, VK_NEXT, 0), 0);
    EXPECT_EQ(SendMessageW(Window(), WM_COMMAND, 4242, 0), 0);
}

TEST_F(ViewTest, EachLineIsPaintedInItsColourFromTheColourMap)
{
    ASSERT_TRUE(WriteColors("Color = *ERROR* 0000ff\nColor = *WARN* 008000\n"));
    OpenView("plain line\nERROR: disk full\nWARN: disk low\n\nlast line\n");
    auto canvas = PaintToCanvas();
    const auto row0 = canvas->ColorsIn(RowArea(0));
    EXPECT_TRUE(Has(row0, kBlack));
    EXPECT_EQ(row0.size(), 2u);
    const auto row1 = canvas->ColorsIn(RowArea(1));
    EXPECT_TRUE(Has(row1, RGB(255, 0, 0)));
    EXPECT_EQ(row1.size(), 2u);
    const auto row2 = canvas->ColorsIn(RowArea(2));
    EXPECT_TRUE(Has(row2, RGB(0, 128, 0)));
    EXPECT_EQ(row2.size(), 2u);
    EXPECT_EQ(canvas->ColorsIn(RowArea(3)), std::vector<COLORREF>{kWhite});
    EXPECT_TRUE(Has(canvas->ColorsIn(RowArea(4)), kBlack));
    // The end marker in the row after the last line, and nothing below it.
    const auto row5 = canvas->ColorsIn(RowArea(5));
    EXPECT_TRUE(Has(row5, kMarker));
    RECT below = RowArea(6);
    below.bottom = canvas->Height();
    EXPECT_EQ(canvas->ColorsIn(below), std::vector<COLORREF>{kWhite});
}

TEST_F(ViewTest, AnEmptyResultShowsOnlyTheEndMarkerAndDoesNotScroll)
{
    OpenView("");
    auto canvas = PaintToCanvas();
    EXPECT_TRUE(Has(canvas->ColorsIn(RowArea(0)), kMarker));
    Key(VK_NEXT);
    Key(VK_DOWN);
    VScroll(SB_THUMBPOSITION, 5000);
    EXPECT_EQ(VPos(), 0);
    EXPECT_EQ(view->PercentText(), L"  0%");
}

// Wine without a font replacement maps "Courier New" to a proportional face;
// column arithmetic needs a fixed-pitch one.
constexpr wchar_t kFixedFont[] = L"Liberation Mono";

TEST_F(ViewTest, TextStartsTwoPixelsInAtColumnZeroAndAtWholeColumnsWhenScrolled)
{
    AppSettings().ViewFontFamily = kFixedFont;
    std::vector<std::string> lines = {"     W", Repeat('-', 400)};
    OpenView(JoinLines(lines));
    const int cw = view->CharWidth();
    auto atZero = PaintToCanvas();
    const int x0 = atZero->FirstColumnOf(kBlack, RowTop(0), RowTop(0) + 15);
    EXPECT_GE(x0, 2 + 5 * cw);
    EXPECT_LT(x0, 2 + 6 * cw);
    HScroll(SB_THUMBPOSITION, 3);
    ASSERT_EQ(HPos(), 3);
    auto scrolled = PaintToCanvas();
    const int x3 = scrolled->FirstColumnOf(kBlack, RowTop(0), RowTop(0) + 15);
    EXPECT_GE(x3, 2 * cw);
    EXPECT_LT(x3, 3 * cw);
}

TEST_F(ViewTest, ARowBeyondAFullBlockOfALongerFileIsNoEndOfFile)
{
    // Half a row more than 20: row 20 is partly visible.
    OpenView(NumberedLines(3000), 640, 20 * 16 + 4 + 8);
    ASSERT_EQ(view->PageLines(), 20u);
    for (int i = 0; i < 50; ++i)
        Key(VK_DOWN, true);
    for (int i = 0; i < 4; ++i)
        Key(VK_DOWN);
    ASSERT_EQ(view->Reader()->TopIndex(), 1004u);
    ASSERT_EQ(view->Reader()->BlockStart(), 0);
    auto canvas = PaintToCanvas();
    RECT all{0, 0, canvas->Width(), canvas->Height()};
    EXPECT_FALSE(Has(canvas->ColorsIn(all), kMarker));
    EXPECT_TRUE(Has(canvas->ColorsIn(RowArea(19)), kBlack));
}

TEST_F(ViewTest, ScreenshotOfAColouredResult)
{
    AppSettings().ViewFontFamily = kFixedFont;
    ASSERT_TRUE(WriteColors("Color = *ERROR:* 0000d0\n"
                            "Color = *WARN* 0070e0\n"
                            "Color = /* 909090\n"
                            "Color = \\* 909090\n"
                            "Color = *Started* 008000\n"));
    const std::vector<std::string> lines = {
        "2026-12-07 06:58:01.112 INFO  [main] Started service gateway on port 8443",
        "/2026-12-07 06:58:01.120 DEBUG [pool-1] connection pool warm-up: 16 of 16",
        "2026-12-07 06:58:02.431 ERROR: [io-7] write failed on /var/log/gw/access.log: disk full",
        "\\2026-12-07 06:58:02.433 INFO  [io-7] switching to the spill folder",
        "\\2026-12-07 06:58:02.470 DEBUG [io-7] spill folder has 2.1 GB free",
        "/2026-12-07 07:02:13.006 INFO  [sched] nightly rotation queued",
        "2026-12-07 07:02:14.551 WARN  [sched] rotation took 1532 ms (limit 1000 ms)",
        "\\2026-12-07 07:02:14.552 INFO  [sched] next rotation at 2026-12-08 07:00",
        "2026-12-07 07:15:40.900 INFO  [main] Started worker 4",
        "2026-12-07 07:15:41.020 ERROR: [worker-4] job 5521 <import> failed: timeout & retry",
        "\\2026-12-07 07:15:41.021 INFO  [worker-4] job 5521 requeued",
        "2026-12-07 07:16:00.000 WARN  [main] 3 jobs waiting longer than 60 s",
    };
    OpenView(JoinLines(lines), 760, 15 * 16 + 4, L"gateway.log.greptmp");
    ShowWindow(Window(), SW_SHOWNORMAL);
    SetForegroundWindow(Window());
    RedrawWindow(Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME |
                                                  RDW_UPDATENOW | RDW_ALLCHILDREN);
    const SIZE size = WindowSize(Window());
    CPixelCanvas shot(size.cx, size.cy);
    // The display shows a newly shown window a moment after it is painted: copy the screen
    // until the first line's colour is on it.
    ASSERT_TRUE(WaitDelivering("the viewer's lines on the screen", [&] {
        return shot.CaptureWindow(Window()) && Has(shot.Colors(), RGB(0, 0x80, 0));
    }));
    ASSERT_TRUE(shot.SaveBmp(ExecutableFolder() + L"\\viewer-screenshot.bmp"));
    // The capture shows every colour of the lines, not an empty or black image.
    const auto colors = shot.Colors();
    EXPECT_TRUE(Has(colors, RGB(0xD0, 0, 0)));
    EXPECT_TRUE(Has(colors, RGB(0xE0, 0x70, 0)));
    EXPECT_TRUE(Has(colors, RGB(0, 0x80, 0)));
    EXPECT_TRUE(Has(colors, kMarker));
}

} // namespace

namespace {

size_t WorkingSet()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    return K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)
               ? counters.WorkingSetSize
               : 0;
}

} // namespace

TEST_F(ViewTest, AViewerOfASmallFileCostsUnderOneAndAHalfMegabytes)
{
    std::string log;
    while (log.size() < 50 * 1024)
        log += "2026-12-09 03:31:28 INFO service answered request " + std::to_string(log.size()) + "\n";
    OpenView(log);   // the first viewer sets up what all viewers share (class, fonts, menu)
    constexpr int kViewers = 20;
    std::vector<std::unique_ptr<CTextView>> viewers;
    const size_t before = WorkingSet();
    for (int i = 0; i < kViewers; ++i) {
        viewers.push_back(std::make_unique<CTextView>(GetModuleHandleW(nullptr)));
        ASSERT_TRUE(viewers.back()->Create(path.c_str()));
        ASSERT_TRUE(viewers.back()->OpenFile(path.c_str()));
        SetClientSize(viewers.back()->Window(), 640, 20 * 16 + 4);
        PumpMessages();
    }
    const size_t after = WorkingSet();
    ASSERT_GT(before, 0u);
    const double each = double(after - before) / kViewers / 1048576.0;
    RecordProperty("MBPerViewer", std::to_string(each));
    EXPECT_LT(each, 1.5) << "each viewer costs " << each << " MB";
    for (auto& viewer : viewers)
        viewer->Close();
}

// The lines that name each log of a set are known by the result's index and
// painted in their own colour; a log line that merely looks like one is not.
TEST_F(ViewTest, HeaderLinesOfASetArePaintedInTheirOwnColour)
{
    ASSERT_TRUE(WriteBytes(dir.File(L"a.log"), "### ERROR looks like a header\n"));
    ASSERT_TRUE(WriteBytes(dir.File(L"b.log"), "ERROR two\n"));
    CGrepParams params;
    params.logSet = {{dir.File(L"a.log"), L"a.log"}, {dir.File(L"b.log"), L"b.log"}};
    params.logFile = dir.Path();
    params.resultFile = dir.File(L"set.greptmp");
    params.filters = CheckedFilters({L"*ERROR*"});
    CQuietObserver quiet;
    ASSERT_EQ(RunGrep(params, quiet).end, GrepEnd::Completed);
    const std::string result = ReadBytes(params.resultFile);
    ASSERT_EQ(result, "### a.log\n### ERROR looks like a header\n### b.log\nERROR two\n");
    OpenView(result, 640, 20 * 16 + 4, L"set.greptmp");
    auto canvas = PaintToCanvas();
    for (int row : {0, 2})
        EXPECT_TRUE(Has(canvas->ColorsIn(RowArea(row)), kSetHeaderColor)) << row;
    for (int row : {1, 3})
        EXPECT_FALSE(Has(canvas->ColorsIn(RowArea(row)), kSetHeaderColor)) << row;
}
