// The name dialog's state and dialog procedure.
#include "ui/NameDialog.h"

#include "resources/resource.h"
#include "ui/WindowText.h"
#include "viewer/MaskHint.h"

namespace {

const wchar_t* const kEmptyNameText = L"You should specify a name!";
// Only the filter dialog's template has the hint line; filters are matched with their own case rule.
const MaskHintControls kHint{IDC_NAME_EDIT, IDC_MASK_HINT, IDC_MASK_CONTAINS};

INT_PTR OnOk(HWND dialog)
{
    // The whole text is taken: a filter read from the categories file may be longer than
    // anything a fixed buffer would hold, and cutting it would lose it at the next save.
    std::wstring text = WindowText(GetDlgItem(dialog, IDC_NAME_EDIT));
    if (text.empty()) {
        MessageBoxW(dialog, kEmptyNameText, NameDialog().caption.c_str(), MB_OK | MB_ICONWARNING);
        return TRUE;
    }
    NameDialog().text = std::move(text);
    EndDialog(dialog, IDOK);
    return TRUE;
}

INT_PTR CALLBACK NameDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    try {
        switch (message) {
        case WM_INITDIALOG:
            SetWindowTextW(dialog, NameDialog().caption.c_str());
            SetDlgItemTextW(dialog, IDC_NAME_LABEL, NameDialog().label.c_str());
            SetDlgItemTextW(dialog, IDC_NAME_EDIT, NameDialog().text.c_str());
            UpdateMaskHint(dialog, kHint, false, false, false);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK)
                return OnOk(dialog);
            if (LOWORD(wParam) == IDC_NAME_EDIT && HIWORD(wParam) == EN_CHANGE) {
                UpdateMaskHint(dialog, kHint, false, false, false);
                return TRUE;
            }
            if (LOWORD(wParam) == IDC_MASK_CONTAINS) {
                UseContainsForm(dialog, kHint);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            return FALSE;
        }
    } catch (...) {
        // Only running out of memory gets here; the dialog ends as if cancelled.
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

NameDialogState& NameDialog()
{
    static NameDialogState state;
    return state;
}

INT_PTR ShowNameDialog(HINSTANCE instance, HWND owner, int resource)
{
    INT_PTR result = DialogBoxParamW(instance, MAKEINTRESOURCEW(resource), owner, NameDialogProc, 0);
    return result == IDOK ? IDOK : IDCANCEL;
}
