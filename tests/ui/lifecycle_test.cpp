// The main dialog's life: start-up messages and files, the single instance, the close box, Esc and OK.
#include "tests/ui/MainDialogTest.h"

#include "categories/CategoryStore.h"
#include "win32/StringException.h"
#include "resources/resource.h"
#include "settings/Settings.h"

#include <commctrl.h>

namespace {

const char* const TwoCategories =
    "Category = Default\n"
    "Filter = *ERROR*\n"
    "Filter = *WARN*\n"
    "Check = 13\n"
    "Category = Extra\n"
    "Filter = *x*\n"
    "Check = 0\n";

// Refuses to create list views on the thread it hooks.
LRESULT CALLBACK RefuseListViews(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        const wchar_t* name = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs->lpszClass;
        if (!IS_INTRESOURCE(name) && lstrcmpiW(name, WC_LISTVIEWW) == 0)
            return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

TEST(MainDialogInstance, SecondInstanceIsRefused)
{
    auto first = std::make_unique<CMainDlg>(GetModuleHandleW(nullptr));
    EXPECT_EQ(CMainDlg::Instance(), first.get());
    try {
        CMainDlg second(GetModuleHandleW(nullptr));
        FAIL() << "a second instance was made";
    } catch (const CStringException& e) {
        EXPECT_STREQ(e.Where(), L"CMainDlg::CMainDlg");
        EXPECT_STREQ(e.What(), L"Duplicate MainDlg instance!");
    }
    EXPECT_EQ(CMainDlg::Instance(), first.get());
    first.reset();
    EXPECT_EQ(CMainDlg::Instance(), nullptr);
    CMainDlg again(GetModuleHandleW(nullptr));
    EXPECT_EQ(CMainDlg::Instance(), &again);
}

// The program's own places: the files beside the executable and the key of the current user.
TEST_F(MainDialogTest, FirstStartWithNothingShowsBothMessagesAndWritesOnlyCategoriesAndKey)
{
    const std::wstring categories = BesideTestExe(L"TilvoCats.dat");
    const std::wstring colors = BesideTestExe(L"Tilvo.ini");
    const std::wstring programKey = L"SOFTWARE\\Osmi\\Tilvo";
    DeleteFileW(categories.c_str());
    DeleteFileW(colors.c_str());
    DeleteKeyTree(programKey);
    removeAfter = {categories, colors};
    storage = CMainDlg::Storage{};

    Start([this] {
        BoxInfo error = ExpectBox(L"Error", L"Unable to load filter categories!\r\nPlease check TilvoCats.dat file.",
                                  BoxIcon::Error);
        ASSERT_TRUE(Answer(error, IDOK));
        BoxInfo warning = ExpectBox(L"Warning", L"Unable to load settings", BoxIcon::Warning);
        ASSERT_TRUE(Answer(warning, IDOK));
    });
    EXPECT_TRUE(CategoryEntries().empty());
    EXPECT_EQ(SelectedCategory(), L"(none)");
    EXPECT_TRUE(ListEntries().empty());
    EXPECT_FALSE(Enabled(IDC_DELETE_CATEGORY));
    CloseWithCloseBox();

    bool ok = false;
    EXPECT_EQ(ReadBytes(categories, &ok), "");
    EXPECT_TRUE(ok) << "the categories file was not written";
    EXPECT_FALSE(FileExists(colors)) << "a colour file that failed to load was written";
    DWORD linesAfter = 0;
    EXPECT_TRUE(ReadDwordValue(programKey, L"LinesAfter", linesAfter));
    EXPECT_EQ(linesAfter, 8u);
    std::wstring lastFolder;
    EXPECT_TRUE(ReadStringValue(programKey, L"LastFolder", lastFolder));
    EXPECT_EQ(lastFolder, L"C:\\");
    DeleteKeyTree(programKey);
}

// Files edited by hand, with comments, blank lines and their own order, keep every byte
// through a session that changed nothing, even one closed with the close box, which reads
// the shown category back in the list's order.
TEST_F(MainDialogTest, UnchangedFilesKeepTheirText)
{
    // The list shows "*ERROR*" first and reads "Check = 31" back as "13": no change.
    const std::string categories = "# my sets\n\nCategory = Default\nFilter = *WARN*\nFilter = *ERROR*\n"
                                   "Check = 31\nCategory = Extra\nFilter = *x*\nCheck = \nCategory = Empty\n";
    const std::string colors = "# mine\n\nColor = ~*Warn* ff00\nColor = *ERROR* ff\nOther = kept\n";
    WriteCategories(categories);
    ASSERT_TRUE(WriteBytes(storage.colorsFile, colors));
    Start();
    CloseWithCloseBox();
    EXPECT_EQ(CategoriesOnDisk(), categories);
    EXPECT_EQ(ReadBytes(storage.colorsFile), colors);
}

// Reading that stops at a line without "=" is named at start, and a session that changes
// nothing leaves both files as they are (categoriesfile_test covers the ".bak" of a write).
TEST_F(MainDialogTest, FileThatStopsEarlyIsNamedWithItsLineAtStart)
{
    const std::string categories = "Category = A\nFilter = a\nno equals sign\nCategory = B\nFilter = b\n";
    // UTF-16 without a byte-order mark, as an editor may save it: the first line ends at its
    // first zero byte.
    std::string colors;
    for (char c : std::string("Color = *ERROR* ff\n"))
        colors += std::string{c, '\0'};
    WriteCategories(categories);
    ASSERT_TRUE(WriteBytes(storage.colorsFile, colors));
    Start([this] {
        BoxInfo first = ExpectBox(L"Warning",
                                  L"Reading TilvoCats.dat stopped at line 3: the line has no \"=\", or the "
                                  L"file is UTF-16 text without a byte-order mark.\r\nNothing from that line "
                                  L"on was loaded. If the file is written, the original is kept as "
                                  L"TilvoCats.dat.bak.",
                                  BoxIcon::Warning);
        ASSERT_TRUE(Answer(first, IDOK));
        BoxInfo second = ExpectBox(L"Warning",
                                   L"Reading Tilvo.ini stopped at line 1: the line has no \"=\", or the file "
                                   L"is UTF-16 text without a byte-order mark.\r\nNothing from that line on "
                                   L"was loaded. If the file is written, the original is kept as Tilvo.ini.bak.",
                                   BoxIcon::Warning);
        ASSERT_TRUE(Answer(second, IDOK));
    });
    CloseWithCloseBox();
    EXPECT_EQ(CategoriesOnDisk(), categories);
    EXPECT_EQ(ReadBytes(storage.colorsFile), colors);
    EXPECT_FALSE(FileExists(storage.categoriesFile + L".bak"));
}

// A file edited in an ANSI editor after it was saved as UTF-8: the letter that is no longer
// UTF-8 is named at start, and the first save that writes it as U+FFFD keeps the original.
TEST_F(MainDialogTest, BytesThatAreNotTextAreNamedAtStartAndKeptAsBackup)
{
    const std::string categories =
        "\xEF\xBB\xBF# caf\xE9\nCategory = Default\nFilter = *ERROR*\nCheck = 1\n";
    WriteCategories(categories);
    Start([this] {
        BoxInfo box = ExpectBox(L"Warning",
                                L"Line 1 of TilvoCats.dat holds bytes that are not text: not UTF-8 after the "
                                L"file's UTF-8 mark, or half of a UTF-16 pair.\r\nThey are written back as "
                                L"replacement characters. If the file is written, the original is kept as "
                                L"TilvoCats.dat.bak.",
                                BoxIcon::Warning);
        ASSERT_TRUE(Answer(box, IDOK));
    });
    Click(IDC_NONE);
    CloseWithCloseBox();
    EXPECT_EQ(ReadBytes(storage.categoriesFile + L".bak"), categories);
    EXPECT_EQ(CategoriesOnDisk(),
              "\xEF\xBB\xBF# caf\xEF\xBF\xBD\nCategory = Default\nFilter = *ERROR*\nCheck = 0\n");
}

TEST_F(MainDialogTest, ABadColourEntryIsNamedWithItsFileAndLine)
{
    const std::string colors = "Color = *ERROR* ff\n# a comment\nColor = *WARN* not-a-colour\n";
    ASSERT_TRUE(WriteBytes(storage.colorsFile, colors));
    WriteCategories("Category = Default\nFilter = a\nCheck = 1\n");
    Start([this] {
        BoxInfo box = ExpectBox(L"Warning",
                                L"Reading Tilvo.ini stopped at line 3: its colour entry is not a filter text "
                                L"followed by a hexadecimal colour.\r\nNothing from that line on was loaded, "
                                L"and the file is left as it is.",
                                BoxIcon::Warning);
        ASSERT_TRUE(Answer(box, IDOK));
    });
    CloseWithCloseBox();
    EXPECT_EQ(ReadBytes(storage.colorsFile), colors);
}

TEST_F(MainDialogTest, CloseBoxReadsEverythingBack)
{
    WriteCategories(TwoCategories);
    ASSERT_TRUE(WriteStringValue(key + L"\\RecentFiles", L"File001", L"C:\\logs\\b.log"));
    ASSERT_TRUE(WriteStringValue(key + L"\\RecentFiles", L"File002", L"C:\\logs\\a.log"));
    Start();
    EXPECT_EQ(ListEntries(), (std::vector<ListEntry>{{L"*ERROR*", 1}, {L"*WARN*", 3}}));
    Click(IDC_NONE);
    Type(IDC_LINES_BEFORE, L"7");
    Type(IDC_LINES_AFTER, L"x1");
    CloseWithCloseBox();

    EXPECT_EQ(CategoriesOnDisk(),
              "Category = Default\nFilter = *ERROR*\nFilter = *WARN*\nCheck = 02\n"
              "Category = Extra\nFilter = *x*\nCheck = 0\n");
    DWORD value = 99;
    EXPECT_TRUE(ReadDwordValue(key, L"LinesBefore", value));
    EXPECT_EQ(value, 7u);
    EXPECT_TRUE(ReadDwordValue(key, L"LinesAfter", value));
    EXPECT_EQ(value, 0u) << "text that is not a number reads as 0";
    // The box sorts its entries; the close step stores them in the box's order.
    EXPECT_EQ(ReadValues(key + L"\\RecentFiles"),
              (std::vector<std::pair<std::wstring, std::wstring>>{{L"File001", L"C:\\logs\\a.log"},
                                                                   {L"File002", L"C:\\logs\\b.log"}}));
}

TEST_F(MainDialogTest, EscKeepsTheWorkOfTheSessionForTheNextStart)
{
    WriteCategories(TwoCategories);
    ASSERT_TRUE(WriteDwordValue(key, L"LinesBefore", 3));
    Start();
    Click(IDC_NONE);
    Type(IDC_LINES_BEFORE, L"9");
    Type(IDC_LINES_AFTER, L"4");
    EnterName(IDC_ADD_CATEGORY, L"Add Category", L"Later");
    EnterName(IDC_ADD_FILTER, L"Add Filter", L"*late*");
    EnterName(IDC_ADD_FILTER, L"Add Filter", L"*later*");
    ui->Invoke([&] {
        HWND box = GetDlgItem(dialog, IDC_FILE);
        SendMessageW(box, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(L"C:\\logs\\opened.log"));
    });
    CloseWithEsc();

    EXPECT_EQ(CategoriesOnDisk(),
              "Category = Default\nFilter = *ERROR*\nFilter = *WARN*\nCheck = 02\n"
              "Category = Extra\nFilter = *x*\nCheck = 0\n"
              "Category = Later\nFilter = *late*\nFilter = *later*\nCheck = 11\n");
    // The next start shows all of it again.
    dialog = nullptr;
    Start();
    SelectCategory(L"Later");
    EXPECT_EQ(ListEntries(), (std::vector<ListEntry>{{L"*late*", 1}, {L"*later*", 1}}));
    EXPECT_EQ(Text(IDC_LINES_BEFORE), L"9");
    EXPECT_EQ(Text(IDC_LINES_AFTER), L"4");
    EXPECT_EQ(FileBoxEntries(), (std::vector<std::wstring>{L"C:\\logs\\opened.log"}));
    CloseWithEsc();
}

TEST_F(MainDialogTest, InitialisationFillsTheControls)
{
    WriteCategories(TwoCategories);
    ASSERT_TRUE(WriteStringValue(key, L"LastFile", L"c:\\LOGS\\B.LOG"));
    ASSERT_TRUE(WriteStringValue(key + L"\\RecentFiles", L"File001", L"C:\\logs\\b.log"));
    ASSERT_TRUE(WriteStringValue(key + L"\\RecentFiles", L"File002", L"C:\\logs\\a.log"));
    ASSERT_TRUE(WriteDwordValue(key, L"LinesBefore", 300));
    ASSERT_TRUE(WriteDwordValue(key, L"LinesAfter", 12));
    Start();

    EXPECT_EQ(FileBoxEntries(), (std::vector<std::wstring>{L"C:\\logs\\a.log", L"C:\\logs\\b.log"}));
    EXPECT_EQ(Text(IDC_FILE), L"C:\\logs\\b.log") << "LastFile is found ignoring case";
    EXPECT_EQ(Text(IDC_LINES_BEFORE), L"300") << "a larger size typed earlier is kept";
    EXPECT_EQ(Text(IDC_LINES_AFTER), L"12");
    EXPECT_EQ(Text(IDC_GO), L"&Go");
    EXPECT_EQ(Text(IDC_STATUS), L"Idle");
    EXPECT_TRUE(Enabled(IDC_GO));
    EXPECT_FALSE(Enabled(IDC_REMOVE_FILTER));
    EXPECT_FALSE(Enabled(IDC_REPLACE_FILTER));
    EXPECT_FALSE(Enabled(IDC_OR_AND));
    EXPECT_TRUE(Enabled(IDC_DELETE_CATEGORY));
    EXPECT_EQ(CategoryEntries(), (std::vector<std::wstring>{L"Default", L"Extra"}));
    EXPECT_EQ(SelectedCategory(), L"Default");

    ui->Invoke([&] {
        EXPECT_EQ(GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
        EXPECT_NE(SendMessageW(dialog, WM_GETICON, ICON_BIG, 0), 0);
        EXPECT_NE(SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0), 0);
        int low = -1, high = -1;
        SendDlgItemMessageW(dialog, IDC_LINES_BEFORE_SPIN, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low),
                            reinterpret_cast<LPARAM>(&high));
        EXPECT_EQ(low, 0);
        EXPECT_EQ(high, 255);
        SendDlgItemMessageW(dialog, IDC_LINES_AFTER_SPIN, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low),
                            reinterpret_cast<LPARAM>(&high));
        EXPECT_EQ(high, 255);
        EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_LINES_AFTER_SPIN, UDM_GETPOS32, 0, 0), 12);
        HWND list = GetDlgItem(dialog, IDC_FILTER_LIST);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0), LVS_EX_CHECKBOXES);
        LONG style = GetWindowLongW(list, GWL_STYLE);
        EXPECT_EQ(style & LVS_TYPEMASK, LVS_LIST);
        EXPECT_NE(style & LVS_SORTASCENDING, 0);
        EXPECT_NE(style & LVS_SINGLESEL, 0);
        auto images = reinterpret_cast<HIMAGELIST>(SendMessageW(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
        ASSERT_NE(images, nullptr);
        EXPECT_EQ(ImageList_GetImageCount(images), 4) << "Or, And, and both marked as expressions";
        // The list is last in the tab order.
        EXPECT_EQ(GetWindow(list, GW_HWNDLAST), list);
    });
    CloseWithEsc();
}

TEST_F(MainDialogTest, OkEndsAtOnceWithoutTheCloseStep)
{
    WriteCategories(TwoCategories);
    Start();
    Click(IDC_NONE);
    Type(IDC_LINES_AFTER, L"5");
    Click(IDOK);
    WaitForRunToEnd();
    EXPECT_EQ(CategoriesOnDisk(), TwoCategories);
    DWORD value = 0;
    EXPECT_TRUE(ReadDwordValue(key, L"LinesAfter", value));
    EXPECT_EQ(value, 8u);
}

TEST_F(MainDialogTest, FailedSavesAreWarningsInOrder)
{
    WriteCategories(TwoCategories);
    Start();
    // Both files loaded; now something that is not a file stands in the way of each save.
    ASSERT_TRUE(DeleteFileW(storage.colorsFile.c_str()));
    ASSERT_TRUE(CreateDirectoryW(storage.colorsFile.c_str(), nullptr));
    ASSERT_TRUE(DeleteFileW(storage.categoriesFile.c_str()));
    ASSERT_TRUE(CreateDirectoryW(storage.categoriesFile.c_str(), nullptr));
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    BoxInfo colors = ExpectBox(L"Warning", L"Unable to save settings", BoxIcon::Warning);
    EXPECT_EQ(GetWindow(colors.window, GW_OWNER), nullptr);
    ASSERT_TRUE(Answer(colors, IDOK));
    BoxInfo categories = ExpectBox(L"Warning", L"Unable to save filter categories!", BoxIcon::Warning);
    ASSERT_TRUE(Answer(categories, IDOK));
    WaitForRunToEnd();
    // The settings were saved in between.
    EXPECT_TRUE(KeyExists(key));
    RemoveDirectoryW(storage.colorsFile.c_str());
    RemoveDirectoryW(storage.categoriesFile.c_str());
}

TEST_F(MainDialogTest, HandlerExceptionEndsTheRunWithoutSaving)
{
    WriteCategories(TwoCategories);
    ASSERT_TRUE(WriteBytes(storage.colorsFile, "# mine\nColor = *ERROR* ff\n"));
    std::wstring where, what;
    size_t categoriesLeft = 99;
    CMainDlg::Storage places = storage;
    ui = std::make_unique<CUiThread>([&] {
        HHOOK hook = SetWindowsHookExW(WH_CBT, RefuseListViews, nullptr, GetCurrentThreadId());
        try {
            CMainDlg main(GetModuleHandleW(nullptr), places);
            main.Run();
        } catch (const CStringException& e) {
            where = e.Where();
            what = e.What();
        }
        categoriesLeft = CategoryCount();
        UnhookWindowsHookEx(hook);
    });
    WaitForRunToEnd();
    EXPECT_EQ(where, L"CMainDlg::InitFilters");
    EXPECT_EQ(what, L"Unable to create filters list control");
    EXPECT_EQ(categoriesLeft, 0u) << "the store is emptied on the way out";
    EXPECT_EQ(ReadBytes(storage.colorsFile), "# mine\nColor = *ERROR* ff\n") << "nothing is saved";
    EXPECT_EQ(CategoriesOnDisk(), TwoCategories);
    EXPECT_TRUE(ReadValues(key + L"\\RecentFiles").empty());
}
