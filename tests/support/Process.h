// CChildProcess: a program a test starts, with pipes to its input and output when asked;
// CTilvoProcess: one the test drives from outside through its windows.
#pragma once

#include "tests/support/Wait.h"

#include <windows.h>

#include <string>

class CChildProcess {
public:
    // None: the child shares this process's console and output, as a test run
    // again in a child does, so its failures are printed with the parent's.
    // Output: its output and errors come through one pipe (ReadToEnd).
    // InputAndOutput: it reads lines from WriteLine and answers through ReadLine;
    // its errors go to this process's.
    enum class Pipes { None, Output, InputAndOutput };

    // Starts the command line (the program's path first, quoted); `folder`
    // null keeps this process's current folder.
    explicit CChildProcess(std::wstring commandLine, Pipes pipes = Pipes::None,
                           const wchar_t* folder = nullptr);
    ~CChildProcess();   // ends the program if it still runs
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    bool Started() const { return m_process != nullptr; }
    DWORD Id() const { return m_id; }
    bool Ended() const;
    // Waits for the program to end and gives its exit code; STILL_ACTIVE
    // after a wait that failed the test, or when it never started.
    DWORD WaitForExit(DWORD limit = kWaitLimit);
    // The exit code of a program that has ended (Ended()).
    DWORD ExitCode() const;
    // Lets the program run on after this object: for a Linux program, whose end wine never
    // signals, so that the caller waits for its effect instead.
    void Detach();

    // Everything the program writes until it ends; the pipe's end is the program's.
    std::string ReadToEnd();
    // One line without its line end; empty when the program ended first.
    std::string ReadLine();
    bool WriteLine(const std::string& line);

private:
    HANDLE m_process = nullptr;
    DWORD m_id = 0;
    HANDLE m_input = nullptr;    // our end of the child's input
    HANDLE m_output = nullptr;   // our end of the child's output
};

// The program's output when it has ended, or "" when it could not start.
std::string OutputOf(const std::wstring& commandLine);

class CTilvoProcess : public CChildProcess {
public:
    // Starts the executable with `folder` as its current folder.
    CTilvoProcess(const std::wstring& exePath, const std::wstring& folder);

    // A visible top-level window of the program with this class and caption (null: any).
    HWND FindWindowNow(const wchar_t* className, const wchar_t* caption, HWND except = nullptr) const;
    // Waits for one; fails the test at the wait when none comes.
    HWND WaitForWindow(const wchar_t* className, const wchar_t* caption, HWND except = nullptr) const;
};

// A Linux path of the build as a path wine's programs can open.
std::wstring WinePath(const char* unixPath);
