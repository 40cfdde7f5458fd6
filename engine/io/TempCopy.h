// CTempCopy: a file of this process in the temporary folder (a decompressed
// log being viewed), removed when it goes, and the leftovers of killed runs.
#pragma once

#include "win32/Handle.h"

#include <string>

// The file is named "Tilvo-<process id>-<number>-<name>", and this process
// holds it open without sharing deletion for its whole life: another running
// instance cannot remove it, whatever its clean-up finds.
class CTempCopy {
public:
    CTempCopy() = default;
    ~CTempCopy();
    CTempCopy(const CTempCopy&) = delete;
    CTempCopy& operator=(const CTempCopy&) = delete;

    // A new empty file in `folder` (ending in a backslash) named after `name`.
    // False with the system's error code in `error` when it cannot be made.
    bool Create(const std::wstring& folder, const std::wstring& name, DWORD& error);
    const std::wstring& Path() const { return m_path; }
    // Open for reading and writing; readers share writing with it.
    HANDLE Handle() const { return m_file.Get(); }

private:
    CFileHandle m_file;
    std::wstring m_path;
};

// The user's temporary folder, ending in a backslash.
std::wstring TempFolder();
// Removes the copies in `folder` that no running process owns: the ones left
// when an instance was killed. Returns how many went.
int RemoveLeftoverCopies(const std::wstring& folder);
