// bench_log_map: times opening a log viewer with its map for a result of a million stretches.
// Usage: bench_log_map [folder]   (a log of two million lines, every other one kept, is
// generated there, searched and removed). Prints "RESULT <step> <seconds>" lines for scripts.
#include "bench/BenchClock.h"
#include "engine/io/FileReader.h"
#include "engine/run/GrepIndex.h"
#include "engine/run/GrepRun.h"
#include "viewer/TextView.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr int kLines = 2000000;

bool WriteLog(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    std::string chunk;
    char line[96];
    bool ok = true;
    for (int n = 0; ok && n < kLines; ++n) {
        // Every other line kept, each a stretch of its own.
        std::snprintf(line, sizeof(line), "2026-12-07 06:%02d:%02d.%03d %s request %d\n",
                      n / 60000 % 60, n / 1000 % 60, n % 1000, n % 2 ? "ERROR" : "INFO ", n);
        chunk += line;
        if (chunk.size() > (1u << 20) || n + 1 == kLines) {
            DWORD done = 0;
            ok = WriteFile(file, chunk.data(), DWORD(chunk.size()), &done, nullptr) &&
                 done == chunk.size();
            chunk.clear();
        }
    }
    CloseHandle(file);
    return ok;
}

class CSilent : public CGrepObserver {
public:
    bool StopRequested() override { return false; }
    void Progress(int, int) override {}
};

} // namespace

int wmain(int argc, wchar_t** argv)
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = argc > 1 ? std::wstring(argv[1]) + L"\\" : std::wstring(temp);
    const std::wstring log = folder + L"bench-map.log";
    const std::wstring result = folder + L"bench-map.greptmp";
    if (!WriteLog(log))
        return 1;
    CGrepParams params;
    params.logFile = log;
    params.resultFile = result;
    params.filters = {CFilter(L"*ERROR*")};
    params.linesBefore = params.linesAfter = 0;
    CSilent silent;
    if (RunGrep(params, silent).end != GrepEnd::Completed)
        return 1;
    CGrepIndex index;
    index.Open(result);
    std::printf("stretches %llu\n", static_cast<unsigned long long>(index.Count()));

    CTextView view(GetModuleHandleW(nullptr));
    const double start = Now();
    view.Create(log.c_str());
    view.OpenFile(log.c_str());
    view.ShowLine(0);
    view.ShowMap(result, 0);
    UpdateWindow(view.Window());
    const double opened = Now() - start;
    std::printf("RESULT open_log_with_map %.4f\n", opened);
    view.Close();
    DeleteFileW(log.c_str());
    DeleteFileW(result.c_str());
    DeleteFileW(GrepIndexFileName(result).c_str());
    return 0;
}
