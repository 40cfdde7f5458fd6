// CGrepProgress: one comparison per line instead of a 64-bit division.
#include "engine/run/GrepProgress.h"

#include "engine/run/GrepObserver.h"

#include <cstdint>

void CGrepProgress::Passed(int64_t position, int matches, CGrepObserver& observer)
{
    position += m_base;
    matches += m_matchesBefore;
    if (position < m_next)
        return;
    // A log that grew while it was read passes its size at open by up to
    // one line; it is read in full at 100.
    const int percent = position >= m_size ? 100 : static_cast<int>(position * 100 / m_size);
    if (percent != m_last) {
        observer.Progress(percent, matches);
        m_last = percent;
    }
    // Nothing lies beyond 100: past it no position changes the percentage.
    m_next = m_last >= 100 ? INT64_MAX
                           : ((static_cast<int64_t>(m_last) + 1) * m_size + 99) / 100;
}
