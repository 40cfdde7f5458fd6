// How a typed mask will be read, in words, from the matcher's own tokens; and the plain-text forms offered instead.
#include "engine/match/MaskExplanation.h"

namespace {

std::wstring Quoted(const std::wstring& literal)
{
    return L"\"" + literal + L"\"";
}

bool IsMarker(const std::wstring& token)
{
    return token == L"*" || token == L"?" || token == L"-" || token == L"~";
}

std::wstring Lower(std::wstring text)
{
    for (wchar_t& c : text)
        if (c >= L'A' && c <= L'Z')
            c = wchar_t(c - L'A' + L'a');
    return text;
}

} // namespace

std::wstring ExplainMask(const std::wstring& text, bool ignoreCase)
{
    TokenList tokens;
    if (!CUtils::Tokenize(tokens, text.c_str(), ignoreCase))
        return L"Type a mask: * and ? are wildcards, - excludes the next text, ~ ignores case.";
    const bool foldsCase = CUtils::FoldsCase(tokens, ignoreCase);
    const std::wstring caseWords = foldsCase ? L" Case is ignored." : L" Case matters.";

    // The walk of StrMaskCompare: the two last markers, and the literal the cursor stands after.
    std::wstring previous, beforePrevious, lastFound;
    std::wstring said;
    bool endsFree = false;      // a final "*": the line may go on
    bool endsExcluded = false;  // a final excluded literal: absent, it ends the match at once
    bool questionPending = false;   // a "?" no literal has followed: it needs a character there
    for (size_t i = 0; i < tokens.size(); ++i) {
        const std::wstring& token = tokens[i];
        const bool last = i + 1 == tokens.size();
        if (token == L"~")
            continue;
        if (IsMarker(token)) {
            if (token == L"*" && last) {
                endsFree = true;
                break;
            }
            beforePrevious = previous;
            previous = token;
            questionPending = questionPending || token == L"?";
            continue;
        }
        questionPending = false;
        std::wstring clause;
        if (previous == L"-") {
            clause = L"no " + Quoted(token) +
                     (lastFound.empty() ? std::wstring(L" anywhere") : L" after " + Quoted(lastFound));
            beforePrevious = previous;
            previous.clear();
            endsExcluded = last;
        } else {
            const std::wstring after = lastFound.empty() ? std::wstring() : L" after " + Quoted(lastFound);
            if (previous == L"?" && beforePrevious == L"*")
                clause = Quoted(token) + L" at least one character" +
                         (lastFound.empty() ? std::wstring(L" into the line") : after);
            else if (previous == L"?")
                clause = Quoted(token) + (lastFound.empty() ? std::wstring(L" from the line's second character")
                                                            : L" exactly one character" + after);
            else
                clause = lastFound.empty() ? Quoted(token) + L" anywhere" : L"then " + Quoted(token);
            lastFound = token;
            endsExcluded = false;
        }
        said += (said.empty() ? L"Line needs " : L", ") + clause;
    }

    if (!tokens.empty() && tokens.back() == L"?")
        return L"Matches no line: a final ? looks for a character after the line's end." + caseWords;
    if (said.empty())
        return (endsFree ? L"Matches every line that is not empty." : L"Matches no line.") + caseWords;
    if (questionPending && !lastFound.empty())
        said += L", with a character after " + Quoted(lastFound);
    if (!endsFree && !endsExcluded) {
        if (lastFound.empty())
            return L"Matches no line: nothing is looked for after the exclusion." + caseWords;
        said += L", and must end with that first " + Quoted(lastFound);
    }
    return said + L"." + caseWords;
}

std::wstring SearchMask(const std::wstring& text)
{
    return text.find_first_of(L"*?-") == std::wstring::npos ? ContainsForm(text) : text;
}

std::wstring ExplainPlainText(const std::wstring& text, bool ignoreCase)
{
    if (text.empty())
        return L"Type the text to find, as it stands in the line.";
    return L"Line needs \"" + text + L"\" anywhere, exactly as typed." +
           (ignoreCase ? L" Case is ignored." : L" Case matters.");
}

bool OffersContains(const std::wstring& text)
{
    return !text.empty() && text.find_first_of(L"*?~-\"") == std::wstring::npos;
}

std::wstring ContainsForm(const std::wstring& text)
{
    return L"*" + text + L"*";
}

TokenList PlainTextTokens(const std::wstring& text, bool ignoreCase)
{
    return TokenList{L"*", ignoreCase ? Lower(text) : text, L"*"};
}
