// The main dialog test fixture: start and end of a dialog run, clicks, typing, readings, registry helpers.
#include "tests/ui/MainDialogTest.h"

#include "categories/CategoryStore.h"
#include "resources/resource.h"
#include "settings/ColorMap.h"
#include "settings/Settings.h"
#include "ui/NameDialog.h"

#include <commctrl.h>

namespace {

std::wstring ComboEntry(HWND combo, int index)
{
    LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length < 0)
        return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return text;
}

}  // namespace

std::wstring Wide(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

void MainDialogTest::SetUp()
{
    DeleteKeyTree(key);
    AppSettings() = Settings{};
    NameDialog() = NameDialogState{};
    ClearColors();
    ClearCategories();
    storage.categoriesFile = dir.File(L"TilvoCats.dat");
    storage.colorsFile = dir.File(L"Tilvo.ini");
    storage.settingsKey = key;
    ASSERT_TRUE(WriteBytes(storage.colorsFile, "Color = *ERROR* 0000ff\n"));
}

void MainDialogTest::TearDown()
{
    if (ui && !ui->Finished()) {
        // A failed test may leave boxes open: cancel them until the dialog has ended.
        EXPECT_TRUE(WaitFor("the dialog to end after a failed test", [this] {
            BoxInfo box = FindBox(ui->Id(), dialog);
            if (box.window || dialog)
                PostMessageW(box.window ? box.window : dialog, WM_COMMAND, IDCANCEL, 0);
            return ui->Finished();
        }));
    }
    ui.reset();
    DeleteKeyTree(key);
    for (const std::wstring& file : removeAfter)
        DeleteFileW(file.c_str());
}

void MainDialogTest::Start(const std::function<void()>& answerStartup)
{
    CMainDlg::Storage places = storage;
    ui = std::make_unique<CUiThread>([places, start = startFile] {
        CMainDlg main(GetModuleHandleW(nullptr), places);
        main.SetStartFile(start);
        main.Run();
    });
    if (answerStartup)
        answerStartup();
    ASSERT_TRUE(WaitFor("the main dialog to open", [this] {
        HWND found = nullptr;
        ui->Invoke([&] {
            if (CMainDlg* main = CMainDlg::Instance())
                found = main->Window();
        });
        if (found && IsWindowVisible(found))
            dialog = found;
        return dialog != nullptr;
    }));
    ui->Settle();
    BoxInfo unexpected = FindBox(ui->Id(), dialog);
    ASSERT_EQ(unexpected.window, nullptr) << "unexpected box: " << testing::PrintToString(unexpected.caption)
                                          << " " << testing::PrintToString(unexpected.text);
}

void MainDialogTest::WaitForRunToEnd()
{
    ASSERT_TRUE(WaitFor("Run to end", [this] {
        BoxInfo box = FindBox(ui->Id(), dialog);
        if (box.window) {
            ADD_FAILURE() << "unexpected box at the end: " << testing::PrintToString(box.caption) << " "
                          << testing::PrintToString(box.text);
            PostMessageW(box.window, WM_COMMAND, IDOK, 0);
        }
        return ui->Finished();
    }));
    if (ui->Error())
        std::rethrow_exception(ui->Error());
}

void MainDialogTest::CloseWithCloseBox()
{
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    WaitForRunToEnd();
}

void MainDialogTest::CloseWithEsc()
{
    HWND focus = nullptr;
    ui->Invoke([&] { focus = GetFocus(); });
    ASSERT_NE(focus, nullptr);
    // Through the dialog's own message loop, which turns Esc into the Cancel command.
    PostMessageW(focus, WM_KEYDOWN, VK_ESCAPE, 0);
    WaitForRunToEnd();
}

void MainDialogTest::Click(int id)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    ui->Settle();
}

void MainDialogTest::Type(int id, const std::wstring& text)
{
    ui->Invoke([&] {
        HWND control = GetDlgItem(dialog, id);
        HWND edit = FindWindowExW(control, nullptr, L"Edit", nullptr);
        if (!edit)
            edit = control;
        SetFocus(edit);
        SendMessageW(edit, EM_SETSEL, 0, -1);
        SendMessageW(edit, WM_CHAR, VK_BACK, 0);
        for (wchar_t c : text)
            SendMessageW(edit, WM_CHAR, c, 0);
    });
}

BoxInfo MainDialogTest::ExpectBox(const std::wstring& caption, const std::wstring& text, BoxIcon icon)
{
    BoxInfo box = WaitForBox(ui->Id(), dialog);
    EXPECT_NE(box.window, nullptr) << "no box with " << testing::PrintToString(text);
    EXPECT_EQ(box.caption, caption);
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(static_cast<int>(box.icon), static_cast<int>(icon));
    return box;
}

BoxInfo MainDialogTest::ExpectNameDialog(const std::wstring& caption)
{
    BoxInfo box = WaitForBox(ui->Id(), dialog);
    EXPECT_NE(box.window, nullptr) << "no name dialog";
    EXPECT_EQ(box.caption, caption);
    EXPECT_NE(GetDlgItem(box.window, IDC_NAME_EDIT), nullptr);
    return box;
}

void MainDialogTest::ExpectNoBox()
{
    ui->Settle();
    BoxInfo box = FindBox(ui->Id(), dialog);
    EXPECT_EQ(box.window, nullptr) << "unexpected box: " << testing::PrintToString(box.caption) << " "
                                   << testing::PrintToString(box.text);
}

void MainDialogTest::EnterName(int command, const std::wstring& caption, const std::wstring& text)
{
    Click(command);
    BoxInfo box = ExpectNameDialog(caption);
    ASSERT_NE(box.window, nullptr);
    SetTextOf(box.window, IDC_NAME_EDIT, text);
    ASSERT_TRUE(Answer(box, IDOK));
    ui->Settle();
}

std::vector<std::wstring> MainDialogTest::ComboEntries(int id)
{
    std::vector<std::wstring> entries;
    ui->Invoke([&] {
        HWND box = GetDlgItem(dialog, id);
        int count = static_cast<int>(SendMessageW(box, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i)
            entries.push_back(ComboEntry(box, i));
    });
    return entries;
}

std::wstring MainDialogTest::SelectedCategory()
{
    std::wstring name = L"(none)";
    ui->Invoke([&] {
        HWND box = GetDlgItem(dialog, IDC_CATEGORY);
        LRESULT selected = SendMessageW(box, CB_GETCURSEL, 0, 0);
        if (selected != CB_ERR)
            name = ComboEntry(box, static_cast<int>(selected));
    });
    return name;
}

std::vector<ListEntry> MainDialogTest::ListEntries()
{
    std::vector<ListEntry> entries;
    ui->Invoke([&] {
        HWND list = GetDlgItem(dialog, IDC_FILTER_LIST);
        for (int i = 0; i < ListCount(list); ++i) {
            // Bit 0: any state image but the unchecked one; bit 1: an And image; bit 2: an
            // expression's image.
            const int image = ListImage(list, i);
            const int state = (ListStateImage(list, i) != 1 ? 1 : 0) + (image & 1 ? 2 : 0) + (image & 2 ? 4 : 0);
            entries.emplace_back(ListText(list, i), state);
        }
    });
    return entries;
}

int MainDialogTest::SelectedFilter()
{
    int index = -2;
    ui->Invoke([&] {
        index = static_cast<int>(SendDlgItemMessageW(dialog, IDC_FILTER_LIST, LVM_GETNEXTITEM,
                                                     static_cast<WPARAM>(-1), LVNI_SELECTED));
    });
    return index;
}

void MainDialogTest::SelectFilter(int index)
{
    ui->Invoke([&] {
        SetListState(GetDlgItem(dialog, IDC_FILTER_LIST), index, LVIS_SELECTED | LVIS_FOCUSED,
                     LVIS_SELECTED | LVIS_FOCUSED);
    });
}

void MainDialogTest::SelectCategory(const std::wstring& name)
{
    ui->Invoke([&] {
        HWND box = GetDlgItem(dialog, IDC_CATEGORY);
        LRESULT index = SendMessageW(box, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(name.c_str()));
        ASSERT_NE(index, CB_ERR);
        SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        // What the box tells its parent when the user picks an entry.
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_CATEGORY, CBN_SELCHANGE), reinterpret_cast<LPARAM>(box));
    });
}

std::wstring MainDialogTest::Text(int id)
{
    std::wstring text;
    ui->Invoke([&] { text = TextOf(dialog, id); });
    return text;
}

bool MainDialogTest::Enabled(int id)
{
    bool enabled = false;
    ui->Invoke([&] { enabled = IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; });
    return enabled;
}

bool MainDialogTest::Running()
{
    bool running = false;
    ui->Invoke([&] { running = CMainDlg::Instance()->IsRunning(); });
    return running;
}

size_t MainDialogTest::ViewerCount()
{
    size_t count = 0;
    ui->Invoke([&] { count = CMainDlg::Instance()->ViewerCount(); });
    return count;
}

void MainDialogTest::WriteCategories(const std::string& text)
{
    ASSERT_TRUE(WriteBytes(storage.categoriesFile, text));
}

std::string MainDialogTest::CategoriesOnDisk()
{
    bool ok = false;
    std::string bytes = ReadBytes(storage.categoriesFile, &ok);
    EXPECT_TRUE(ok) << "no categories file";
    return bytes;
}

void DeleteKeyTree(const std::wstring& key)
{
    RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
}

bool KeyExists(const std::wstring& key)
{
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

bool ReadDwordValue(const std::wstring& key, const wchar_t* name, DWORD& value)
{
    DWORD size = sizeof(value);
    return RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size) ==
           ERROR_SUCCESS;
}

bool ReadStringValue(const std::wstring& key, const wchar_t* name, std::wstring& value)
{
    wchar_t buffer[4096] = {};
    DWORD size = sizeof(buffer);
    if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
        return false;
    value = buffer;
    return true;
}

bool WriteDwordValue(const std::wstring& key, const wchar_t* name, DWORD value)
{
    return RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), name, REG_DWORD, &value, sizeof(value)) == ERROR_SUCCESS;
}

bool WriteStringValue(const std::wstring& key, const wchar_t* name, const std::wstring& value)
{
    return RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), name, REG_SZ, value.c_str(),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

std::vector<std::pair<std::wstring, std::wstring>> ReadValues(const std::wstring& key)
{
    std::vector<std::pair<std::wstring, std::wstring>> values;
    HKEY handle = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return values;
    for (DWORD index = 0;; ++index) {
        wchar_t name[1024];
        DWORD nameLength = 1024;
        wchar_t data[4096] = {};
        DWORD dataSize = sizeof(data) - sizeof(wchar_t);
        DWORD type = 0;
        LONG status = RegEnumValueW(handle, index, name, &nameLength, nullptr, &type,
                                    reinterpret_cast<BYTE*>(data), &dataSize);
        if (status != ERROR_SUCCESS)
            break;
        if (type == REG_SZ)
            values.emplace_back(name, data);
    }
    RegCloseKey(handle);
    return values;
}
