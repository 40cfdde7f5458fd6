// CFilterSet: the checked filters of a run and the Or/And rule that decides
// whether a line is kept. Used by the grep run and the result viewer; free of
// platform headers.
#pragma once

#include "engine/match/CandidatePlan.h"
#include "engine/match/Filter.h"
#include "engine/match/FilterMatcher.h"

#include <cstddef>
#include <string>
#include <vector>

class CFilterSet {
public:
    // Compiles the checked filters of the list, in order. A text that gives
    // nothing to match is kept as a filter that matches no line.
    void Build(const FilterList& filters, bool ignoreCase);

    bool Empty() const { return m_filters.empty(); }
    size_t Count() const { return m_filters.size(); }

    // The combination rule: every And filter must match and, when there is an
    // Or filter, at least one Or filter. The line is folded to lower case at
    // most once, into a buffer kept between calls.
    bool Matches(const wchar_t* line, size_t length);

    // What each matching Or filter matched in the line, in line order, joined
    // where spans touch or overlap; empty when no Or filter matches.
    void OrSpans(const wchar_t* line, size_t length, std::vector<CMatchSpan>& spans) const;

    // Lines Matches saw an expression give up on (a limit reached); such a
    // filter did not match the line.
    size_t TooComplexLines() const { return m_tooComplexLines; }

    // The filters as the candidate plan sees them; valid while the set lives.
    std::vector<CandidateFilter> CandidateFilters() const;

private:
    bool MatchesAny(const wchar_t* line, size_t length);
    // Give-ups summed over the filters' expressions.
    size_t GaveUp() const;

    struct Filter {
        CFilterMatcher matcher;
        bool isAnd = false;
    };
    std::vector<Filter> m_filters;
    bool m_anyAnd = false;
    bool m_anyOr = false;
    bool m_anyFolds = false;
    bool m_anyRegex = false;   // an expression may match an empty line
    std::wstring m_folded;
    size_t m_tooComplexLines = 0;
};
