// The compiled resources: every control of the dialogs with its text, class and style, the viewer's menu, images and manifest.
#include "resources/resource.h"
#include "tests/support/Windows.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstring>
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

struct ControlSpec {
    int id;
    const wchar_t* className;
    const wchar_t* text;   // null: not checked
    DWORD styleBits;       // bits that must be set in the template
};

// One control of a DIALOGEX template, as the resource holds it.
struct TemplateItem {
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    int id = 0;
    std::wstring className;
    std::wstring title;
};

struct DialogTemplate {
    DWORD style = 0;
    DWORD exStyle = 0;
    short cx = 0, cy = 0;
    std::wstring title;
    WORD pointSize = 0;
    std::wstring font;
    std::vector<TemplateItem> items;
};

class CTemplateReader {
public:
    explicit CTemplateReader(const BYTE* data) : at(data) {}
    template <class T> T Take()
    {
        T value;
        memcpy(&value, at, sizeof(T));
        at += sizeof(T);
        return value;
    }
    // A name or an ordinal; predefined control classes come as ordinals.
    std::wstring NameOrOrdinal()
    {
        WORD first = Take<WORD>();
        if (first == 0)
            return {};
        if (first == 0xFFFF) {
            switch (Take<WORD>()) {
            case 0x80: return L"Button";
            case 0x81: return L"Edit";
            case 0x82: return L"Static";
            case 0x83: return L"ListBox";
            case 0x84: return L"ScrollBar";
            case 0x85: return L"ComboBox";
            default: return L"#ordinal";
            }
        }
        std::wstring text(1, static_cast<wchar_t>(first));
        for (WORD c = Take<WORD>(); c; c = Take<WORD>())
            text += static_cast<wchar_t>(c);
        return text;
    }
    void AlignToDword(const BYTE* base)
    {
        while ((at - base) % 4)
            ++at;
    }

private:
    const BYTE* at;
};

DialogTemplate ReadTemplate(int id)
{
    DialogTemplate result;
    HRSRC found = FindResourceW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5));
    if (!found)
        return result;
    const BYTE* base = static_cast<const BYTE*>(LockResource(LoadResource(GetModuleHandleW(nullptr), found)));
    CTemplateReader reader(base);
    reader.Take<WORD>();   // version
    if (reader.Take<WORD>() != 0xFFFF)
        return result;      // not an extended template
    reader.Take<DWORD>();  // help id
    result.exStyle = reader.Take<DWORD>();
    result.style = reader.Take<DWORD>();
    WORD count = reader.Take<WORD>();
    reader.Take<short>();
    reader.Take<short>();
    result.cx = reader.Take<short>();
    result.cy = reader.Take<short>();
    reader.NameOrOrdinal();   // menu
    reader.NameOrOrdinal();   // class
    result.title = reader.NameOrOrdinal();
    if (result.style & DS_SETFONT) {
        result.pointSize = reader.Take<WORD>();
        reader.Take<WORD>();
        reader.Take<BYTE>();
        reader.Take<BYTE>();
        result.font = reader.NameOrOrdinal();
    }
    for (WORD i = 0; i < count; ++i) {
        reader.AlignToDword(base);
        TemplateItem item;
        reader.Take<DWORD>();
        item.exStyle = reader.Take<DWORD>();
        item.style = reader.Take<DWORD>();
        item.x = reader.Take<short>();
        item.y = reader.Take<short>();
        item.cx = reader.Take<short>();
        item.cy = reader.Take<short>();
        item.id = static_cast<int>(reader.Take<DWORD>());
        item.className = reader.NameOrOrdinal();
        item.title = reader.NameOrOrdinal();
        WORD extra = reader.Take<WORD>();
        for (WORD b = 0; b < extra; ++b)
            reader.Take<BYTE>();
        result.items.push_back(item);
    }
    return result;
}

void CheckControls(const DialogTemplate& dialog, const std::vector<ControlSpec>& expected)
{
    ASSERT_EQ(dialog.items.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const ControlSpec& want = expected[i];
        const TemplateItem& item = dialog.items[i];
        SCOPED_TRACE(testing::Message() << "control " << i << " id " << want.id);
        EXPECT_EQ(item.id, want.id);
        EXPECT_EQ(lstrcmpiW(item.className.c_str(), want.className), 0) << testing::PrintToString(item.className);
        if (want.text) {
            EXPECT_EQ(item.title, want.text);
        }
        EXPECT_EQ(item.style & want.styleBits, want.styleBits) << std::hex << item.style;
        EXPECT_NE(item.style & WS_VISIBLE, 0u);
    }
}

SIZE DialogUnits(HWND dialog, int width, int height)
{
    RECT rect{0, 0, width, height};
    MapDialogRect(dialog, &rect);
    return {rect.right, rect.bottom};
}

}  // namespace

TEST(Resources, MainDialogTemplate)
{
    DialogTemplate main = ReadTemplate(IDD_MAIN);
    EXPECT_EQ(main.title, L"Tilvo");
    EXPECT_EQ(main.font, L"MS Sans Serif");
    EXPECT_EQ(main.pointSize, 8);
    EXPECT_EQ(main.cx, 400);
    EXPECT_EQ(main.cy, 194);
    const DWORD frame = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | DS_MODALFRAME |
                        DS_CENTER;
    EXPECT_EQ(main.style & frame, frame);
    EXPECT_EQ(main.exStyle, static_cast<DWORD>(WS_EX_APPWINDOW));

    const DWORD upDown = UDS_AUTOBUDDY | UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_ALIGNRIGHT | UDS_HOTTRACK;
    CheckControls(main, {
        {IDC_FILE_LABEL, L"Static", L"File:", SS_RIGHT},
        {IDC_FILE, L"ComboBox", L"", CBS_DROPDOWN | CBS_SORT | WS_VSCROLL | WS_TABSTOP},
        {IDC_BROWSE, L"Button", L"Bro&wse...", WS_TABSTOP},
        {IDC_GO, L"Button", L"&Go", BS_DEFPUSHBUTTON | WS_TABSTOP},
        {IDC_LINES_BEFORE_LABEL, L"Static", L"Lines before:", 0},
        {IDC_LINES_BEFORE, L"Edit", L"", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP},
        {IDC_LINES_BEFORE_SPIN, UPDOWN_CLASSW, nullptr, upDown},
        {IDC_LINES_AFTER_LABEL, L"Static", L"Lines after:", 0},
        {IDC_LINES_AFTER, L"Edit", L"", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP},
        {IDC_LINES_AFTER_SPIN, UPDOWN_CLASSW, nullptr, upDown},
        {IDC_ADD_FILTER, L"Button", L"A&dd", WS_TABSTOP},
        {IDC_REPLACE_FILTER, L"Button", L"&Replace", WS_TABSTOP},
        {IDC_CATEGORY_LABEL, L"Static", L"Filter Set:", SS_RIGHT},
        {IDC_CATEGORY, L"ComboBox", L"", CBS_DROPDOWNLIST | CBS_SORT | WS_VSCROLL | WS_TABSTOP},
        {IDC_ADD_CATEGORY, L"Button", L"&+", WS_TABSTOP},
        {IDC_DELETE_CATEGORY, L"Button", L"&-", WS_TABSTOP},
        {IDC_FILTERS_LABEL, L"Static", L"Filters:", SS_RIGHT},
        {IDC_REMOVE_FILTER, L"Button", L"Re&move", WS_TABSTOP},
        {IDC_OR_AND, L"Button", L"&Or/And", WS_TABSTOP},
        {IDC_ALL, L"Button", L"&All", WS_TABSTOP},
        {IDC_NONE, L"Button", L"&None", WS_TABSTOP},
        {IDC_STATUS, L"Static", L"Idle", SS_SUNKEN},
    });
    // Which combo box can be typed into, and which statics are plain left-aligned text.
    ASSERT_EQ(main.items.size(), 22u);
    EXPECT_EQ(main.items[1].style & 3, static_cast<DWORD>(CBS_DROPDOWN));
    EXPECT_EQ(main.items[13].style & 3, static_cast<DWORD>(CBS_DROPDOWNLIST));
    EXPECT_EQ(main.items[4].style & SS_TYPEMASK, static_cast<DWORD>(SS_LEFT));
    EXPECT_EQ(main.items[3].style & 0x0F, static_cast<DWORD>(BS_DEFPUSHBUTTON));
    EXPECT_EQ(main.items[2].style & 0x0F, static_cast<DWORD>(BS_PUSHBUTTON));

    // The template makes a working dialog: each up-down took the edit before it as its buddy.
    CTemplateDialog dialog(IDD_MAIN);
    ASSERT_NE(dialog.window, nullptr);
    RECT client{};
    GetClientRect(dialog.window, &client);
    SIZE size = DialogUnits(dialog.window, 400, 194);
    EXPECT_EQ(client.right, size.cx);
    EXPECT_EQ(client.bottom, size.cy);
    EXPECT_EQ(reinterpret_cast<HWND>(SendDlgItemMessageW(dialog.window, IDC_LINES_BEFORE_SPIN, UDM_GETBUDDY, 0, 0)),
              GetDlgItem(dialog.window, IDC_LINES_BEFORE));
    EXPECT_EQ(reinterpret_cast<HWND>(SendDlgItemMessageW(dialog.window, IDC_LINES_AFTER_SPIN, UDM_GETBUDDY, 0, 0)),
              GetDlgItem(dialog.window, IDC_LINES_AFTER));
}

TEST(Resources, NameDialogTemplates)
{
    const DWORD frame = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
    DialogTemplate category = ReadTemplate(IDD_NAME_CATEGORY);
    EXPECT_EQ(category.title, L"Name");
    EXPECT_EQ(category.font, L"MS Shell Dlg");
    EXPECT_EQ(category.pointSize, 8);
    EXPECT_EQ(category.cx, 180);
    EXPECT_EQ(category.cy, 48);
    EXPECT_EQ(category.style & frame, frame);
    CheckControls(category, {
        {-1, L"Static", L"Name:", 0},
        {IDC_NAME_EDIT, L"Edit", L"", WS_TABSTOP},
        {-1, L"Static", L"", SS_ETCHEDHORZ},
        {IDOK, L"Button", L"&OK", BS_DEFPUSHBUTTON},
        {IDCANCEL, L"Button", L"&Cancel", 0},
    });

    DialogTemplate filter = ReadTemplate(IDD_NAME_FILTER);
    EXPECT_EQ(filter.title, L"Name");
    EXPECT_EQ(filter.font, L"MS Shell Dlg");
    EXPECT_EQ(filter.cx, 260);
    EXPECT_EQ(filter.cy, 86);
    EXPECT_EQ(filter.style & frame, frame);
    CheckControls(filter, {
        {IDC_NAME_LABEL, L"Static", L"Name:", 0},
        {IDC_NAME_EDIT, L"Edit", L"", WS_TABSTOP},
        {-1, L"Static",
         L"Use * and ? wildcards to filter, - to exclude, ~ to ignore case.\r\n"
         L"E.g. *ERROR:*, *12:51:2?*, ~*NoCase* or ~*error*-config",
         0},
        {-1, L"Static", L"", SS_ETCHEDHORZ},
        {IDOK, L"Button", L"&OK", BS_DEFPUSHBUTTON},
        {IDCANCEL, L"Button", L"&Cancel", 0},
        {IDC_MASK_HINT, L"Static", L"", 0},
        {IDC_MASK_CONTAINS, L"Button", L"Co&ntains", 0},
    });
    // Both lines of the hint show in full.
    CTemplateDialog dialog(IDD_NAME_FILTER);
    ASSERT_NE(dialog.window, nullptr);
    HWND hint = GetWindow(GetDlgItem(dialog.window, IDC_NAME_EDIT), GW_HWNDNEXT);
    HDC dc = GetDC(hint);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(dialog.window, WM_GETFONT, 0, 0)));
    RECT bounds{};
    GetClientRect(hint, &bounds);
    RECT needed = bounds;
    std::wstring text = TextOf(hint);
    DrawTextW(dc, text.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK);
    SelectObject(dc, old);
    ReleaseDC(hint, dc);
    EXPECT_LE(needed.bottom, bounds.bottom);
    EXPECT_LE(needed.right, bounds.right);
}

TEST(Resources, FindDialogTemplate)
{
    DialogTemplate find = ReadTemplate(IDD_FIND);
    EXPECT_EQ(find.title, L"Search...");
    EXPECT_EQ(find.font, L"MS Shell Dlg");
    EXPECT_EQ(find.pointSize, 8);
    EXPECT_EQ(find.cx, 240);
    EXPECT_EQ(find.cy, 112);
    CheckControls(find, {
        {-1, L"Static", L"Text:", 0},
        {IDC_FIND_TEXT, L"ComboBox", L"", CBS_DROPDOWN | WS_VSCROLL | WS_TABSTOP},
        {IDC_MATCH_CASE, L"Button", L"Match Case", BS_AUTOCHECKBOX},
        {IDC_HIGHLIGHT, L"Button", L"Highlight Matches", BS_AUTOCHECKBOX},
        {IDC_BACKWARDS, L"Button", L"Search Backwards", BS_AUTOCHECKBOX},
        {-1, L"Static", L"", SS_ETCHEDHORZ},
        {IDOK, L"Button", L"Find", BS_DEFPUSHBUTTON},
        {IDCANCEL, L"Button", L"Cancel", 0},
        {IDC_FIND_HINT, L"Static", L"", 0},
        {IDC_FIND_CONTAINS, L"Button", L"Co&ntains", 0},
        {IDC_FIND_WILDCARDS, L"Button", L"&Wildcards", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP},
        {IDC_FIND_PLAIN, L"Button", L"&Plain text", BS_AUTORADIOBUTTON},
    });
    struct Place {
        short x, y, cx, cy;
    };
    // The hint line and the choice of reading sit under the text box, the check boxes below them.
    const Place places[] = {{4, 10, 28, 8},    {36, 7, 200, 150},  {36, 63, 68, 10},  {105, 63, 80, 10},
                            {36, 75, 139, 10},  {4, 90, 232, 1},    {133, 94, 50, 14}, {186, 94, 50, 14},
                            {36, 22, 150, 26},  {190, 22, 46, 12},  {36, 50, 60, 10},  {105, 50, 60, 10}};
    ASSERT_EQ(find.items.size(), std::size(places));
    for (size_t i = 0; i < std::size(places); ++i) {
        const TemplateItem& item = find.items[i];
        EXPECT_EQ(item.x, places[i].x) << i;
        EXPECT_EQ(item.y, places[i].y) << i;
        EXPECT_EQ(item.cx, places[i].cx) << i;
        EXPECT_EQ(item.cy, places[i].cy) << i;
    }
    EXPECT_EQ(find.items[1].style & 3, static_cast<DWORD>(CBS_DROPDOWN));
}

TEST(Resources, ViewerMenu)
{
    HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_VIEW_MENU));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), 5);
    auto text = [](HMENU from, UINT item, UINT by) {
        wchar_t buffer[128] = {};
        GetMenuStringW(from, item, buffer, 128, by);
        return std::wstring(buffer);
    };
    EXPECT_EQ(text(menu, 0, MF_BYPOSITION), L"&File");
    EXPECT_EQ(text(menu, 1, MF_BYPOSITION), L"&Edit");
    EXPECT_EQ(text(menu, 2, MF_BYPOSITION), L"&Search");
    EXPECT_EQ(text(menu, 3, MF_BYPOSITION), L"&Help");
    EXPECT_EQ(text(menu, 4, MF_BYPOSITION), L"  0%");
    EXPECT_EQ(GetMenuItemID(menu, 4), static_cast<UINT>(IDM_LINE_INFO));
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE;
    ASSERT_TRUE(GetMenuItemInfoW(menu, 4, TRUE, &info));
    EXPECT_NE(info.fType & MFT_RIGHTJUSTIFY, 0u);

    struct Item {
        int popup;
        int position;
        int id;
        const wchar_t* text;
    };
    for (const Item& item : {Item{0, 0, IDM_SAVE, L"&Save...\tCtrl+S"}, Item{0, 1, IDM_FOLLOW, L"&Follow\tF5"},
                             Item{0, 3, IDM_CLOSE, L"&Close\tEsc"},
                             Item{1, 0, IDM_COPY_SCREEN, L"&Copy Screen\tCtrl+C"},
                             Item{2, 0, IDM_FIND, L"&Find...\tF7"},
                             Item{2, 1, IDM_FIND_PREVIOUS, L"Find &Previous\tShift+F3"},
                             Item{2, 2, IDM_FIND_NEXT, L"Find &Next\tF3"}, Item{3, 0, IDM_ABOUT, L"&About..."}}) {
        HMENU popup = GetSubMenu(menu, item.popup);
        ASSERT_NE(popup, nullptr);
        EXPECT_EQ(GetMenuItemID(popup, item.position), static_cast<UINT>(item.id));
        EXPECT_EQ(text(popup, static_cast<UINT>(item.position), MF_BYPOSITION), item.text);
    }
    HMENU file = GetSubMenu(menu, 0);
    EXPECT_EQ(GetMenuItemCount(file), 4);
    info.fMask = MIIM_FTYPE;
    ASSERT_TRUE(GetMenuItemInfoW(file, 2, TRUE, &info));
    EXPECT_NE(info.fType & MFT_SEPARATOR, 0u);
    DestroyMenu(menu);
}

TEST(Resources, ImagesAndIcons)
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
    EXPECT_NE(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_TILVO)), nullptr);
    EXPECT_NE(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_TILVO_SMALL), IMAGE_ICON, 16, 16, 0), nullptr);
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
