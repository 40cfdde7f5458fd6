// CSilentPipe: the server end waits for its one client without blocking the test.
#include "tests/support/SilentPipe.h"

#include "tests/support/Wait.h"

#include <gtest/gtest.h>

CSilentPipe::CSilentPipe(const std::wstring& name)
    : m_path(L"\\\\.\\pipe\\tilvo-" + std::to_wstring(GetCurrentProcessId()) + L"-" + name)
{
    m_server = CreateNamedPipeW(m_path.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr);
    EXPECT_NE(m_server, INVALID_HANDLE_VALUE) << "CreateNamedPipeW " << GetLastError();
    m_connected = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_connect.hEvent = m_connected;
    if (m_server == INVALID_HANDLE_VALUE)
        return;
    if (ConnectNamedPipe(m_server, &m_connect))
        SetEvent(m_connected);
    else if (GetLastError() == ERROR_PIPE_CONNECTED)
        SetEvent(m_connected);
    else
        m_pending = GetLastError() == ERROR_IO_PENDING;
}

CSilentPipe::~CSilentPipe()
{
    if (m_server != INVALID_HANDLE_VALUE) {
        DWORD ignored = 0;
        if (m_pending && CancelIoEx(m_server, &m_connect))
            GetOverlappedResult(m_server, &m_connect, &ignored, TRUE);
        CloseHandle(m_server);
    }
    if (m_connected)
        CloseHandle(m_connected);
}

bool CSilentPipe::WaitForReader()
{
    return WaitForHandle("a reader to open the pipe", m_connected);
}
