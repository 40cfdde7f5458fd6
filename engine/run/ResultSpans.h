// Where the run's filters matched in a line of its result, for a viewer to show.
#pragma once

#include "engine/match/FilterSet.h"

#include <vector>

// The spans of each Or filter on a kept line; none on a context line, which a
// run writes after "/" (before a kept line) or "\" (after one). A kept line
// that starts with such a marker itself is told apart by its text: the text
// after the marker of a context line is never kept, or it would have been.
inline void ResultLineSpans(CFilterSet& filters, const wchar_t* line, size_t length,
                            std::vector<CMatchSpan>& spans)
{
    spans.clear();
    if (length == 0)
        return;
    if ((line[0] == L'/' || line[0] == L'\\') && !filters.Matches(line + 1, length - 1))
        return;
    if (filters.Matches(line, length))
        filters.OrSpans(line, length, spans);
}
