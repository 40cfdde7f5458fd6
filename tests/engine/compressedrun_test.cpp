// Runs over compressed logs against runs over the same bytes as plain logs:
// a lone .gz, zip members as files of a set, a mixed rotated set, and
// damaged files that keep the lines before their damage.
#include "engine/run/GrepRun.h"
#include "tests/engine/PackedFiles.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

class NullObserver : public CGrepObserver {
public:
    bool StopRequested() override { return false; }
    void Progress(int percent, int) override { percents.push_back(percent); }
    std::vector<int> percents;
};

CGrepParams Filtered()
{
    CGrepParams params;
    params.filters = CheckedFilters({L"*ab*"});
    return params;
}

// The result of a run over `logFile`, or over `set` when it has logs.
std::string Result(const TempDir& dir, const std::wstring& logFile, std::vector<CSetLog> set,
                   bool fast, CGrepOutcome* outcome = nullptr)
{
    CGrepParams params = Filtered();
    params.logFile = logFile;
    params.logSet = std::move(set);
    params.resultFile = dir.File(L"result.greptmp");
    CGrepOptions options;
    options.allowFastPath = fast;
    NullObserver observer;
    const CGrepOutcome ended = RunGrep(params, observer, options);
    EXPECT_EQ(ended.end, GrepEnd::Completed) << std::string(ended.failure.begin(), ended.failure.end());
    if (outcome)
        *outcome = ended;
    return ReadBytes(params.resultFile);
}

// Cuts the log into `count` pieces at line ends.
std::vector<std::string> CutAtLines(const std::string& log, size_t count)
{
    std::vector<std::string> pieces;
    size_t from = 0;
    for (size_t i = 1; i < count; ++i) {
        size_t at = log.find('\n', log.size() * i / count);
        pieces.push_back(log.substr(from, at + 1 - from));
        from = at + 1;
    }
    pieces.push_back(log.substr(from));
    return pieces;
}

TEST(CompressedRun, CompressedFormsGiveThePlainLogsResult)
{
    TempDir dir;
    // Its last line has no line end: a stream's end is the log's.
    const std::string log = RandomLog(3, 900000) + "last ab line";
    std::string members;
    for (const std::string& piece : CutAtLines(log, 4))
        members += Gzip(piece);
    std::mt19937 random(1);
    std::string midLine;   // members cut inside lines
    for (size_t from = 0; from < log.size();) {
        const size_t length = std::min<size_t>(log.size() - from, 1 + random() % 200000);
        midLine += Gzip(log.substr(from, length));
        from += length;
    }
    ASSERT_TRUE(WriteBytes(dir.File(L"app.log"), log));
    ASSERT_TRUE(WriteBytes(dir.File(L"renamed.gz"), log));   // not gzip at all
    ASSERT_TRUE(WriteBytes(dir.File(L"one.gz"), Gzip(log)));
    ASSERT_TRUE(WriteBytes(dir.File(L"members.gz"), members));
    ASSERT_TRUE(WriteBytes(dir.File(L"midline.gz"), midLine));
    ASSERT_TRUE(WriteBytes(dir.File(L"stored.zip"), Zip({{"app.log", log, 0}}, false)));
    ASSERT_TRUE(WriteBytes(dir.File(L"deflated.zip"),
                           Zip({{"folder/", "", 0}, {"app.log", log, 8}}, true)));
    const std::vector<std::string> rotated = CutAtLines(log, 3);
    ASSERT_TRUE(WriteBytes(dir.File(L"app.log.2.gz"), Gzip(rotated[0])));
    ASSERT_TRUE(WriteBytes(dir.File(L"app.log.2"), rotated[0]));
    ASSERT_TRUE(WriteBytes(dir.File(L"app.log.1"), rotated[1]));
    ASSERT_TRUE(WriteBytes(dir.File(L"app.log.0"), rotated[2]));
    for (bool fast : {true, false}) {
        SCOPED_TRACE(fast ? "fast" : "line by line");
        const std::string plain = Result(dir, dir.File(L"app.log"), {}, fast);
        ASSERT_NE(plain.find("ab"), std::string::npos);
        for (const wchar_t* alone : {L"renamed.gz", L"one.gz", L"members.gz", L"midline.gz"}) {
            SCOPED_TRACE(std::string(alone, alone + wcslen(alone)));
            EXPECT_EQ(Result(dir, dir.File(alone), {}, fast), plain);
        }
        // A zip is a set of its members, each under its header line.
        const std::string asMember =
            Result(dir, L"", {{dir.File(L"app.log"), L"stored.zip:app.log"}}, fast);
        EXPECT_EQ(Result(dir, dir.File(L"stored.zip"), {}, fast), asMember);
        EXPECT_EQ(Result(dir, dir.File(L"deflated.zip"), {}, fast),
                  Result(dir, L"", {{dir.File(L"app.log"), L"deflated.zip:app.log"}}, fast));
        // A rotated set whose oldest log is compressed.
        EXPECT_EQ(Result(dir, L"", {{dir.File(L"app.log.2.gz"), L"app.log.2.gz"},
                                    {dir.File(L"app.log.1"), L"app.log.1"},
                                    {dir.File(L"app.log.0"), L"app.log.0"}}, fast),
                  Result(dir, L"", {{dir.File(L"app.log.2"), L"app.log.2.gz"},
                                    {dir.File(L"app.log.1"), L"app.log.1"},
                                    {dir.File(L"app.log.0"), L"app.log.0"}}, fast));
    }
}

TEST(CompressedRun, DamagedFilesKeepTheLinesBeforeTheDamageAndTheRunGoesOn)
{
    TempDir dir;
    const std::string log = RandomLog(8, 300000);
    const std::string gz = Gzip(log);
    ASSERT_TRUE(WriteBytes(dir.File(L"next.log"), "after ab\n"));
    std::mt19937 random(4);
    std::string badCrc = gz;
    badCrc[gz.size() - 8] ^= 1;
    std::string flipped = gz;
    flipped[gz.size() / 2] ^= 0x5a;
    std::string zipFlipped = Zip({{"a.log", "ab\n", 0}, {"b.log", log, 8}}, false);
    zipFlipped[zipFlipped.size() / 2] ^= 0x5a;
    struct Case {
        std::string name;
        std::string bytes;
        const wchar_t* file;
    };
    std::vector<Case> cases = {{"a bad CRC", badCrc, L"bad.gz"},
                               {"a flipped byte", flipped, L"bad.gz"},
                               {"a zip member with a flipped byte",
zipFlipped, L"bad.zip"},
                               {"an encrypted zip member", Zip({{"b.log", log, 8, 1}}, false), L"bad.zip"},
                               {"a zip without its directory", Zip({{"b.log", log, 8}}, false).substr(0, 5000),
                                L"bad.zip"}};
    for (int i = 0; i < 4; ++i) {
        const size_t cut = 20 + random() % (gz.size() - 30);
        cases.push_back({"cut at " + std::to_string(cut), gz.substr(0, cut), L"bad.gz"});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteBytes(dir.File(c.file), c.bytes));
        CGrepOutcome outcome;
        const std::string result = Result(dir, L"", {{dir.File(c.file), c.file},
                                                     {dir.File(L"next.log"), L"next.log"}},
                                          true, &outcome);
        // The next log is read and the run completes; the damaged one is said.
        EXPECT_NE(result.find("### next.log\nafter ab\n"), std::string::npos);
        ASSERT_FALSE(outcome.skipped.empty());
        const std::wstring& reason = outcome.skipped.back().reason;
        const std::wstring& path = outcome.skipped.back().path;
        EXPECT_EQ(path.substr(0, dir.File(c.file).size()), dir.File(c.file));
        // A flipped byte may come out as other bytes before it is found.
        if (c.file == std::wstring(L"bad.gz") && c.name != "a flipped byte") {
            // The lines before the damage give what the plain log's first lines give.
            ASSERT_EQ(reason.rfind(L"damaged ", 0), 0u) << std::string(reason.begin(), reason.end());
            const size_t after = reason.find(L"after line ");
            const unsigned long lines = after == std::wstring::npos ? 0 : std::stoul(reason.substr(after + 11));
            size_t end = 0;
            for (unsigned long n = 0; n < lines; ++n) {
                end = log.find_first_of("\r\n", end);
                end += (log[end] == '\r' && log[end + 1] == '\n') ? 2 : 1;
            }
            ASSERT_TRUE(WriteBytes(dir.File(L"prefix.log"), log.substr(0, end)));
            const std::string expected =
                end == 0 ? std::string()
                         : Result(dir, L"", {{dir.File(L"prefix.log"), c.file}}, true);
            EXPECT_EQ(result.substr(0, expected.size()), expected);
            EXPECT_EQ(result.substr(expected.size()), "### next.log\nafter ab\n");
            if (c.name == "a bad CRC") {
                EXPECT_EQ(end, log.size());   // every line came out; only the check failed
            }
        }
    }
}

TEST(CompressedRun, ProgressFollowsTheCompressedBytes)
{
    TempDir dir;
    ASSERT_TRUE(WriteBytes(dir.File(L"big.gz"), Gzip(RandomLog(12, 4000000))));
    CGrepParams params = Filtered();
    params.logFile = dir.File(L"big.gz");
    params.resultFile = dir.File(L"result.greptmp");
    NullObserver observer;
    ASSERT_EQ(RunGrep(params, observer).end, GrepEnd::Completed);
    // Said at least once per buffer of the stream (1 MiB of the log).
    ASSERT_GE(observer.percents.size(), 3u);
    EXPECT_EQ(observer.percents.back(), 100);
    for (size_t i = 1; i < observer.percents.size(); ++i)
        EXPECT_GT(observer.percents[i], observer.percents[i - 1]);
}

}  // namespace
