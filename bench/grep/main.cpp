// bench_grep: times the real grep run (CGrepThread, notices to hidden windows)
// on a generated log, for the searches users run most.
//   bench_grep generate LOG BYTES [SEED [ascii|utf8|utf16]]
//                                          writes the log unless it already has that size
//   bench_grep run LOG RESULT_FOLDER [REPEAT [CASES]]   CASES: the letters of the cases to run, in that order
//   bench_grep stages LOG [overlap [BLOCK]]  reading alone, scanning alone, both
//                                          overlapped (blocks of BLOCK bytes, 8 MiB);
//                                          without "overlap" the per-line path's stages too
//   bench_grep split LOG COUNT              cuts LOG at line ends into a rotated set
//                                          of COUNT files in the folder LOG.set
//   bench_grep runset LOG RESULT_FOLDER     case (a) over that set: "RESULT s <MB/s>"
// "run" prints one line per case, and lines "RESULT <case> <MB/s>" and
// "ANSWER <case> <median ms> <worst ms>" (the dialog's answers during the run) for scripts.
#include "bench/BenchClock.h"
#include "bench/grep/BenchWindow.h"
#include "bench/grep/LogGenerator.h"
#include "engine/io/FileWriter.h"
#include "engine/match/FilterSet.h"
#include "engine/run/GrepRun.h"
#include "engine/io/ReadAhead.h"
#include "engine/run/GrepLineReader.h"
#include "engine/run/GrepProgress.h"
#include "engine/run/GrepSession.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

struct BenchCase {
    const char* id;
    const char* description;
    std::vector<std::wstring> filters;
    std::vector<int> modes;
    int before;
    int after;
    bool regex = false;   // the filters are regular expressions
};

const BenchCase kCases[] = {
    {"a", "\"*ERROR:*\", 2 before, 4 after", {L"*ERROR:*"}, {0}, 2, 4},
    // Like grep -c, matching lines only: no context to write.
    {"b", "\"~*timeout*\", no context", {L"~*timeout*"}, {0}, 0, 0},
    {"c", "3 Or filters + And \"-heartbeat\", 2/4",
     {L"*ERROR:*", L"*WARN:*timeout*", L"~*config*", L"-heartbeat"}, {0, 0, 0, 1}, 2, 4},
    {"d", "\"*\" alone (every non-empty line)", {L"*"}, {0}, 2, 4},
    // A literal in Cyrillic, like grep -c: searched as its UTF-8 and ANSI bytes.
    {"e", "Cyrillic \"*oshibka*\", no context",
     {L"*\u043E\u0448\u0438\u0431\u043A\u0430*"}, {0}, 0, 0},
    // Several Or literals, searched for together in one pass.
    {"f", "3 Or \"*ERROR:*\" \"*WARN*\" \"*timeout*\", 2/4",
     {L"*ERROR:*", L"*WARN*", L"*timeout*"}, {0, 0, 0}, 2, 4},
    // A plain literal without context: the search alone, nearly nothing written.
    {"z", "\"*ERROR:*\", no context", {L"*ERROR:*"}, {0}, 0, 0},
    // Regular expressions, like grep -E -c: one with a required literal that
    // the prefilter looks for, one with only a set of literals.
    {"r", "expression \"ERROR: .*timeout=[0-9]+\", no context",
     {L"ERROR: .*timeout=[0-9]+"}, {0}, 0, 0, true},
    {"s", "expression \"[0-9]{2}:[0-9]{2}:[0-9]{2} (ERROR|WARN)\", no context",
     {L"[0-9]{2}:[0-9]{2}:[0-9]{2} (ERROR|WARN)"}, {0}, 0, 0, true},
};

FilterList CaseFilters(const BenchCase& c)
{
    FilterList filters = CheckedFilters(c.filters, c.modes);
    for (CFilter& f : filters)
        f.kind = c.regex ? FilterKind::Regex : FilterKind::Mask;
    return filters;
}

int64_t FileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Reads the file once so that every case starts from the same warm cache.
void Warm(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    std::vector<char> block(8u << 20);
    DWORD read = 0;
    while (ReadFile(file, block.data(), static_cast<DWORD>(block.size()), &read, nullptr) && read)
        ;
    CloseHandle(file);
}

int Generate(const std::wstring& log, int64_t size, uint64_t seed, LogText text)
{
    if (FileSize(log) >= size && FileSize(log) < size + 65536) {
        std::printf("reusing %ls (%lld bytes)\n", log.c_str(), static_cast<long long>(FileSize(log)));
        return 0;
    }
    std::printf("generating %ls (%lld bytes, seed %llu)\n", log.c_str(),
                static_cast<long long>(size), static_cast<unsigned long long>(seed));
    std::fflush(stdout);
    if (!GenerateLog(log, size, seed, false, text)) {
        std::printf("cannot write %ls\n", log.c_str());
        return 1;
    }
    return 0;
}

int Run(const std::wstring& log, const std::wstring& folder, int repeat, const std::wstring& only)
{
    const int64_t size = FileSize(log);
    if (size <= 0) {
        std::printf("no log at %ls\n", log.c_str());
        return 1;
    }
    Warm(log);
    std::printf("log %ls: %.1f MB\n", log.c_str(), static_cast<double>(size) / 1e6);
    // In the order asked for: a case that writes a gigabyte leaves the kernel
    // writing it back while the next one runs.
    for (const wchar_t id : only) {
        const auto found = std::find_if(std::begin(kCases), std::end(kCases),
                                        [id](const BenchCase& c) { return c.id[0] == id; });
        if (found == std::end(kCases))
            continue;
        const BenchCase& c = *found;
        CGrepParams params;
        params.logFile = log;
        params.resultFile = folder + L"\\bench-" + std::wstring(c.id, c.id + 1) + L".greptmp";
        params.filters = CaseFilters(c);
        params.linesBefore = c.before;
        params.linesAfter = c.after;
        double best = 0;
        BenchRun last;
        for (int i = 0; i < repeat; ++i) {
            last = RunThroughWindow(params);
            if (!last.completed) {
                std::printf("(%s) failed: %ls\n", c.id, last.lastText.c_str());
                return 1;
            }
            if (best == 0 || last.seconds < best)
                best = last.seconds;
        }
        const double mbps = static_cast<double>(size) / 1e6 / best;
        std::printf("(%s) %-44s %8.0f MB/s  %6.3f s  result %7.1f MB  %ls\n", c.id, c.description,
                    mbps, best, static_cast<double>(FileSize(params.resultFile)) / 1e6,
                    last.lastText.c_str());
        std::printf("RESULT %s %.0f\n", c.id, mbps);
        std::printf("ANSWER %s %.1f %.1f\n", c.id, last.answerMedianMs, last.answerWorstMs);
        std::fflush(stdout);
    }
    // The run's memory stays bounded by its buffers whatever the log's size.
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory))
        std::printf("PEAK %.1f\n", static_cast<double>(memory.PeakWorkingSetSize) / 1048576.0);
    return 0;
}

double Seconds(const LARGE_INTEGER& from)
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The first bytes of the log, up to a line end, handed out again and again
// until `total` bytes have gone: a log already in memory, read without a
// system call.
class CMemoryLog : public CByteSource {
public:
    CMemoryLog(const std::wstring& log, size_t keep, int64_t total) : m_left(total)
    {
        HANDLE file = CreateFileW(log.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        m_bytes.resize(keep);
        DWORD read = 0;
        ReadFile(file, m_bytes.data(), static_cast<DWORD>(keep), &read, nullptr);
        CloseHandle(file);
        m_bytes.resize(read);
        while (!m_bytes.empty() && m_bytes.back() != '\n')
            m_bytes.pop_back();
    }
    bool Read(uint8_t* target, uint32_t size, uint32_t& got) override
    {
        const size_t want = static_cast<size_t>(std::min<int64_t>({m_left, size, int64_t(m_bytes.size() - m_at)}));
        std::copy_n(m_bytes.data() + m_at, want, target);
        m_at = (m_at + want) % m_bytes.size();
        m_left -= static_cast<int64_t>(want);
        got = static_cast<uint32_t>(want);
        return true;
    }

private:
    std::vector<uint8_t> m_bytes;
    size_t m_at = 0;
    int64_t m_left;
};

// Reading alone, scanning alone and both overlapped, for the plain literal
// and case (a): the bounds of a run through the dialog. Prints
// "STAGE <stage>[-<case>] <MB/s>" for the script.
void ReadAndScan(const std::wstring& log, int64_t size, uint32_t block)
{
    const double mb = static_cast<double>(size) / 1e6;
    {
        const double t0 = Now();
        CFileReader file(log.c_str(), 0);
        CReadAhead ahead(file, block, nullptr);
        std::vector<uint8_t> block;
        size_t got = 0;
        while (ahead.Take(block, got) && got > 0)
            ahead.GiveBack(std::move(block));
        std::printf("STAGE read %.0f\n", mb / (Now() - t0));
    }
    class CQuiet : public CGrepObserver {
    public:
        bool StopRequested() override { return false; }
        void Progress(int, int) override {}
    } quiet;
    for (const BenchCase& c : kCases) {
        if (c.id[0] != 'z' && c.id[0] != 'a')
            continue;
        CGrepParams params;
        params.logFile = log;
        params.resultFile = log + L".result";
        params.filters = CaseFilters(c);
        params.linesBefore = c.before;
        params.linesAfter = c.after;
        {
            const double t0 = Now();
            const uint32_t buffer = CGrepOptions().bufferSize;
            CGrepLineReader reader(std::make_unique<CMemoryLog>(log, 64u << 20, size), buffer,
                                   LineDecoding::Ansi);
            CFileWriter writer(params.resultFile.c_str());
            writer.SetLineBuffer(kGrepResultBuffer);
            CGrepSession session;
            session.Build(params, true, buffer);
            CGrepProgress progress(CFileReader::kStreamSize);
            session.ReadTo(reader, writer, CFileReader::kStreamSize, quiet, progress);
            std::printf("STAGE scan-%s %.0f\n", c.id, mb / (Now() - t0));
        }
        for (uint32_t ahead : {0u, block}) {
            CGrepOptions options;
            options.readAheadBlock = ahead;
            const double t0 = Now();
            RunGrep(params, quiet, options);
            std::printf("STAGE %s-%s %.0f\n", ahead ? "overlapped" : "one-thread", c.id,
                        mb / (Now() - t0));
        }
        DeleteFileW(params.resultFile.c_str());
    }
}

// The stages of the per-line path on their own, on this thread: where a run's
// time goes.
int Stages(const std::wstring& log, bool all, uint32_t block)
{
    const int64_t size = FileSize(log);
    Warm(log);
    const double mb = static_cast<double>(size) / 1e6;
    ReadAndScan(log, size, block);
    if (!all)
        return 0;
    {
        LARGE_INTEGER t0;
        QueryPerformanceCounter(&t0);
        HANDLE file = CreateFileW(log.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        std::vector<char> block(CGrepLineReader::kBufferSize);
        DWORD read = 0;
        while (ReadFile(file, block.data(), static_cast<DWORD>(block.size()), &read, nullptr) && read)
            ;
        CloseHandle(file);
        std::printf("ReadFile only                 %8.0f MB/s\n", mb / Seconds(t0));
    }
    {
        LARGE_INTEGER t0;
        QueryPerformanceCounter(&t0);
        CGrepLineReader reader(log.c_str());
        CGrepLine line;
        size_t lines = 0;
        while (reader.ReadLine(line))
            ++lines;
        std::printf("lines cut and converted       %8.0f MB/s  (%zu lines)\n", mb / Seconds(t0), lines);
    }
    for (const BenchCase& c : kCases) {
        CFilterSet filters;
        filters.Build(CaseFilters(c), false);
        LARGE_INTEGER t0;
        QueryPerformanceCounter(&t0);
        CGrepLineReader reader(log.c_str());
        CGrepLine line;
        size_t kept = 0;
        while (reader.ReadLine(line))
            kept += filters.Matches(line.Text(), line.Length()) ? 1 : 0;
        std::printf("(%s) lines + decision          %8.0f MB/s  (%zu kept)\n", c.id, mb / Seconds(t0), kept);
    }
    for (const BenchCase& c : kCases) {
        // The whole run on this thread: the stages above plus context, result
        // file and progress, without the worker thread and its notices.
        class CQuiet : public CGrepObserver {
        public:
            bool StopRequested() override { return false; }
            void Progress(int, int) override {}
        } quiet;
        CGrepParams params;
        params.logFile = log;
        params.resultFile = log + L".result";
        params.filters = CaseFilters(c);
        params.linesBefore = c.before;
        params.linesAfter = c.after;
        for (bool fast : {true, false}) {
            CGrepOptions options;
            options.allowFastPath = fast;
            LARGE_INTEGER t0;
            QueryPerformanceCounter(&t0);
            RunGrep(params, quiet, options);
            std::printf("(%s) RunGrep on this thread, %s %8.0f MB/s\n", c.id,
                        fast ? "fast path   " : "line by line", mb / Seconds(t0));
        }
        DeleteFileW(params.resultFile.c_str());
    }
    {
        LARGE_INTEGER t0;
        QueryPerformanceCounter(&t0);
        const std::wstring out = log + L".copy";
        {
            CFileWriter writer(out.c_str());
            writer.SetLineBuffer(kGrepResultBuffer);
            CGrepLineReader reader(log.c_str());
            CGrepLine line;
            while (reader.ReadLine(line))
                writer.WriteLine(nullptr, line.Text(), line.Length());
        }
        std::printf("lines read and written        %8.0f MB/s\n", mb / Seconds(t0));
        DeleteFileW(out.c_str());
    }
    {
        LARGE_INTEGER t0;
        QueryPerformanceCounter(&t0);
        const std::wstring out = log + L".copy";
        HANDLE file = CreateFileW(out.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        std::vector<char> block(kGrepResultBuffer, 'x');
        DWORD done = 0;
        for (int64_t left = size; left > 0; left -= static_cast<int64_t>(block.size()))
            WriteFile(file, block.data(), static_cast<DWORD>(block.size()), &done, nullptr);
        CloseHandle(file);
        std::printf("WriteFile only                %8.0f MB/s\n", mb / Seconds(t0));
        DeleteFileW(out.c_str());
    }
    return 0;
}

std::wstring SetFolder(const std::wstring& log)
{
    return log + L".set";
}

// The rotated set of `count` files holding the log's bytes, the oldest
// (app.log.<count-1>) first, all with one write time: the rotation numbers
// alone give their order.
std::vector<CSetLog> SetOf(const std::wstring& log, int count)
{
    std::vector<CSetLog> set;
    for (int i = count - 1; i >= 0; --i) {
        const std::wstring name = i == 0 ? L"app.log" : L"app.log." + std::to_wstring(i);
        set.push_back({SetFolder(log) + L"\\" + name, name});
    }
    return set;
}

int Split(const std::wstring& log, int count)
{
    const int64_t size = FileSize(log);
    const std::vector<CSetLog> set = SetOf(log, count);
    int64_t have = 0;
    for (const CSetLog& part : set)
        have += std::max<int64_t>(0, FileSize(part.path));
    if (have == size) {
        std::printf("reusing the set of %d files in %ls\n", count, SetFolder(log).c_str());
        return 0;
    }
    CreateDirectoryW(SetFolder(log).c_str(), nullptr);
    HANDLE in = CreateFileW(log.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (in == INVALID_HANDLE_VALUE)
        return 1;
    std::vector<char> block(8u << 20);
    std::string carry;
    FILETIME stamp{};
    GetSystemTimeAsFileTime(&stamp);
    DWORD read = 0;
    bool more = true;
    for (size_t i = 0; i < set.size(); ++i) {
        HANDLE out = CreateFileW(set[i].path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 0, nullptr);
        const int64_t want = size / count;
        int64_t written = 0;
        DWORD done = 0;
        for (;;) {
            if (carry.empty()) {
                if (!more || !ReadFile(in, block.data(), DWORD(block.size()), &read, nullptr) ||
                    read == 0) {
                    more = false;
                    break;
                }
                carry.assign(block.data(), read);
            }
            size_t take = carry.size();
            if (i + 1 < set.size() && written + int64_t(take) >= want) {
                // Up to the first line end at or past the part's share.
                const size_t at = carry.find('\n', size_t(std::max<int64_t>(0, want - written)));
                if (at != std::string::npos) {
                    take = at + 1;
                    WriteFile(out, carry.data(), DWORD(take), &done, nullptr);
                    carry.erase(0, take);
                    break;
                }
            }
            WriteFile(out, carry.data(), DWORD(take), &done, nullptr);
            written += int64_t(take);
            carry.erase(0, take);
        }
        SetFileTime(out, nullptr, nullptr, &stamp);
        CloseHandle(out);
    }
    CloseHandle(in);
    std::printf("split %ls into %d files\n", log.c_str(), count);
    return 0;
}

int RunSet(const std::wstring& log, const std::wstring& folder, int count)
{
    const int64_t size = FileSize(log);
    CGrepParams params;
    params.logSet = SetOf(log, count);
    params.logFile = SetFolder(log) + L"\\app.log*";
    params.resultFile = folder + L"\\bench-s.greptmp";
    params.filters = CaseFilters(kCases[0]);
    params.linesBefore = kCases[0].before;
    params.linesAfter = kCases[0].after;
    for (const CSetLog& part : params.logSet)
        Warm(part.path);
    const BenchRun run = RunThroughWindow(params);
    if (!run.completed) {
        std::printf("(s) failed: %ls\n", run.lastText.c_str());
        return 1;
    }
    const double mbps = static_cast<double>(size) / 1e6 / run.seconds;
    std::printf("(s) (a) over a set of %d files %8.0f MB/s  %6.3f s  %ls\n", count, mbps,
                run.seconds, run.lastText.c_str());
    std::printf("RESULT s %.0f\n", mbps);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"generate" && argc >= 4) {
        const std::wstring text = argc > 5 ? argv[5] : L"ascii";
        return Generate(argv[2], _wtoi64(argv[3]), argc > 4 ? _wtoi64(argv[4]) : 20261207,
                        text == L"utf8"    ? LogText::Utf8
                        : text == L"utf16" ? LogText::Utf16Le
                                           : LogText::Ascii);
    }
    if (command == L"run" && argc >= 4)
        return Run(argv[2], argv[3], argc > 4 ? _wtoi(argv[4]) : 2, argc > 5 ? argv[5] : L"abcd");
    if (command == L"stages" && argc >= 3)
        return Stages(argv[2], argc < 4 || std::wstring(argv[3]) != L"overlap",
                      argc > 4 ? static_cast<uint32_t>(_wtoi(argv[4])) : 8u << 20);
    if (command == L"split" && argc >= 4)
        return Split(argv[2], _wtoi(argv[3]));
    if (command == L"runset" && argc >= 4)
        return RunSet(argv[2], argv[3], 16);
    std::printf("usage: bench_grep generate LOG BYTES [SEED] | run LOG RESULT_FOLDER [REPEAT]\n");
    return 2;
}
