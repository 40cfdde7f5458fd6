// The search state shared by every open view for the whole run of the program.
#pragma once

#include "engine/match/FilterMatcher.h"

#include <string>

// How a typed text is read: as a mask (Find's "Wildcards"), as the text
// itself ("Plain text"), or as a regular expression.
enum class TextReading { Mask, PlainText, Regex };

struct SearchState {
    std::wstring text;       // what the user last confirmed, "*"-wrapped once searched
    CFilterMatcher expression;   // compiled from text by the first search; empty before
    bool ignoreCase = true;
    bool backwards = false;
    bool highlightMatches = true;
    TextReading reading = TextReading::Mask;
};

// The process-wide record; used on the user-interface thread only.
SearchState& AppSearch();
