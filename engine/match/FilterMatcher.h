// CFilterMatcher: a filter's text compiled once, as a mask or as a regular
// expression. The one place that answers whether a line matches, which
// literals a matching line must hold, and where the match lies in the line.
// Free of platform headers.
#pragma once

#include "engine/match/Filter.h"
#include "engine/match/RegexFilter.h"
#include "engine/match/Utils.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class CFilterMatcher {
public:
    CFilterMatcher() = default;
    CFilterMatcher(const std::wstring& text, bool ignoreCase) { Compile(text, ignoreCase); }
    // A copy compiles the expression afresh: the compiled form keeps its
    // match data, so each copy may serve a thread of its own.
    CFilterMatcher(const CFilterMatcher& other);
    CFilterMatcher& operator=(const CFilterMatcher& other);
    CFilterMatcher(CFilterMatcher&&) noexcept = default;
    CFilterMatcher& operator=(CFilterMatcher&&) noexcept = default;
    ~CFilterMatcher();

    // False when the text gives nothing to match: the matcher then matches no line.
    bool Compile(const std::wstring& text, bool ignoreCase);
    // The filter as its kind reads it; `ignoreCase` is for masks, an
    // expression says "(?i)" itself.
    bool CompileFilter(const CFilter& filter, bool ignoreCase);
    // False, with PCRE2's message and position in `error` when given, when
    // the expression does not compile: the matcher then matches no line.
    bool CompileRegex(const std::wstring& pattern, RegexError* error = nullptr);
    // The text as typed, "-" and wildcards included, anywhere in a line.
    void CompilePlain(const std::wstring& text, bool ignoreCase);
    bool Empty() const { return m_tokens.empty() && !m_regex; }
    bool IsRegex() const { return m_regex != nullptr; }
    // Lines this matcher's expression gave up on (a limit reached); they did
    // not match.
    size_t TooComplexLines() const { return m_regex ? m_regex->TooComplexLines() : 0; }

    // True when the line must be lower-cased (ASCII) before MatchesFolded sees it.
    bool FoldsCase() const { return m_folds; }
    // `line` holds `length` characters, already lower-cased when FoldsCase().
    bool MatchesFolded(const wchar_t* line, size_t length) const
    {
        if (m_regex)
            return m_regex->Matches(line, length);
        // An empty line matches no mask, also beside an expression that may
        // match it.
        return length > 0 && CUtils::MatchTokens(line, length, m_tokens, nullptr);
    }
    // Any line as it is; folds a copy when it must. Throws the narrow text
    // "CUtils::StrMaskCompare: unable to duplicate the string" when the copy
    // cannot be made.
    bool Matches(const wchar_t* line, size_t length) const;
    // A zero-terminated text, up to its first zero, as a view holds its lines.
    // `position`, when given, gets where the last literal was found (where an
    // expression's first match starts), or -1.
    bool MatchesText(const wchar_t* text, int* position = nullptr) const;

    // The literals every matching line contains, in order.
    std::vector<std::wstring> RequiredLiterals() const;
    // Sets of literals of which every matching line holds one; only an
    // expression gives them.
    std::vector<std::vector<std::wstring>> AnyOfLiterals() const;
    // Whether the literals are to be searched folding ASCII case.
    bool LiteralsFoldCase() const;
    // The literal of a filter that only asks that the line contain it
    // ("*text*", "~*text*"), or null.
    const std::wstring* ContainedLiteral() const;

    // The parts of the line the literals and single-character wildcards
    // matched, left to right, never what "*" stood for. False, with no span,
    // when the line does not match.
    bool Spans(const wchar_t* line, size_t length, std::vector<CMatchSpan>& spans) const;

    // The compiled form, for ordering and writing the colour table's entries;
    // empty for an expression.
    const TokenList& Tokens() const { return m_tokens; }
    // The expression as entered; empty for a mask.
    const std::wstring& Pattern() const { return m_pattern; }

    bool operator==(const CFilterMatcher& other) const;

private:
    bool Run(const wchar_t* line, size_t length, int* position,
             std::vector<CMatchSpan>* spans) const;

    TokenList m_tokens;
    bool m_folds = false;
    std::wstring m_pattern;
    std::unique_ptr<CRegexFilter> m_regex;
};
