// CFilter: one filter as the user keeps it: its text, Or or And, checked, and its kind.
#pragma once

#include <string>
#include <vector>

enum FilterMode { FilterOr = 0, FilterAnd = 1 };

// How a filter's text is read: as a mask, or as a regular expression (whose
// own "(?i)" ignores case). Each kind has its matcher behind CFilterMatcher.
enum class FilterKind { Mask, Regex };

struct CFilter {
    std::wstring text;
    FilterMode mode = FilterOr;
    bool checked = true;
    FilterKind kind = FilterKind::Mask;

    CFilter() = default;
    CFilter(std::wstring filterText, FilterMode filterMode = FilterOr, bool isChecked = true)
        : text(std::move(filterText)), mode(filterMode), checked(isChecked)
    {
    }
    CFilter(const wchar_t* filterText, FilterMode filterMode = FilterOr)
        : CFilter(std::wstring(filterText), filterMode)
    {
    }
    static CFilter Regex(std::wstring pattern, FilterMode filterMode = FilterOr)
    {
        CFilter filter(std::move(pattern), filterMode);
        filter.kind = FilterKind::Regex;
        return filter;
    }

    // The one-digit state the category store and the filter list share:
    // 1 for checked plus 2 for And plus 4 for a regular expression. The file's
    // "Check" digits hold the first two bits; the kind has a key of its own.
    static CFilter FromState(std::wstring filterText, int state)
    {
        CFilter filter(std::move(filterText), (state & 2) ? FilterAnd : FilterOr, (state & 1) != 0);
        filter.kind = (state & 4) ? FilterKind::Regex : FilterKind::Mask;
        return filter;
    }
    int State() const { return (checked ? 1 : 0) + (mode == FilterAnd ? 2 : 0) + (IsRegex() ? 4 : 0); }
    bool IsAnd() const { return mode == FilterAnd; }
    bool IsRegex() const { return kind == FilterKind::Regex; }

    bool operator==(const CFilter&) const = default;
};

using FilterList = std::vector<CFilter>;

// Checked filters of these texts; a text's mode comes from `modes` where it
// has one (0 Or, 1 And), else Or. Tables of runs are written this way.
inline FilterList CheckedFilters(const std::vector<std::wstring>& texts,
                                 const std::vector<int>& modes = {})
{
    FilterList filters;
    for (size_t i = 0; i < texts.size(); ++i)
        filters.emplace_back(texts[i], i < modes.size() && modes[i] == 1 ? FilterAnd : FilterOr);
    return filters;
}
