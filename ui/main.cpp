// The program's entry point: the common controls, then the main dialog from start to end.
#include "engine/ProcessLocks.h"
#include "engine/StringException.h"
#include "ui/CommandLine.h"
#include "ui/MainDlg.h"

#include <windows.h>
#include <commctrl.h>

namespace {

void ShowError(const wchar_t* text)
{
    MessageBoxW(nullptr, text, L"Error", MB_OK | MB_ICONERROR);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    try {
        // Both process-wide locks exist before any window does, so failing to make them ends
        // the program before anything is loaded or saved.
        RunLock();
        TextLock();
        InitCommonControls();
        CMainDlg dialog(instance);
        dialog.SetStartFile(LogPathFromCommandLine(GetCommandLineW()));
        dialog.Run();
        return 0;
    } catch (const CStringException& e) {
        const wchar_t* text = e.What();
        try {
            text = e.ToString();
        } catch (...) {
            // The shared text lock failed; the message alone still says what went wrong.
        }
        ShowError(text);
    } catch (...) {
        ShowError(L"Unknown Error");
    }
    return 1;
}
