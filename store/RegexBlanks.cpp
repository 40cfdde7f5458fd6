// Escaping an expression's blanks at either end of a stored value.
#include "store/RegexBlanks.h"

namespace {

constexpr size_t kEscapeLength = 4;   // "\x20"

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t';
}

std::wstring Escape(wchar_t blank)
{
    return blank == L'\t' ? L"\\x09" : L"\\x20";
}

// The blank an escape at `at` stands for, or 0.
wchar_t EscapedBlank(const std::wstring& value, size_t at)
{
    const std::wstring part = value.substr(at, kEscapeLength);
    return part == L"\\x20" ? L' ' : part == L"\\x09" ? L'\t' : 0;
}

// Whether the backslash at `at` is escaped by an odd run of backslashes before it.
bool EscapedBackslash(const std::wstring& value, size_t at)
{
    size_t run = 0;
    while (at > run && value[at - run - 1] == L'\\')
        ++run;
    return run % 2 == 1;
}

}  // namespace

std::wstring EscapeRegexBlanks(const std::wstring& pattern)
{
    size_t first = 0;
    while (first < pattern.size() && IsBlank(pattern[first]))
        ++first;
    size_t last = pattern.size();
    while (last > first && IsBlank(pattern[last - 1]))
        --last;
    std::wstring stored;
    for (size_t i = 0; i < first; ++i)
        stored += Escape(pattern[i]);
    stored.append(pattern, first, last - first);
    for (size_t i = last; i < pattern.size(); ++i)
        stored += Escape(pattern[i]);
    return stored;
}

std::wstring UnescapeRegexBlanks(const std::wstring& value)
{
    std::wstring head;
    size_t first = 0;
    while (wchar_t blank = EscapedBlank(value, first)) {
        head += blank;
        first += kEscapeLength;
    }
    std::wstring tail;
    size_t last = value.size();
    while (last >= first + kEscapeLength) {
        const size_t at = last - kEscapeLength;
        const wchar_t blank = EscapedBlank(value, at);
        if (!blank || EscapedBackslash(value, at))
            break;
        tail.insert(tail.begin(), blank);
        last = at;
    }
    return head + value.substr(first, last - first) + tail;
}
