// bench_lines: one round of the line-number figures on a generated log.
//   bench_lines generate LOG BYTES        writes the log unless it already has that size
//   bench_lines round LOG RESULT_FOLDER N the run with and without its index (both paths,
//                                         in the order the round's parity gives), then
//                                         Show in Log and Go to Line for the result's last line
// Prints "TIME <what> <seconds>" lines for scripts/bench-lines.
#include "bench/grep/LogGenerator.h"
#include "engine/FileLines.h"
#include "engine/FileReader.h"
#include "engine/GrepIndex.h"
#include "engine/GrepRun.h"
#include "viewer/ScrollableFileReader.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// Where a result line lies in its log: the offset from the index, the line
// number counted in the log, as Line Info counts it.
struct CLogPlace {
    int64_t offset = 0;
    int64_t line = 0;
};
bool Locate(const CGrepIndex& index, int64_t resultOffset, CLogPlace& place)
{
    return index.Locate(resultOffset, place.offset) &&
           LineNumberAt(index.LogFile(), place.offset, place.line);
}

class QuietObserver : public CGrepObserver {
public:
    bool StopRequested() override { return false; }
    void Progress(int, int) override {}
};

double Now()
{
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return double(counter.QuadPart) / double(frequency.QuadPart);
}

int64_t FileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (int64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool TimeRun(const std::wstring& log, const std::wstring& result, bool fast, bool index,
             const char* name)
{
    CGrepParams params;
    params.logFile = log;
    params.resultFile = result;
    params.filterTexts = {L"*ERROR:*"};
    params.filterModes = {0};
    CGrepOptions options;
    options.allowFastPath = fast;
    options.writeIndex = index;
    QuietObserver observer;
    const double start = Now();
    const CGrepOutcome outcome = RunGrep(params, observer, options);
    const double seconds = Now() - start;
    if (outcome.end != CGrepOutcome::End::Completed) {
        std::printf("run failed: %ls\n", outcome.failure.c_str());
        return false;
    }
    std::printf("TIME %s %.4f\n", name, seconds);
    return true;
}

// The start of the result's last line.
int64_t LastLineStart(const std::wstring& result)
{
    CScrollableFileReader reader(result.c_str());
    reader.SeekTo(reader.GetSize(), 1);
    return reader.TopLineOffset();
}

int Round(const std::wstring& log, const std::wstring& folder, int round)
{
    const std::wstring result = folder + L"\\lines-bench.greptmp";
    // Alternating order, so neither kind always runs on the warmer cache.
    for (int k = 0; k < 2; ++k) {
        const bool index = (k + round) % 2 == 0;
        if (!TimeRun(log, result, true, index, index ? "fast-index" : "fast-plain"))
            return 1;
    }
    for (int k = 0; k < 2; ++k) {
        const bool index = (k + round) % 2 == 0;
        if (!TimeRun(log, result, false, index, index ? "lines-index" : "lines-plain"))
            return 1;
    }
    // The last run wrote an index (round parity decides which came last).
    if (round % 2 == 0 && !TimeRun(log, result, true, true, "fast-index-again"))
        return 1;

    // Show in Log: the index looked up, the log line checked, the log's block
    // read at the line, as the result viewer and the new log viewer do.
    const int64_t last = LastLineStart(result);
    double start = Now();
    CGrepIndex index;
    CLogPlace place;
    if (index.Open(result) != CGrepIndex::State::Ready || !Locate(index, last, place)) {
        std::printf("no index for %ls\n", result.c_str());
        return 1;
    }
    {
        CFileReader check(log.c_str(), 64 * 1024);
        std::wstring text;
        check.Seek(place.offset);
        check.ReadLine(text);
        CScrollableFileReader view(log.c_str());
        view.SeekTo(place.offset, 40);
    }
    std::printf("TIME show-in-log %.4f\n", Now() - start);
    std::printf("INFO log line %lld at offset %lld\n", static_cast<long long>(place.line),
                static_cast<long long>(place.offset));

    // Go to Line: the same line found by its number, counting from the start.
    start = Now();
    int64_t offset = 0, lines = 0;
    const bool found = FindLineStart(log, place.line, offset, lines);
    std::printf("TIME go-to-line %.4f\n", Now() - start);
    if (!found || offset != place.offset) {
        std::printf("go to line found %lld, expected %lld\n", static_cast<long long>(offset),
                    static_cast<long long>(place.offset));
        return 1;
    }
    std::fflush(stdout);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc >= 4 && std::wstring(argv[1]) == L"generate") {
        const int64_t size = _wcstoi64(argv[3], nullptr, 10);
        if (FileSize(argv[2]) >= size && FileSize(argv[2]) < size + 65536)
            return 0;
        std::printf("generating %ls\n", argv[2]);
        return GenerateLog(argv[2], size, 14) ? 0 : 1;
    }
    if (argc >= 5 && std::wstring(argv[1]) == L"round")
        return Round(argv[2], argv[3], _wtoi(argv[4]));
    std::printf("usage: bench_lines generate LOG BYTES | round LOG RESULT_FOLDER N\n");
    return 2;
}
