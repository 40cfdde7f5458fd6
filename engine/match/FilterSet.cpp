// The Or/And combination of a run's filters, evaluated with its short cuts.
#include "engine/match/FilterSet.h"

#include "engine/text/ByteRules.h"

bool CFilterSet::Build(const std::vector<std::wstring>& texts, const std::vector<int>& modes,
                       bool ignoreCase)
{
    m_filters.clear();
    m_anyAnd = m_anyOr = m_anyFolds = false;
    if (texts.size() != modes.size())
        return false;
    m_filters.resize(texts.size());
    for (size_t i = 0; i < texts.size(); ++i) {
        Filter& f = m_filters[i];
        if (!CUtils::Tokenize(f.tokens, texts[i].c_str(), ignoreCase))
            f.tokens.clear();
        f.isAnd = modes[i] == FilterAnd;
        f.folds = CUtils::FoldsCase(f.tokens, ignoreCase);
        m_anyAnd |= f.isAnd;
        m_anyOr |= !f.isAnd;
        m_anyFolds |= f.folds;
    }
    return true;
}

bool CFilterSet::Matches(const wchar_t* line, size_t length)
{
    if (length == 0)
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
        const bool hit = CUtils::MatchTokens(f.folds ? folded : line, length, f.tokens, nullptr);
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

std::vector<CandidateFilter> CFilterSet::CandidateFilters() const
{
    std::vector<CandidateFilter> filters;
    for (const Filter& f : m_filters)
        filters.push_back({&f.tokens, f.isAnd, f.folds});
    return filters;
}
