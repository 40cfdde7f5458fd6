// CSilentPipe: a named pipe nobody ever writes to, so a read of it waits for ever
// unless it is cancelled: the log of a hung network share, in a test.
#pragma once

#include <windows.h>

#include <string>

class CSilentPipe {
public:
    // A pipe of a name unique to this process and `name`.
    explicit CSilentPipe(const std::wstring& name);
    ~CSilentPipe();
    CSilentPipe(const CSilentPipe&) = delete;
    CSilentPipe& operator=(const CSilentPipe&) = delete;

    // The path a reader opens.
    const std::wstring& Path() const { return m_path; }
    // Waits until a reader has opened the pipe; fails the test at the wait when none does.
    bool WaitForReader();

private:
    std::wstring m_path;
    HANDLE m_server = INVALID_HANDLE_VALUE;
    HANDLE m_connected = nullptr;
    OVERLAPPED m_connect{};
    bool m_pending = false;
};
