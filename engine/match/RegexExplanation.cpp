// Words for regular expressions: the hint line and the refusal, from PCRE2's own compile.
#include "engine/match/RegexExplanation.h"

#include "engine/match/RegexFilter.h"

std::wstring RegexRefusal(const std::wstring& text)
{
    RegexError error;
    if (CRegexFilter::Compile(text, error, RegexEngine::Interpreter))
        return {};
    return error.message + L" (after " + std::to_wstring(error.position) + L" characters)";
}

std::wstring ExplainRegex(const std::wstring& text, bool ignoreCase)
{
    if (text.empty())
        return L"Type a regular expression.";
    const std::wstring refused = RegexRefusal(text);
    if (!refused.empty())
        return L"Not yet a regular expression: " + refused;
    return std::wstring(L"Line needs a match of the regular expression.") +
           (ignoreCase ? L" Case is ignored." : L"");
}

std::wstring SearchRegex(const std::wstring& text, bool ignoreCase)
{
    return ignoreCase ? L"(?i)" + text : text;
}
