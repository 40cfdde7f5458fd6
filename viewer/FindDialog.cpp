// CFindDialog: the Find dialog between the search state and its controls.
#include "viewer/FindDialog.h"

#include "engine/match/RegexExplanation.h"
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
    // The way of reading chosen last, at this start or an earlier one.
    const int chosen = settings.FindMode == kFindPlainText ? IDC_FIND_PLAIN
                       : settings.FindMode == kFindRegex   ? IDC_FIND_REGEX
                                                           : IDC_FIND_WILDCARDS;
    CheckRadioButton(dialog, IDC_FIND_WILDCARDS, IDC_FIND_REGEX, chosen);
    UpdateHint();
    return TRUE;
}

TextReading CFindDialog::ReadingChosen() const
{
    if (IsDlgButtonChecked(m_window, IDC_FIND_PLAIN) == BST_CHECKED)
        return TextReading::PlainText;
    if (IsDlgButtonChecked(m_window, IDC_FIND_REGEX) == BST_CHECKED)
        return TextReading::Regex;
    return TextReading::Mask;
}

void CFindDialog::UpdateHint()
{
    UpdateMaskHint(m_window, kHint, IsDlgButtonChecked(m_window, IDC_MATCH_CASE) != BST_CHECKED,
                   ReadingChosen(), true);
}

BOOL CFindDialog::OnCommand(int id, int code)
{
    switch (id) {
    case IDOK:
        OnFind();
        return TRUE;
    case IDC_FIND_CONTAINS:
        UseContainsForm(m_window, kHint);
        UpdateHint();
        return TRUE;
    case IDC_FIND_TEXT:
        // A pick from the list reaches the edit field only after this notice.
        if (code == CBN_SELCHANGE)
            PostMessageW(m_window, WM_COMMAND, MAKEWPARAM(IDC_FIND_TEXT, CBN_EDITCHANGE), 0);
        else if (code == CBN_EDITCHANGE)
            UpdateHint();
        return FALSE;
    case IDC_MATCH_CASE:
    case IDC_FIND_WILDCARDS:
    case IDC_FIND_PLAIN:
    case IDC_FIND_REGEX:
        UpdateHint();
        return FALSE;
    }
    return CDialog::OnCommand(id, code);
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
    // An expression that does not compile is refused here, with PCRE2's
    // words, and the dialog stays for the text to be mended.
    const TextReading reading = ReadingChosen();
    const std::wstring refused = reading == TextReading::Regex ? RegexRefusal(text) : std::wstring();
    if (!refused.empty()) {
        MessageBoxW(dialog, refused.c_str(), kSearchCaption, MB_ICONWARNING);
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
    search.reading = reading;
    AppSettings().FindMode = reading == TextReading::PlainText ? kFindPlainText
                             : reading == TextReading::Regex   ? kFindRegex
                                                               : kFindWildcards;
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
