// The fixture of the main dialog tests: temporary storage, the dialog running on its own thread, and helpers to click and read it.
#pragma once

#include "resources/resource.h"
#include "tests/support/TestFiles.h"
#include "tests/support/UiThread.h"
#include "tests/support/Wait.h"
#include "tests/support/Windows.h"
#include "ui/MainDlg.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

// One filter as the list shows it: its text and its state 0 to 3.
using ListEntry = std::pair<std::wstring, int>;

class MainDialogTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs CMainDlg::Run on the user-interface thread and waits for the dialog; every start-up
    // message box must have been answered by `answerStartup` (default: none may appear).
    void Start(const std::function<void()>& answerStartup = {});
    // Closes with the close box (the close step runs) or with Esc (it does not), and waits for
    // Run to end, failing on any message box shown while saving.
    void CloseWithCloseBox();
    void CloseWithEsc();
    void WaitForRunToEnd();

    // Sends a button command the way a click does and waits until it has been handled (or
    // has opened a modal box).
    void Click(int id);
    // Types a text into an edit or the file box, as the user's typing would.
    void Type(int id, const std::wstring& text);
    // The box the dialog has opened; fails the test when none comes.
    BoxInfo ExpectBox(const std::wstring& caption, const std::wstring& text, BoxIcon icon);
    BoxInfo ExpectNameDialog(const std::wstring& caption);
    void ExpectNoBox();
    // Opens the name dialog with `command`, types `text` and confirms it.
    void EnterName(int command, const std::wstring& caption, const std::wstring& text);

    // Readings taken on the user-interface thread.
    std::vector<std::wstring> ComboEntries(int id);
    std::vector<std::wstring> FileBoxEntries() { return ComboEntries(IDC_FILE); }
    std::vector<std::wstring> CategoryEntries() { return ComboEntries(IDC_CATEGORY); }
    std::wstring SelectedCategory();
    std::vector<ListEntry> ListEntries();
    int SelectedFilter();
    void SelectFilter(int index);
    void SelectCategory(const std::wstring& name);
    std::wstring Text(int id);
    bool Enabled(int id);
    bool Running();
    size_t ViewerCount();

    void WriteCategories(const std::string& text);
    std::string CategoriesOnDisk();

    TempDir dir;
    std::wstring key = L"SOFTWARE\\Osmi\\TilvoUiTests";
    CMainDlg::Storage storage;
    std::unique_ptr<CUiThread> ui;
    HWND dialog = nullptr;
    std::vector<std::wstring> removeAfter;   // files outside `dir` the test creates
    std::wstring startFile;                  // as if named on the command line
};

// Registry helpers on HKEY_CURRENT_USER.
void DeleteKeyTree(const std::wstring& key);
bool KeyExists(const std::wstring& key);
bool ReadDwordValue(const std::wstring& key, const wchar_t* name, DWORD& value);
bool ReadStringValue(const std::wstring& key, const wchar_t* name, std::wstring& value);
bool WriteDwordValue(const std::wstring& key, const wchar_t* name, DWORD value);
bool WriteStringValue(const std::wstring& key, const wchar_t* name, const std::wstring& value);
// The REG_SZ values of a key in enumeration order, as (name, text).
std::vector<std::pair<std::wstring, std::wstring>> ReadValues(const std::wstring& key);

// Narrow test text to the wide strings the controls hold.
std::wstring Wide(const std::string& text);
