// Fast search for a literal in raw bytes, optionally ignoring the case of
// ASCII letters. Free of platform headers; SSE2 where the compiler has it, a
// plain loop otherwise.
#pragma once

#include "engine/ByteRules.h"

#include <cstddef>
#include <cstdint>
#include <string>

class CByteFinder {
public:
    // `needle` holds bytes; with foldAscii it must already be in lower case and
    // the search treats 'A'-'Z' in the haystack as 'a'-'z'.
    CByteFinder(std::string needle, bool foldAscii);

    // First occurrence starting at or after `from`; `length` when there is none.
    size_t Find(const uint8_t* data, size_t length, size_t from) const;

    const std::string& Needle() const { return m_needle; }
    bool FoldsAscii() const { return m_fold; }

private:
    bool MatchesAt(const uint8_t* at) const;
    size_t FindScalar(const uint8_t* data, size_t length, size_t from) const;

    std::string m_needle;
    bool m_fold;
    size_t m_second;   // index of the second byte the fingerprint checks
};
