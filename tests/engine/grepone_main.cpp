// tilvo_grepone: one grep run in a process of its own, so that a test can
// read the peak working set of that run alone.
//
//   tilvo_grepone <log> <result> <lines before> <lines after>
// prints "<outcome> <peak working set in bytes>", outcome 0 completed,
// 1 failed, 2 stopped.
#include "engine/run/GrepRun.h"
#include "tests/support/GrepObservers.h"

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv)
{
    if (argc != 5)
        return 2;
    CGrepParams params;
    params.logFile = argv[1];
    params.resultFile = argv[2];
    params.filters = CheckedFilters({L"*ERROR:*"});
    params.linesBefore = static_cast<int>(std::wcstol(argv[3], nullptr, 10));
    params.linesAfter = static_cast<int>(std::wcstol(argv[4], nullptr, 10));
    CQuietObserver quiet;
    const CGrepOutcome outcome = RunGrep(params, quiet);
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    std::printf("%d %llu\n", static_cast<int>(outcome.end),
                static_cast<unsigned long long>(counters.PeakWorkingSetSize));
    return 0;
}
