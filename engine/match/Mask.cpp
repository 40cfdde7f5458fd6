// The filter language: Tokenize, the mask matcher, Trim and ReplaceAll.
// This file sees every byte of every log, so it is built and fuzzed natively
// with the sanitizers as well; it must stay free of platform headers.
#include "engine/match/Utils.h"

#include "engine/text/ByteRules.h"
#include "engine/text/TextCodec.h"

#include <cwchar>

namespace {

enum class Marker { None, Star, Question, Minus };

bool IsSpecial(const std::wstring& token, wchar_t c)
{
    return token.size() == 1 && token[0] == c;
}

void LowerAscii(std::wstring& text)
{
    for (wchar_t& c : text)
        c = FoldAscii(c);
}

// First occurrence of `literal` in text[from, length), or length when absent.
size_t FindLiteral(const wchar_t* text, size_t length, size_t from, const std::wstring& literal)
{
    const size_t m = literal.size();
    if (m == 0)
        return from;
    if (m > length || from > length - m)
        return length;
    const wchar_t first = literal[0];
    const wchar_t* rest = literal.data() + 1;
    const size_t last = length - m;
    for (size_t i = from; i <= last; ++i) {
        if (text[i] != first)
            continue;
        size_t k = 0;
        while (k + 1 < m && text[i + 1 + k] == rest[k])
            ++k;
        if (k + 1 == m)
            return i;
    }
    return length;
}

void AddSpan(std::vector<CMatchSpan>& spans, size_t begin, size_t end)
{
    if (end <= begin)
        return;
    if (!spans.empty() && spans.back().begin + spans.back().length == begin)
        spans.back().length += end - begin;
    else
        spans.push_back({begin, end - begin});
}

} // namespace

bool CUtils::Tokenize(TokenList& tokens, const wchar_t* text, bool ignoreCase)
{
    if (!text)
        return false;
    tokens.clear();
    std::wstring run;
    bool quoted = false;
    auto flush = [&] {
        if (!run.empty()) {
            tokens.push_back(run);
            run.clear();
        }
    };
    for (const wchar_t* p = text; *p; ++p) {
        const wchar_t c = *p;
        if (c == L'*' || c == L'?' || c == L'-') {
            flush();
            tokens.emplace_back(1, c);
            quoted = false;
        } else if (c == L'~') {
            flush();
            ignoreCase = true;
            if (tokens.empty() || !IsSpecial(tokens.front(), L'~'))
                tokens.insert(tokens.begin(), std::wstring(1, L'~'));
            quoted = false;
        } else if (c == L'"') {
            // Quotes only cut tokens apart; the closing one keeps even an empty run.
            if (quoted) {
                tokens.push_back(run);
                run.clear();
                quoted = false;
            } else {
                quoted = true;
            }
        } else {
            run += c;
        }
    }
    flush();
    if (ignoreCase) {
        for (std::wstring& token : tokens)
            LowerAscii(token);
    }
    return !tokens.empty();
}

bool CUtils::MatchTokens(const wchar_t* text, size_t length, const TokenList& tokens,
                         int* position, std::vector<CMatchSpan>* spans)
{
    if (position)
        *position = -1;
    if (tokens.empty() || !text || length == 0)
        return false;
    size_t cursor = 0;
    bool result = false;
    bool atEnd = false;
    Marker previous = Marker::None;
    Marker beforePrevious = Marker::None;
    const size_t count = tokens.size();
    for (size_t t = 0; t < count; ++t) {
        const std::wstring& token = tokens[t];
        if (token.size() == 1) {
            switch (token[0]) {
            case L'~':
                continue;
            case L'*':
                if (t + 1 == count)
                    return true;
                beforePrevious = previous;
                previous = Marker::Star;
                continue;
            case L'?':
                if (atEnd)
                    return false;
                beforePrevious = previous;
                previous = Marker::Question;
                continue;
            case L'-':
                beforePrevious = previous;
                previous = Marker::Minus;
                continue;
            default:
                break;
            }
        }
        // A literal.
        if (atEnd) {
            if (previous == Marker::Minus)
                continue;
            return false;
        }
        const size_t found = FindLiteral(text, length, cursor, token);
        if (found == length && !(token.empty() && cursor == length)) {
            if (previous != Marker::Minus)
                return false;
            // The excluded text is absent.
            beforePrevious = previous;
            previous = Marker::None;
            if (t + 1 == count)
                return true;
            continue;
        }
        if (previous == Marker::Minus)
            return false;
        if (previous == Marker::Question) {
            // "?" stands for one character: a surrogate pair is one.
            const bool placed = beforePrevious == Marker::Star
                                    ? found > cursor
                                    : found == cursor + CharUnits(text, length, cursor);
            if (!placed)
                return false;
        }
        if (position)
            *position = static_cast<int>(found);
        if (spans) {
            // A "?" right before the literal stood for the character at the
            // cursor; after "*" it was part of "anything" and stays unmarked.
            const size_t begin =
                previous == Marker::Question && beforePrevious != Marker::Star ? cursor : found;
            AddSpan(*spans, begin, found + token.size());
        }
        cursor = found + token.size();
        if (cursor == length) {
            atEnd = true;
            result = true;
        }
    }
    return result;
}

const wchar_t* CUtils::FoldedCopy(const wchar_t* text, size_t length)
{
    thread_local std::wstring buffer;
    try {
        buffer.resize(length);
    } catch (...) {
        throw "CUtils::StrMaskCompare: unable to duplicate the string";
    }
    for (size_t i = 0; i < length; ++i)
        buffer[i] = FoldAscii(text[i]);
    return buffer.data();
}

bool CUtils::StrMaskCompare(const wchar_t* text, const TokenList& tokens, int& position,
                            bool ignoreCase)
{
    position = -1;
    if (tokens.empty() || !text || text[0] == L'\0')
        return false;
    const size_t length = std::wcslen(text);
    if (FoldsCase(tokens, ignoreCase))
        text = FoldedCopy(text, length);
    return MatchTokens(text, length, tokens, &position);
}

bool CUtils::MatchLine(bool ignoreCase, const TokenList& tokens, const wchar_t* text)
{
    int position = -1;
    return StrMaskCompare(text, tokens, position, ignoreCase);
}

void CUtils::Trim(std::wstring& text)
{
    auto blank = [](wchar_t c) { return c == L' ' || (c >= 9 && c <= 13); };
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && blank(text[begin]))
        ++begin;
    while (end > begin && blank(text[end - 1]))
        --end;
    text = text.substr(begin, end - begin);
}

bool CUtils::ReplaceAll(std::wstring& text, const wchar_t* what, const wchar_t* with)
{
    if (!what || !with || what[0] == L'\0')
        return false;
    const std::wstring from(what);
    const std::wstring to(with);
    bool replaced = false;
    if (to.find(from) != std::wstring::npos) {
        // Searching again from the start would never end here: replace each
        // occurrence once, left to right.
        size_t at = 0;
        while ((at = text.find(from, at)) != std::wstring::npos) {
            text.replace(at, from.size(), to);
            at += to.size();
            replaced = true;
        }
        return replaced;
    }
    // Every search starts again at the start of the text; the part before the
    // last replacement held no occurrence, so a new one can only begin where it
    // overlaps the replaced text.
    size_t at = 0;
    while ((at = text.find(from, at)) != std::wstring::npos) {
        text.replace(at, from.size(), to);
        replaced = true;
        at = at >= from.size() - 1 ? at - (from.size() - 1) : 0;
    }
    return replaced;
}
