// CNoticePace: which of a run's progress reports become notices to the dialog:
// the first of each log, the last (100) and, between them, one at most every
// few tens of milliseconds.
#pragma once

#include <cstdint>

// Each notice waits for the user-interface thread, which then repaints the
// status line: a run over a large log in the page cache passes a percent every
// few milliseconds, and saying each one cost more than reading the log. Ten
// to twenty notices a second look just as smooth, and each carries the
// figures of its own moment.
class CNoticePace {
public:
    static constexpr uint32_t kEveryMs = 50;

    // A report of `percent` at tick `nowMs`: true when it is to be said.
    bool Due(int percent, uint32_t nowMs)
    {
        // Unsigned subtraction: a wrap of the tick counter does no harm.
        if (m_said && percent < 100 && nowMs - m_saidAt < kEveryMs)
            return false;
        m_said = true;
        m_saidAt = nowMs;
        return true;
    }
    // The next report is the first of a log, and is said.
    void Restart() { m_said = false; }

private:
    bool m_said = false;
    uint32_t m_saidAt = 0;
};
