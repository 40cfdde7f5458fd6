// A failure text in the user's words: without the qualified name of the code that raised it.
#include "win32/FailureWords.h"

#include <cwctype>

namespace {

// The thrown texts whose words alone would not say which file is meant.
struct Plainer {
    const wchar_t* thrown;
    const wchar_t* words;
};
const Plainer kPlainer[] = {
    {L"CFileReader::CFileReader: unable to open the file", L"Unable to open the log file"},
    {L"CFileReader::CFileReader: unable to get file size", L"Unable to read the log file's size"},
    {L"CFileWriter::CFileWriter: unable to create the file", L"Unable to create the result file"},
};

} // namespace

std::wstring FailureWords(const std::wstring& text)
{
    for (const Plainer& known : kPlainer)
        if (text == known.thrown)
            return known.words;
    // "Name::Name: words" or "Name::Name words": the qualified name is the first word.
    const size_t colons = text.find(L"::");
    const size_t blank = text.find(L' ');
    if (colons == std::wstring::npos || (blank != std::wstring::npos && blank < colons))
        return text;
    size_t start = text.find_first_of(L": ", colons + 2);
    while (start < text.size() && (text[start] == L':' || text[start] == L' '))
        ++start;
    if (start >= text.size())
        return text;
    std::wstring words = text.substr(start);
    words[0] = wchar_t(std::towupper(words[0]));
    return words;
}
