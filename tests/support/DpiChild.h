// Running a test again at another DPI: wine reads LogPixels when a process
// starts, so a test checks its windows at 144 DPI in a child of its own.
#pragma once

#include <windows.h>

// LogPixels of HKEY_CURRENT_USER\Control Panel\Desktop for as long as it
// lives; what was there before comes back.
class CLogPixels {
public:
    explicit CLogPixels(DWORD dpi);
    ~CLogPixels();
    CLogPixels(const CLogPixels&) = delete;
    CLogPixels& operator=(const CLogPixels&) = delete;
    bool Set() const { return m_set; }

private:
    bool m_had = false;
    bool m_set = false;
    DWORD m_before = 0;
};

// Runs the test named `test` of this executable again in a new process, with
// the environment variable `name` holding the DPI; its exit code, or -1.
DWORD RunTestAtDpi(int dpi, const char* test, const wchar_t* name);
// The DPI a parent gave this process through `name`; 0 in the parent.
int ChildDpi(const wchar_t* name);
