// CDialogDriver: answers the dialogs a test's own thread opens, from inside their modal loops.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// A dialog (message box or any #32770 window) seen by CDialogDriver.
struct SeenDialog {
    std::wstring caption;
    std::wstring text;        // a message box's text
    bool unexpected = false;  // no handler was left: it was cancelled
};

// While it lives, a thread timer of this thread looks for new visible dialogs of this thread
// (modal loops dispatch the timer) and hands each, in order, to the next handler. A dialog with
// no handler left is closed with IDCANCEL and recorded as unexpected, and so is a handled one
// still open after the kit's wait limit, so a test never hangs on a box.
class CDialogDriver {
public:
    using Handler = std::function<void(HWND dialog)>;
    explicit CDialogDriver(std::vector<Handler> handlers = {});
    ~CDialogDriver();
    CDialogDriver(const CDialogDriver&) = delete;
    CDialogDriver& operator=(const CDialogDriver&) = delete;

    const std::vector<SeenDialog>& Seen() const { return m_seen; }
    size_t HandlersLeft() const { return m_handlers.size() - m_next; }

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
    void Poll();

    std::vector<Handler> m_handlers;
    size_t m_next = 0;
    std::vector<SeenDialog> m_seen;
    struct Handled {
        HWND window;
        DWORD since;
    };
    std::vector<Handled> m_handled;
    UINT_PTR m_timer = 0;
};

// The handler that presses a button of the dialog (IDOK, IDYES, IDNO, ...).
CDialogDriver::Handler PressButton(int id);
