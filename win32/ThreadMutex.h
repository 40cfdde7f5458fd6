// CThreadMutex: an unnamed operating-system mutex with Lock and Unlock.
#pragma once

#include <windows.h>

class CThreadMutex {
public:
    CThreadMutex();   // throws L"CThreadMutex::CThreadMutex: Failed to create mutex"
    ~CThreadMutex();
    CThreadMutex(const CThreadMutex&) = delete;
    CThreadMutex& operator=(const CThreadMutex&) = delete;

    // Waits without time-out; an abandoned mutex counts as a failure.
    bool Lock();
    bool Unlock();

private:
    HANDLE m_handle;
};
