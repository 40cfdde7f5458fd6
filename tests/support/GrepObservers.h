// Observers of a grep run for the tests: one that lets it go on quietly, one that keeps its
// progress reports in order.
#pragma once

#include "engine/run/GrepObserver.h"

#include <utility>
#include <vector>

class CQuietObserver : public CGrepObserver {
public:
    bool StopRequested() override { return false; }
    void Progress(int, int) override {}
};

class CProgressRecorder : public CGrepObserver {
public:
    bool StopRequested() override { return false; }
    void Progress(int percent, int matches) override { reports.emplace_back(percent, matches); }
    std::vector<std::pair<int, int>> reports;   // (percent, matches)
};
