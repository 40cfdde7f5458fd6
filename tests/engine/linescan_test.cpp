// Line-end counting and line starts against a byte-by-byte reference, on
// random bytes cut into random pieces. Portable: also built natively.
#include "engine/text/LineScan.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

uint64_t NaiveCount(const std::string& s)
{
    uint64_t count = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const uint8_t b = uint8_t(s[i]);
        if (IsLineEndByte(b) && !(i > 0 && IsCrLf(uint8_t(s[i - 1]), b)))
            ++count;
    }
    return count;
}

TEST(LineEndCounter, AgreesWithAByteLoopWhereverThePiecesAreCut)
{
    std::mt19937 rng(15);
    const char alphabet[] = "ab\r\n\r\n";   // many CR LF pairs, and LF CR, CR CR
    for (int round = 0; round < 400; ++round) {
        std::string s(rng() % 9000, ' ');
        for (char& c : s)
            c = rng() % 50 == 0 ? '\0' : alphabet[rng() % 6];
        CLineEndCounter counter;
        for (size_t at = 0; at < s.size();) {
            // Pieces of 0 to 40 bytes, or long ones that run the sixteen-byte
            // loop past its 255-block summing step.
            const size_t piece = std::min(s.size() - at, size_t(rng() % 4 ? rng() % 41 : 5000));
            counter.Add(Bytes(s) + at, piece);
            at += piece;
        }
        ASSERT_EQ(counter.Count(), NaiveCount(s)) << "round " << round;
    }
    // A CR that ends one piece and the LF that starts the next are one line end.
    CLineEndCounter split;
    split.Add(Bytes("x\r"), 2);
    split.Add(Bytes("\ny"), 2);
    EXPECT_EQ(split.Count(), 1u);
}

TEST(LineStartBefore, FindsThePlaceJustPastTheLastLineEnd)
{
    std::mt19937 rng(16);
    for (int round = 0; round < 2000; ++round) {
        std::string s(1 + rng() % 70, 'x');
        for (char& c : s)
            c = rng() % 12 == 0 ? "\n\r"[rng() % 3] : 'x';
        const size_t from = rng() % s.size();
        const size_t at = from + rng() % (s.size() - from + 1);
        size_t expected = from;
        for (size_t i = at; i > from; --i)
            if (IsLineEndByte(uint8_t(s[i - 1]))) {
                expected = i;
                break;
            }
        ASSERT_EQ(LineStartBefore(Bytes(s), from, at), expected) << "round " << round;
    }
}

} // namespace
