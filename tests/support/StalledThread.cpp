// CStalledThread: woken by a sent message, it notes it without taking it, then
// waits for its release.
#include "tests/support/StalledThread.h"

#include "tests/support/Wait.h"

CStalledThread::CStalledThread()
    : m_ready(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_sent(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_release(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_quit(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_thread([this] { Serve(); })
{
    WaitForHandle("the stalled thread's window", m_ready);
}

CStalledThread::~CStalledThread()
{
    SetEvent(m_release);
    SetEvent(m_quit);
    m_thread.join();
    for (HANDLE event : {m_ready, m_sent, m_release, m_quit})
        CloseHandle(event);
}

bool CStalledThread::WaitForSentMessage()
{
    return WaitForHandle("a message sent to the stalled thread", m_sent);
}

void CStalledThread::Serve()
{
    m_window = CreateWindowExW(0, L"Static", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                               nullptr);
    SetEvent(m_ready);
    // MsgWaitForMultipleObjects wakes for a sent message without delivering it.
    if (MsgWaitForMultipleObjects(1, &m_release, FALSE, kWaitLimit, QS_SENDMESSAGE) ==
        WAIT_OBJECT_0 + 1)
        SetEvent(m_sent);
    WaitForSingleObject(m_release, INFINITE);
    while (MsgWaitForMultipleObjects(1, &m_quit, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0)
        PumpMessages();
    DestroyWindow(m_window);
}
