// Runs with expression filters against matching every line of the log with
// PCRE2's interpreter directly: random logs in ASCII and UTF-8, expressions
// with and without required literals, ignoring case, mixed with masks, on the
// fast path and the line-by-line one; and lines too complex for an
// expression, counted and not kept.
#include "engine/match/FilterSet.h"
#include "engine/match/RegexFilter.h"
#include "engine/run/GrepRun.h"
#include "tests/support/GrepObservers.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

CGrepOutcome RunWith(const CGrepParams& params, bool fast)
{
    CProgressRecorder recorder;
    CGrepOptions options;
    options.allowFastPath = fast;
    options.bufferSize = 64;
    return RunGrep(params, recorder, options);
}

// The lines of `log` (each ending in "\n") that one of the Or expressions
// matches, matched one by one on their decoded text.
std::string Reference(const std::string& log, const std::vector<std::wstring>& patterns)
{
    std::vector<std::unique_ptr<CRegexFilter>> filters;
    for (const std::wstring& p : patterns) {
        RegexError error;
        filters.push_back(CRegexFilter::Compile(p, error, RegexEngine::Interpreter));
        EXPECT_TRUE(filters.back()) << error.position;
    }
    std::string kept;
    for (size_t at = 0; at < log.size();) {
        const size_t end = log.find('\n', at);
        const std::string line = log.substr(at, end - at);
        std::wstring text(line.size(), L'\0');
        text.resize(DecodeUtf8(reinterpret_cast<const uint8_t*>(line.data()), line.size(), text.data()));
        for (auto& f : filters)
            if (f && f->Matches(text.data(), text.size())) {
                kept += line + "\n";
                break;
            }
        at = end + 1;
    }
    return kept;
}

TEST(GrepRegexRun, KeepsTheLinesTheExpressionMatchesOnBothPaths)
{
    static const char* const words[] = {"ERROR: ", "error ", "WARN ", "timeout=", "42", "7",
                                        "12:05:33 ", "fail", "abort ", "x", " ",
                                        "\xD0\xBE\xD1\x88\xD0\xB8\xD0\xB1\xD0\xBA\xD0\xB0",
                                        "Zeit\xC3\xBC" "berschreitung", "\xE3\x82\xA8\xE3\x83\xA9"};
    static const wchar_t* const patterns[] = {
        L"ERROR: .*timeout=\\d+",                      // a required literal
        L"[0-9]{2}:[0-9]{2}:[0-9]{2} (ERROR|WARN)",     // a set of literals
        L"\\b(fail|abort)\\b",                          // a set, as words
        L"(?i)error",                                   // ignoring case
        L"timeout=\\d{2,}$",
        L"^$",                                          // empty lines too
        L"\u043E\u0448\u0438\u0431\u043A\u0430|\u00FC", // UTF-8 text
        L"^[^E]*x",                                     // no literal at all
        L"(?i)zeit\u00DC",
    };
    TempDir dir;
    std::mt19937 rng(25);
    CGrepParams params;
    params.logFile = dir.File(L"log.txt");
    params.resultFile = dir.File(L"result.txt");
    params.linesBefore = params.linesAfter = 0;
    for (int round = 0; round < 150; ++round) {
        std::string log;
        for (int lines = 1 + int(rng() % 30); lines > 0; --lines) {
            for (int w = int(rng() % 6); w > 0; --w)
                log += words[rng() % std::size(words)];
            log += "\n";
        }
        ASSERT_TRUE(WriteBytes(params.logFile, log));
        std::vector<std::wstring> chosen;
        params.filters.clear();
        for (int k = 1 + int(rng() % 2); k > 0; --k) {
            chosen.push_back(patterns[rng() % std::size(patterns)]);
            params.filters.push_back(CFilter::Regex(chosen.back()));
        }
        const std::string expected = Reference(log, chosen);
        for (bool fast : {false, true}) {
            const CGrepOutcome outcome = RunWith(params, fast);
            ASSERT_EQ(outcome.end, GrepEnd::Completed);
            ASSERT_EQ(ReadBytes(params.resultFile), expected)
                << "round " << round << (fast ? " fast" : " line by line");
            EXPECT_EQ(outcome.tooComplexLines, 0u);
        }
    }
}

TEST(GrepRegexRun, LinesTooComplexAreCountedOnceAndNotKept)
{
    TempDir dir;
    CGrepParams params;
    params.logFile = dir.File(L"log.txt");
    params.resultFile = dir.File(L"result.txt");
    params.linesBefore = params.linesAfter = 0;
    const std::string hostile = std::string(5000, 'a') + "b\n";
    ASSERT_TRUE(WriteBytes(params.logFile, "aaa\n" + hostile + "b\n" + hostile + "\n"));
    struct Row {
        FilterList filters;
        std::string kept;
        size_t tooComplex;
    } rows[] = {
        {{CFilter::Regex(L"(a+)+$")}, "aaa\n", 2},
        // Two expressions giving up on one line count it once.
        {{CFilter::Regex(L"(a+)+$"), CFilter::Regex(L"(a|aa)+$", FilterAnd)}, "aaa\n", 2},
        // The mask keeps the hostile lines; the expression is not asked.
        {{CFilter(L"*b*"), CFilter::Regex(L"(a+)+$")}, "aaa\n" + hostile + "b\n" + hostile, 0},
        {{CFilter(L"*a*")}, "aaa\n" + hostile + hostile, 0},
        // An empty line: kept by an expression that matches it, never by a mask.
        {{CFilter(L"*"), CFilter::Regex(L"^$")}, "aaa\n" + hostile + "b\n" + hostile + "\n", 0},
        {{CFilter::Regex(L"^$"), CFilter(L"-x", FilterAnd)}, "", 0},
    };
    for (const Row& row : rows) {
        params.filters = row.filters;
        const CGrepOutcome outcome = RunWith(params, true);
        ASSERT_EQ(outcome.end, GrepEnd::Completed);
        EXPECT_EQ(ReadBytes(params.resultFile), row.kept) << row.filters[0].text;
        EXPECT_EQ(outcome.tooComplexLines, row.tooComplex) << row.filters[0].text;
    }
}

// What highlighting paints: an expression's matches beside a mask's literals,
// joined where they touch, none when no Or filter matches.
TEST(GrepRegexRun, OrSpansHoldTheExpressionsMatches)
{
    const std::wstring line = L"12:05:33 ERROR timeout=250 and timeout=7";
    const struct {
        FilterList filters;
        std::vector<CMatchSpan> spans;
    } rows[] = {
        {{CFilter::Regex(L"timeout=\\d+")}, {{15, 11}, {31, 9}}},
        {{CFilter::Regex(L"\\d\\d:\\d\\d"), CFilter(L"*ERROR*")}, {{0, 5}, {9, 5}}},
        {{CFilter::Regex(L"(?i)error timeout"), CFilter(L"*timeout=7*")}, {{9, 13}, {31, 9}}},
        {{CFilter::Regex(L"^ERROR")}, {}},
    };
    for (const auto& row : rows) {
        CFilterSet set;
        set.Build(row.filters, false);
        std::vector<CMatchSpan> spans;
        set.OrSpans(line.data(), line.size(), spans);
        EXPECT_EQ(spans, row.spans) << row.filters[0].text;
        EXPECT_EQ(set.Matches(line.data(), line.size()), !row.spans.empty()) << row.filters[0].text;
    }
}

} // namespace
