// bench_gzip: the grep run over a gzip log, and zlib's own inflate of the same file, for
// scripts/bench-gzip to set against zcat piped into grep.
//   bench_gzip search GZ RESULT LITERAL   one run of "*LITERAL*" with no context, like grep -c:
//                                         prints "SEARCH <seconds> <matches>"
//   bench_gzip inflate GZ                 zlib's inflate alone, its output dropped:
//                                         prints "INFLATE <seconds> <bytes>"
#include "bench/BenchClock.h"
#include "engine/run/GrepRun.h"

#include <windows.h>
#include <zlib.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

class CSilentObserver : public CGrepObserver {
public:
    bool StopRequested() override { return false; }
    void Progress(int, int) override {}
};

int Search(const wchar_t* log, const wchar_t* result, const wchar_t* literal)
{
    CGrepParams params;
    params.logFile = log;
    params.resultFile = result;
    params.filters = CheckedFilters({L"*" + std::wstring(literal) + L"*"});
    CSilentObserver silent;
    const double start = Now();
    const CGrepOutcome outcome = RunGrep(params, silent);
    const double seconds = Now() - start;
    if (outcome.end != GrepEnd::Completed) {
        std::printf("the run failed\n");
        return 1;
    }
    std::printf("SEARCH %.3f %d\n", seconds, outcome.matches);
    return 0;
}

// Every gzip member of the file, inflated through the same size of buffers the run reads.
int Inflate(const wchar_t* path)
{
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::printf("cannot open the file\n");
        return 1;
    }
    std::vector<unsigned char> input(256 * 1024), output(1024 * 1024);
    z_stream stream{};
    inflateInit2(&stream, 31);
    unsigned long long bytes = 0;
    const double start = Now();
    DWORD got = 0;
    int status = Z_OK;
    while (ReadFile(file, input.data(), DWORD(input.size()), &got, nullptr) && got > 0) {
        stream.next_in = input.data();
        stream.avail_in = got;
        while (stream.avail_in > 0) {
            stream.next_out = output.data();
            stream.avail_out = uInt(output.size());
            status = inflate(&stream, Z_NO_FLUSH);
            bytes += output.size() - stream.avail_out;
            if (status == Z_STREAM_END)
                inflateReset(&stream);   // the next member
            else if (status != Z_OK && status != Z_BUF_ERROR)
                break;
        }
    }
    const double seconds = Now() - start;
    inflateEnd(&stream);
    CloseHandle(file);
    std::printf("INFLATE %.3f %llu\n", seconds, bytes);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"search" && argc == 5)
        return Search(argv[2], argv[3], argv[4]);
    if (command == L"inflate" && argc == 3)
        return Inflate(argv[2]);
    std::printf("usage: bench_gzip search GZ RESULT LITERAL | inflate GZ\n");
    return 2;
}
