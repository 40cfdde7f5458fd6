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

    // The position only grows, so the next change lies at a known position:
    // the first position whose percentage exceeds the last one reported.
    int64_t Next() const { return m_next; }

private:
    int64_t m_size;
    int m_last = -1;
    int64_t m_next = 0;
};
