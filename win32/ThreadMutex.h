// CThreadMutex: an unnamed operating-system mutex with Lock and Unlock; CMutexLock holds one for a scope.
#pragma once

#include "win32/Handle.h"

class CThreadMutex {
public:
    CThreadMutex();   // throws L"CThreadMutex::CThreadMutex: Failed to create mutex"
    ~CThreadMutex() = default;
    CThreadMutex(const CThreadMutex&) = delete;
    CThreadMutex& operator=(const CThreadMutex&) = delete;

    // Waits without time-out; an abandoned mutex counts as a failure.
    bool Lock();
    bool Unlock();

private:
    CHandle m_handle;
};

// Takes the mutex on construction and gives it back at the end of the scope, also when an
// exception leaves it. A destructor cannot report a failed release, so a caller that must
// throw on one calls Unlock itself, which leaves the destructor nothing to do.
class CMutexLock {
public:
    explicit CMutexLock(CThreadMutex& mutex) : m_mutex(mutex), m_held(mutex.Lock()) {}
    ~CMutexLock()
    {
        if (m_held)
            m_mutex.Unlock();
    }
    CMutexLock(const CMutexLock&) = delete;
    CMutexLock& operator=(const CMutexLock&) = delete;

    // Whether the wait succeeded.
    bool Held() const { return m_held; }
    // The release, its failure told to the caller.
    bool Unlock()
    {
        m_held = false;
        return m_mutex.Unlock();
    }

private:
    CThreadMutex& m_mutex;
    bool m_held;
};
