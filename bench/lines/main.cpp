// bench_lines: one round of the line-number figures on a generated log.
//   bench_lines generate LOG BYTES        writes the log unless it already has that size
//   bench_lines round LOG RESULT_FOLDER N the run with and without its index (both paths,
//                                         in the order the round's parity gives), then
//                                         Show in Log and Go to Line for the result's last line
// Prints "TIME <what> <seconds>" lines for scripts/bench-lines.
#include "bench/BenchClock.h"
#include "bench/grep/LogGenerator.h"
#include "engine/io/FileLines.h"
#include "engine/io/FileReader.h"
#include "engine/run/GrepIndex.h"
#include "engine/run/GrepRun.h"
#include "viewer/ScrollableFileReader.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {


class QuietObserver : public CGrepObserver {
public:
    bool StopRequested() override { return false; }
    void Progress(int, int) override {}
};

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
    params.filters = CheckedFilters({L"*ERROR:*"});
    CGrepOptions options;
    options.allowFastPath = fast;
    options.writeIndex = index;
    QuietObserver observer;
    const double start = Now();
    const CGrepOutcome outcome = RunGrep(params, observer, options);
    const double seconds = Now() - start;
    if (outcome.end != GrepEnd::Completed) {
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
    int64_t logOffset = 0;
    if (index.Open(result) != CGrepIndex::State::Ready || !index.Locate(last, logOffset)) {
        std::printf("no index for %ls\n", result.c_str());
        return 1;
    }
    {
        CFileReader check(log.c_str(), 64 * 1024);
        std::wstring text;
        check.Seek(logOffset);
        check.ReadLine(text);
        CScrollableFileReader view(log.c_str());
        view.SeekTo(logOffset, 40);
    }
    std::printf("TIME show-in-log %.4f\n", Now() - start);
    // Line Info's log line number: the line ends before it, counted at disk speed.
    start = Now();
    int64_t logLine = 0;
    LineNumberAt(log, logOffset, logLine);
    std::printf("TIME log-line-number %.4f\n", Now() - start);
    std::printf("INFO log line %lld at offset %lld\n", static_cast<long long>(logLine),
                static_cast<long long>(logOffset));

    // Go to Line: the same line found by its number, counting from the start.
    start = Now();
    int64_t offset = 0, lines = 0;
    const bool found = FindLineStart(log, logLine, offset, lines);
    std::printf("TIME go-to-line %.4f\n", Now() - start);
    if (!found || offset != logOffset) {
        std::printf("go to line found %lld, expected %lld\n", static_cast<long long>(offset),
                    static_cast<long long>(logOffset));
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
