// CTilvoProcess: starting, finding the program's windows, and its end.
#include "tests/support/Process.h"

#include "tests/support/Wait.h"
#include "tests/support/Windows.h"

namespace {

std::string Narrow(const wchar_t* text)
{
    std::string narrow;
    for (; text && *text; ++text)
        narrow += static_cast<char>(*text);
    return narrow;
}

} // namespace

CTilvoProcess::CTilvoProcess(const std::wstring& exePath, const std::wstring& folder)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    std::wstring commandLine = L"\"" + exePath + L"\"";
    if (CreateProcessW(exePath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       folder.c_str(), &startup, &info)) {
        CloseHandle(info.hThread);
        m_process = info.hProcess;
        m_id = info.dwProcessId;
    }
}

CTilvoProcess::~CTilvoProcess()
{
    if (m_process) {
        if (WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT)
            TerminateProcess(m_process, 99);
        CloseHandle(m_process);
    }
}

DWORD CTilvoProcess::WaitForExit()
{
    DWORD code = STILL_ACTIVE;
    if (m_process && WaitForHandle("the program to end", m_process))
        GetExitCodeProcess(m_process, &code);
    return code;
}

HWND CTilvoProcess::FindWindowNow(const wchar_t* className, const wchar_t* caption, HWND except) const
{
    WindowQuery query;
    query.process = m_id;
    query.className = className;
    query.caption = caption;
    query.except = except;
    return ::FindWindowNow(query);
}

HWND CTilvoProcess::WaitForWindow(const wchar_t* className, const wchar_t* caption, HWND except) const
{
    HWND found = nullptr;
    WaitFor("a window of class " + Narrow(className) + (caption ? " captioned \"" + Narrow(caption) + "\"" : ""),
            [&] { return (found = FindWindowNow(className, caption, except)) != nullptr; });
    return found;
}

std::wstring WinePath(const char* unixPath)
{
    std::wstring path = L"Z:";
    for (const char* p = unixPath; *p; ++p)
        path += *p == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*p));
    return path;
}
