// CHandle and CFileHandle: owners of one kernel handle each, closed once with CloseHandle.
#pragma once

#include <windows.h>

#include <utility>

// The two families differ only in the value that means "no handle": CreateThread, CreateEventW
// and CreateMutexW fail with null, CreateFileW with INVALID_HANDLE_VALUE. Keeping the family in
// the type means a failed open is never closed and a null file handle is never taken for one.
template <HANDLE (*None)()>
class CBasicHandle {
public:
    CBasicHandle() = default;
    explicit CBasicHandle(HANDLE handle) : m_handle(handle) {}
    ~CBasicHandle() { Close(); }
    CBasicHandle(const CBasicHandle&) = delete;
    CBasicHandle& operator=(const CBasicHandle&) = delete;

    HANDLE Get() const { return m_handle; }
    bool IsOpen() const { return m_handle != None(); }
    void Reset(HANDLE handle)
    {
        Close();
        m_handle = handle;
    }
    void Close()
    {
        if (IsOpen())
            CloseHandle(m_handle);
        m_handle = None();
    }

private:
    HANDLE m_handle = None();
};

inline HANDLE NoKernelHandle() { return nullptr; }
inline HANDLE NoFileHandle() { return INVALID_HANDLE_VALUE; }

// Threads, events, mutexes.
using CHandle = CBasicHandle<&NoKernelHandle>;
// Files from CreateFileW.
using CFileHandle = CBasicHandle<&NoFileHandle>;
