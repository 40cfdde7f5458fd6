// WordAt and WordOccurrences: the word under a click and its places in a line.
#include "viewer/WordMarks.h"

#include <cwctype>

bool IsWordChar(wchar_t c)
{
    return c == L'_' || std::iswalnum(c);
}

std::wstring WordAt(const wchar_t* text, size_t length, size_t column)
{
    if (!text || column >= length || !IsWordChar(text[column]))
        return {};
    size_t begin = column, end = column + 1;
    while (begin > 0 && IsWordChar(text[begin - 1]))
        --begin;
    while (end < length && IsWordChar(text[end]))
        ++end;
    return std::wstring(text + begin, end - begin);
}

void WordOccurrences(const wchar_t* text, size_t length, const std::wstring& word,
                     std::vector<CMatchSpan>& spans)
{
    spans.clear();
    if (!text || word.empty())
        return;
    const std::wstring_view line(text, length);
    for (size_t at = line.find(word); at != std::wstring_view::npos;
         at = line.find(word, at + 1)) {
        const size_t end = at + word.size();
        if ((at == 0 || !IsWordChar(line[at - 1])) && (end == length || !IsWordChar(line[end])))
            spans.push_back(CMatchSpan{at, word.size()});
    }
}
