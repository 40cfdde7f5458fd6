// CLineBuffer: the unfinished last line moves to the front before each read,
// so a line, its line end and the lines before it are in memory at once.
#include "engine/io/LineBuffer.h"

#include <algorithm>
#include <cstring>

void CLineBuffer::Restart(int64_t offset)
{
    m_length = 0;
    m_pos = 0;
    m_base = offset;
    m_atEnd = false;
    m_hitKnown = false;
}

void CLineBuffer::Grow()
{
    const size_t capacity = m_capacity == 0 ? m_size : m_capacity * 2;
    std::unique_ptr<uint8_t[]> grown(new uint8_t[capacity]);
    if (m_length > 0)
        std::memcpy(grown.get(), m_bytes, m_length);
    m_owned = std::move(grown);
    m_bytes = m_owned.get();
    m_capacity = capacity;
}

bool CLineBuffer::Fill(CByteSource& source)
{
    if (m_pos > 0) {
        std::memmove(m_bytes, m_bytes + m_pos, m_length - m_pos);
        m_base += static_cast<int64_t>(m_pos);
        m_length -= m_pos;
        m_pos = 0;
    }
    if (m_length == m_capacity)
        Grow();   // the first fill, or a line longer than the buffer
    m_hitKnown = false;
    // Pieces of the first size while each comes back whole: a long line
    // fills the grown buffer in as few fills as before, touching only what
    // it holds.
    size_t got = 0;
    for (;;) {
        const size_t piece = std::min(m_capacity - m_length, m_size);
        uint32_t part = 0;
        if (!source.Read(m_bytes + m_length, static_cast<uint32_t>(piece), part))
            return false;
        m_length += part;
        got += part;
        if (part < piece || m_length == m_capacity)
            break;
    }
    if (got == 0) {
        m_atEnd = true;
        if (source.EndedEarly())
            DropUnfinishedLine();
    }
    return true;
}

void CLineBuffer::DropUnfinishedLine()
{
    size_t end = m_length;
    while (end > m_pos && !IsLineEndByte(m_bytes[end - 1]))
        --end;
    m_length = end;
}

size_t CLineBuffer::WholeLinesEnd() const
{
    if (m_atEnd)
        return m_length;
    for (size_t i = m_length; i > m_pos;) {
        --i;
        const uint8_t b = m_bytes[i];
        if (IsLineEndByte(b) && !(b == '\r' && i + 1 == m_length))
            return i + 1;
    }
    return m_pos;
}

bool CLineBuffer::Fill(CReadAhead& ahead)
{
    std::vector<uint8_t> block;
    size_t got = 0;
    if (!ahead.Take(block, got))
        return false;
    m_hitKnown = false;
    if (got == 0) {
        m_atEnd = true;
        if (ahead.EndedEarly())
            DropUnfinishedLine();
        return true;
    }
    const size_t kept = m_length - m_pos;
    const size_t head = ahead.HeadRoom();
    size_t start = 0;
    if (kept <= head) {
        start = head - kept;
        if (kept > 0)
            std::memcpy(block.data() + start, m_bytes + m_pos, kept);
    } else {
        // A line longer than the head room gathers in a buffer of its own,
        // grown as the plain fill grows its buffer: memory follows the longest
        // line, and pages beyond what it holds are never touched.
        const int64_t base = OffsetOf(m_pos);
        const bool gathering = m_owned && m_bytes == m_owned.get();
        if (!gathering || m_capacity < kept + got) {
            size_t capacity = gathering ? m_capacity : m_size;
            while (capacity < kept + got)
                capacity *= 2;
            std::unique_ptr<uint8_t[]> grown(new uint8_t[capacity]);
            std::memcpy(grown.get(), m_bytes + m_pos, kept);
            m_owned = std::move(grown);
            m_capacity = capacity;
        } else {
            std::memmove(m_owned.get(), m_bytes + m_pos, kept);
        }
        std::memcpy(m_owned.get() + kept, block.data() + head, got);
        ahead.GiveBack(std::move(block));
        if (!m_block.empty())
            ahead.GiveBack(std::move(m_block));
        m_block.clear();
        m_bytes = m_owned.get();
        m_base = base;
        m_pos = 0;
        m_length = kept + got;
        return true;
    }
    m_base = OffsetOf(m_pos) - static_cast<int64_t>(start);
    if (!m_block.empty())
        ahead.GiveBack(std::move(m_block));
    m_block = std::move(block);
    m_bytes = m_block.data();
    m_capacity = m_block.size();
    m_pos = start;
    m_length = start + kept + got;
    return true;
}
