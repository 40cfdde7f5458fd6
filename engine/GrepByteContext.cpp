// CGrepByteContext: the rules of CGrepContext, line for line, over bytes.
#include "engine/GrepByteContext.h"

namespace {
const wchar_t kBeforePrefix[] = L"/";
const wchar_t kAfterPrefix[] = L"\\";

const uint8_t* Bytes(const std::string& s)
{
    return reinterpret_cast<const uint8_t*>(s.data());
}
} // namespace

CGrepByteContext::CGrepByteContext(CFileWriter& writer, int linesBefore, int linesAfter)
    : m_writer(writer), m_linesAfter(linesAfter)
{
    if (linesBefore > 0)
        m_ring.resize(static_cast<size_t>(linesBefore));
}

bool CGrepByteContext::WriteRing()
{
    const size_t first = m_wrapped ? m_writeIndex : 0;
    const size_t size = m_wrapped ? m_ring.size() : m_writeIndex;
    for (size_t n = 0; n < size; ++n) {
        const std::string& entry = m_ring[(first + n) % m_ring.size()];
        if (!m_writer.WriteLineBytes(kBeforePrefix, Bytes(entry), entry.size()))
            return false;
    }
    m_writeIndex = 0;
    m_wrapped = false;
    return true;
}

CGrepByteContext::Fault CGrepByteContext::Take(const uint8_t* bytes, size_t length, bool kept)
{
    if (kept) {
        if (!m_ring.empty() && !WriteRing())
            return Fault::PrevLine;
        if (!m_writer.WriteLineBytes(nullptr, bytes, length))
            return Fault::NextLine;
        m_after = 0;
        m_afterActive = true;
        ++m_matches;
    }
    // The kept line is the first step of its own after-context.
    if (m_afterActive) {
        if (m_linesAfter > 0) {
            if (m_after > 0 && !m_writer.WriteLineBytes(kAfterPrefix, bytes, length))
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
        m_ring[m_writeIndex].assign(reinterpret_cast<const char*>(bytes), length);
        if (++m_writeIndex == m_ring.size()) {
            m_writeIndex = 0;
            m_wrapped = true;
        }
    }
    return Fault::None;
}
