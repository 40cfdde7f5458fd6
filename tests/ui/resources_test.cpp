// The compiled resources as the user meets them: the dialogs made from their templates, the
// viewer's menu, the filter list's images and the manifest's common controls.
#include "resources/resource.h"
#include "tests/support/Windows.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <string>
#include <vector>

namespace {

INT_PTR CALLBACK Inert(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

// A dialog resource created modeless on this thread, destroyed at the end of the scope.
class CTemplateDialog {
public:
    explicit CTemplateDialog(int id)
        : window(CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), nullptr, Inert, 0))
    {
    }
    ~CTemplateDialog()
    {
        if (window)
            DestroyWindow(window);
    }
    CTemplateDialog(const CTemplateDialog&) = delete;
    CTemplateDialog& operator=(const CTemplateDialog&) = delete;
    HWND window;
};

const int kDialogs[] = {IDD_MAIN, IDD_NAME_CATEGORY, IDD_NAME_FILTER, IDD_FIND};

}  // namespace

// Every control a command reads or a handler sets is there, shown, with the text the user
// reads; 0 stands for the dialog's own caption.
TEST(Resources, EachDialogHasTheControlsItsCommandsUseWithTheirTexts)
{
    struct Control {
        int dialog;
        int id;
        const wchar_t* text;   // null: not checked
    };
    const Control controls[] = {
        {IDD_MAIN, 0, L"Tilvo"},
        {IDD_MAIN, IDC_FILE_LABEL, L"File:"},
        {IDD_MAIN, IDC_FILE, L""},
        {IDD_MAIN, IDC_BROWSE, L"Bro&wse..."},
        {IDD_MAIN, IDC_GO, L"&Go"},
        {IDD_MAIN, IDC_LINES_BEFORE_LABEL, L"Lines before:"},
        {IDD_MAIN, IDC_LINES_BEFORE, L""},
        {IDD_MAIN, IDC_LINES_BEFORE_SPIN, nullptr},
        {IDD_MAIN, IDC_LINES_AFTER_LABEL, L"Lines after:"},
        {IDD_MAIN, IDC_LINES_AFTER, L""},
        {IDD_MAIN, IDC_LINES_AFTER_SPIN, nullptr},
        {IDD_MAIN, IDC_ADD_FILTER, L"A&dd"},
        {IDD_MAIN, IDC_REPLACE_FILTER, L"&Replace"},
        {IDD_MAIN, IDC_CATEGORY_LABEL, L"Filter Set:"},
        {IDD_MAIN, IDC_CATEGORY, L""},
        {IDD_MAIN, IDC_ADD_CATEGORY, L"&+"},
        {IDD_MAIN, IDC_DELETE_CATEGORY, L"&-"},
        {IDD_MAIN, IDC_FILTERS_LABEL, L"Filters:"},
        {IDD_MAIN, IDC_REMOVE_FILTER, L"Re&move"},
        {IDD_MAIN, IDC_OR_AND, L"&Or/And"},
        {IDD_MAIN, IDC_ALL, L"&All"},
        {IDD_MAIN, IDC_NONE, L"&None"},
        {IDD_MAIN, IDC_STATUS, L"Idle"},
        {IDD_NAME_CATEGORY, 0, L"Name"},
        {IDD_NAME_CATEGORY, IDC_NAME_EDIT, L""},
        {IDD_NAME_CATEGORY, IDOK, L"&OK"},
        {IDD_NAME_CATEGORY, IDCANCEL, L"&Cancel"},
        {IDD_NAME_FILTER, 0, L"Name"},
        {IDD_NAME_FILTER, IDC_NAME_LABEL, L"Name:"},
        {IDD_NAME_FILTER, IDC_NAME_EDIT, L""},
        {IDD_NAME_FILTER, IDC_MASK_HINT, nullptr},
        {IDD_NAME_FILTER, IDC_MASK_CONTAINS, L"Co&ntains"},
        {IDD_NAME_FILTER, IDC_NAME_MASK, L"&Mask"},
        {IDD_NAME_FILTER, IDC_NAME_REGEX, L"&Regular expression"},
        {IDD_NAME_FILTER, IDOK, L"&OK"},
        {IDD_NAME_FILTER, IDCANCEL, L"&Cancel"},
        {IDD_FIND, 0, L"Search..."},
        {IDD_FIND, IDC_FIND_TEXT, L""},
        {IDD_FIND, IDC_FIND_HINT, nullptr},
        {IDD_FIND, IDC_FIND_CONTAINS, L"Co&ntains"},
        {IDD_FIND, IDC_FIND_WILDCARDS, L"&Wildcards"},
        {IDD_FIND, IDC_FIND_PLAIN, L"&Plain text"},
        {IDD_FIND, IDC_FIND_REGEX, L"&Regular expression"},
        {IDD_FIND, IDC_MATCH_CASE, L"Match Case"},
        {IDD_FIND, IDC_HIGHLIGHT, L"Highlight Matches"},
        {IDD_FIND, IDC_BACKWARDS, L"Search Backwards"},
        {IDD_FIND, IDOK, L"Find"},
        {IDD_FIND, IDCANCEL, L"Cancel"},
    };
    for (int id : kDialogs) {
        CTemplateDialog dialog(id);
        ASSERT_NE(dialog.window, nullptr) << "dialog " << id;
        for (const Control& control : controls) {
            if (control.dialog != id)
                continue;
            SCOPED_TRACE(testing::Message() << "dialog " << id << ", control " << control.id);
            HWND window = control.id ? GetDlgItem(dialog.window, control.id) : dialog.window;
            ASSERT_NE(window, nullptr);
            EXPECT_TRUE(control.id == 0 || (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE));
            if (control.text) {
                EXPECT_EQ(TextOf(window), control.text);
            }
        }
    }
    // The user can size, minimise and maximise the main dialog.
    CTemplateDialog main(IDD_MAIN);
    const LONG frame = WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    EXPECT_EQ(GetWindowLongW(main.window, GWL_STYLE) & frame, frame);

    // The filter name dialog's hint, both of its lines in full.
    CTemplateDialog filter(IDD_NAME_FILTER);
    HWND hint = GetWindow(GetDlgItem(filter.window, IDC_NAME_EDIT), GW_HWNDNEXT);
    EXPECT_EQ(TextOf(hint), L"Use * and ? wildcards to filter, - to exclude, ~ to ignore case.\r\n"
                            L"E.g. *ERROR:*, *12:51:2?*, ~*NoCase* or ~*error*-config");
    HDC dc = GetDC(hint);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(filter.window, WM_GETFONT, 0, 0)));
    RECT bounds{};
    GetClientRect(hint, &bounds);
    RECT needed = bounds;
    DrawTextW(dc, TextOf(hint).c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK);
    SelectObject(dc, old);
    ReleaseDC(hint, dc);
    EXPECT_LE(needed.bottom, bounds.bottom);
    EXPECT_LE(needed.right, bounds.right);
}

// Enter presses the default button; Tab walks the inputs in reading order; the file and
// search boxes take typing while the filter set box only picks; each up-down steps its edit;
// the Find options tick with a click.
TEST(Resources, TheDialogsWorkFromTheKeyboard)
{
    const struct {
        int dialog;
        int enter;
        std::vector<int> tabOrder;
    } dialogs[] = {
        {IDD_MAIN, IDC_GO,
         {IDC_FILE, IDC_BROWSE, IDC_GO, IDC_LINES_BEFORE, IDC_LINES_AFTER, IDC_ADD_FILTER,
          IDC_REPLACE_FILTER, IDC_CATEGORY, IDC_ADD_CATEGORY, IDC_DELETE_CATEGORY, IDC_REMOVE_FILTER,
          IDC_OR_AND, IDC_ALL, IDC_NONE}},
        {IDD_NAME_CATEGORY, IDOK, {IDC_NAME_EDIT, IDOK, IDCANCEL}},
        {IDD_NAME_FILTER, IDOK, {IDC_NAME_EDIT, IDC_MASK_CONTAINS, IDC_NAME_MASK, IDC_NAME_REGEX, IDOK, IDCANCEL}},
        {IDD_FIND, IDOK,
         {IDC_FIND_TEXT, IDC_FIND_CONTAINS, IDC_FIND_WILDCARDS, IDC_FIND_PLAIN, IDC_FIND_REGEX, IDC_MATCH_CASE, IDC_HIGHLIGHT, IDC_BACKWARDS,
          IDOK, IDCANCEL}},
    };
    for (const auto& d : dialogs) {
        SCOPED_TRACE(testing::Message() << "dialog " << d.dialog);
        CTemplateDialog dialog(d.dialog);
        ASSERT_NE(dialog.window, nullptr);
        EXPECT_EQ(LOWORD(SendMessageW(dialog.window, DM_GETDEFID, 0, 0)), d.enter);
        std::vector<int> order;
        HWND first = GetNextDlgTabItem(dialog.window, nullptr, FALSE);
        for (HWND at = first; at && order.size() <= d.tabOrder.size();) {
            order.push_back(GetDlgCtrlID(at));
            at = GetNextDlgTabItem(dialog.window, at, FALSE);
            if (at == first)
                break;
        }
        EXPECT_EQ(order, d.tabOrder);
    }

    CTemplateDialog main(IDD_MAIN);
    CTemplateDialog find(IDD_FIND);
    const auto typeable = [](HWND combo) { return FindWindowExW(combo, nullptr, L"Edit", nullptr) != nullptr; };
    EXPECT_TRUE(typeable(GetDlgItem(main.window, IDC_FILE)));
    EXPECT_FALSE(typeable(GetDlgItem(main.window, IDC_CATEGORY)));
    EXPECT_TRUE(typeable(GetDlgItem(find.window, IDC_FIND_TEXT)));
    for (auto [spin, edit] : {std::pair{IDC_LINES_BEFORE_SPIN, IDC_LINES_BEFORE},
                              std::pair{IDC_LINES_AFTER_SPIN, IDC_LINES_AFTER}}) {
        EXPECT_EQ(reinterpret_cast<HWND>(SendDlgItemMessageW(main.window, spin, UDM_GETBUDDY, 0, 0)),
                  GetDlgItem(main.window, edit));
        SendDlgItemMessageW(main.window, spin, UDM_SETRANGE32, 0, 10);
        SendDlgItemMessageW(main.window, spin, UDM_SETPOS32, 0, 4);
        EXPECT_EQ(TextOf(main.window, edit), L"4") << "the up-down writes its edit " << edit;
    }
    for (int option : {IDC_MATCH_CASE, IDC_HIGHLIGHT, IDC_BACKWARDS}) {
        SendDlgItemMessageW(find.window, option, BM_CLICK, 0, 0);
        EXPECT_EQ(IsDlgButtonChecked(find.window, option), BST_CHECKED) << option;
        SendDlgItemMessageW(find.window, option, BM_CLICK, 0, 0);
        EXPECT_EQ(IsDlgButtonChecked(find.window, option), BST_UNCHECKED) << option;
    }
}

// No check box or option of any dialog is cut: its text, without the access key's mark, and
// the box before it fit its control in the dialog's font.
TEST(Resources, EveryOptionsTextFitsItsControl)
{
    for (int id : kDialogs) {
        SCOPED_TRACE(testing::Message() << "dialog " << id);
        CTemplateDialog dialog(id);
        ASSERT_NE(dialog.window, nullptr);
        HDC dc = GetDC(dialog.window);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(dialog.window, WM_GETFONT, 0, 0)));
        // The box, and the gap between it and the text, as the button draws them.
        const int box = GetSystemMetrics(SM_CXMENUCHECK) + 4;
        for (HWND child = GetWindow(dialog.window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            wchar_t className[32] = {};
            GetClassNameW(child, className, 32);
            const LONG kind = GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK;
            if (_wcsicmp(className, L"Button") != 0 ||
                (kind != BS_AUTOCHECKBOX && kind != BS_AUTORADIOBUTTON && kind != BS_CHECKBOX))
                continue;
            std::wstring text = TextOf(child);
            std::erase(text, L'&');
            SIZE extent{};
            GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
            RECT place{};
            GetClientRect(child, &place);
            EXPECT_LE(box + extent.cx, place.right) << "\"" << std::string(text.begin(), text.end()) << "\" is cut";
        }
        SelectObject(dc, old);
        ReleaseDC(dialog.window, dc);
    }
}

// Each of the viewer's commands is in its menu with its key, and the line information stands
// at the right of the menu bar.
TEST(Resources, ViewerMenu)
{
    HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_VIEW_MENU));
    ASSERT_NE(menu, nullptr);
    auto text = [](HMENU from, UINT position) {
        wchar_t buffer[128] = {};
        GetMenuStringW(from, position, buffer, 128, MF_BYPOSITION);
        return std::wstring(buffer);
    };
    ASSERT_EQ(GetMenuItemCount(menu), 5);
    const wchar_t* const bar[] = {L"&File", L"&Edit", L"&Search", L"&Help", L"  0%"};
    for (UINT i = 0; i < 5; ++i)
        EXPECT_EQ(text(menu, i), bar[i]);
    EXPECT_EQ(GetMenuItemID(menu, 4), static_cast<UINT>(IDM_LINE_INFO));
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE;
    ASSERT_TRUE(GetMenuItemInfoW(menu, 4, TRUE, &info));
    EXPECT_NE(info.fType & MFT_RIGHTJUSTIFY, 0u);

    const struct {
        int popup;
        int position;
        int id;
        const wchar_t* text;
    } items[] = {
        {0, 0, IDM_SAVE, L"&Save...\tCtrl+S"},       {0, 1, IDM_FOLLOW, L"&Follow\tF5"},
        {0, 3, IDM_CLOSE, L"&Close\tEsc"},            {1, 0, IDM_COPY_SCREEN, L"&Copy Screen\tCtrl+C"},
        {1, 1, IDM_HIGHLIGHT, L"&Highlight Matches\tCtrl+H"},
        {2, 0, IDM_FIND, L"&Find...\tF7"},            {2, 1, IDM_FIND_PREVIOUS, L"Find &Previous\tShift+F3"},
        {2, 2, IDM_FIND_NEXT, L"Find &Next\tF3"},     {3, 0, IDM_ABOUT, L"&About..."},
    };
    for (const auto& item : items) {
        HMENU popup = GetSubMenu(menu, item.popup);
        ASSERT_NE(popup, nullptr);
        EXPECT_EQ(GetMenuItemID(popup, item.position), static_cast<UINT>(item.id));
        EXPECT_EQ(text(popup, static_cast<UINT>(item.position)), item.text);
    }
    DestroyMenu(menu);
}

// The filter list's image list takes 16 by 16 pixel images.
TEST(Resources, FilterModeImages)
{
    for (int id : {IDB_AND, IDB_OR, IDB_AND_MASK, IDB_OR_MASK}) {
        HBITMAP bitmap = static_cast<HBITMAP>(
            LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        ASSERT_NE(bitmap, nullptr) << id;
        BITMAP info{};
        GetObjectW(bitmap, sizeof(info), &info);
        EXPECT_EQ(info.bmWidth, 16) << id;
        EXPECT_EQ(info.bmHeight, 16) << id;
        EXPECT_EQ(info.bmBitsPixel, 24) << id;
        DeleteObject(bitmap);
    }
}

TEST(Resources, ManifestBringsVersionSixCommonControls)
{
    // The executable's manifest makes its activation context send comctl32.dll to the
    // version 6 assembly, and that is the copy the process has loaded.
    ACTCTX_SECTION_KEYED_DATA data{};
    data.cbSize = sizeof(data);
    EXPECT_TRUE(FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, L"comctl32.dll", &data));
    HMODULE controls = GetModuleHandleW(L"comctl32.dll");
    ASSERT_NE(controls, nullptr);
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(controls, path, MAX_PATH);
    std::wstring loaded = path;
    CharLowerBuffW(loaded.data(), static_cast<DWORD>(loaded.size()));
    EXPECT_NE(loaded.find(L"common-controls"), std::wstring::npos) << testing::PrintToString(loaded);
    EXPECT_NE(loaded.find(L"_6.0."), std::wstring::npos) << testing::PrintToString(loaded);
}
