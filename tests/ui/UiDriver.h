// Drives real dialogs from a test: a user-interface thread, work run on it, and its modal boxes found and answered.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <string>
#include <vector>

// A thread that runs `body` (typically: construct the main dialog and Run it) with a hidden
// helper window, through which the test runs code on that thread inside whatever modal loop
// is active there.
class CUiThread {
public:
    explicit CUiThread(std::function<void()> body);
    ~CUiThread();
    CUiThread(const CUiThread&) = delete;
    CUiThread& operator=(const CUiThread&) = delete;

    DWORD Id() const { return threadId; }
    // Runs `work` on the thread and waits for it. `work` must not open a modal window.
    void Invoke(const std::function<void()>& work);
    // Queues `work` behind everything posted so far and returns at once.
    void Post(std::function<void()> work);
    // Waits until everything posted so far (commands, keys, work) has been handled, or a modal
    // window opened by one of them is waiting for an answer.
    void Settle();
    // Waits for the body to return; false on time-out.
    bool Join(DWORD timeoutMs = 20000);
    bool Finished() const;
    // What the body threw, if anything.
    std::exception_ptr Error() const { return error; }

private:
    static DWORD WINAPI Main(LPVOID self);
    static LRESULT CALLBACK HelperProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    std::function<void()> body;
    HANDLE thread = nullptr;
    HANDLE ready = nullptr;
    DWORD threadId = 0;
    HWND helper = nullptr;
    std::exception_ptr error;
};

enum class BoxIcon { None, Error, Warning, Question, Information, Other };

// A modal dialog box found on the user-interface thread.
struct BoxInfo {
    HWND window = nullptr;
    std::wstring caption;
    std::wstring text;   // a message box's text; empty for other dialogs
    BoxIcon icon = BoxIcon::None;
};

// The enabled, visible dialog box of the thread other than `except` (the newest modal one:
// opening a modal box disables its owner). Null window when there is none.
BoxInfo FindBox(DWORD threadId, HWND except);
// Waits for such a box; a null window after the time-out.
BoxInfo WaitForBox(DWORD threadId, HWND except, DWORD timeoutMs = 15000);
// Presses a button of a box (IDOK, IDYES, ...) and waits until the box has gone.
bool PressButton(HWND box, int id, DWORD timeoutMs = 15000);
// Types a text into a control of a box.
void SetControlText(HWND box, int id, const std::wstring& text);
std::wstring ControlText(HWND window);

// Polls `done` (on the test thread) until it holds; false after the time-out.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = 15000);

// Saves the screen area of a window as a 24-bit BMP file.
bool SaveWindowImage(HWND window, const std::wstring& path);
