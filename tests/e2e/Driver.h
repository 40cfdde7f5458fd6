// Drives a running tilvo.exe from outside, as a person would: only window
// messages to the dialog templates' control ids, and memory placed in the
// program for the list view's item messages.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>

class CTilvoProcess {
public:
    // Starts the executable with its folder as the current folder.
    CTilvoProcess(const std::wstring& exePath, const std::wstring& folder);
    ~CTilvoProcess();   // ends the program if it still runs
    CTilvoProcess(const CTilvoProcess&) = delete;
    CTilvoProcess& operator=(const CTilvoProcess&) = delete;

    bool Started() const { return m_process != nullptr; }
    DWORD Id() const { return m_id; }
    // Waits for the program to end; its exit code, or STILL_ACTIVE on time-out.
    DWORD WaitForExit(DWORD milliseconds);

    // A visible top-level window of the program with this class (and caption,
    // when not null); null on time-out.
    HWND WaitForWindow(const wchar_t* className, const wchar_t* caption, DWORD milliseconds,
                       HWND excluding = nullptr) const;
    HWND FindWindowNow(const wchar_t* className, const wchar_t* caption, HWND excluding = nullptr) const;

    // List-view items of a control in the program.
    int ItemCount(HWND list) const;
    std::wstring ItemText(HWND list, int index) const;
    bool ItemChecked(HWND list, int index) const;
    bool SetItemChecked(HWND list, int index, bool checked) const;
    bool SelectItem(HWND list, int index) const;

private:
    HANDLE m_process = nullptr;
    DWORD m_id = 0;
};

std::wstring WindowText(HWND window);
std::wstring ItemTextOf(HWND dialog, int id);
// The text of a message box (its static text control).
std::wstring MessageBoxText(HWND box);
// Presses a dialog button the way a click does, without waiting for the handler.
void PressButton(HWND dialog, int id);
void SetItemTextOf(HWND dialog, int id, const std::wstring& text);
// Runs until `done` is true or the time is up; true when done.
template <typename F>
bool WaitUntil(F done, DWORD milliseconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        Sleep(20);
    }
    return true;
}
// A Linux path of the build as a path wine's programs can open.
std::wstring WinePath(const char* unixPath);
// Saves what the screen shows of a window (with whatever lies over it) as a
// 24-bit BMP file; false when it cannot.
bool CaptureWindow(HWND window, const std::wstring& path);
// The clipboard's Unicode text.
std::wstring ClipboardText();
