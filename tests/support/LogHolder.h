// CLogHolder: a second process (tilvo_loghold) that holds a log open for
// writing, as the service writing a live log does, and changes it on request.
#pragma once

#include "tests/support/Process.h"

#include <string>

class CLogHolder {
public:
    enum class Sharing { ReadWrite, ReadOnly };   // what the holder lets others do

    // Starts the holder on an existing file and waits until it has the file
    // open; Ready() says whether it has.
    CLogHolder(const std::wstring& path, Sharing sharing);
    ~CLogHolder();
    CLogHolder(const CLogHolder&) = delete;
    CLogHolder& operator=(const CLogHolder&) = delete;

    bool Ready() const { return m_ready; }
    // Each returns once the change is in the file; false when it failed.
    bool Append(const std::string& bytes);
    bool Cut(long long size);

private:
    CChildProcess m_holder;
    bool m_ready = false;
};
