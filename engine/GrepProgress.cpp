// CGrepProgress: one comparison per line instead of a 64-bit division.
#include "engine/GrepProgress.h"

#include "engine/GrepObserver.h"

void CGrepProgress::Passed(int64_t position, int matches, CGrepObserver& observer)
{
    if (position < m_next)
        return;
    const int percent = static_cast<int>(position * 100 / m_size);
    if (percent != m_last) {
        observer.Progress(percent, matches);
        m_last = percent;
    }
    m_next = ((static_cast<int64_t>(m_last) + 1) * m_size + 99) / 100;
}
