// CUiThread: a user-interface thread for in-process dialog tests, with work run inside its modal loops.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>

// A thread that runs `body` (typically: construct the main dialog and Run it) with a hidden
// helper window, through which the test runs code on that thread inside whatever modal loop
// is active there.
class CUiThread {
public:
    explicit CUiThread(std::function<void()> body);
    ~CUiThread();
    CUiThread(const CUiThread&) = delete;
    CUiThread& operator=(const CUiThread&) = delete;

    DWORD Id() const { return m_threadId; }
    // Runs `work` on the thread and waits for it. `work` must not open a modal window.
    void Invoke(const std::function<void()>& work);
    // Queues `work` behind everything posted so far and returns at once.
    void Post(std::function<void()> work);
    // Waits until everything posted so far (commands, keys, work) has been handled, or a modal
    // window opened by one of them is waiting for an answer; fails the test when neither comes.
    void Settle();
    // Waits for the body to return.
    bool Join();
    bool Finished() const;
    // What the body threw, if anything.
    std::exception_ptr Error() const { return m_error; }

private:
    static DWORD WINAPI Main(LPVOID self);
    static LRESULT CALLBACK HelperProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    std::function<void()> m_body;
    HANDLE m_thread = nullptr;
    HANDLE m_ready = nullptr;
    DWORD m_threadId = 0;
    HWND m_helper = nullptr;
    std::exception_ptr m_error;
};
