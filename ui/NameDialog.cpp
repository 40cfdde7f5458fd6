// The name dialog's record and its handlers.
#include "ui/NameDialog.h"

#include "resources/resource.h"
#include "ui/WindowText.h"

namespace {

const wchar_t* const kEmptyNameText = L"You should specify a name!";

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
    return TRUE;
}

BOOL CNameDialog::OnCommand(int id, int code)
{
    if (id != IDOK)
        return CDialog::OnCommand(id, code);
    OnOk();
    return TRUE;
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
    m_state.text = std::move(text);
    EndDialog(IDOK);
}
