// How a typed mask will be read, in words, from the matcher's own tokens; and the plain-text forms offered instead.
#pragma once

#include "engine/match/Utils.h"

#include <string>

// One line saying which literal must be found, which must not follow it (each "-"), where a
// "?" puts the next one, whether the line must end at the last literal found, and whether case
// is ignored. Built from Tokenize's list and walked with the matcher's own rules, so it says
// what MatchLine decides, not what the text may look like it means.
std::wstring ExplainMask(const std::wstring& text, bool ignoreCase);

// Find's reading of its text as a mask: one without "*", "?" or "-" is looked for anywhere in
// a line ("*text*"); any other is the mask as typed.
std::wstring SearchMask(const std::wstring& text);

// The same line for text searched as typed (Find's "Plain text").
std::wstring ExplainPlainText(const std::wstring& text, bool ignoreCase);

// True when the text holds none of the mask's special characters ("*", "?", "~", "-", quotes):
// then "*text*" finds it anywhere in a line. A text with "-" has no such form.
bool OffersContains(const std::wstring& text);
std::wstring ContainsForm(const std::wstring& text);

// The token list that finds `text` as typed anywhere in a line, "-" and all; lower-cased when
// case is ignored, as Tokenize would.
TokenList PlainTextTokens(const std::wstring& text, bool ignoreCase);
