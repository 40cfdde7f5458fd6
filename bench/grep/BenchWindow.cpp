// The benchmark's receiver of the worker's notices, and the prober that times the dialog's answers.
#include "bench/grep/BenchWindow.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>
#include <vector>

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
        g_receiver.run->completed = FinishedEnd(static_cast<int>(wParam)) == GrepEnd::Completed;
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

double Milliseconds(const LARGE_INTEGER& from)
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

// The notices are sent, not posted: GetMessage would deliver them and go on
// waiting, so wait for any input (or a moment) and deliver it by peeking.
void DeliverUntil(const std::function<bool()>& done)
{
    while (!done()) {
        MsgWaitForMultipleObjectsEx(0, nullptr, 10, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

} // namespace

BenchRun RunThroughWindow(const CGrepParams& params)
{
    static HWND dialog = MakeWindow();
    static HWND status = MakeWindow();
    BenchRun run;
    g_receiver.run = &run;
    g_receiver.finished = false;
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    if (!CGrepThread::Start(params, dialog, status)) {
        run.lastText = L"Unable to start Grep thread!";
        return run;
    }
    // Another thread asks the dialog window something every 10 ms, as a click
    // would, and keeps how long each answer took while the run goes on.
    std::atomic<bool> probing{true}, probed{false};
    std::vector<double> answers;
    std::thread prober([&] {
        for (; probing; Sleep(10)) {
            LARGE_INTEGER sent;
            QueryPerformanceCounter(&sent);
            if (SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 60000, nullptr))
                answers.push_back(Milliseconds(sent));
        }
        probed = true;
    });
    DeliverUntil([] { return g_receiver.finished; });
    run.seconds = Milliseconds(start) / 1000.0;
    probing = false;
    DeliverUntil([&] { return probed.load(); });   // its last probe may wait for this thread
    prober.join();
    std::sort(answers.begin(), answers.end());
    if (!answers.empty()) {
        run.answerMedianMs = answers[answers.size() / 2];
        run.answerWorstMs = answers.back();
    }
    while (CGrepThread::IsRunning())
        Sleep(1);
    run.progressReports -= 1;   // the last text is the completion text
    g_receiver.run = nullptr;
    return run;
}
