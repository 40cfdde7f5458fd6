// CGrepObserver: what a grep run reports while it goes; the controller turns it into messages.
#pragma once

class CGrepObserver {
public:
    virtual ~CGrepObserver() = default;
    // Asked once before each line is handled; true ends the run as stopped.
    virtual bool StopRequested() = 0;
    // The whole percentage of the log read has changed (first for line one).
    virtual void Progress(int percent, int matches) = 0;
};
