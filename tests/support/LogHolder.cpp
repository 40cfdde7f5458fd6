// CLogHolder: starts tilvo_loghold with pipes for its input and output, and
// waits for an answer line after each command.
#include "tests/support/LogHolder.h"

#include "tests/support/Process.h"

CLogHolder::CLogHolder(const std::wstring& path, Sharing sharing)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE childIn = nullptr, childOut = nullptr;
    if (!CreatePipe(&childIn, &m_toHolder, &inherit, 0))
        return;
    if (!CreatePipe(&m_fromHolder, &childOut, &inherit, 0)) {
        CloseHandle(childIn);
        return;
    }
    SetHandleInformation(m_toHolder, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(m_fromHolder, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childIn;
    startup.hStdOutput = childOut;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    std::wstring command = L"\"" + WinePath(TILVO_LOGHOLD_EXE) + L"\" \"" + path + L"\" " +
                           (sharing == Sharing::ReadOnly ? L"read" : L"readwrite");
    const bool started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE,
                                        CREATE_NO_WINDOW, nullptr, nullptr, &startup, &m_process);
    CloseHandle(childIn);
    CloseHandle(childOut);
    // The pipe's end is the holder's end: a holder that failed to start or
    // died gives an empty answer instead of a hang.
    m_ready = started && ReadAnswer() == "ready";
}

CLogHolder::~CLogHolder()
{
    if (m_process.hProcess) {
        Command("q");
        WaitForSingleObject(m_process.hProcess, 60000);
        CloseHandle(m_process.hProcess);
        CloseHandle(m_process.hThread);
    }
    if (m_toHolder)
        CloseHandle(m_toHolder);
    if (m_fromHolder)
        CloseHandle(m_fromHolder);
}

bool CLogHolder::Append(const std::string& bytes)
{
    std::string escaped;
    for (char c : bytes) {
        if (c == '\n')
            escaped += "\\n";
        else
            escaped += c;
    }
    return Command("a " + escaped) && ReadAnswer() == "ok";
}

bool CLogHolder::Cut(long long size)
{
    return Command("t " + std::to_string(size)) && ReadAnswer() == "ok";
}

bool CLogHolder::Command(const std::string& command)
{
    const std::string line = command + "\n";
    DWORD written = 0;
    return WriteFile(m_toHolder, line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
           written == line.size();
}

std::string CLogHolder::ReadAnswer()
{
    std::string answer;
    char c = 0;
    DWORD got = 0;
    while (ReadFile(m_fromHolder, &c, 1, &got, nullptr) && got == 1 && c != '\n')
        answer += c;
    if (!answer.empty() && answer.back() == '\r')
        answer.pop_back();
    return answer;
}
