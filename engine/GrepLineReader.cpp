// CGrepLineReader: finds line ends sixteen bytes at a time and turns bytes
// into characters through the code page table, ASCII runs without a lookup.
// Under wine the runtime's memchr and MultiByteToWideChar cost several times
// these loops, and every byte of the log passes through here.
#include "engine/GrepLineReader.h"

#include "engine/CodePage.h"

#include <emmintrin.h>

namespace {
const wchar_t kFillFailed[] = L"CFileReader::ReadLine: FillBuffer failed";
const wchar_t kMoveFailed[] = L"CFileReader::ReadLine: MoveBufferPos failed";
const wchar_t kCopyFailed[] = L"CFileReader::ReadLine: unable to copy string from the buffer";
} // namespace

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

uint32_t CGrepLineReader::FindLineEnd(uint32_t from, uint32_t to) const
{
    const uint8_t* buffer = m_buffer;
    uint32_t i = from;
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i zero = _mm_setzero_si128();
    while (to - i >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(buffer + i));
        const __m128i ends = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, cr)),
                                          _mm_cmpeq_epi8(v, zero));
        const int mask = _mm_movemask_epi8(ends);
        if (mask != 0)
            return i + static_cast<uint32_t>(__builtin_ctz(static_cast<unsigned>(mask)));
        i += 16;
    }
    while (i < to && !IsLineEnd(buffer[i]))
        ++i;
    return i;
}

void CGrepLineReader::Append(CGrepLine& line, uint32_t from, uint32_t to) const
{
    if (to <= from)
        return;
    const uint32_t count = to - from;
    const uint8_t* bytes = m_buffer + from;
    wchar_t* out = line.Extend(count);
    uint32_t k = 0;
    wchar_t missing = 1;   // stays non-zero while every byte has a character
    if (m_asciiSame) {
        const __m128i zero = _mm_setzero_si128();
        while (count - k >= 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + k));
            if (_mm_movemask_epi8(v) == 0) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), _mm_unpacklo_epi8(v, zero));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k + 8), _mm_unpackhi_epi8(v, zero));
            } else {
                for (uint32_t j = k; j < k + 16; ++j) {
                    const wchar_t c = m_table[bytes[j]];
                    missing = c == 0 ? 0 : missing;
                    out[j] = c;
                }
            }
            k += 16;
        }
    }
    for (; k < count; ++k) {
        const wchar_t c = m_table[bytes[k]];
        missing = c == 0 ? 0 : missing;
        out[k] = c;
    }
    if (missing == 0)
        throw kCopyFailed;
    line.Commit(count);
}

void CGrepLineReader::StepPastLineEnd(uint32_t index)
{
    const uint8_t end = m_buffer[index];
    if (index + 1 < m_byteCount)
        m_bufferPos = index + 1;
    else if (!MoveBufferPos(index + 1))
        throw kMoveFailed;
    // Refilling inside MoveBufferPos keeps a CR LF pair split across two fills
    // one line end.
    if (end == '\r' && m_bufferPos < m_byteCount && m_buffer[m_bufferPos] == '\n') {
        if (m_bufferPos + 1 < m_byteCount)
            ++m_bufferPos;
        else if (!MoveBufferPos(m_bufferPos + 1))
            throw kMoveFailed;
    }
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
    if (m_bufferPos >= m_byteCount) {
        if (!FillBuffer())
            throw kFillFailed;
        if (m_byteCount == 0) {
            m_endOfFile = true;
            return false;
        }
    }
    line.Extend(0);
    for (;;) {
        const uint32_t count = m_byteCount;
        const uint32_t end = FindLineEnd(m_bufferPos, count);
        Append(line, m_bufferPos, end);
        if (end < count) {
            StepPastLineEnd(end);
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
