// FindDialogProc: the Find dialog between the search state and its controls.
#include "viewer/FindDialog.h"

#include "resources/resource.h"
#include "settings/Settings.h"
#include "viewer/MaskHint.h"
#include "viewer/SearchState.h"

namespace {

// 1022 characters and the terminating zero.
constexpr int kTextBuffer = 1023;
const wchar_t kNoTextText[] = L"You should specify a string to search!";
const wchar_t kSearchCaption[] = L"Search";
const MaskHintControls kHint{IDC_FIND_TEXT, IDC_FIND_HINT, IDC_FIND_CONTAINS};

bool PlainTextChosen(HWND dialog)
{
    return IsDlgButtonChecked(dialog, IDC_FIND_PLAIN) == BST_CHECKED;
}

void UpdateHint(HWND dialog)
{
    UpdateMaskHint(dialog, kHint, IsDlgButtonChecked(dialog, IDC_MATCH_CASE) != BST_CHECKED,
                   PlainTextChosen(dialog), true);
}

void OnInitDialog(HWND dialog)
{
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
    // The way of reading chosen last, at this start or an earlier one.
    const bool plain = settings.FindMode == kFindPlainText;
    CheckRadioButton(dialog, IDC_FIND_WILDCARDS, IDC_FIND_PLAIN, plain ? IDC_FIND_PLAIN : IDC_FIND_WILDCARDS);
    UpdateHint(dialog);
}

void OnFind(HWND dialog)
{
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
    search.plainText = PlainTextChosen(dialog);
    AppSettings().FindMode = search.plainText ? kFindPlainText : kFindWildcards;
    // Preselected in the list the next time the program starts.
    AppSettings().LastSearch = text;
    EndDialog(dialog, IDOK);
}

} // namespace

void AddRecentSearch(const wchar_t* text, bool alreadyListed)
{
    Settings& settings = AppSettings();
    std::vector<std::wstring>& recent = settings.RecentSearches;
    if (!alreadyListed)
        recent.insert(recent.begin(), text);
    const size_t limit = settings.RecentLimit > 0 ? size_t(settings.RecentLimit) : 0;
    while (recent.size() > limit)
        recent.pop_back();
}

INT_PTR CALLBACK FindDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    // Nothing thrown leaves the dialog procedure; the only thing that can be
    // thrown here is a failed allocation, which ends the dialog as cancelled.
    try {
        switch (message) {
        case WM_INITDIALOG:
            OnInitDialog(dialog);
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
            case IDOK:
                OnFind(dialog);
                return TRUE;
            case IDCANCEL:
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            case IDC_FIND_CONTAINS:
                UseContainsForm(dialog, kHint);
                UpdateHint(dialog);
                return TRUE;
            case IDC_FIND_TEXT:
                // A pick from the list reaches the edit field only after this notice.
                if (HIWORD(wParam) == CBN_SELCHANGE)
                    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_FIND_TEXT, CBN_EDITCHANGE), 0);
                else if (HIWORD(wParam) == CBN_EDITCHANGE)
                    UpdateHint(dialog);
                return FALSE;
            case IDC_MATCH_CASE:
            case IDC_FIND_WILDCARDS:
            case IDC_FIND_PLAIN:
                UpdateHint(dialog);
                return FALSE;
            }
            return FALSE;
        default:
            return FALSE;
        }
    } catch (...) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
}
