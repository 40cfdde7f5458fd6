// The progress window: a popup with a label, a bar and a Cancel button, and
// the modal loop that lasts as long as its work.
#include "win32/ProgressWindow.h"

#include "win32/Dpi.h"
#include "win32/Handle.h"

#include <commctrl.h>

namespace {

constexpr UINT WM_WORK_PROGRESS = WM_APP + 1;   // wParam: the percentage
constexpr UINT WM_WORK_DONE = WM_APP + 2;
constexpr int kBarId = 100;

// What the window procedure and the thread share with the loop.
struct CProgressState {
    const std::function<void(CProgressReport&)>* work = nullptr;
    CProgressReport* report = nullptr;
    HWND window = nullptr;
    bool done = false;
};

void OnCancel(CProgressState& state)
{
    state.report->Cancel();
    EnableWindow(GetDlgItem(state.window, IDCANCEL), FALSE);
}

LRESULT CALLBACK ProgressProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          LONG_PTR(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    auto* state = reinterpret_cast<CProgressState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!state)
        return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL)
            OnCancel(*state);
        return 0;
    case WM_CLOSE:
        // The close box asks what Cancel asks; the window goes when the work has ended.
        OnCancel(*state);
        return 0;
    case WM_WORK_PROGRESS:
        SendDlgItemMessageW(window, kBarId, PBM_SETPOS, wParam, 0);
        return 0;
    case WM_WORK_DONE:
        state->done = true;
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

DWORD WINAPI WorkThread(void* parameter)
{
    auto* state = static_cast<CProgressState*>(parameter);
    try {
        (*state->work)(*state->report);
    } catch (...) {
        // The work says its own failures; nothing may leave the thread.
    }
    PostMessageW(state->window, WM_WORK_DONE, 0, 0);
    return 0;
}

bool RegisterOnce(HINSTANCE instance)
{
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExW(instance, kProgressWindowClass, &existing))
        return true;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &ProgressProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kProgressWindowClass;
    return RegisterClassExW(&windowClass) != 0;
}

// The window centred on its owner (or the screen), its controls placed at its DPI.
HWND MakeWindow(HINSTANCE instance, HWND owner, const std::wstring& caption,
                const std::wstring& text, CProgressState& state)
{
    const int dpi = WindowDpi(owner);
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    RECT frame{0, 0, Scaled(360, dpi), Scaled(110, dpi)};
    AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME);
    RECT around{};
    if (!owner || !GetWindowRect(owner, &around))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &around, 0);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    HWND window = CreateWindowExW(
        WS_EX_DLGMODALFRAME, kProgressWindowClass, caption.c_str(), style,
        (around.left + around.right - width) / 2, (around.top + around.bottom - height) / 2, width,
        height, owner, nullptr, instance, &state);
    if (!window)
        return nullptr;
    const HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    const int margin = Scaled(12, dpi);
    const int inner = Scaled(360, dpi) - 2 * margin;
    HWND label = CreateWindowExW(0, L"STATIC", text.c_str(), WS_CHILD | WS_VISIBLE | SS_PATHELLIPSIS,
                                 margin, margin, inner, Scaled(16, dpi), window, nullptr, instance,
                                 nullptr);
    CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, margin, Scaled(34, dpi), inner,
                    Scaled(18, dpi), window, HMENU(INT_PTR(kBarId)), instance, nullptr);
    const int buttonWidth = Scaled(80, dpi);
    HWND cancel = CreateWindowExW(0, L"BUTTON", L"Cancel",
                                  WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                                  margin + inner - buttonWidth, Scaled(66, dpi), buttonWidth,
                                  Scaled(26, dpi), window, HMENU(INT_PTR(IDCANCEL)), instance,
                                  nullptr);
    for (HWND control : {label, cancel})
        SendMessageW(control, WM_SETFONT, WPARAM(font), FALSE);
    SendDlgItemMessageW(window, kBarId, PBM_SETRANGE32, 0, 100);
    return window;
}

}  // namespace

void CProgressReport::Progress(int percent)
{
    PostMessageW(m_window, WM_WORK_PROGRESS, WPARAM(percent), 0);
}

bool RunWithProgress(HWND owner, const std::wstring& caption, const std::wstring& text,
                     const std::function<void(CProgressReport&)>& work)
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!RegisterOnce(instance))
        return false;
    CProgressState state;
    state.work = &work;
    HWND window = MakeWindow(instance, owner, caption, text, state);
    if (!window)
        return false;
    CProgressReport report(window);
    state.report = &report;
    state.window = window;
    CHandle thread(CreateThread(nullptr, 0, &WorkThread, &state, 0, nullptr));
    if (!thread.IsOpen()) {
        DestroyWindow(window);
        return false;
    }
    const bool ownerEnabled = owner && IsWindowEnabled(owner);
    if (ownerEnabled)
        EnableWindow(owner, FALSE);
    ShowWindow(window, SW_SHOW);
    bool quit = false;
    int quitCode = 0;
    MSG message{};
    while (!state.done) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == -1) {
            report.Cancel();
            break;
        }
        if (got == 0) {
            quit = true;
            quitCode = int(message.wParam);
            report.Cancel();
            continue;
        }
        if (!IsDialogMessageW(window, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    // The work only posts to the window, so waiting for it cannot block it.
    WaitForSingleObject(thread.Get(), INFINITE);
    // The owner comes back before the window goes, so it takes the activation.
    if (ownerEnabled)
        EnableWindow(owner, TRUE);
    DestroyWindow(window);
    if (quit)
        PostQuitMessage(quitCode);
    return true;
}
