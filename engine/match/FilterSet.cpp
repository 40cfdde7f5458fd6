// The Or/And combination of a run's filters, evaluated with its short cuts.
#include "engine/match/FilterSet.h"

#include "engine/text/ByteRules.h"

#include <algorithm>

void CFilterSet::Build(const FilterList& filters, bool ignoreCase)
{
    m_filters.clear();
    m_anyAnd = m_anyOr = m_anyFolds = m_anyRegex = false;
    m_tooComplexLines = 0;
    for (const CFilter& filter : filters) {
        if (!filter.checked)
            continue;
        Filter& f = m_filters.emplace_back();
        f.matcher.CompileFilter(filter, ignoreCase);
        m_anyRegex |= f.matcher.IsRegex();
        f.isAnd = filter.IsAnd();
        m_anyAnd |= f.isAnd;
        m_anyOr |= !f.isAnd;
        m_anyFolds |= f.matcher.FoldsCase();
    }
}

bool CFilterSet::Matches(const wchar_t* line, size_t length)
{
    if (!m_anyRegex)
        return MatchesAny(line, length);
    // A line counts once however many expressions gave up on it.
    const size_t before = GaveUp();
    const bool matched = MatchesAny(line, length);
    if (GaveUp() != before)
        ++m_tooComplexLines;
    return matched;
}

bool CFilterSet::MatchesAny(const wchar_t* line, size_t length)
{
    if (length == 0 && !m_anyRegex)
        return false;   // an empty line matches no mask
    const wchar_t* folded = line;
    if (m_anyFolds) {
        if (m_folded.size() < length)
            m_folded.resize(length);
        for (size_t i = 0; i < length; ++i)
            m_folded[i] = FoldAscii(line[i]);
        folded = m_folded.data();
    }
    bool matched = false;
    for (const Filter& f : m_filters) {
        if (matched && !f.isAnd)
            continue;
        const bool hit = f.matcher.MatchesFolded(f.matcher.FoldsCase() ? folded : line, length);
        if (!hit) {
            if (f.isAnd)
                return false;
            continue;
        }
        if (!f.isAnd || !m_anyOr)
            matched = true;
        if (!m_anyAnd)
            break;
    }
    return matched;
}

void CFilterSet::OrSpans(const wchar_t* line, size_t length, std::vector<CMatchSpan>& spans) const
{
    spans.clear();
    std::vector<CMatchSpan> one;
    for (const Filter& f : m_filters)
        if (!f.isAnd && f.matcher.Spans(line, length, one))
            spans.insert(spans.end(), one.begin(), one.end());
    std::sort(spans.begin(), spans.end(),
              [](const CMatchSpan& a, const CMatchSpan& b) { return a.begin < b.begin; });
    // Two filters may cover the same text: one span for it.
    size_t kept = 0;
    for (const CMatchSpan& s : spans) {
        if (kept > 0 && spans[kept - 1].begin + spans[kept - 1].length >= s.begin) {
            CMatchSpan& last = spans[kept - 1];
            last.length = std::max(last.begin + last.length, s.begin + s.length) - last.begin;
        } else {
            spans[kept++] = s;
        }
    }
    spans.resize(kept);
}

size_t CFilterSet::GaveUp() const
{
    size_t lines = 0;
    for (const Filter& f : m_filters)
        lines += f.matcher.TooComplexLines();
    return lines;
}

std::vector<CandidateFilter> CFilterSet::CandidateFilters() const
{
    std::vector<CandidateFilter> filters;
    for (const Filter& f : m_filters)
        filters.push_back({&f.matcher, f.isAnd});
    return filters;
}
