// CGrepLineReader: finds line ends sixteen bytes at a time and turns bytes
// into characters through the code page table, ASCII runs without a lookup.
// Under wine the runtime's memchr and MultiByteToWideChar cost several times
// these loops, and every byte of the log passes through here.
#include "engine/GrepLineReader.h"

#include "engine/CodePage.h"

#include <emmintrin.h>

CGrepLineReader::CGrepLineReader(const wchar_t* fileName, uint32_t bufferSize)
    : CFileReader(fileName, bufferSize)
{
    const CCodePage& cp = CCodePage::Ansi();
    m_table = cp.Table();
    m_singleByte = cp.IsSingleByte();
    m_asciiSame = m_singleByte;
    for (int b = 1; b < 0x80 && m_asciiSame; ++b)
        m_asciiSame = cp.HasChar(static_cast<uint8_t>(b)) && m_table[b] == static_cast<wchar_t>(b);
}

uint32_t CGrepLineReader::CutLineByTable(CGrepLine& line, uint32_t from) const
{
    const uint32_t count = m_byteCount;
    const uint32_t i = static_cast<uint32_t>(FindLineEnd(m_buffer, count, from));
    const size_t length = line.Length();
    line.Reserve(length + (i - from));
    wchar_t* out = line.Data() + length;
    wchar_t missing = 1;   // stays non-zero while every byte has a character
    for (uint32_t k = from; k < i; ++k) {
        const wchar_t c = m_table[m_buffer[k]];
        missing = c == 0 ? 0 : missing;
        *out++ = c;
    }
    if (missing == 0)
        throw kCopyFailed;
    line.SetLength(length + (i - from));
    return i;
}

uint32_t CGrepLineReader::CutLine(CGrepLine& line) const
{
    if (!m_asciiSame)
        return CutLineByTable(line, m_bufferPos);
    // One pass, sixteen bytes at a time: find the line ends and the bytes
    // above 127, and widen a run of plain ASCII by interleaving it with zeros.
    const uint8_t* buffer = m_buffer;
    const uint32_t count = m_byteCount;
    uint32_t i = m_bufferPos;
    size_t length = line.Length();
    line.Reserve(length + 64);
    wchar_t* out = line.Data();
    size_t capacity = line.Capacity();
    const __m128i zero = _mm_setzero_si128();
    wchar_t missing = 1;
    while (count - i >= 16) {
        if (length + 16 > capacity) {
            line.SetLength(length);
            line.Reserve(length + 16);
            out = line.Data();
            capacity = line.Capacity();
        }
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(buffer + i));
        const unsigned ends = LineEndMask(v);
        const unsigned high = static_cast<unsigned>(_mm_movemask_epi8(v));
        const uint32_t take = ends ? static_cast<uint32_t>(__builtin_ctz(ends)) : 16;
        if ((high & ((1u << take) - 1)) == 0) {
            // All sixteen are stored; only `take` of them count.
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + length), _mm_unpacklo_epi8(v, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + length + 8), _mm_unpackhi_epi8(v, zero));
        } else {
            for (uint32_t k = 0; k < take; ++k) {
                const wchar_t c = m_table[buffer[i + k]];
                missing = c == 0 ? 0 : missing;
                out[length + k] = c;
            }
        }
        length += take;
        i += take;
        if (ends) {
            if (missing == 0)
                throw kCopyFailed;
            line.SetLength(length);
            return i;
        }
    }
    if (missing == 0)
        throw kCopyFailed;
    line.SetLength(length);
    return CutLineByTable(line, i);
}

bool CGrepLineReader::ReadLine(CGrepLine& line)
{
    line.Clear();
    if (!m_singleByte) {
        // Only a line of one-byte characters can be read here; the plain
        // reader knows how to say so.
        if (!CFileReader::ReadLine(m_other))
            return false;
        wchar_t* out = line.Extend(m_other.size());
        for (size_t i = 0; i < m_other.size(); ++i)
            out[i] = m_other[i];
        line.Commit(m_other.size());
        return true;
    }
    if (!EnsureBytes())
        return false;
    for (;;) {
        const uint32_t end = CutLine(line);
        if (end < m_byteCount) {
            if (!StepPastLineEnd(end))
                throw kMoveFailed;
            return true;
        }
        if (!FillBuffer())
            throw kFillFailed;
        if (m_byteCount == 0) {
            m_endOfFile = true;
            return true;   // the last line needs no line end
        }
    }
}
