// The main dialog's layout at its default and a larger size, checked on the real windows, with screenshots saved to the build.
#include "tests/ui/MainDialogTest.h"

#include "win32/ModulePath.h"
#include "resources/resource.h"
#include "tests/support/DpiChild.h"
#include "tests/support/Pixels.h"
#include "tests/support/Process.h"
#include "settings/Settings.h"
#include "ui/WindowPlaces.h"
#include "win32/Dpi.h"
#include "viewer/TextView.h"

#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <map>

namespace {

const int Controls[] = {
    IDC_FILE_LABEL, IDC_FILE, IDC_BROWSE, IDC_GO, IDC_LINES_BEFORE_LABEL, IDC_LINES_BEFORE,
    IDC_LINES_BEFORE_SPIN, IDC_LINES_AFTER_LABEL, IDC_LINES_AFTER, IDC_LINES_AFTER_SPIN,
    IDC_ADD_FILTER, IDC_REPLACE_FILTER, IDC_CATEGORY_LABEL, IDC_CATEGORY, IDC_ADD_CATEGORY,
    IDC_DELETE_CATEGORY, IDC_FILTERS_LABEL, IDC_REMOVE_FILTER, IDC_OR_AND, IDC_ALL, IDC_NONE,
    IDC_STATUS, IDC_FILTER_LIST,
};

const int Labels[] = {IDC_FILE_LABEL, IDC_LINES_BEFORE_LABEL, IDC_LINES_AFTER_LABEL, IDC_CATEGORY_LABEL,
                      IDC_FILTERS_LABEL};

const char* const Sample =
    "Category = Default\n"
    "Filter = *ERROR:*\n"
    "Filter = ~*error*-config\n"
    "Filter = *WARN*\n"
    "Filter = *12:51:2?*\n"
    "Filter = *Timeout*\n"
    "Check = 13021\n"
    "Category = Network\n"
    "Filter = *socket*\n"
    "Check = 1\n";

// An up-down laps over its buddy's border by design.
bool BuddyPair(int a, int b)
{
    auto pair = [a, b](int x, int y) { return (a == x && b == y) || (a == y && b == x); };
    return pair(IDC_LINES_BEFORE, IDC_LINES_BEFORE_SPIN) || pair(IDC_LINES_AFTER, IDC_LINES_AFTER_SPIN);
}

bool Overlap(const RECT& a, const RECT& b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

}  // namespace

class LayoutTest : public MainDialogTest {
protected:
    // Every control's rectangle in client coordinates, and the client size.
    std::map<int, RECT> Places(SIZE& client)
    {
        std::map<int, RECT> places;
        ui->Invoke([&] {
            RECT area{};
            GetClientRect(dialog, &area);
            client = {area.right, area.bottom};
            for (int id : Controls) {
                RECT rect{};
                GetWindowRect(GetDlgItem(dialog, id), &rect);
                MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
                places[id] = rect;
            }
        });
        return places;
    }

    // The places at `dpi` are those of 96 DPI scaled, within a pixel or two of rounding.
    void CheckLayout(const char* size, int dpi = 96)
    {
        SCOPED_TRACE(size);
        SIZE client{};
        std::map<int, RECT> at = Places(client);
        const RECT& go = at[IDC_GO];
        const auto S = [dpi](int length) { return MulDiv(length, dpi, 96); };
        const int slack = dpi == 96 ? 0 : 2;
        EXPECT_NEAR(go.bottom - go.top, S(43), slack) << "Go is two rows tall";
        EXPECT_NEAR(go.right, client.cx - S(8), slack);
        EXPECT_NEAR(at[IDC_FILTER_LIST].right, client.cx - S(76), slack);
        EXPECT_NEAR(at[IDC_FILTER_LIST].bottom, client.cy - S(25), slack);
        EXPECT_EQ(at[IDC_STATUS].top, client.cy - S(16));
        // The context row sits between the file row and the category row, left of Go.
        for (int id : {IDC_LINES_BEFORE, IDC_LINES_AFTER, IDC_LINES_AFTER_SPIN}) {
            EXPECT_GE(at[id].top, at[IDC_FILE].bottom) << id;
            EXPECT_LE(at[id].bottom, at[IDC_CATEGORY].top) << id;
            EXPECT_LT(at[id].right, go.left) << id;
        }
        // Nothing overlaps anything else (the status line reaches below the client area).
        for (size_t i = 0; i < std::size(Controls); ++i) {
            for (size_t j = i + 1; j < std::size(Controls); ++j) {
                if (BuddyPair(Controls[i], Controls[j]))
                    continue;
                EXPECT_FALSE(Overlap(at[Controls[i]], at[Controls[j]]))
                    << Controls[i] << " overlaps " << Controls[j];
            }
            EXPECT_LE(at[Controls[i]].right, client.cx) << Controls[i];
        }
        // Each up-down sits at its edit's right edge.
        EXPECT_LE(std::abs(at[IDC_LINES_BEFORE_SPIN].left - at[IDC_LINES_BEFORE].right), 3);
        EXPECT_LE(std::abs(at[IDC_LINES_AFTER_SPIN].left - at[IDC_LINES_AFTER].right), 3);
        // Every label's text fits its control in the dialog's font.
        ui->Invoke([&] {
            HDC dc = GetDC(dialog);
            HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)));
            for (int id : Labels) {
                std::wstring text = TextOf(dialog, id);
                SIZE extent{};
                GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
                EXPECT_LE(extent.cx, at[id].right - at[id].left) << "label " << id << " is cut";
                EXPECT_LE(extent.cy, at[id].bottom - at[id].top) << "label " << id << " is cut";
            }
            SelectObject(dc, old);
            ReleaseDC(dialog, dc);
        });
    }

    // The dialog with the sample filter sets, after a run whose viewer was closed.
    void StartWithSample()
    {
        WriteCategories(Sample);
        const std::wstring log = dir.File(L"server.log");
        std::string text;
        for (int i = 0; i < 400; ++i)
            text += (i % 37 == 5) ? "12:51:20 ERROR: disk full\n" : "12:51:20 INFO all well\n";
        ASSERT_TRUE(WriteBytes(log, text));
        const std::wstring result = BesideTestExe(L"server.log.greptmp");
        removeAfter.push_back(result);
        removeAfter.push_back(result + L".idx");
        ASSERT_TRUE(WriteDwordValue(key, L"LinesBefore", 2));
        Start();
        Type(IDC_FILE, log);
        Click(IDC_GO);
        ASSERT_TRUE(WaitFor("the result viewer", [this] { return ViewerCount() == 1; }));
        ui->Invoke([&] { DestroyWindow(CMainDlg::Instance()->ViewerAt(0)->Window()); });
        SelectFilter(1);
        ui->Settle();
    }

    // Down to the smallest size the dialog allows, where nothing may overlap yet.
    void CheckMinimum(int dpi)
    {
        ui->Invoke([&] {
            MINMAXINFO info{};
            SendMessageW(dialog, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
            SetWindowPos(dialog, nullptr, 20, 20, info.ptMinTrackSize.x, info.ptMinTrackSize.y,
                         SWP_NOZORDER);
        });
        ui->Settle();
        CheckLayout("minimum size", dpi);
    }

    void Screenshot(const wchar_t* name)
    {
        // Painted in full, on the dialog's own thread, before the screen is copied.
        ui->Invoke([&] { RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW); });
        ui->Settle();
        std::wstring folder = ExecutableFolder() + L"\\screenshots";
        CreateDirectoryW(folder.c_str(), nullptr);
        EXPECT_TRUE(SaveWindowImage(dialog, folder + L"\\" + name));
    }
};

TEST_F(LayoutTest, DefaultAndLargerSizesKeepEveryControlInPlace)
{
    StartWithSample();

    CheckLayout("default size");
    SIZE client{};
    Places(client);
    EXPECT_GE(client.cx, 500);
    Screenshot(L"main-default.bmp");

    ui->Invoke([&] { SetWindowPos(dialog, nullptr, 20, 20, 1000, 640, SWP_NOZORDER); });
    ui->Settle();
    Places(client);
    EXPECT_GT(client.cx, 900);
    CheckLayout("larger size");
    Screenshot(L"main-large.bmp");

    CheckMinimum(96);

    // Far too small: the dialog stops at its minimum, nothing else happens.
    ui->Invoke([&] { SetWindowPos(dialog, nullptr, 20, 20, 120, 90, SWP_NOZORDER); });
    ui->Settle();
    ExpectNoBox();
    CloseWithCloseBox();
}

namespace {

const wchar_t kChildDpi[] = L"TILVO_LAYOUT_DPI";

} // namespace

// Wine takes the DPI from the registry when a program starts: each DPI runs
// this test again in a process of its own, which checks the real windows.
TEST_F(LayoutTest, ScalesAt144And192Dpi)
{
    if (const int dpi = ChildDpi(kChildDpi)) {
        StartWithSample();
        int seen = 0;
        ui->Invoke([&] { seen = WindowDpi(dialog); });
        ASSERT_EQ(seen, dpi) << "the dialog is not shown at the DPI of LogPixels";
        CheckLayout("default size", dpi);
        Screenshot((L"main-" + std::to_wstring(dpi) + L"dpi.bmp").c_str());
        CheckMinimum(dpi);
        // The viewer's font follows the DPI too.
        int fontSize = 0;
        int expected = 0;
        ui->Invoke([&] {
            CTextView* view = CMainDlg::Instance()->OpenViewer(dir.File(L"server.log").c_str());
            fontSize = view ? view->FontSize() : 0;
            expected = MulDiv(AppSettings().ViewFontSize, dpi, 96);
            if (view)
                DestroyWindow(view->Window());
        });
        EXPECT_EQ(fontSize, expected);
        // So do the Or/And images of the filter list.
        int imageWidth = 0, imageHeight = 0;
        ui->Invoke([&] {
            auto images = reinterpret_cast<HIMAGELIST>(
                SendDlgItemMessageW(dialog, IDC_FILTER_LIST, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
            ImageList_GetIconSize(images, &imageWidth, &imageHeight);
        });
        EXPECT_EQ(imageWidth, MulDiv(16, dpi, 96));
        EXPECT_EQ(imageHeight, MulDiv(16, dpi, 96));
        CloseWithCloseBox();
        return;
    }
    for (int dpi : {144, 192}) {
        CLogPixels setting(static_cast<DWORD>(dpi));
        EXPECT_TRUE(setting.Set());
        EXPECT_EQ(RunTestAtDpi(dpi, "LayoutTest.ScalesAt144And192Dpi", kChildDpi), 0u)
            << "the layout at " << dpi << " DPI; the child's failures are printed above";
    }
}

// Found by argument lookup: RECT lives in the global namespace.
static bool operator==(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != FALSE;
}

static void PrintTo(const RECT& r, std::ostream* out)
{
    *out << "{" << r.left << "," << r.top << "," << r.right << "," << r.bottom << "}";
}

TEST(WindowPlaces, ViewersCascadeStayOnTheWorkAreaAndClearTheStatusLine)
{
    const RECT work{0, 0, 1200, 900};
    const RECT status{100, 400, 500, 420};   // a dialog's status line, high on the screen
    const RECT lowStatus{100, 500, 500, 520};
    const RECT last{200, 500, 800, 800};
    const RECT nearCorner{600, 600, 1190, 890};
    const RECT offScreen{-3000, 2000, -2400, 2600};
    const RECT huge{-10, -10, 5000, 5000};
    const struct {
        const char* what;
        RECT statusLine;
        const RECT* lastViewer;
        const RECT* remembered;
        RECT expected;
    } rows[] = {
        {"first: two thirds of the work area, below the line", status, nullptr, nullptr, {0, 420, 800, 900}},
        {"first, line lower down: above it", lowStatus, nullptr, nullptr, {0, 0, 800, 500}},
        {"cascaded from the last", RECT{}, &last, nullptr, {232, 532, 832, 832}},
        {"cascade off the area starts at its corner", RECT{}, &nearCorner, nullptr, {0, 0, 590, 290}},
        {"remembered, off every screen: clamped", RECT{}, nullptr, &offScreen, {0, 300, 600, 900}},
        {"remembered, larger than the area: cut to it", RECT{}, nullptr, &huge, {0, 0, 1200, 900}},
        {"the last wins over the remembered", RECT{}, &last, &huge, {232, 532, 832, 832}},
        {"no room on either side: the line is covered", RECT{0, 150, 1200, 750}, nullptr, nullptr, {0, 0, 800, 600}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ViewerPlaceInputs in;
        in.work = work;
        in.statusLine = row.statusLine;
        in.lastViewer = row.lastViewer;
        in.remembered = row.remembered;
        EXPECT_EQ(NewViewerPlace(in), row.expected);
    }
    // Show in Log: the log on the other half from its result.
    const PairPlaces leftResult = SideBySide(work, RECT{0, 0, 500, 500});
    EXPECT_EQ(leftResult.result, (RECT{0, 0, 600, 900}));
    EXPECT_EQ(leftResult.log, (RECT{600, 0, 1200, 900}));
    EXPECT_EQ(SideBySide(work, RECT{700, 0, 1200, 500}).log, (RECT{0, 0, 600, 900}));
    RECT parsed{};
    EXPECT_TRUE(ParsePlace(PlaceText(RECT{-5, 6, 700, 800}), parsed));
    EXPECT_EQ(parsed, (RECT{-5, 6, 700, 800}));
    EXPECT_FALSE(ParsePlace(L"1 2 3", parsed));
    EXPECT_FALSE(ParsePlace(L"10 10 5 20", parsed));
    EXPECT_FALSE(ParsePlace(L"1 2 3 4 5", parsed));
}
