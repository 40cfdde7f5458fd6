// The native sanitizer build's stand-in for CRegexFilter: PCRE2 is built for
// UTF-16 wchar_t, which this platform's wchar_t is not, so here no expression
// compiles and the masks are what these tests cover.
#include "engine/match/RegexFilter.h"

struct CRegexFilter::Compiled {};

std::unique_ptr<CRegexFilter> CRegexFilter::Compile(const std::wstring&, RegexError& error,
                                                    RegexEngine)
{
    error.message = L"No expressions in this build";
    error.position = 0;
    return nullptr;
}

CRegexFilter::~CRegexFilter() = default;

bool CRegexFilter::Matches(const wchar_t*, size_t) { return false; }

std::vector<RegexSpan> CRegexFilter::Spans(const wchar_t*, size_t) { return {}; }
