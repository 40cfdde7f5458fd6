// A check of a result's index against its log, shared by the run's and following's tests.
#pragma once

#include "engine/run/GrepParams.h"

#include <cstddef>

// Every `step`-th result line, looked up through the index, leads to a log
// line that holds it (itself, or with its context mark), in increasing order.
void CheckIndex(const CGrepParams& params, size_t step);
