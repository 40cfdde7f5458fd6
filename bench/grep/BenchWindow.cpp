// The benchmark's receiver of the worker's notices, and the prober that times the dialog's answers.
#include "bench/grep/BenchWindow.h"

#include <algorithm>
#include <atomic>
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

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

// Asks the dialog window something every few milliseconds from another thread, as a user's
// click would, and keeps how long each answer took while the run goes on.
class CProber {
public:
    explicit CProber(HWND dialog)
        : m_thread([this, dialog] {
              while (!m_done.load()) {
                  LARGE_INTEGER sent, answered;
                  QueryPerformanceCounter(&sent);
                  DWORD_PTR ignored = 0;
                  if (SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &ignored)) {
                      QueryPerformanceCounter(&answered);
                      m_answers.push_back(Milliseconds(sent, answered));
                  }
                  Sleep(10);
              }
              m_ended = true;
          })
    {
    }
    // Ends the probes; the median and the slowest answer.
    void Finish(BenchRun& run)
    {
        m_done = true;
        // A probe may be waiting for this thread's answer: keep answering until the prober ends.
        while (!m_ended.load()) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&msg);
            Sleep(1);
        }
        m_thread.join();
        if (m_answers.empty())
            return;
        std::sort(m_answers.begin(), m_answers.end());
        run.answerMedianMs = m_answers[m_answers.size() / 2];
        run.answerWorstMs = m_answers.back();
    }

private:
    std::atomic<bool> m_done{false};
    std::atomic<bool> m_ended{false};
    std::vector<double> m_answers;
    std::thread m_thread;
};

} // namespace

BenchRun RunThroughWindow(const CGrepParams& params)
{
    static HWND dialog = MakeWindow();
    static HWND status = MakeWindow();
    BenchRun run;
    g_receiver.run = &run;
    g_receiver.finished = false;
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    if (!CGrepThread::Start(params, dialog, status)) {
        run.lastText = L"Unable to start Grep thread!";
        return run;
    }
    CProber prober(dialog);
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
    prober.Finish(run);
    while (CGrepThread::IsRunning())
        Sleep(1);
    run.seconds = Milliseconds(start, end) / 1000.0;
    run.progressReports -= 1;   // the last text is the completion text
    g_receiver.run = nullptr;
    return run;
}
