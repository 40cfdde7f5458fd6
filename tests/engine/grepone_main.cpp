// tilvo_grepone: one grep run in a process of its own, so that a test can
// read the peak working set of that run alone.
//
//   tilvo_grepone <log> <result> <lines before> <lines after>
// prints "<outcome> <peak working set in bytes>", the outcome a GrepEnd.
//
//   tilvo_grepone follow <log> <result> <pieces> <piece bytes>
// runs over the log, then follows it while a line of `pieces` pieces of
// "x" is appended, one piece at each look, and then its line end and one
// more line; prints "<outcome> <peak working set> <largest result size seen
// after a look while the line was unfinished>".
#include "engine/run/GrepFollow.h"
#include "engine/run/GrepRun.h"
#include "tests/support/GrepObservers.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>

namespace {

unsigned long long PeakWorkingSet()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakWorkingSetSize;
}

long long SizeOf(const wchar_t* path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool Append(const wchar_t* path, const std::string& bytes)
{
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                              nullptr) &&
                    written == bytes.size();
    CloseHandle(file);
    return ok;
}

// A writer of the log between looks: each wait appends the next piece.
class CPieceWriter : public CFollowObserver {
public:
    CPieceWriter(const wchar_t* log, const wchar_t* result, int pieces, size_t pieceBytes)
        : m_log(log), m_result(result), m_left(pieces), m_piece(pieceBytes, 'x')
    {
    }
    bool StopRequested() override { return m_done; }
    void Wait(DWORD) override
    {
        if (!m_ended)
            largest = std::max(largest, SizeOf(m_result));
        std::string next;
        if (m_left > 0) {
            next = m_piece;
            --m_left;
        } else if (!m_ended) {
            next = "\nafter the long line\n";
            m_ended = true;
        } else {
            m_done = true;
        }
        if (!next.empty() && !Append(m_log, next))
            m_done = true;
    }
    void Grew(int) override {}

    long long largest = 0;

private:
    const wchar_t* m_log;
    const wchar_t* m_result;
    int m_left;
    std::string m_piece;
    bool m_ended = false;
    bool m_done = false;
};

int Follow(int argc, wchar_t** argv)
{
    if (argc != 6)
        return 2;
    CGrepParams params;
    params.logFile = argv[2];
    params.resultFile = argv[3];
    params.filters = {CFilter(L"*ERROR:*")};
    params.linesBefore = 1;
    params.linesAfter = 1;
    CQuietObserver quiet;
    const CGrepOutcome run = RunGrep(params, quiet);
    if (run.end != GrepEnd::Completed || !run.session)
        return 3;
    CPieceWriter writer(argv[2], argv[3], static_cast<int>(std::wcstol(argv[4], nullptr, 10)),
                        static_cast<size_t>(std::wcstol(argv[5], nullptr, 10)));
    const CGrepOutcome followed = FollowGrep(*run.session, writer);
    std::printf("%d %llu %lld\n", static_cast<int>(followed.end), PeakWorkingSet(), writer.largest);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc > 1 && std::wcscmp(argv[1], L"follow") == 0)
        return Follow(argc, argv);
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
    std::printf("%d %llu\n", static_cast<int>(outcome.end), PeakWorkingSet());
    return 0;
}
