// The Find dialog (resource 113): search text, how it is read (one choice of three), Match Case, Highlight Matches, Search Backwards.
#pragma once

#include "viewer/SearchState.h"
#include "win32/Dialog.h"

// Fills the dialog from the search state and the recent searches; on Find
// stores the choices back, puts a new text at the front of the recent
// searches and ends with IDOK. Cancel changes nothing.
class CFindDialog : public CDialog {
public:
    CFindDialog() = default;

    // IDOK when the user pressed Find, IDCANCEL otherwise.
    INT_PTR Show(HINSTANCE instance, HWND owner);

private:
    BOOL OnInitDialog() override;
    BOOL OnCommand(int id, int code) override;
    void OnFind();
    // How Find's text is read: "Wildcards", "Plain text" or "Regular expression".
    TextReading ReadingChosen() const;
    // The line under the text box: how the text will be read, and the contains offer.
    void UpdateHint();
};

// Puts a text confirmed in the dialog at the front of the recent searches
// unless an entry equal to it ignoring case is there, then keeps at most
// `limit` entries. The dialog's own list does the case-blind look-up.
void AddRecentSearch(const wchar_t* text, bool alreadyListed);
