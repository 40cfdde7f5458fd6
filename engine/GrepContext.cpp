// CGrepContext: the before-ring, the after counter and the match counter.
#include "engine/GrepContext.h"

namespace {
const wchar_t kBeforePrefix[] = L"/";
const wchar_t kAfterPrefix[] = L"\\";
} // namespace

CGrepContext::CGrepContext(CFileWriter& writer, int linesBefore, int linesAfter)
    : m_writer(writer), m_linesAfter(linesAfter)
{
    if (linesBefore > 0)
        m_ring.resize(static_cast<size_t>(linesBefore));
}

bool CGrepContext::WriteRing()
{
    const size_t first = m_wrapped ? m_writeIndex : 0;
    const size_t size = m_wrapped ? m_ring.size() : m_writeIndex;
    for (size_t n = 0; n < size; ++n) {
        const CGrepLine& entry = m_ring[(first + n) % m_ring.size()];
        if (!m_writer.WriteLine(kBeforePrefix, entry.Text(), entry.Length()))
            return false;
    }
    m_writeIndex = 0;
    m_wrapped = false;
    return true;
}

CGrepContext::Fault CGrepContext::Take(CGrepLine& line, bool kept)
{
    if (kept) {
        if (!m_ring.empty() && !WriteRing())
            return Fault::PrevLine;
        if (!m_writer.WriteLine(nullptr, line.Text(), line.Length()))
            return Fault::NextLine;
        m_after = 0;
        m_afterActive = true;
        ++m_matches;
    }
    // The kept line is the first step of its own after-context, so exactly
    // lines-after lines follow it; a match inside the context restarts it.
    if (m_afterActive) {
        if (m_linesAfter > 0) {
            if (m_after > 0 && !m_writer.WriteLine(kAfterPrefix, line.Text(), line.Length()))
                return Fault::NextLine;
            if (++m_after > m_linesAfter) {
                m_after = 0;
                m_afterActive = false;
            }
        } else {
            m_afterActive = false;
        }
        return Fault::None;
    }
    if (!m_ring.empty()) {
        m_ring[m_writeIndex].Swap(line);
        if (++m_writeIndex == m_ring.size()) {
            m_writeIndex = 0;
            m_wrapped = true;
        }
    }
    return Fault::None;
}
