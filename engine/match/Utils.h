// CUtils: the filter language (tokens and masks), trimming and replacing. Free of
// window and file code.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

using TokenList = std::vector<std::wstring>;

// A stretch of a line that a match covers, in UTF-16 units.
struct CMatchSpan {
    size_t begin = 0;
    size_t length = 0;
    bool operator==(const CMatchSpan&) const = default;
};

class CUtils {
public:
    // Filter text to token list; false for a null text or an empty list.
    static bool Tokenize(TokenList& tokens, const wchar_t* text, bool ignoreCase);
    // True when the zero-terminated line matches; `position` gets the index of
    // the last literal found, or -1. Throws the narrow text
    // "CUtils::StrMaskCompare: unable to duplicate the string" when the
    // lower-cased copy cannot be made.
    static bool StrMaskCompare(const wchar_t* text, const TokenList& tokens, int& position,
                               bool ignoreCase);
    static bool MatchLine(bool ignoreCase, const TokenList& tokens, const wchar_t* text);

    // The matcher's core: `text` holds `length` characters, already lower-cased
    // when the tokens ask for it. It never copies the text. `spans`, when
    // given, gets what the literals and a "?" right before one covered, joined
    // where they touch; it means something only when the line matches.
    static bool MatchTokens(const wchar_t* text, size_t length, const TokenList& tokens,
                            int* position, std::vector<CMatchSpan>* spans = nullptr);
    // The line lower-cased, in a buffer each thread reuses until its next call. Throws
    // the same narrow text as StrMaskCompare when the buffer cannot grow.
    static const wchar_t* FoldedCopy(const wchar_t* text, size_t length);
    // True when matching must work on the lower-cased line.
    static bool FoldsCase(const TokenList& tokens, bool ignoreCase)
    {
        return ignoreCase || (!tokens.empty() && tokens.front() == L"~");
    }

    static void Trim(std::wstring& text);
    static bool ReplaceAll(std::wstring& text, const wchar_t* what, const wchar_t* with);
};
