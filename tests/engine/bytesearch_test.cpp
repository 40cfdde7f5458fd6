// Raw byte searches: literals with and without ASCII folding, line ends.
// Portable: also built natively with the sanitizers.
#include "engine/match/ByteSearch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

size_t Naive(const std::string& hay, const std::string& needle, bool fold, size_t from)
{
    for (size_t i = from; i + needle.size() <= hay.size(); ++i) {
        size_t k = 0;
        while (k < needle.size() &&
               (fold ? FoldAscii(uint8_t(hay[i + k])) : uint8_t(hay[i + k])) == uint8_t(needle[k]))
            ++k;
        if (k == needle.size())
            return i;
    }
    return hay.size();
}

TEST(ByteFinder, FindsLiterals)
{
    const std::string hay = "10:01 INFO ok\n10:02 ERROR: disk full\nerror: x";
    CByteFinder exact("ERROR:", false);
    EXPECT_EQ(exact.Find(Bytes(hay), hay.size(), 0), hay.find("ERROR:"));
    EXPECT_EQ(exact.Find(Bytes(hay), hay.size(), hay.find("ERROR:") + 1), hay.size());
    CByteFinder folded("error:", true);
    EXPECT_EQ(folded.Find(Bytes(hay), hay.size(), 0), hay.find("ERROR:"));
    EXPECT_EQ(folded.Find(Bytes(hay), hay.size(), hay.find("ERROR:") + 1), hay.find("error:"));
    // Folding touches ASCII letters only: '@' is not '`', 0xC9 is not 0xE9.
    const std::string odd = "@\xC9";
    EXPECT_EQ(CByteFinder("`\xE9", true).Find(Bytes(odd), odd.size(), 0), odd.size());
    EXPECT_EQ(CByteFinder("", false).Find(Bytes(hay), hay.size(), 3), 3u);
    EXPECT_EQ(CByteFinder("longer than the haystack", false).Find(Bytes(odd), odd.size(), 0), odd.size());
}

// Both widths of step, sixteen places and thirty-two where the processor has
// it, must give the same answers; the widest is restored at the end.
class BothWidths : public testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        if (UseWideByteSteps(GetParam()) != GetParam())
            GTEST_SKIP() << "this processor has no thirty-two-byte steps";
    }
    void TearDown() override { UseWideByteSteps(true); }
};
INSTANTIATE_TEST_SUITE_P(Steps, BothWidths, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? "Wide" : "Narrow";
                         });

TEST_P(BothWidths, AFinderAgreesWithANaiveSearchOnRandomInput)
{
    std::mt19937 rng(7);
    const char alphabet[] = "aAbB:\n\r";
    for (int round = 0; round < 3000; ++round) {
        std::string hay(rng() % 150, ' ');
        for (char& c : hay)
            c = alphabet[rng() % 7];
        std::string needle(1 + rng() % 4, ' ');
        for (char& c : needle)
            c = alphabet[rng() % 7];
        const bool fold = rng() & 1;
        if (fold)
            for (char& c : needle)
                c = char(FoldAscii(uint8_t(c)));
        const size_t from = hay.empty() ? 0 : rng() % hay.size();
        CByteFinder finder(needle, fold);
        ASSERT_EQ(finder.Find(Bytes(hay), hay.size(), from), Naive(hay, needle, fold, from))
            << "round " << round;
    }
}

TEST_P(BothWidths, AnyOfFindsTheFirstAndTheLastPlaceOfAnyNeedleInOnePass)
{
    // Needles of different lengths and cases against the earliest and the
    // latest place any one of them is found alone, on random input long
    // enough for the sixteen- and thirty-two-byte steps; one to six needles,
    // so that both the loops sized for a plan and the general one run.
    std::mt19937 rng(3);
    const char alphabet[] = "aAbB:xy";
    for (int round = 0; round < 4000; ++round) {
        std::string hay(rng() % 200, ' ');
        for (char& c : hay)
            c = alphabet[rng() % 7];
        std::vector<CByteFinder> needles;
        for (int k = 1 + int(rng() % 6); k > 0; --k) {
            std::string needle(1 + rng() % (rng() % 8 == 0 ? 40 : 5), ' ');
            for (char& c : needle)
                c = alphabet[rng() % 7];
            const bool fold = rng() & 1;
            if (fold)
                for (char& c : needle)
                    c = char(FoldAscii(uint8_t(c)));
            needles.emplace_back(needle, fold);
        }
        const size_t from = hay.empty() ? 0 : rng() % hay.size();
        const size_t length = from + rng() % (hay.size() - from + 1);
        const std::string part = hay.substr(0, length);
        size_t first = length;
        size_t last = length;
        for (const CByteFinder& n : needles) {
            for (size_t at = Naive(part, n.Needle(), n.FoldsAscii(), from); at < length;
                 at = Naive(part, n.Needle(), n.FoldsAscii(), at + 1)) {
                first = std::min(first, at);
                last = last == length ? at : std::max(last, at);
            }
        }
        const CAnyOfFinder finder(needles);
        ASSERT_EQ(finder.Find(Bytes(hay), length, from), first) << "round " << round;
        ASSERT_EQ(finder.FindLast(Bytes(hay), from, length), last) << "round " << round;
    }
}

TEST(FindLineEnd, FindsLfCrAndZero)
{
    std::string s(40, 'x');
    EXPECT_EQ(FindLineEnd(Bytes(s), s.size(), 0), s.size());
    for (size_t at : {0u, 5u, 15u, 16u, 17u, 31u, 39u}) {
        for (char end : {'\n', '\r', '\0'}) {
            std::string t = s;
            t[at] = end;
            EXPECT_EQ(FindLineEnd(Bytes(t), t.size(), 0), at);
            EXPECT_EQ(FindLineEnd(Bytes(t), t.size(), at + 1), t.size());
        }
    }
}

} // namespace
