// The program's entry point: the common controls, then the main dialog from start to end.
#include "win32/ProcessLocks.h"
#include "win32/StringException.h"
#include "ui/CommandLine.h"
#include "ui/MainDlg.h"

#include <windows.h>
#include <commctrl.h>

namespace {

const wchar_t kUnknownErrorText[] = L"Unknown Error";

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
    } catch (const CStringException&) {
        ShowError(ExceptionText(kUnknownErrorText));
    } catch (...) {
        // A thrown wide text too: only the program's own exception has a text to show here.
        ShowError(kUnknownErrorText);
    }
    return 1;
}
