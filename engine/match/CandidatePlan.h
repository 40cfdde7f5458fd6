// Which raw bytes a kept line must contain: the literals that let the grep run
// skip most lines without converting or matching them. Free of platform
// headers: the code page comes in as its byte-to-character table.
#pragma once

#include "engine/match/ByteSearch.h"
#include "engine/match/FilterMatcher.h"

#include <vector>

struct CandidateFilter {
    const CFilterMatcher* matcher;
    bool isAnd;
};

class CCandidatePlan {
public:
    // False when no literal narrows the lines down (an Or filter without a
    // required literal, such as "*" alone or an exclusion alone, or a code page
    // whose letters are not ASCII): every line must then be matched. A literal
    // is searched as its bytes in each encoding a line may be read in: the
    // ANSI code page (`ansiLines`) and UTF-8 (`utf8Lines`).
    bool Build(const std::vector<CandidateFilter>& filters, const wchar_t* toWide,
               bool ansiLines = true, bool utf8Lines = false);
    // The same plan for lines already turned into characters: each literal is
    // searched as the bytes of its UTF-16 units in memory (low byte first). A
    // place that is no unit boundary only costs a line its full match.
    bool BuildWide(const std::vector<CandidateFilter>& filters, const wchar_t* toWide);

    // True when no line can ever be kept (an And filter that matches nothing,
    // or only Or filters that match nothing).
    bool KeepsNothing() const { return m_keepsNothing; }

    // True when a line holding any of the literals is kept without matching
    // it: only Or filters that each ask for one ASCII literal anywhere in
    // the line ("*ERROR:*", "~*timeout*").
    bool HitKeeps() const { return m_hitKeeps; }

    // A kept line contains at least one of these.
    const std::vector<CByteFinder>& AnyOf() const { return m_anyOf; }
    // All of them searched for together, in one pass.
    const CAnyOfFinder& Finder() const { return m_finder; }

private:
    bool BuildLiterals(const std::vector<CandidateFilter>& filters, const wchar_t* toWide,
                       bool ansiLines, bool utf8Lines);

    bool m_wideLines = false;
    bool m_keepsNothing = false;
    bool m_hitKeeps = false;
    std::vector<CByteFinder> m_anyOf;
    CAnyOfFinder m_finder;
};
