// CSaveLock: one save of a settings file at a time among all running instances
// of the program, so that reading the file as it is now, merging and replacing
// it are not interleaved with another instance doing the same.
#pragma once

#include "win32/Handle.h"

#include <string>

class CSaveLock {
public:
    // Waits for the named lock of `path`; goes on without it when it cannot be
    // made or another instance holds it for too long (a save is never refused).
    explicit CSaveLock(const std::wstring& path);
    ~CSaveLock();
    CSaveLock(const CSaveLock&) = delete;
    CSaveLock& operator=(const CSaveLock&) = delete;

    bool Held() const { return m_held; }

private:
    CHandle m_mutex;
    bool m_held = false;
};

// The name of the lock of `path`: one for every spelling of one file.
std::wstring SaveLockName(const std::wstring& path);
