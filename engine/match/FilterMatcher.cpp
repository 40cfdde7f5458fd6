// A filter's compiled matcher: masks, answered by the mask language's core,
// and expressions, answered by CRegexFilter.
#include "engine/match/FilterMatcher.h"

#include "engine/match/MaskExplanation.h"
#include "engine/text/ByteRules.h"

#include <cwchar>

namespace {

bool IsMarker(const std::wstring& t)
{
    return t.size() == 1 && (t[0] == L'*' || t[0] == L'?' || t[0] == L'-' || t[0] == L'~');
}

} // namespace

CFilterMatcher::CFilterMatcher(const CFilterMatcher& other)
    : m_tokens(other.m_tokens), m_folds(other.m_folds)
{
    if (other.m_regex)
        CompileRegex(other.m_pattern);
}

CFilterMatcher& CFilterMatcher::operator=(const CFilterMatcher& other)
{
    if (this != &other)
        *this = CFilterMatcher(other);
    return *this;
}

CFilterMatcher::~CFilterMatcher() = default;

bool CFilterMatcher::operator==(const CFilterMatcher& other) const
{
    return m_tokens == other.m_tokens && m_folds == other.m_folds &&
           m_pattern == other.m_pattern && IsRegex() == other.IsRegex();
}

bool CFilterMatcher::CompileFilter(const CFilter& filter, bool ignoreCase)
{
    if (filter.IsRegex())
        return CompileRegex(filter.text);
    return Compile(filter.text, ignoreCase);
}

bool CFilterMatcher::CompileRegex(const std::wstring& pattern, RegexError* error)
{
    m_tokens.clear();
    m_folds = false;
    m_pattern = pattern;
    RegexError refused;
    m_regex = CRegexFilter::Compile(pattern, error ? *error : refused);
    return m_regex != nullptr;
}

bool CFilterMatcher::Compile(const std::wstring& text, bool ignoreCase)
{
    m_regex.reset();
    m_pattern.clear();
    if (!CUtils::Tokenize(m_tokens, text.c_str(), ignoreCase))
        m_tokens.clear();
    m_folds = CUtils::FoldsCase(m_tokens, ignoreCase);
    return !m_tokens.empty();
}

void CFilterMatcher::CompilePlain(const std::wstring& text, bool ignoreCase)
{
    m_regex.reset();
    m_pattern.clear();
    m_tokens = PlainTextTokens(text, ignoreCase);
    m_folds = CUtils::FoldsCase(m_tokens, ignoreCase);
}

bool CFilterMatcher::Run(const wchar_t* line, size_t length, int* position,
                         std::vector<CMatchSpan>* spans) const
{
    if (position)
        *position = -1;
    if (m_regex) {
        if (!line || !m_regex->Matches(line, length))
            return false;
        // Where it matched is asked by highlighting and by a search's
        // scrolling only, after the decision.
        if (!spans && !position)
            return true;
        const std::vector<RegexSpan> found = m_regex->Spans(line, length);
        if (position && !found.empty())
            *position = static_cast<int>(found.front().start);
        if (spans)
            for (const RegexSpan& s : found)
                spans->push_back({s.start, s.length});
        return true;
    }
    if (m_tokens.empty() || !line || length == 0)
        return false;
    return CUtils::MatchTokens(m_folds ? CUtils::FoldedCopy(line, length) : line, length, m_tokens, position,
                               spans);
}

bool CFilterMatcher::Matches(const wchar_t* line, size_t length) const
{
    return Run(line, length, nullptr, nullptr);
}

bool CFilterMatcher::MatchesText(const wchar_t* text, int* position) const
{
    if (position)
        *position = -1;
    return text && Run(text, std::wcslen(text), position, nullptr);
}

std::vector<std::wstring> CFilterMatcher::RequiredLiterals() const
{
    if (m_regex)
        return m_regex->Literals().required;
    // A literal right after "-" must be absent. A literal that follows such a
    // literal with no marker between them is required on some matches and
    // skipped on others, so it is not counted; a marker starts afresh.
    std::vector<std::wstring> required;
    bool excluded = false;
    for (const std::wstring& t : m_tokens) {
        if (IsMarker(t)) {
            if (t[0] != L'~')
                excluded = t[0] == L'-';
            continue;
        }
        if (!excluded && !t.empty())
            required.push_back(t);
    }
    return required;
}

std::vector<std::vector<std::wstring>> CFilterMatcher::AnyOfLiterals() const
{
    if (m_regex)
        return m_regex->Literals().anyOf;
    return {};
}

bool CFilterMatcher::LiteralsFoldCase() const
{
    return m_regex ? m_regex->Literals().foldsCase : m_folds;
}

const std::wstring* CFilterMatcher::ContainedLiteral() const
{
    if (m_regex)
        return nullptr;
    const TokenList& tokens = m_tokens;
    const size_t t = !tokens.empty() && tokens[0] == L"~" ? 1 : 0;
    if (tokens.size() != t + 3 || tokens[t] != L"*" || tokens[t + 2] != L"*" ||
        tokens[t + 1].empty() || IsMarker(tokens[t + 1]))
        return nullptr;
    return &tokens[t + 1];
}

bool CFilterMatcher::Spans(const wchar_t* line, size_t length, std::vector<CMatchSpan>& spans) const
{
    spans.clear();
    if (Run(line, length, nullptr, &spans))
        return true;
    spans.clear();
    return false;
}
