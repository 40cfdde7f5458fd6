// The benchmark's receiver of the worker's notices.
#include "bench/grep/BenchWindow.h"

namespace {

struct CReceiver {
    BenchRun* run = nullptr;
    bool finished = false;
};

CReceiver g_receiver;

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETTEXT && g_receiver.run) {
        g_receiver.run->lastText = reinterpret_cast<const wchar_t*>(lParam);
        ++g_receiver.run->progressReports;
    } else if (message == WM_RUN_FINISHED && g_receiver.run) {
        g_receiver.run->completed = wParam == 1;
        g_receiver.finished = true;
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND MakeWindow()
{
    static const wchar_t kClass[] = L"TilvoBenchWindow";
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kClass;
    RegisterClassExW(&wc);
    return CreateWindowExW(0, kClass, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                           wc.hInstance, nullptr);
}

} // namespace

BenchRun RunThroughWindow(const CGrepParams& params)
{
    static HWND dialog = MakeWindow();
    static HWND status = MakeWindow();
    BenchRun run;
    g_receiver.run = &run;
    g_receiver.finished = false;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (!CGrepThread::Start(params, dialog, status)) {
        run.lastText = L"Unable to start Grep thread!";
        return run;
    }
    // The notices are sent, not posted: GetMessage would deliver them and go
    // on waiting, so wait for any input and deliver it by peeking.
    while (!g_receiver.finished) {
        MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    QueryPerformanceCounter(&end);
    while (CGrepThread::IsRunning())
        Sleep(1);
    run.seconds = static_cast<double>(end.QuadPart - start.QuadPart) /
                  static_cast<double>(frequency.QuadPart);
    run.progressReports -= 1;   // the last text is the completion text
    g_receiver.run = nullptr;
    return run;
}
