// CFindDialog: the Find dialog between the search state and its controls.
#include "viewer/FindDialog.h"

#include "resources/resource.h"
#include "settings/Settings.h"
#include "viewer/SearchState.h"

namespace {

// 1022 characters and the terminating zero.
constexpr int kTextBuffer = 1023;
const wchar_t kNoTextText[] = L"You should specify a string to search!";
const wchar_t kSearchCaption[] = L"Search";

} // namespace

INT_PTR CFindDialog::Show(HINSTANCE instance, HWND owner)
{
    return DoModal(instance, IDD_FIND, owner) == IDOK ? IDOK : IDCANCEL;
}

BOOL CFindDialog::OnInitDialog()
{
    HWND dialog = m_window;
    const SearchState& search = AppSearch();
    const Settings& settings = AppSettings();
    HWND combo = GetDlgItem(dialog, IDC_FIND_TEXT);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (const std::wstring& recent : settings.RecentSearches)
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(recent.c_str()));
    if (!search.text.empty()) {
        SetDlgItemTextW(dialog, IDC_FIND_TEXT, search.text.c_str());
    } else {
        const LRESULT index = SendMessageW(combo, CB_FINDSTRINGEXACT, WPARAM(-1),
                                           reinterpret_cast<LPARAM>(settings.LastSearch.c_str()));
        if (index != CB_ERR)
            SendMessageW(combo, CB_SETCURSEL, WPARAM(index), 0);
    }
    CheckDlgButton(dialog, IDC_MATCH_CASE, search.ignoreCase ? BST_UNCHECKED : BST_CHECKED);
    CheckDlgButton(dialog, IDC_HIGHLIGHT, search.highlightMatches ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_BACKWARDS, search.backwards ? BST_CHECKED : BST_UNCHECKED);
    return TRUE;
}

BOOL CFindDialog::OnCommand(int id, int code)
{
    if (id != IDOK)
        return CDialog::OnCommand(id, code);
    OnFind();
    return TRUE;
}

void CFindDialog::OnFind()
{
    HWND dialog = m_window;
    wchar_t text[kTextBuffer] = {};
    GetDlgItemTextW(dialog, IDC_FIND_TEXT, text, kTextBuffer);
    if (text[0] == L'\0') {
        MessageBoxW(dialog, kNoTextText, kSearchCaption, MB_ICONWARNING);
        return;
    }
    SearchState& search = AppSearch();
    search.text = text;
    // CB_FINDSTRINGEXACT ignores case: "Error" is not added beside "error".
    const LRESULT listed = SendDlgItemMessageW(dialog, IDC_FIND_TEXT, CB_FINDSTRINGEXACT,
                                               WPARAM(-1), reinterpret_cast<LPARAM>(text));
    AddRecentSearch(text, listed != CB_ERR);
    search.ignoreCase = IsDlgButtonChecked(dialog, IDC_MATCH_CASE) != BST_CHECKED;
    search.highlightMatches = IsDlgButtonChecked(dialog, IDC_HIGHLIGHT) == BST_CHECKED;
    search.backwards = IsDlgButtonChecked(dialog, IDC_BACKWARDS) == BST_CHECKED;
    // Preselected in the list the next time the program starts.
    AppSettings().LastSearch = text;
    EndDialog(IDOK);
}

void AddRecentSearch(const wchar_t* text, bool alreadyListed)
{
    Settings& settings = AppSettings();
    std::vector<std::wstring>& recent = settings.RecentSearches;
    if (!alreadyListed)
        recent.insert(recent.begin(), text);
    while (recent.size() > settings.RecentBound())
        recent.pop_back();
}
