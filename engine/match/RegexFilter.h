// CRegexFilter: one regular-expression filter compiled by PCRE2 (with its JIT),
// answering what a filter is asked: does a line match, which literals must a
// matching line hold, and where do the matches lie. Free of platform headers.
#pragma once

#include "engine/match/RegexLiterals.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Why an expression was refused: PCRE2's own message and the UTF-16 unit of
// the entered text where it stopped reading.
struct RegexError {
    std::wstring message;
    size_t position = 0;
};

// One match inside a line, in UTF-16 units of its decoded text.
struct RegexSpan {
    size_t start = 0;
    size_t length = 0;
};

// Which engine runs the expression: the JIT, or PCRE2's interpreter (the
// reference the JIT is checked against).
enum class RegexEngine { Jit, Interpreter };

class CRegexFilter {
public:
    // Null when the expression does not compile; `error` then says why.
    static std::unique_ptr<CRegexFilter> Compile(const std::wstring& pattern, RegexError& error,
                                                 RegexEngine engine = RegexEngine::Jit);
    ~CRegexFilter();
    CRegexFilter(const CRegexFilter&) = delete;
    CRegexFilter& operator=(const CRegexFilter&) = delete;

    // Whether the decoded line matches. A line the engine gives up on (a
    // limit reached) does not match and is counted in TooComplexLines().
    // One filter serves one thread: its match data is reused between calls.
    bool Matches(const wchar_t* line, size_t length);
    // The same for a line whose bytes are valid UTF-8 and whose decoded text
    // is those bytes read as UTF-8 (a UTF-8 line, or ASCII in any code page):
    // matched as bytes, with the same result as Matches on the decoded text.
    // False when the 8-bit form is not available; see HasUtf8().
    bool MatchesUtf8(const uint8_t* bytes, size_t length);
    bool HasUtf8() const;

    // The non-empty matches, left to right, each after the end of the one
    // before; what has been found when a limit stops the search.
    std::vector<RegexSpan> Spans(const wchar_t* line, size_t length);

    const RegexLiterals& Literals() const { return m_literals; }
    size_t TooComplexLines() const { return m_tooComplex; }
    bool UsesJit() const;

private:
    struct Compiled;
    explicit CRegexFilter(std::unique_ptr<Compiled> compiled, RegexLiterals literals);
    // 1 for a match, 0 for none, -1 when a limit stopped the search.
    int Run16(const wchar_t* line, size_t length, size_t from, uint32_t options, size_t* start,
              size_t* end);

    std::unique_ptr<Compiled> m_compiled;
    RegexLiterals m_literals;
    size_t m_tooComplex = 0;
    std::u16string m_repaired;   // a line with its lone surrogates replaced
};
