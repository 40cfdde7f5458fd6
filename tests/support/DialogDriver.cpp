// CDialogDriver: the timer that finds this thread's new dialogs and hands them to the handlers.
#include "tests/support/DialogDriver.h"

#include "tests/support/Wait.h"
#include "tests/support/Windows.h"

#include <algorithm>

namespace {

CDialogDriver* g_driver = nullptr;

BOOL CALLBACK CollectDialog(HWND window, LPARAM parameter)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (lstrcmpW(name, kDialogClass) == 0 && IsWindowVisible(window))
        reinterpret_cast<std::vector<HWND>*>(parameter)->push_back(window);
    return TRUE;
}

void Cancel(HWND dialog)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

} // namespace

CDialogDriver::CDialogDriver(std::vector<Handler> handlers) : m_handlers(std::move(handlers))
{
    g_driver = this;
    m_timer = SetTimer(nullptr, 0, 30, &CDialogDriver::OnTimer);
}

CDialogDriver::~CDialogDriver()
{
    KillTimer(nullptr, m_timer);
    g_driver = nullptr;
}

void CALLBACK CDialogDriver::OnTimer(HWND, UINT, UINT_PTR, DWORD)
{
    if (g_driver)
        g_driver->Poll();
}

void CDialogDriver::Poll()
{
    m_handled.erase(std::remove_if(m_handled.begin(), m_handled.end(),
                                   [](const Handled& h) { return !IsWindow(h.window); }),
                    m_handled.end());
    const DWORD now = GetTickCount();
    for (Handled& h : m_handled) {
        if (now - h.since > kWaitLimit) {
            m_seen.push_back({L"(still open)", L"", true});
            Cancel(h.window);
            h.since = now;
        }
    }
    std::vector<HWND> dialogs;
    EnumThreadWindows(GetCurrentThreadId(), &CollectDialog, reinterpret_cast<LPARAM>(&dialogs));
    for (HWND dialog : dialogs) {
        if (std::any_of(m_handled.begin(), m_handled.end(),
                        [dialog](const Handled& h) { return h.window == dialog; }))
            continue;
        m_handled.push_back({dialog, now});
        const BoxInfo box = ReadBox(dialog);
        SeenDialog seen{box.caption, box.text, m_next >= m_handlers.size()};
        m_seen.push_back(seen);
        if (seen.unexpected)
            Cancel(dialog);
        else
            m_handlers[m_next++](dialog);
    }
}

CDialogDriver::Handler PressButton(int id)
{
    return [id](HWND dialog) { PressButton(dialog, id); };
}
