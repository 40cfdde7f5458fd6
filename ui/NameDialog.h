// The small modal dialog that asks for a category name or a filter text.
#pragma once

#include "engine/match/Filter.h"
#include "win32/Dialog.h"

#include <string>

// What the name dialog shows and returns. One record for the whole program: every command
// sets the caption and label before opening the dialog, while the text carries over, so a
// dialog opens with the last text accepted or offered in any name dialog.
struct NameDialogState {
    std::wstring caption;
    std::wstring label;
    std::wstring text;
    // The filter dialog's choice of how the text is read, carried over with the text; the
    // category dialog has none.
    FilterKind kind = FilterKind::Mask;
};

NameDialogState& NameDialog();

// One showing of a name dialog over a state record.
class CNameDialog : public CDialog {
public:
    explicit CNameDialog(NameDialogState& state) : m_state(state) {}

    // Shows dialog `resource` (IDD_NAME_CATEGORY or IDD_NAME_FILTER) owned by `owner`. Returns
    // IDOK with the entered text, untrimmed and never empty, in the record's text, or IDCANCEL.
    // A regular expression that does not compile is refused with PCRE2's message and position.
    INT_PTR Show(HINSTANCE instance, HWND owner, int resource);

private:
    BOOL OnInitDialog() override;
    BOOL OnCommand(int id, int code) override;
    void OnOk();
    bool HasKindChoice() const;
    FilterKind ChosenKind() const;
    void UpdateHint();

    NameDialogState& m_state;
};

// A name dialog over the program's one record, NameDialog().
INT_PTR ShowNameDialog(HINSTANCE instance, HWND owner, int resource);
