// RunWithProgress: a piece of work on a thread of its own, while a small modal
// window shows its progress and offers Cancel.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>

// What the work sees of the window. The work runs on its own thread: it
// reports with Progress, which only posts to the window, and asks Cancelled
// often enough to end soon after Cancel is pressed.
class CProgressReport {
public:
    explicit CProgressReport(HWND window) : m_window(window) {}
    void Progress(int percent);
    bool Cancelled() const { return m_cancelled.load(std::memory_order_acquire); }
    void Cancel() { m_cancelled.store(true, std::memory_order_release); }

private:
    HWND m_window;
    std::atomic<bool> m_cancelled{false};
};

// The window's class name, for those who look for it.
inline const wchar_t kProgressWindowClass[] = L"TilvoProgress";

// Disables `owner`, shows the window titled `caption` with `text` above the
// bar, runs `work` and keeps the user-interface thread answering messages
// until the work has returned. False only when the window or the thread
// cannot be made (the work has then not run). A WM_QUIT that arrives on the
// way cancels the work and is posted again once it has ended.
bool RunWithProgress(HWND owner, const std::wstring& caption, const std::wstring& text,
                     const std::function<void(CProgressReport&)>& work);
