// Fast search for a literal in raw bytes, optionally ignoring the case of
// ASCII letters. Free of platform headers; SSE2 where the compiler has it, a
// plain loop otherwise.
#pragma once

#include "engine/text/ByteRules.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Whether the searches below take thirty-two places a step (AVX2) where the
// processor has it, or sixteen; true when asked for and the processor has it.
// For tests and benchmarks, which check both widths give the same answers.
bool UseWideByteSteps(bool wide);

class CByteFinder {
public:
    // `needle` holds bytes; with foldAscii it must already be in lower case and
    // the search treats 'A'-'Z' in the haystack as 'a'-'z'.
    CByteFinder(std::string needle, bool foldAscii);

    // First occurrence starting at or after `from`; `length` when there is none.
    size_t Find(const uint8_t* data, size_t length, size_t from) const;

    const std::string& Needle() const { return m_needle; }
    bool FoldsAscii() const { return m_fold; }
    // The needle's byte that a search checks besides its first one.
    size_t SecondIndex() const { return m_second; }
    // The whole needle lies at data[at] and ends at or before `length`.
    bool MatchesAt(const uint8_t* data, size_t length, size_t at) const
    {
        return at <= length && m_needle.size() <= length - at && MatchesAt(data + at);
    }

private:
    bool MatchesAt(const uint8_t* at) const;
    size_t FindScalar(const uint8_t* data, size_t length, size_t from) const;
    size_t FindWide(const uint8_t* data, size_t length, size_t& from) const;

    std::string m_needle;
    bool m_fold;
    size_t m_second;   // index of the second byte the fingerprint checks
};

// Several needles searched for together, in one pass over the bytes: each
// sixteen starting places are tested against a fingerprint of every needle
// (its first byte and one more), and only places that fit one are compared
// in full. Needles must not be empty.
class CAnyOfFinder {
public:
    CAnyOfFinder() = default;
    explicit CAnyOfFinder(const std::vector<CByteFinder>& needles);

    // First place at or after `from` where a needle lies wholly before
    // `length`; `length` when there is none.
    size_t Find(const uint8_t* data, size_t length, size_t from) const;
    // Last such place in data[from, length), searched from the end; `length`
    // when there is none.
    size_t FindLast(const uint8_t* data, size_t from, size_t length) const;

    bool Empty() const { return m_needles.empty(); }

private:
    // A fingerprint spread over sixteen bytes, ready for the block compares:
    // the first byte, the second one `offset` bytes on, and what is or-ed into
    // each before comparing (0x20 for both cases of a letter, else 0).
    struct alignas(16) Lane {
        uint8_t first[16];
        uint8_t second[16];
        uint8_t foldFirst[16];
        uint8_t foldSecond[16];
        size_t offset;
    };

    bool AnyAt(const uint8_t* data, size_t length, size_t at) const;
    // One bit per starting place p + 0 to 15 that fits some fingerprint;
    // reads p[0, m_reach + 16). N is the number of lanes, or 0 for any.
    template <size_t N, bool Fold>
    static unsigned Candidates(const Lane* lanes, size_t count, const uint8_t* p);
    template <size_t N, bool Fold>
    static uint32_t CandidatesWide(const Lane* lanes, size_t count, const uint8_t* p);
    template <size_t N, bool Fold>
    size_t FindWide(const uint8_t* data, size_t length, size_t& from) const;
    template <size_t N, bool Fold>
    size_t FindWith(const uint8_t* data, size_t length, size_t from) const;
    template <size_t N, bool Fold>
    size_t FindLastWith(const uint8_t* data, size_t from, size_t length) const;

    std::vector<CByteFinder> m_needles;
    std::vector<Lane> m_lanes;
    bool m_folds = false;   // some fingerprint byte is a letter of a folding needle
    size_t m_reach = 0;     // the largest offset of a second byte
};
