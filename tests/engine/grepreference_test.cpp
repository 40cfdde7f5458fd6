// RunGrep against a plain transcription of the run's rules (the plain line
// reader, a new string per line, the unbuffered writer, MatchLine per filter)
// on seeded logs: every line end, empty lines, 8-bit text, and many filter
// and context settings. A faster search slotted into the run must pass this.
#include "engine/io/FileReader.h"
#include "engine/io/FileWriter.h"
#include "engine/run/GrepRun.h"
#include "engine/match/Utils.h"
#include "tests/support/TestFiles.h"
#include "tests/support/GrepObservers.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

// The rules, step by step, with nothing made fast.
int ReferenceRun(const CGrepParams& p)
{
    CFileReader reader(p.logFile.c_str(), 1048575);
    CFileWriter writer(p.resultFile.c_str());
    writer.SetLineDelimiters(p.lfLineEnds ? L"\n" : L"\r\n");
    std::vector<TokenList> tokens(p.filters.size());
    bool anyAnd = false, anyOr = false;
    for (size_t i = 0; i < tokens.size(); ++i) {
        CUtils::Tokenize(tokens[i], p.filters[i].text.c_str(), p.ignoreCase);
        anyAnd |= p.filters[i].IsAnd();
        anyOr |= !p.filters[i].IsAnd();
    }
    std::vector<std::wstring> ring(p.linesBefore > 0 ? static_cast<size_t>(p.linesBefore) : 0);
    size_t writeIndex = 0;
    bool wrapped = false;
    int after = 0;
    bool afterActive = false;
    int matches = 0;
    std::wstring line;
    while (reader.ReadLine(line)) {
        if (tokens.empty()) {
            writer.WriteLine(line);
            continue;
        }
        bool matched = false;
        for (size_t i = 0; i < tokens.size(); ++i) {
            const bool isAnd = p.filters[i].IsAnd();
            if (matched && !isAnd)
                continue;
            if (!CUtils::MatchLine(p.ignoreCase, tokens[i], line.c_str())) {
                if (isAnd) {
                    matched = false;
                    break;
                }
                continue;
            }
            if (!isAnd || !anyOr)
                matched = true;
            if (!anyAnd)
                break;
        }
        if (matched) {
            if (!ring.empty()) {
                if (wrapped)
                    for (size_t i = writeIndex; i < ring.size(); ++i)
                        writer.WriteLine(L"/", ring[i]);
                for (size_t i = 0; i < writeIndex; ++i)
                    writer.WriteLine(L"/", ring[i]);
                writeIndex = 0;
                wrapped = false;
            }
            writer.WriteLine(line);
            after = 0;
            afterActive = true;
            ++matches;
        }
        if (afterActive && p.linesAfter > 0) {
            if (after > 0)
                writer.WriteLine(L"\\", line);
            if (++after > p.linesAfter) {
                after = 0;
                afterActive = false;
            }
        } else if (afterActive) {
            afterActive = false;
        } else if (!ring.empty()) {
            ring[writeIndex] = line;
            if (++writeIndex == ring.size()) {
                writeIndex = 0;
                wrapped = true;
            }
        }
    }
    return matches;
}

std::string RandomLog(std::mt19937& random, size_t lines)
{
    const char* const words[] = {"ERROR:", "error", "Error", "WARN", "config", "timeout",
                                 "TimeOut", "info", "x", "12:51:23", "a-b", "\xe9t\xe9", "\x80"};
    const char* const ends[] = {"\n", "\r\n", "\r"};
    std::string log;
    for (size_t i = 0; i < lines; ++i) {
        const unsigned n = random() % 6;   // 0: an empty line
        for (unsigned w = 0; w < n; ++w) {
            log += words[random() % (sizeof words / sizeof *words)];
            log += w + 1 < n ? " " : "";
        }
        const unsigned e = random() % 10;
        if (e == 0)
            log += '\0';
        else
            log += ends[e % 3];
    }
    if (random() % 2)
        log += "last line without an end ERROR:";
    return log;
}

TEST(GrepReference, RunGrepWritesWhatThePlainRulesWrite)
{
    TempDir dir;
    std::mt19937 random(20261207);
    const std::vector<std::vector<std::wstring>> filterSets = {
        {L"*ERROR:*"}, {L"~*error*"}, {L"*error*", L"*config*"}, {L"~*error*-config"},
        {L"*"}, {L"-config"}, {L"*ERROR*", L"*WARN*", L"-timeout"}, {L"x"}, {L"*12:51:2?*"},
        {L"*\u00e9t\u00e9*"}, {}, {L"~"},
    };
    for (int round = 0; round < 60; ++round) {
        CGrepParams params;
        params.logFile = dir.File(L"log" + std::to_wstring(round) + L".txt");
        params.resultFile = dir.File(L"fast.greptmp");
        params.filters = CheckedFilters(filterSets[static_cast<size_t>(round) % filterSets.size()]);
        // Now and then the last of several filters is an And filter.
        if (params.filters.size() > 1 && round % 3 == 0)
            params.filters.back().mode = FilterAnd;
        params.linesBefore = static_cast<int>(random() % 5) - 1;
        params.linesAfter = static_cast<int>(random() % 5) - 1;
        params.ignoreCase = random() % 4 == 0;
        params.lfLineEnds = random() % 2 == 0;
        SCOPED_TRACE("round " + std::to_string(round));
        ASSERT_TRUE(WriteBytes(params.logFile, RandomLog(random, 300 + random() % 700)));

        CQuietObserver observer;
        const CGrepOutcome outcome = RunGrep(params, observer);
        ASSERT_EQ(outcome.end, GrepEnd::Completed) << outcome.failure;
        const std::string fast = ReadBytes(params.resultFile);

        CGrepParams reference = params;
        reference.resultFile = dir.File(L"reference.greptmp");
        const int matches = ReferenceRun(reference);
        EXPECT_EQ(outcome.matches, params.filters.empty() ? 0 : matches);
        EXPECT_TRUE(fast == ReadBytes(reference.resultFile))
            << "result " << fast.size() << " bytes, reference "
            << ReadBytes(reference.resultFile).size();
    }
}

} // namespace
