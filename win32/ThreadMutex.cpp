// CThreadMutex over CreateMutexW.
#include "win32/ThreadMutex.h"

CThreadMutex::CThreadMutex()
    : m_handle(CreateMutexW(nullptr, FALSE, nullptr))
{
    if (!m_handle.IsOpen())
        throw L"CThreadMutex::CThreadMutex: Failed to create mutex";
}

bool CThreadMutex::Lock()
{
    return WaitForSingleObject(m_handle.Get(), INFINITE) == WAIT_OBJECT_0;
}

bool CThreadMutex::Unlock()
{
    return ReleaseMutex(m_handle.Get()) != FALSE;
}
