// A hidden window pair standing in for the main dialog and its status line:
// runs one grep through CGrepThread and waits for its finished message, timing
// meanwhile how fast the dialog's thread answers a message from another thread.
#pragma once

#include "engine/run/GrepThread.h"

#include <string>

struct BenchRun {
    bool completed = false;
    std::wstring lastText;   // the last status text
    double seconds = 0;      // from Start to the finished message
    int progressReports = 0;
    double answerMedianMs = 0;   // the dialog's answers during the run
    double answerWorstMs = 0;
};

BenchRun RunThroughWindow(const CGrepParams& params);
