// The fast way through a log against the line-by-line reference: seeded
// random logs mixing ANSI, UTF-8, invalid UTF-8 and zero bytes, random filter
// sets in several scripts, several buffer sizes, byte-identical results and
// identical progress reports; and UTF-16 logs against the same text in UTF-8.
#include "engine/run/GrepRun.h"
#include "engine/text/CodePage.h"
#include "tests/support/TestFiles.h"
#include "tests/support/GrepObservers.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Outcome {
    CGrepOutcome outcome;
    std::string result;
    std::vector<std::pair<int, int>> reports;
};

Outcome RunPath(const CGrepParams& params, bool fast, uint32_t bufferSize, uint32_t readAhead = 0)
{
    CProgressRecorder recorder;
    CGrepOptions options;
    options.allowFastPath = fast;
    options.bufferSize = bufferSize;
    options.readAheadBlock = readAhead;
    Outcome o;
    o.outcome = RunGrep(params, recorder, options);
    o.result = ReadBytes(params.resultFile);
    o.reports = recorder.reports;
    return o;
}

std::string RandomLog(std::mt19937& rng)
{
    static const char* const words[] = {
        "ab", "AB", "ERROR:", "error", "x", "timeout", "Timeout", "\xe9t\xe9", "\x80", " ", "cfg",
        "-", "12:51:2", "3",
        // UTF-8: "ошибка", "Zeitüberschreitung", "エラー", and invalid sequences.
        "\xD0\xBE\xD1\x88\xD0\xB8\xD0\xB1\xD0\xBA\xD0\xB0", "Zeit\xC3\xBC" "berschreitung",
        "\xE3\x82\xA8\xE3\x83\xA9\xE3\x83\xBC", "\xC3(", "\xE2\x82", "\xD0\x9E"};
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
                                          L"*\u20ac*", L"~ERROR",
                                          L"*\u043E\u0448\u0438\u0431\u043A\u0430*",
                                          L"~*ERROR*\u043E\u0448*", L"*\u30A8\u30E9\u30FC*",
                                          L"*Zeit?berschreitung*", L"*\u00FC*", L"~*\u041E*",
                                          L"*\u00C3*", L"\u0430"};
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
    // A code page of more than one byte a character leaves every log to the
    // line-by-line path: there the rounds show only that the fast path stays
    // unused, and a tenth of them does.
    const int rounds = CCodePage::Ansi().IsSingleByte() ? 2500 : 250;
    int cases = 0;
    for (int round = 0; round < rounds; ++round) {
        std::string log = RandomLog(rng);
        if (rng() % 8 == 0)
            log = "\xEF\xBB\xBF" + log;   // a UTF-8 mark
        params.decoding = rng() % 4 == 0 ? LineDecoding::Ansi : LineDecoding::Utf8WhereValid;
        ASSERT_TRUE(WriteBytes(params.logFile, log));
        params.filters.clear();
        // One round in four has only Or filters that each ask for a literal
        // anywhere in the line: there a hit keeps its line unmatched.
        static const wchar_t* const contained[] = {L"*ERROR:*", L"~*error*", L"*ab*",
                                                   L"~*timeout*", L"*3*", L"*\"ab\"*", L"*x*"};
        const bool onlyContained = rng() % 4 == 0;
        for (int k = 1 + static_cast<int>(rng() % 3); k > 0; --k) {
            std::wstring text = onlyContained ? contained[rng() % 7] : RandomMask(rng);
            params.filters.emplace_back(std::move(text),
                                        !onlyContained && rng() % 3 == 0 ? FilterAnd : FilterOr);
        }
        params.ignoreCase = rng() % 5 == 0;
        params.lfLineEnds = rng() % 2 == 0;
        params.linesBefore = static_cast<int>(rng() % 5) - 1;
        params.linesAfter = static_cast<int>(rng() % 5) - 1;
        const uint32_t sizes[] = {16, 37, 1048575};
        const uint32_t size = sizes[rng() % 3];
        // Now and then either path reads on a thread of its own, in blocks
        // of a few lines or less (each handover costs a thread switch).
        const auto ahead = [&rng] { return rng() % 16 == 0 ? uint32_t(rng() % 2 ? 13 : 64) : 0u; };
        const Outcome reference = RunPath(params, false, size, ahead());
        const Outcome fast = RunPath(params, true, size, ahead());
        ++cases;
        ASSERT_EQ(fast.result, reference.result) << "round " << round;
        ASSERT_EQ(fast.reports, reference.reports) << "round " << round;
        ASSERT_EQ(fast.outcome.end, reference.outcome.end) << "round " << round;
        ASSERT_EQ(fast.outcome.matches, reference.outcome.matches) << "round " << round;
        ASSERT_EQ(fast.outcome.failure, reference.outcome.failure) << "round " << round;
    }
    EXPECT_EQ(cases, rounds);
}

// The log's text in UTF-16 with its mark, little- or big-endian.
std::string Utf16Log(const std::string& utf8, bool little)
{
    std::wstring text(utf8.size(), L'\0');
    const int n = utf8.empty() ? 0
                               : MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()),
                                                     text.data(), int(text.size()));
    text.resize(size_t(n));
    return Utf16Bytes(text, little);
}

TEST(GrepUtf16, SameResultAsTheSameTextInUtf8)
{
    TempDir dir;
    std::mt19937 rng(71213);
    CGrepParams params;
    params.resultFile = dir.File(L"result.txt");
    for (int round = 0; round < 300; ++round) {
        // Valid UTF-8 only: every line then reads the same in both files.
        std::string log = RandomLog(rng);
        std::string valid;
        for (char c : log)
            valid += (c & 0x80) ? "\xD0\xBE" : std::string(1, c);
        if (valid.empty())
            continue;   // an empty log fails, one with only a mark does not
        params.filters = CheckedFilters({RandomMask(rng)});
        params.linesBefore = int(rng() % 3);
        params.linesAfter = int(rng() % 3);
        params.logFile = dir.File(L"log8.txt");
        ASSERT_TRUE(WriteBytes(params.logFile, valid));
        const Outcome reference = RunPath(params, true, 37);
        params.logFile = dir.File(L"log16.txt");
        ASSERT_TRUE(WriteBytes(params.logFile, Utf16Log(valid, round % 2 == 0)));
        const Outcome wide = RunPath(params, true, round % 3 == 0 ? 37 : 1048575);
        ASSERT_EQ(wide.result, reference.result) << "round " << round;
        ASSERT_EQ(wide.outcome.matches, reference.outcome.matches) << "round " << round;
        ASSERT_EQ(wide.outcome.end, reference.outcome.end) << "round " << round;
        ASSERT_FALSE(wide.reports.empty());
        ASSERT_EQ(wide.reports.back().first, reference.reports.back().first) << "round " << round;
    }
}

} // namespace
