// CGrepParams: the parameter block of one grep run, filled by the main dialog.
#pragma once

#include "engine/match/Filter.h"
#include "engine/text/TextCodec.h"

#include <string>
#include <vector>

// One log of a set that one run searches.
struct CSetLog {
    std::wstring path;
    std::wstring name;   // what the header line before its lines shows
};

struct CGrepParams {
    std::wstring logFile;
    std::wstring resultFile;                 // created, or truncated
    FilterList filters;                      // the checked filters, in list order
    bool ignoreCase = false;
    bool lfLineEnds = true;                  // false: lines end in CR LF
    int linesBefore = 2;                     // 0 or less: no context before
    int linesAfter = 4;                      // 0 or less: no context after
    // How a line of a log without a byte-order mark is read.
    LineDecoding decoding = LineDecoding::Utf8WhereValid;
    // The logs of a set, oldest first; empty for the one log of logFile.
    std::vector<CSetLog> logSet;
};
