// Runs whose memory must stay bounded, each in a process of its own
// (tilvo_grepone), so its peak working set is its own, against a run with the
// usual sizes on a small log: context sizes far beyond any log, and a
// compressed log that expands a thousandfold.
#include "tests/engine/PackedFiles.h"
#include "tests/support/Process.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

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

} // namespace
