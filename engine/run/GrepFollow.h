// FollowGrep: following a log after its run has completed: each time the log
// grows, the new lines go through the run's own session and the kept ones are
// appended to the result file.
#pragma once

#include "engine/run/GrepRun.h"

#include <windows.h>

class CGrepSession;

// What following reports while it goes, and how it waits.
class CFollowObserver {
public:
    virtual ~CFollowObserver() = default;
    // True ends following once the log has been read one last time.
    virtual bool StopRequested() = 0;
    // Waits up to `ms` milliseconds, less when a stop is requested meanwhile.
    virtual void Wait(DWORD ms) = 0;
    // The result file has been written to; `matches` is the total so far.
    virtual void Grew(int matches) = 0;
};

// Milliseconds between looks at the log: four looks a second keep a viewer at
// the end within half a second of a write, and an unchanged log costs one
// attribute query per look.
constexpr DWORD kFollowPollMs = 250;
// The most one look reads before stop requests are heard again.
constexpr int64_t kFollowStretch = 64ll << 20;
// How long the log may be missing (being replaced) before following ends.
constexpr DWORD kFollowGoneMs = 1000;

// Follows until a stop is requested (Stopped: the result file is then what a
// run over the log as it stands would write, unless following was more than
// kFollowStretch behind), the log has been missing for
// kFollowGoneMs (LogGone), or a failure (Failed, with its text). The session
// stays usable after Stopped, for following again. Never throws.
CGrepOutcome FollowGrep(CGrepSession& session, CFollowObserver& observer);
