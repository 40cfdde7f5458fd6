// CStalledThread: a window on a thread that takes no message sent to it until
// released, for a sender that must be stuck where no cancel can reach it.
#pragma once

#include <windows.h>

#include <thread>

class CStalledThread {
public:
    CStalledThread();
    ~CStalledThread();
    CStalledThread(const CStalledThread&) = delete;
    CStalledThread& operator=(const CStalledThread&) = delete;

    HWND Window() const { return m_window; }
    // Waits until a message sent to the window is waiting for this thread.
    bool WaitForSentMessage();
    // From now on the thread delivers what is sent to it, until it is destroyed.
    void Release() { SetEvent(m_release); }

private:
    void Serve();
    HANDLE m_ready;
    HANDLE m_sent;
    HANDLE m_release;
    HANDLE m_quit;
    HWND m_window = nullptr;
    std::thread m_thread;
};
