// GrepEnd: how a grep run, following, or one step of either ended; the one
// value that every layer hands up, down to the finished message's wParam.
#pragma once

enum class GrepEnd {
    Completed,        // the log was read to its end (a step: the line was handled)
    Stopped,          // a stop was requested; nothing is reported
    Failed,           // with a failure text of its own
    PrevLineFailed,   // writing a before-context line failed
    NextLineFailed,   // writing any other line failed
    LogGone,          // following ended because the log has disappeared
};

// The wParam of the finished message for each end that sends one: 1 the
// result is ready, 0 failed (the status line says why), 2 following ended
// with its log gone. A stopped run sends none (-1).
constexpr int FinishedCode(GrepEnd end)
{
    switch (end) {
    case GrepEnd::Completed:
        return 1;
    case GrepEnd::LogGone:
        return 2;
    case GrepEnd::Stopped:
        return -1;
    default:
        return 0;
    }
}

// How a run ended, from the finished message's wParam.
constexpr GrepEnd FinishedEnd(int code)
{
    return code == 1 ? GrepEnd::Completed : code == 2 ? GrepEnd::LogGone : GrepEnd::Failed;
}

// True for the ends that are failures.
constexpr bool IsFailure(GrepEnd end)
{
    return FinishedCode(end) == 0;
}
