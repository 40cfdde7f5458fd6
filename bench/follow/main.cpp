// bench_follow: following a live log through the real CGrepThread, with hidden
// windows standing in for the main dialog and its status line.
//   bench_follow delay FOLDER [APPENDS]     write-to-result delay of single appended matches
//   bench_follow idle FOLDER [SECONDS]      CPU time of the process following an idle log
//   bench_follow flood FOLDER [SECONDS]     a writer appending as fast as it can; the follower's pace
// Each prints readable lines and a line "RESULT <name> <value>..." for scripts.
#include "bench/BenchClock.h"
#include "engine/run/GrepRun.h"
#include "engine/run/GrepFollow.h"
#include "engine/run/GrepThread.h"
#include "resources/resource.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

// The hidden dialog: calls `onGrew` for each WM_RESULT_GREW.
class CBenchWindows {
public:
    CBenchWindows()
    {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &CBenchWindows::Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"TilvoFollowBench";
        RegisterClassExW(&wc);
        for (HWND* window : {&m_dialog, &m_status}) {
            *window = CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                      nullptr, wc.hInstance, nullptr);
            SetWindowLongPtrW(*window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        }
    }
    ~CBenchWindows()
    {
        if (CGrepThread::IsRunning())
            CGrepThread::Stop();
        DestroyWindow(m_dialog);
        DestroyWindow(m_status);
    }
    HWND Dialog() const { return m_dialog; }
    HWND Status() const { return m_status; }
    bool finished = false;
    std::function<void()> onGrew;

    // Delivers messages until `done` holds or `seconds` have passed.
    // `wakeMs`: how often `done` is asked between messages; long when the
    // bench's own wake-ups must not count in the process's CPU time.
    bool PumpUntil(const std::function<bool()>& done, double seconds, DWORD wakeMs = 5)
    {
        const double until = Now() + seconds;
        while (!done()) {
            if (Now() > until)
                return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, wakeMs, QS_ALLINPUT);
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&msg);
        }
        return true;
    }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<CBenchWindows*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self && message == WM_RESULT_GREW && self->onGrew)
            self->onGrew();
        if (self && message == WM_RUN_FINISHED)
            self->finished = true;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    HWND m_dialog = nullptr;
    HWND m_status = nullptr;
};

class CAppender {
public:
    explicit CAppender(const std::wstring& path)
        : m_file(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr))
    {
    }
    ~CAppender() { CloseHandle(m_file); }
    CAppender(const CAppender&) = delete;
    CAppender& operator=(const CAppender&) = delete;
    bool Append(const std::string& bytes)
    {
        DWORD written = 0;
        return WriteFile(m_file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
               written == bytes.size();
    }

private:
    HANDLE m_file;
};

std::string ReadFrom(const std::wstring& path, int64_t offset)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    LARGE_INTEGER to;
    to.QuadPart = offset;
    SetFilePointerEx(file, to, nullptr, FILE_BEGIN);
    std::string bytes;
    char block[65536];
    DWORD read = 0;
    while (ReadFile(file, block, sizeof block, &read, nullptr) && read)
        bytes.append(block, read);
    CloseHandle(file);
    return bytes;
}

std::string LogLines(int from, int count)
{
    std::string text;
    char line[160];
    for (int i = from; i < from + count; ++i) {
        std::snprintf(line, sizeof line,
                      i % 97 == 0 ? "2026-12-07 10:%02d:%02d.%03d [w%02d] ERROR: request %d failed: timeout\n"
                                  : "2026-12-07 10:%02d:%02d.%03d [w%02d] INFO:  request %d served in 12 ms\n",
                      i / 60000 % 60, i / 1000 % 60, i % 1000, i % 16, i);
        text += line;
    }
    return text;
}

// A completed run over the log, then following it.
bool StartFollowing(CBenchWindows& windows, const std::wstring& log, const std::wstring& result)
{
    CGrepParams params;
    params.logFile = log;
    params.resultFile = result;
    params.filters = CheckedFilters({L"*ERROR:*"});
    params.linesBefore = 2;
    params.linesAfter = 4;
    if (!CGrepThread::Start(params, windows.Dialog(), windows.Status()))
        return false;
    if (!windows.PumpUntil([&] { return windows.finished && !CGrepThread::IsRunning(); }, 600))
        return false;
    return CGrepThread::Follow(windows.Dialog(), windows.Status());
}

// A new log of `lines` lines, a run over it, and following started on it.
bool StartOnNewLog(CBenchWindows& windows, const std::wstring& log, const std::wstring& result,
                   int lines)
{
    DeleteFileW(log.c_str());
    {
        CAppender start(log);
        start.Append(LogLines(1, lines));
    }
    return StartFollowing(windows, log, result);
}

double Percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t at = static_cast<size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[at];
}

int Delay(const std::wstring& folder, int appends)
{
    const std::wstring log = folder + L"\\follow-delay.log";
    const std::wstring result = folder + L"\\follow-delay.greptmp";
    CBenchWindows windows;
    if (!StartOnNewLog(windows, log, result, 1000))
        return 1;
    std::vector<double> written(static_cast<size_t>(appends), 0);
    std::vector<double> seen(static_cast<size_t>(appends), 0);
    int64_t resultRead = 0;
    std::string pending;
    int found = 0;
    windows.onGrew = [&] {
        const double at = Now();
        pending += ReadFrom(result, resultRead);
        resultRead += static_cast<int64_t>(pending.size());
        size_t from = 0;
        for (size_t hit; (hit = pending.find("MARK ", from)) != std::string::npos; from = hit + 5) {
            const int n = std::atoi(pending.c_str() + hit + 5);
            if (n >= 0 && n < appends && seen[static_cast<size_t>(n)] == 0) {
                seen[static_cast<size_t>(n)] = at;
                ++found;
            }
        }
        const size_t lastEnd = pending.rfind('\n');
        pending = lastEnd == std::string::npos ? pending : pending.substr(lastEnd + 1);
    };
    std::atomic<bool> writing{true};
    std::thread writer([&] {
        CAppender out(log);
        for (int n = 0; n < appends; ++n) {
            // One match and a few ordinary lines, written at once.
            const std::string bytes =
                "2026-12-07 11:00:00.000 [w01] ERROR: MARK " + std::to_string(n) + "\n" + LogLines(n * 3, 3);
            written[static_cast<size_t>(n)] = Now();
            out.Append(bytes);
            Sleep(7 + static_cast<DWORD>(n % 7));   // irregular, as a service writes
        }
        writing = false;
    });
    const bool all = windows.PumpUntil([&] { return !writing && found == appends; }, 600);
    writer.join();
    CGrepThread::Stop();
    if (!all) {
        std::printf("only %d of %d appends reached the result\n", found, appends);
        return 1;
    }
    std::vector<double> delays;
    for (int n = 0; n < appends; ++n)
        delays.push_back((seen[static_cast<size_t>(n)] - written[static_cast<size_t>(n)]) * 1000);
    const double median = Percentile(delays, 0.5);
    const double p99 = Percentile(delays, 0.99);
    const double worst = *std::max_element(delays.begin(), delays.end());
    std::printf("write-to-result delay over %d appends: median %.1f ms, 99th percentile %.1f ms, worst %.1f ms "
                "(looks at the log every %d ms)\n",
                appends, median, p99, worst, static_cast<int>(kFollowPollMs));
    std::printf("RESULT delay %.1f %.1f %.1f\n", median, p99, worst);
    return 0;
}

double ProcessCpuSeconds()
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](const FILETIME& t) {
        return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

int Idle(const std::wstring& folder, int seconds)
{
    const std::wstring log = folder + L"\\follow-idle.log";
    const std::wstring result = folder + L"\\follow-idle.greptmp";
    CBenchWindows windows;
    if (!StartOnNewLog(windows, log, result, 100000))
        return 1;
    const double cpuBefore = ProcessCpuSeconds();
    const double start = Now();
    // The bench's own thread sleeps in the message wait: the process's CPU time is the follower's.
    windows.PumpUntil([] { return false; }, seconds, 1000);
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    const double wall = Now() - start;
    CGrepThread::Stop();
    std::printf("following an idle log for %.0f s: %.0f ms of CPU time (%.3f %% of one core)\n", wall, cpu * 1000,
                cpu * 100 / wall);
    std::printf("RESULT idle %.1f %.1f\n", cpu * 1000, wall);
    return 0;
}

int Flood(const std::wstring& folder, int seconds)
{
    const std::wstring log = folder + L"\\follow-flood.log";
    const std::wstring result = folder + L"\\follow-flood.greptmp";
    CBenchWindows windows;
    if (!StartOnNewLog(windows, log, result, 1000))
        return 1;
    int64_t bytes = 0;
    const double start = Now();
    double writerEnd = 0;
    std::atomic<bool> writing{true};
    std::thread writer([&] {
        CAppender out(log);
        int line = 1000;
        std::string chunk;
        while (Now() - start < seconds) {
            chunk = LogLines(line, 8000);   // about 650 KB
            line += 8000;
            out.Append(chunk);
            bytes += static_cast<int64_t>(chunk.size());
        }
        writerEnd = Now();
        writing = false;
    });
    windows.PumpUntil([&] { return !writing.load(); }, seconds + 600);
    writer.join();
    // Stop reads the log one last time: when it returns, the result is complete.
    CGrepThread::Stop();
    const double done = Now();
    const double writerMBs = static_cast<double>(bytes) / 1e6 / (writerEnd - start);
    const double followMBs = static_cast<double>(bytes) / 1e6 / (done - start);
    std::printf("writer appended %.0f MB in %.1f s (%.0f MB/s); following had the result complete %.2f s after "
                "the last append: %.0f MB/s\n",
                static_cast<double>(bytes) / 1e6, writerEnd - start, writerMBs, done - writerEnd, followMBs);
    // The followed result against a fresh run over the final log.
    CGrepParams params;
    params.logFile = log;
    params.resultFile = folder + L"\\follow-flood-fresh.greptmp";
    params.filters = CheckedFilters({L"*ERROR:*"});
    params.linesBefore = 2;
    params.linesAfter = 4;
    struct Quiet : CGrepObserver {
        bool StopRequested() override { return false; }
        void Progress(int, int) override {}
    } quiet;
    const double freshStart = Now();
    RunGrep(params, quiet);
    const double freshSeconds = Now() - freshStart;
    const bool same = ReadFrom(result, 0) == ReadFrom(params.resultFile, 0);
    std::printf("a fresh run over the final log: %.0f MB/s; followed result %s\n",
                static_cast<double>(bytes) / 1e6 / freshSeconds, same ? "identical" : "DIFFERENT");
    std::printf("RESULT flood %.1f %.1f %.3f %s\n", writerMBs, followMBs, done - writerEnd, same ? "same" : "different");
    return same ? 0 : 1;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3) {
        std::printf("usage: bench_follow delay|idle|flood FOLDER [COUNT]\n");
        return 2;
    }
    const std::wstring mode = argv[1];
    const std::wstring folder = argv[2];
    const int count = argc > 3 ? _wtoi(argv[3]) : 0;
    if (mode == L"delay")
        return Delay(folder, count > 0 ? count : 1000);
    if (mode == L"idle")
        return Idle(folder, count > 0 ? count : 60);
    if (mode == L"flood")
        return Flood(folder, count > 0 ? count : 10);
    return 2;
}
