// A UTF-16 log read line by line, with and without the literal search before
// each line's match: random logs and filter sets, identical results and progress.
#include "engine/run/GrepRun.h"
#include "tests/support/TestFiles.h"
#include "tests/support/GrepObservers.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

// Words whose units hold a byte of an ASCII capital or a line end ("Ł" is
// 41 01, "с" 41 04, "Ċ" 0A 01), a lone surrogate, and plain ones.
std::wstring RandomText(std::mt19937& rng)
{
    static const wchar_t* const words[] = {
        L"ERROR:", L"error", L"ab", L"AB", L"x", L"timeout", L"\u043E\u0448\u0438\u0431\u043A\u0430",
        L"\u0141", L"\u0441", L"\u0421", L"\u010A", L"\u0D0A", L"\u4100", L"\xD800", L"\u00FC",
        L"A\u0100", L" "};
    static const wchar_t* const ends[] = {L"\n", L"\r\n", L"\r", L"\n\r"};
    std::wstring text;
    for (int i = int(rng() % 40); i > 0; --i) {
        for (int w = int(rng() % 6); w > 0; --w)
            text += words[rng() % std::size(words)];
        const int end = int(rng() % 5);
        text += end == 4 ? std::wstring(1, L'\0') : std::wstring(ends[end]);
    }
    if (rng() % 3 == 0)
        text += L"last ERROR: \u0141";
    return text;
}

std::wstring RandomMask(std::mt19937& rng)
{
    static const wchar_t* const pool[] = {
        L"*ERROR:*", L"~*error*", L"*ab*", L"~*AB*-x", L"*\u0141*", L"~*\u0141*", L"*\u0441*",
        L"~*\u0421*", L"*\u043E\u0448\u0438\u0431\u043A\u0430*", L"~*\u010A*", L"*\u4100*",
        L"*A\u0100*", L"~*a\u0100*", L"a?", L"*", L"-x", L"*\u00FC*", L"~ERROR*"};
    return pool[rng() % std::size(pool)];
}

TEST(GrepWide, LiteralSearchBeforeTheMatchKeepsResultsAndProgress)
{
    TempDir dir;
    std::mt19937 rng(1312);
    CGrepParams params;
    params.logFile = dir.File(L"log16.txt");
    params.resultFile = dir.File(L"result.txt");
    for (int round = 0; round < 600; ++round) {
        ASSERT_TRUE(WriteBytes(params.logFile, Utf16Bytes(RandomText(rng), round % 2 == 0)));
        params.filters.clear();
        for (int k = 1 + int(rng() % 3); k > 0; --k) {
            params.filters.emplace_back(RandomMask(rng), rng() % 3 == 0 ? FilterAnd : FilterOr);
        }
        params.ignoreCase = rng() % 5 == 0;
        params.linesBefore = int(rng() % 3);
        params.linesAfter = int(rng() % 3);
        std::string results[2];
        std::vector<std::pair<int, int>> reports[2];
        CGrepOutcome outcomes[2];
        for (const bool planned : {false, true}) {
            CProgressRecorder recorder;
            CGrepOptions options;
            options.allowFastPath = planned;
            options.bufferSize = round % 3 == 0 ? 37 : 1048575;
            outcomes[planned] = RunGrep(params, recorder, options);
            results[planned] = ReadBytes(params.resultFile);
            reports[planned] = recorder.reports;
        }
        ASSERT_EQ(results[1], results[0]) << "round " << round;
        ASSERT_EQ(reports[1], reports[0]) << "round " << round;
        ASSERT_EQ(outcomes[1].matches, outcomes[0].matches) << "round " << round;
        ASSERT_EQ(outcomes[1].end, outcomes[0].end) << "round " << round;
    }
}

} // namespace
