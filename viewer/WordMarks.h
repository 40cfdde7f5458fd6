// The marked word of a viewer: which word lies at a column, and where it occurs in a line.
#pragma once

#include "engine/match/Utils.h"

#include <cstddef>
#include <string>
#include <vector>

// A word is a run of letters, digits and "_": what a double click picks out of
// a log line such as an id, a host name part or a thread name.
bool IsWordChar(wchar_t c);

// The word that holds column `column` of `text` (`length` characters); empty
// when that column is past the line or on no word character.
std::wstring WordAt(const wchar_t* text, size_t length, size_t column);

// Every place the word stands in the line as a word of its own, left to right:
// marking "id" must not box the middle of "width". Case counts, as it does
// for the identifiers users mark.
void WordOccurrences(const wchar_t* text, size_t length, const std::wstring& word,
                     std::vector<CMatchSpan>& spans);
