// CChildProcess and CTilvoProcess: starting a program, its pipes, its windows and its end.
#include "tests/support/Process.h"

#include "tests/support/Windows.h"

namespace {

std::string Narrow(const wchar_t* text)
{
    std::string narrow;
    for (; text && *text; ++text)
        narrow += static_cast<char>(*text);
    return narrow;
}

void CloseIfOpen(HANDLE& handle)
{
    if (handle)
        CloseHandle(handle);
    handle = nullptr;
}

// A pipe whose one end the child inherits; `ours` stays in this process only.
bool MakePipe(HANDLE& childEnd, HANDLE& ours, bool childReads)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, &inherit, 0))
        return false;
    childEnd = childReads ? read : write;
    ours = childReads ? write : read;
    SetHandleInformation(ours, HANDLE_FLAG_INHERIT, 0);
    return true;
}

} // namespace

CChildProcess::CChildProcess(std::wstring commandLine, Pipes pipes, const wchar_t* folder)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    HANDLE childIn = nullptr, childOut = nullptr;
    const bool piped = pipes != Pipes::None;
    if (piped) {
        if (!MakePipe(childOut, m_output, false))
            return;
        if (pipes == Pipes::InputAndOutput && !MakePipe(childIn, m_input, true)) {
            CloseIfOpen(childOut);
            return;
        }
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = childIn;
        startup.hStdOutput = childOut;
        startup.hStdError = pipes == Pipes::Output ? childOut : GetStdHandle(STD_ERROR_HANDLE);
    }
    PROCESS_INFORMATION info{};
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, piped,
                       piped ? CREATE_NO_WINDOW : 0, nullptr, folder, &startup, &info)) {
        CloseHandle(info.hThread);
        m_process = info.hProcess;
        m_id = info.dwProcessId;
    }
    // Only the child holds its ends now: a read sees the pipe end when the child does.
    CloseIfOpen(childIn);
    CloseIfOpen(childOut);
}

CChildProcess::~CChildProcess()
{
    // Closing its input first lets a child that reads commands see the end.
    CloseIfOpen(m_input);
    if (m_process) {
        if (WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT)
            TerminateProcess(m_process, 99);
        CloseHandle(m_process);
    }
    CloseIfOpen(m_output);
}

bool CChildProcess::Ended() const
{
    return m_process && WaitForSingleObject(m_process, 0) == WAIT_OBJECT_0;
}

DWORD CChildProcess::WaitForExit(DWORD limit)
{
    if (!m_process || !WaitForHandle("the program to end", m_process, limit))
        return STILL_ACTIVE;
    return ExitCode();
}

DWORD CChildProcess::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    if (m_process)
        GetExitCodeProcess(m_process, &code);
    return code;
}

void CChildProcess::Detach()
{
    CloseIfOpen(m_process);
}

std::string CChildProcess::ReadToEnd()
{
    std::string output;
    char chunk[4096];
    DWORD n = 0;
    while (m_output && ReadFile(m_output, chunk, sizeof chunk, &n, nullptr) && n > 0)
        output.append(chunk, n);
    return output;
}

std::string CChildProcess::ReadLine()
{
    std::string line;
    char c = 0;
    DWORD got = 0;
    while (m_output && ReadFile(m_output, &c, 1, &got, nullptr) && got == 1 && c != '\n')
        line += c;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

bool CChildProcess::WriteLine(const std::string& line)
{
    const std::string bytes = line + "\n";
    DWORD written = 0;
    return m_input &&
           WriteFile(m_input, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

std::string OutputOf(const std::wstring& commandLine)
{
    CChildProcess child(commandLine, CChildProcess::Pipes::Output);
    std::string output = child.ReadToEnd();
    child.WaitForExit();
    return output;
}

CTilvoProcess::CTilvoProcess(const std::wstring& exePath, const std::wstring& folder)
    : CChildProcess(L"\"" + exePath + L"\"", Pipes::None, folder.c_str())
{
}

HWND CTilvoProcess::FindWindowNow(const wchar_t* className, const wchar_t* caption, HWND except) const
{
    WindowQuery query;
    query.process = Id();
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
