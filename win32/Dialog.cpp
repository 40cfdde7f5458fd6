// CDialog: the dialog procedure that binds the object, dispatches and stops exceptions.
#include "win32/Dialog.h"

#include <utility>

INT_PTR CDialog::DoModal(HINSTANCE instance, int resource, HWND owner)
{
    m_pendingException = nullptr;
    const INT_PTR ended = DialogBoxParamW(instance, MAKEINTRESOURCEW(resource), owner, &DialogProc,
                                          reinterpret_cast<LPARAM>(this));
    m_window = nullptr;
    if (m_pendingException)
        std::rethrow_exception(std::exchange(m_pendingException, nullptr));
    return ended;
}

BOOL CDialog::OnCommand(int id, int)
{
    if (id != IDCANCEL)
        return FALSE;
    EndDialog(IDCANCEL);
    return TRUE;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* bound = reinterpret_cast<CDialog*>(lParam);
        bound->m_window = window;
        SetWindowLongPtrW(window, DWLP_USER, lParam);
    }
    auto* self = reinterpret_cast<CDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    if (!self)
        return FALSE;
    try {
        return self->Dispatch(message, wParam, lParam);
    } catch (...) {
        // The first failure is the one to report; what follows while the dialog ends is its echo.
        if (!self->m_pendingException)
            self->m_pendingException = std::current_exception();
        ::EndDialog(window, -1);
        return TRUE;
    }
}

INT_PTR CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_NOTIFY:
        return OnNotify(reinterpret_cast<const NMHDR*>(lParam));
    case WM_SIZE:
        OnSize(LOWORD(lParam), HIWORD(lParam));
        return FALSE;
    case WM_CLOSE:
        return OnClose();
    default:
        return OnMessage(message, wParam, lParam);
    }
}
