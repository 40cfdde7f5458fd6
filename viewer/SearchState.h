// The search state shared by every open view for the whole run of the program.
#pragma once

#include "engine/match/FilterMatcher.h"

#include <string>

struct SearchState {
    std::wstring text;       // what the user last confirmed, "*"-wrapped once searched
    CFilterMatcher expression;   // compiled from text by the first search; empty before
    bool ignoreCase = true;
    bool backwards = false;
    bool highlightMatches = true;
    bool plainText = false;  // the text as typed, anywhere in a line, not a mask
};

// The process-wide record; used on the user-interface thread only.
SearchState& AppSearch();
