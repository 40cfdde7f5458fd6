// CGrepProgress: reports the whole percentage of the log read each time it
// changes, with the match count at that moment.
#pragma once

#include <cstdint>

class CGrepObserver;

class CGrepProgress {
public:
    explicit CGrepProgress(int64_t size) : m_size(size) {}

    // A line ended at `position` (just past its line end).
    void Passed(int64_t position, int matches, CGrepObserver& observer);
    // Positions from now on are those of a log that starts `base` bytes into
    // the whole being read (a set of logs), and matches add to `matchesBefore`.
    void SetBase(int64_t base, int matchesBefore)
    {
        m_base = base;
        m_matchesBefore = matchesBefore;
        // The status names the log being read: it is said again at its first line.
        m_last = -1;
        m_next = 0;
    }

    // The position only grows, so the next change lies at a known position:
    // the first position whose percentage exceeds the last one reported.
    int64_t Next() const { return m_next - m_base; }

private:
    int64_t m_size;
    int64_t m_base = 0;
    int m_matchesBefore = 0;
    int m_last = -1;
    int64_t m_next = 0;
};
