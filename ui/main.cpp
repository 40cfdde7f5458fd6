// The program's entry point.
#include "engine/ProcessLocks.h"
#include "engine/StringException.h"

#include <windows.h>
#include <commctrl.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    try {
        RunLock();
        TextLock();
        InitCommonControls();
        (void)instance;
        MessageBoxW(nullptr, L"Tilvo", L"Tilvo", MB_OK);
        return 0;
    } catch (const CStringException& e) {
        MessageBoxW(nullptr, e.ToString(), L"Error", MB_OK | MB_ICONERROR);
    } catch (...) {
        MessageBoxW(nullptr, L"Unknown Error", L"Error", MB_OK | MB_ICONERROR);
    }
    return 1;
}
