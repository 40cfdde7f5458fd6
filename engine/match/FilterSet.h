// CFilterSet: the checked filters of a run and the Or/And rule that decides
// whether a line is kept. Used by the grep run; free of platform headers.
#pragma once

#include "engine/match/CandidatePlan.h"
#include "engine/match/Utils.h"

#include <cstddef>
#include <string>
#include <vector>

enum FilterMode { FilterOr = 0, FilterAnd = 1 };

class CFilterSet {
public:
    // False when texts and modes differ in number. A text that gives no tokens
    // is kept as a filter that matches no line.
    bool Build(const std::vector<std::wstring>& texts, const std::vector<int>& modes,
               bool ignoreCase);

    bool Empty() const { return m_filters.empty(); }
    size_t Count() const { return m_filters.size(); }

    // The combination rule: every And filter must match and, when there is an
    // Or filter, at least one Or filter. The line is folded to lower case at
    // most once, into a buffer kept between calls.
    bool Matches(const wchar_t* line, size_t length);

    // The filters as the candidate plan sees them; valid while the set lives.
    std::vector<CandidateFilter> CandidateFilters() const;

private:
    struct Filter {
        TokenList tokens;
        bool isAnd = false;
        bool folds = false;
    };
    std::vector<Filter> m_filters;
    bool m_anyAnd = false;
    bool m_anyOr = false;
    bool m_anyFolds = false;
    std::wstring m_folded;
};
