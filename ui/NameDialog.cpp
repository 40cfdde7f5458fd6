// The name dialog's record and its handlers.
#include "ui/NameDialog.h"

#include "engine/match/RegexExplanation.h"
#include "resources/resource.h"
#include "ui/WindowText.h"
#include "viewer/MaskHint.h"

namespace {

const wchar_t* const kEmptyNameText = L"You should specify a name!";
// Only the filter dialog's template has the hint line; a filter's text is a mask as typed.
const MaskHintControls kHint{IDC_NAME_EDIT, IDC_MASK_HINT, IDC_MASK_CONTAINS};

}  // namespace

NameDialogState& NameDialog()
{
    static NameDialogState state;
    return state;
}

INT_PTR ShowNameDialog(HINSTANCE instance, HWND owner, int resource)
{
    CNameDialog dialog(NameDialog());
    return dialog.Show(instance, owner, resource);
}

INT_PTR CNameDialog::Show(HINSTANCE instance, HWND owner, int resource)
{
    return DoModal(instance, resource, owner) == IDOK ? IDOK : IDCANCEL;
}

BOOL CNameDialog::OnInitDialog()
{
    SetWindowTextW(m_window, m_state.caption.c_str());
    SetDlgItemTextW(m_window, IDC_NAME_LABEL, m_state.label.c_str());
    SetDlgItemTextW(m_window, IDC_NAME_EDIT, m_state.text.c_str());
    if (HasKindChoice())
        CheckRadioButton(m_window, IDC_NAME_MASK, IDC_NAME_REGEX,
                         m_state.kind == FilterKind::Regex ? IDC_NAME_REGEX : IDC_NAME_MASK);
    UpdateHint();
    return TRUE;
}

BOOL CNameDialog::OnCommand(int id, int code)
{
    switch (id) {
    case IDOK:
        OnOk();
        return TRUE;
    case IDC_NAME_EDIT:
        if (code != EN_CHANGE)
            return FALSE;
        UpdateHint();
        return TRUE;
    case IDC_NAME_MASK:
    case IDC_NAME_REGEX:
        UpdateHint();
        return TRUE;
    case IDC_MASK_CONTAINS:
        UseContainsForm(m_window, kHint);   // the edit box's change notice updates the hint
        return TRUE;
    }
    return CDialog::OnCommand(id, code);
}

void CNameDialog::OnOk()
{
    // The whole text is taken: a filter read from the categories file may be longer than
    // anything a fixed buffer would hold, and cutting it would lose it at the next save.
    std::wstring text = WindowText(Item(IDC_NAME_EDIT));
    if (text.empty()) {
        MessageBoxW(m_window, kEmptyNameText, m_state.caption.c_str(), MB_OK | MB_ICONWARNING);
        return;
    }
    const FilterKind kind = ChosenKind();
    if (kind == FilterKind::Regex) {
        const std::wstring refusal = RegexRefusal(text);
        if (!refusal.empty()) {
            MessageBoxW(m_window, (L"The regular expression is refused: " + refusal).c_str(),
                        m_state.caption.c_str(), MB_OK | MB_ICONWARNING);
            return;
        }
    }
    m_state.text = std::move(text);
    if (HasKindChoice())
        m_state.kind = kind;
    EndDialog(IDOK);
}

bool CNameDialog::HasKindChoice() const
{
    return Item(IDC_NAME_REGEX) != nullptr;
}

FilterKind CNameDialog::ChosenKind() const
{
    return HasKindChoice() && IsDlgButtonChecked(m_window, IDC_NAME_REGEX) == BST_CHECKED ? FilterKind::Regex
                                                                                         : FilterKind::Mask;
}

void CNameDialog::UpdateHint()
{
    const TextReading reading = ChosenKind() == FilterKind::Regex ? TextReading::Regex : TextReading::Mask;
    UpdateMaskHint(m_window, kHint, false, reading, false);
}
