// The fast way through a log against the line-by-line reference: seeded
// random logs and filter sets, several buffer sizes, byte-identical results
// and identical progress reports.
#include "engine/GrepRun.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

class CRecorder : public CGrepObserver {
public:
    bool StopRequested() override { return false; }
    void Progress(int percent, int matches) override { reports.emplace_back(percent, matches); }
    std::vector<std::pair<int, int>> reports;
};

struct Outcome {
    CGrepOutcome outcome;
    std::string result;
    std::vector<std::pair<int, int>> reports;
};

Outcome RunPath(const CGrepParams& params, bool fast, uint32_t bufferSize)
{
    CRecorder recorder;
    CGrepOptions options;
    options.allowFastPath = fast;
    options.bufferSize = bufferSize;
    Outcome o;
    o.outcome = RunGrep(params, recorder, options);
    o.result = ReadBytes(params.resultFile);
    o.reports = recorder.reports;
    return o;
}

std::string RandomLog(std::mt19937& rng)
{
    static const char* const words[] = {"ab", "AB", "ERROR:", "error", "x", "timeout", "Timeout",
                                        "\xe9t\xe9", "\x80", " ", "cfg", "-", "12:51:2", "3"};
    static const char* const ends[] = {"\n", "\r\n", "\r", "", "\n\r"};   // 3: a zero byte
    std::string log;
    const int lines = static_cast<int>(rng() % 60);
    for (int i = 0; i < lines; ++i) {
        const int kind = static_cast<int>(rng() % 20);
        if (kind == 0) {
            log += std::string(rng() % 300, 'L');   // longer than the small buffers
            log += "ERROR:";
        } else if (kind > 2) {
            for (int w = static_cast<int>(rng() % 6); w > 0; --w)
                log += words[rng() % (sizeof words / sizeof *words)];
        }   // else an empty line
        const int end = static_cast<int>(rng() % 5);
        if (end == 3)
            log.push_back('\0');
        else
            log += ends[end];
    }
    if (rng() % 3 == 0)
        log += "last ERROR: without line end";
    return log;
}

std::wstring RandomMask(std::mt19937& rng)
{
    static const wchar_t* const pool[] = {L"*ERROR:*", L"~*error*", L"*ab*", L"~*timeout*-cfg",
                                          L"*AB*-x", L"ab", L"*x", L"a?", L"*\u00e9t\u00e9*",
                                          L"-cfg", L"*", L"*12:51:2?*", L"~*AB*", L"\"", L"*3*",
                                          L"*\u20ac*", L"~ERROR"};
    if (rng() % 4 == 0) {
        static const wchar_t chars[] = L"abAB*?-~x3";
        std::wstring mask(1 + rng() % 5, L' ');
        for (wchar_t& c : mask)
            c = chars[rng() % 10];
        return mask;
    }
    return pool[rng() % (sizeof pool / sizeof *pool)];
}

TEST(GrepFastPath, SameResultsAndProgressAsTheLineByLinePath)
{
    TempDir dir;
    std::mt19937 rng(20261207);
    CGrepParams params;
    params.logFile = dir.File(L"log.txt");
    params.resultFile = dir.File(L"result.txt");
    int cases = 0;
    for (int round = 0; round < 2500; ++round) {
        const std::string log = RandomLog(rng);
        ASSERT_TRUE(WriteBytes(params.logFile, log));
        params.filterTexts.clear();
        params.filterModes.clear();
        for (int k = 1 + static_cast<int>(rng() % 3); k > 0; --k) {
            params.filterTexts.push_back(RandomMask(rng));
            params.filterModes.push_back(rng() % 3 == 0 ? 1 : 0);
        }
        params.ignoreCase = rng() % 5 == 0;
        params.lfLineEnds = rng() % 2 == 0;
        params.linesBefore = static_cast<int>(rng() % 5) - 1;
        params.linesAfter = static_cast<int>(rng() % 5) - 1;
        const uint32_t sizes[] = {16, 37, 1048575};
        const uint32_t size = sizes[rng() % 3];
        const Outcome reference = RunPath(params, false, size);
        const Outcome fast = RunPath(params, true, size);
        ++cases;
        ASSERT_EQ(fast.result, reference.result) << "round " << round;
        ASSERT_EQ(fast.reports, reference.reports) << "round " << round;
        ASSERT_EQ(fast.outcome.end, reference.outcome.end) << "round " << round;
        ASSERT_EQ(fast.outcome.matches, reference.outcome.matches) << "round " << round;
        ASSERT_EQ(fast.outcome.failure, reference.outcome.failure) << "round " << round;
    }
    EXPECT_EQ(cases, 2500);
}

} // namespace
