// CGoToLineDialog: reads and checks the line number.
#include "viewer/GoToLineDialog.h"

#include "resources/resource.h"

#include <cwchar>

namespace {

const wchar_t kBadNumberText[] = L"Enter a line number from 1 on.";
// 18 digits always fit a 64-bit line number.
constexpr int kDigitLimit = 18;

} // namespace

INT_PTR CGoToLineDialog::Show(HINSTANCE instance, HWND owner)
{
    return DoModal(instance, IDD_GO_TO_LINE, owner) == IDOK ? IDOK : IDCANCEL;
}

BOOL CGoToLineDialog::OnInitDialog()
{
    SendDlgItemMessageW(m_window, IDC_LINE_NUMBER, EM_LIMITTEXT, kDigitLimit, 0);
    return TRUE;
}

BOOL CGoToLineDialog::OnCommand(int id, int code)
{
    if (id != IDOK)
        return CDialog::OnCommand(id, code);
    OnOk();
    return TRUE;
}

void CGoToLineDialog::OnOk()
{
    wchar_t text[32] = {};
    GetDlgItemTextW(m_window, IDC_LINE_NUMBER, text, 32);
    wchar_t* end = nullptr;
    const long long number = std::wcstoll(text, &end, 10);
    if (end == text || *end != L'\0' || number < 1) {
        MessageBoxW(m_window, kBadNumberText, kCaption, MB_ICONWARNING);
        return;
    }
    m_number = number;
    EndDialog(IDOK);
}
