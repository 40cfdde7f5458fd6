// What a run costs, each in a process of its own (tilvo_grepone), so its
// peak working set is its own: context sizes far beyond any log, against a
// run with the usual sizes on the same small log; a compressed log that
// expands a thousandfold; a line of tens of megabytes, read by a run and
// written a piece at a time while followed.
#include "engine/run/GrepRun.h"
#include "tests/engine/PackedFiles.h"
#include "tests/support/GrepObservers.h"
#include "tests/support/Process.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Measured {
    int outcome = -1;          // 0 completed
    unsigned long long peak = 0;
};

Measured RunAlone(const std::wstring& log, const std::wstring& result, long long before,
                  long long after)
{
    const std::string output =
        OutputOf(L"\"" + WinePath(TILVO_GREPONE_EXE) + L"\" \"" + log + L"\" \"" + result + L"\" " +
                 std::to_wstring(before) + L" " + std::to_wstring(after));
    Measured measured;
    std::sscanf(output.c_str(), "%d %llu", &measured.outcome, &measured.peak);
    return measured;
}

TEST(ContextSize, HugeSizesCostOnlyTheLinesHeld)
{
    TempDir dir;
    const std::wstring log = dir.File(L"small.log");
    std::string bytes;
    for (int i = 1; i <= 2000; ++i)
        bytes += "line " + std::to_string(i) + (i % 500 == 0 ? " ERROR: x" : " fine") + "\n";
    ASSERT_TRUE(WriteBytes(log, bytes));

    const Measured usual = RunAlone(log, dir.File(L"usual.greptmp"), 2, 4);
    ASSERT_EQ(usual.outcome, 0);
    ASSERT_GT(usual.peak, 0u) << "no peak working set reported";
    // Sizes of the whole log give every line; larger ones must give the same.
    ASSERT_EQ(RunAlone(log, dir.File(L"whole.greptmp"), 5000, 5000).outcome, 0);
    const std::string whole = ReadBytes(dir.File(L"whole.greptmp"));
    const struct {
        long long before, after;
    } huge[] = {{100000000, 100000000}, {2147483647, 2147483647}, {2147483647, 0}};
    for (const auto& sizes : huge) {
        SCOPED_TRACE(std::to_string(sizes.before) + " before, " + std::to_string(sizes.after) +
                     " after");
        const std::wstring result = dir.File(L"huge.greptmp");
        const Measured run = RunAlone(log, result, sizes.before, sizes.after);
        ASSERT_EQ(run.outcome, 0) << "the run did not complete";
        EXPECT_LT(run.peak, 2 * usual.peak) << run.peak << " bytes against " << usual.peak;
        if (sizes.after > 0) {
            EXPECT_TRUE(ReadBytes(result) == whole);
        }
    }
}

TEST(ContextSize, AThousandfoldMemberIsSearchedInBoundedMemory)
{
    TempDir dir;
    const std::wstring small = dir.File(L"small.log");
    ASSERT_TRUE(WriteBytes(small, "one\nERROR: two\nthree\n"));
    const Measured usual = RunAlone(small, dir.File(L"small.greptmp"), 2, 4);
    ASSERT_EQ(usual.outcome, 0);

    // 128 MiB of one long line repeated (deflate's best case: shorter lines expand less than
    // a thousandfold), as 16 gzip members of 8 MiB each, and the one match in a last member.
    const std::string line((256 << 10) - 1, 'a');
    std::string piece;
    for (int i = 0; i < 32; ++i)
        piece += line + "\n";
    const std::string member = Gzip(piece);
    std::string packed;
    for (int i = 0; i < 16; ++i)
        packed += member;
    packed += Gzip("ERROR: end\n");
    ASSERT_GE(uint64_t(16) * piece.size(), uint64_t(packed.size()) * 1000) << "expands less than 1000 times";
    const std::wstring log = dir.File(L"bomb.log.gz");
    ASSERT_TRUE(WriteBytes(log, packed));
    const std::wstring result = dir.File(L"bomb.greptmp");
    const Measured run = RunAlone(log, result, 2, 4);
    ASSERT_EQ(run.outcome, 0);
    EXPECT_EQ(ReadBytes(result), "/" + line + "\n/" + line + "\nERROR: end\n");
    EXPECT_LT(run.peak, usual.peak + (32u << 20)) << run.peak << " bytes against " << usual.peak;
}

// A run costs about the longest line, not three times it: the line buffer,
// a copy for the result writer and one for the unfinished last line added up.
TEST(RunMemory, ALineOfTensOfMegabytesCostsLittleMoreThanItself)
{
    TempDir dir;
    const std::wstring log = dir.File(L"long.log");
    const size_t half = 12u << 20;
    const std::string line = std::string(half, 'x') + " ERROR: in the middle " + std::string(half, 'z');
    const struct {
        const char* name;
        std::string log, expected;
        long long before, after;
    } cases[] = {
        {"ends in a line end", "start\n" + line + "\nend\n", line + "\n", 0, 0},
        {"ends in a line end, with context", "start\n" + line + "\nend\n",
         "/start\n" + line + "\n\\end\n", 2, 2},
        {"the log's last line", "start\n" + line, line + "\n", 0, 0},
        {"the log's last line, with context", "start\n" + line, "/start\n" + line + "\n", 2, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteBytes(log, c.log));
        const std::wstring result = dir.File(L"long.greptmp");
        const Measured run = RunAlone(log, result, c.before, c.after);
        ASSERT_EQ(run.outcome, 0);
        EXPECT_LT(run.peak, line.size() * 5 / 2) << run.peak << " bytes for a line of " << line.size();
        EXPECT_TRUE(ReadBytes(result) == c.expected) << "the result differs";
    }
}

// A line of 32 MB written 1 MB at each look: following leaves it out of the
// result until its line end comes, reads it whole once, and ends with what a
// fresh run writes.
TEST(RunMemory, FollowingALineWrittenInPiecesWritesItOnce)
{
    TempDir dir;
    CGrepParams params;
    params.logFile = dir.File(L"live.log");
    params.resultFile = dir.File(L"live.greptmp");
    params.filters = {CFilter(L"*ERROR:*")};
    params.linesBefore = 1;
    params.linesAfter = 1;
    ASSERT_TRUE(WriteBytes(params.logFile, "first\nERROR: one\nsecond\nERROR: long "));
    const int pieces = 32;
    const size_t piece = 1u << 20;
    const std::string output = OutputOf(L"\"" + WinePath(TILVO_GREPONE_EXE) + L"\" follow \"" +
                                        params.logFile + L"\" \"" + params.resultFile + L"\" " +
                                        std::to_wstring(pieces) + L" " + std::to_wstring(piece));
    int outcome = -1;
    unsigned long long peak = 0;
    long long largest = -1;
    ASSERT_EQ(std::sscanf(output.c_str(), "%d %llu %lld", &outcome, &peak, &largest), 3) << output;
    EXPECT_EQ(outcome, static_cast<int>(GrepEnd::Stopped));
    const std::string followed = ReadBytes(params.resultFile);
    const unsigned long long line = pieces * piece;
    EXPECT_LT(peak, line * 5 / 2) << peak << " bytes for a line of " << line;
    EXPECT_EQ(largest, static_cast<long long>(std::string("/first\nERROR: one\n\\second\n").size()))
        << "the unfinished line was written";

    params.resultFile = dir.File(L"fresh.greptmp");
    CQuietObserver quiet;
    ASSERT_EQ(RunGrep(params, quiet).end, GrepEnd::Completed);
    EXPECT_TRUE(ReadBytes(params.resultFile) == followed) << "the followed result differs";
}

} // namespace
