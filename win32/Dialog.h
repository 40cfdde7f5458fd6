// CDialog: the one base of the program's dialogs, bound through the creation parameter.
#pragma once

#include <windows.h>

#include <exception>

// A dialog object passes itself to DialogBoxParamW; WM_INITDIALOG stores it in the window's
// DWLP_USER, and from then on the dialog procedure hands every message to the named handlers
// below. Messages that come before WM_INITDIALOG (WM_SETFONT, WM_GETMINMAXINFO of the creation)
// find no object and get FALSE, the system's default handling.
//
// No exception crosses the dialog procedure into the system's dialog code. The first one a
// handler lets go is kept, and the dialog ends with -1 at once; DoModal throws it again once
// DialogBoxParamW has returned, so it travels on to the caller's own boundary (a viewer's window
// procedure, the program's entry point), which turns it into the message the user sees.
class CDialog {
public:
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // The dialog's window while it is shown; null before and after.
    HWND Window() const { return m_window; }

protected:
    CDialog() = default;
    virtual ~CDialog() = default;

    // Shows dialog template `resource` modally and returns the code EndDialog ended it with,
    // or -1 when the dialog could not be created. Throws what a handler let go.
    INT_PTR DoModal(HINSTANCE instance, int resource, HWND owner);

    // The handlers; each returns what the dialog procedure returns for its message.
    virtual BOOL OnInitDialog() { return TRUE; }
    // The control id and the notification code. By default Cancel (and Esc) ends with IDCANCEL.
    virtual BOOL OnCommand(int id, int code);
    virtual BOOL OnNotify(const NMHDR*) { return FALSE; }
    virtual void OnSize(int /*width*/, int /*height*/) {}
    // FALSE lets the standard handling turn the close box into the Cancel command.
    virtual BOOL OnClose() { return FALSE; }
    // Every other message.
    virtual INT_PTR OnMessage(UINT /*message*/, WPARAM, LPARAM) { return FALSE; }

    void EndDialog(INT_PTR code) const { ::EndDialog(m_window, code); }
    HWND Item(int id) const { return GetDlgItem(m_window, id); }

    HWND m_window = nullptr;

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    std::exception_ptr m_pendingException;
};
