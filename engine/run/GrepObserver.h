// CGrepObserver: what a grep run reports while it goes; the controller turns it into messages.
#pragma once

#include <cstddef>
#include <string>

class CGrepObserver {
public:
    virtual ~CGrepObserver() = default;
    // Asked once before each line is handled; true ends the run as stopped.
    virtual bool StopRequested() = 0;
    // The whole percentage of the log read has changed (first for line one).
    virtual void Progress(int percent, int matches) = 0;
    // A run over a set starts reading its log `number` (from 1) of `count`;
    // the percentages then count over the whole set.
    virtual void Reading(size_t number, size_t count, const std::wstring& name)
    {
        (void)number, (void)count, (void)name;
    }
};
