// The grep run allocates per run, never per line: the same run on a log ten
// times longer (the same lines, repeated) makes no more allocations. Its own
// executable, since it counts every operator new of the process.
#include "engine/run/GrepRun.h"
#include "tests/support/TestFiles.h"
#include "tests/support/GrepObservers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

namespace {
std::atomic<long> g_allocations{0};
} // namespace

void* operator new(size_t size)
{
    ++g_allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, size_t) noexcept
{
    std::free(p);
}

namespace {

std::string Log(int repeats)
{
    const std::string block =
        "2026-12-07 10:00:01.123 [worker-01] INFO:  net.Client - request sent to the pool\n"
        "2026-12-07 10:00:01.124 [worker-02] ERROR: net.Client - Error: timeout after 30 s\r\n"
        "\n"
        "2026-12-07 10:00:01.125 [worker-03] DEBUG: config.Loader - reading config file\n"
        "2026-12-07 10:00:01.126 [worker-01] WARN:  cache.Lru - " + std::string(700, 'x') + "\n"
        "2026-12-07 10:00:01.127 [worker-04] INFO:  db.Pool - connection \xe9tablie\n";
    std::string log;
    for (int i = 0; i < repeats; ++i)
        log += block;
    return log;
}

long AllocationsOfOneRun(const std::wstring& log, const std::wstring& result,
                         std::vector<std::wstring> filters, std::vector<int> modes,
                         uint32_t readAhead)
{
    CGrepParams params;
    params.logFile = log;
    params.resultFile = result;
    params.filters = CheckedFilters(std::move(filters), std::move(modes));
    params.linesBefore = 3;
    params.linesAfter = 2;
    CQuietObserver observer;
    const long before = g_allocations.load();
    CGrepOptions options;
    options.readAheadBlock = readAhead;
    const CGrepOutcome outcome = RunGrep(params, observer, options);
    const long count = g_allocations.load() - before;
    EXPECT_EQ(outcome.end, GrepEnd::Completed);
    return count;
}

TEST(GrepAllocations, NoneThatGrowWithTheNumberOfLines)
{
    TempDir dir;
    const std::wstring shortLog = dir.File(L"short.log");
    const std::wstring longLog = dir.File(L"long.log");
    ASSERT_TRUE(WriteBytes(shortLog, Log(2000)));
    ASSERT_TRUE(WriteBytes(longLog, Log(20000)));   // 36,000 more lines than the short one
    const struct {
        const char* name;
        std::vector<std::wstring> filters;
        std::vector<int> modes;
    } cases[] = {
        {"one filter", {L"*ERROR:*"}, {0}},
        {"case folded, Or and And", {L"~*error*", L"*WARN:*", L"-config"}, {0, 0, 1}},
        {"every line", {L"*"}, {0}},
        {"no filter", {}, {}},
    };
    // Read on the run's thread, and ahead in blocks small enough that both
    // logs pass through many of them.
    for (const uint32_t readAhead : {0u, 64u << 10}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (readAhead ? ", read ahead" : ""));
            const long small =
                AllocationsOfOneRun(shortLog, dir.File(L"r1"), c.filters, c.modes, readAhead);
            const long large =
                AllocationsOfOneRun(longLog, dir.File(L"r2"), c.filters, c.modes, readAhead);
            EXPECT_GT(small, 0);   // the counter does see the run
            EXPECT_LE(large, small + 4);
        }
    }
}

} // namespace
