// CLogHolder: tilvo_loghold with pipes for its input and output, and an
// answer line awaited after each command.
#include "tests/support/LogHolder.h"

CLogHolder::CLogHolder(const std::wstring& path, Sharing sharing)
    : m_holder(L"\"" + WinePath(TILVO_LOGHOLD_EXE) + L"\" \"" + path + L"\" " +
                   (sharing == Sharing::ReadOnly ? L"read" : L"readwrite"),
               CChildProcess::Pipes::InputAndOutput)
{
    // The pipe's end is the holder's end: a holder that failed to start or
    // died gives an empty answer instead of a hang.
    m_ready = m_holder.Started() && m_holder.ReadLine() == "ready";
}

CLogHolder::~CLogHolder()
{
    if (m_holder.Started() && m_holder.WriteLine("q"))
        m_holder.WaitForExit();
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
    return m_holder.WriteLine("a " + escaped) && m_holder.ReadLine() == "ok";
}

bool CLogHolder::Cut(long long size)
{
    return m_holder.WriteLine("t " + std::to_string(size)) && m_holder.ReadLine() == "ok";
}
