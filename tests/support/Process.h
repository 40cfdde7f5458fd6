// CTilvoProcess: a program the test starts and drives from outside through its windows.
#pragma once

#include <windows.h>

#include <string>

class CTilvoProcess {
public:
    // Starts the executable with `folder` as its current folder.
    CTilvoProcess(const std::wstring& exePath, const std::wstring& folder);
    ~CTilvoProcess();   // ends the program if it still runs
    CTilvoProcess(const CTilvoProcess&) = delete;
    CTilvoProcess& operator=(const CTilvoProcess&) = delete;

    bool Started() const { return m_process != nullptr; }
    DWORD Id() const { return m_id; }
    // Waits for the program to end and gives its exit code (STILL_ACTIVE after a failed wait).
    DWORD WaitForExit();

    // A visible top-level window of the program with this class and caption (null: any).
    HWND FindWindowNow(const wchar_t* className, const wchar_t* caption, HWND except = nullptr) const;
    // Waits for one; fails the test at the wait when none comes.
    HWND WaitForWindow(const wchar_t* className, const wchar_t* caption, HWND except = nullptr) const;

private:
    HANDLE m_process = nullptr;
    DWORD m_id = 0;
};

// A Linux path of the build as a path wine's programs can open.
std::wstring WinePath(const char* unixPath);
