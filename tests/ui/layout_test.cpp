// The main dialog's layout at its default and a larger size, checked on the real windows, with screenshots saved to the build.
#include "tests/ui/MainDialogTest.h"

#include "engine/ModulePath.h"
#include "resources/resource.h"
#include "tests/support/Pixels.h"
#include "viewer/TextView.h"

#include <commctrl.h>

#include <cstdlib>
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

    void CheckLayout(const char* size)
    {
        SCOPED_TRACE(size);
        SIZE client{};
        std::map<int, RECT> at = Places(client);
        const RECT& go = at[IDC_GO];
        EXPECT_EQ(go.bottom - go.top, 43) << "Go is two rows tall";
        EXPECT_EQ(go.right, client.cx - 8);
        EXPECT_EQ(at[IDC_FILTER_LIST].right, client.cx - 76);
        EXPECT_EQ(at[IDC_FILTER_LIST].bottom, client.cy - 25);
        EXPECT_EQ(at[IDC_STATUS].top, client.cy - 16);
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
    WriteCategories(Sample);
    const std::wstring log = dir.File(L"server.log");
    std::string text;
    for (int i = 0; i < 400; ++i)
        text += (i % 37 == 5) ? "12:51:20 ERROR: disk full\n" : "12:51:20 INFO all well\n";
    ASSERT_TRUE(WriteBytes(log, text));
    const std::wstring result = ExecutableFolder() + L"\\server.log.greptmp";
    removeAfter.push_back(result);
    ASSERT_TRUE(WriteDwordValue(key, L"LinesBefore", 2));
    Start();
    Type(IDC_FILE, log);
    Click(IDC_GO);
    ASSERT_TRUE(WaitFor("the result viewer", [this] { return ViewerCount() == 1; }));
    ui->Invoke([&] { DestroyWindow(CMainDlg::Instance()->ViewerAt(0)->Window()); });
    SelectFilter(1);
    ui->Settle();

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

    // Far too small: the sizes go negative and the controls vanish, nothing else happens.
    ui->Invoke([&] { SetWindowPos(dialog, nullptr, 20, 20, 120, 90, SWP_NOZORDER); });
    ui->Settle();
    ExpectNoBox();
    CloseWithCloseBox();
}
