// The taskbar button of a window: a run's progress on it, a flash to ask for attention.
#pragma once

#include <windows.h>

// The calls the program makes on the taskbar, behind one seam: Wine draws neither progress
// nor flashing, so tests put a recorder in the system's place.
class CTaskbar {
public:
    virtual ~CTaskbar() = default;
    // Percent 0 to 100 on the window's button, as ITaskbarList3 shows long work.
    virtual void ShowProgress(HWND window, int percent) = 0;
    virtual void ClearProgress(HWND window) = 0;
    // Flashes the button until the window comes to the front (FlashWindowEx).
    virtual void Flash(HWND window) = 0;
    // True when the window in front belongs to this program.
    virtual bool ProgramActive() = 0;
};

// The one the program uses: the system's, unless a test has put another in its place.
CTaskbar& AppTaskbar();
// Puts `taskbar` in the system's place; null puts the system's back.
void SetAppTaskbar(CTaskbar* taskbar);
