// Line-end counting sixteen bytes at a time: under wine a byte loop costs
// several times the reading of the file it counts.
#include "engine/text/LineScan.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

#if defined(__SSE2__)
// Sum of the sixteen byte counters of `counts`.
inline uint64_t SumBytes(__m128i counts)
{
    const __m128i sums = _mm_sad_epu8(counts, _mm_setzero_si128());
    return static_cast<uint64_t>(_mm_cvtsi128_si32(sums)) +
           static_cast<uint64_t>(_mm_cvtsi128_si32(_mm_srli_si128(sums, 8)));
}
#endif

} // namespace

void CLineEndCounter::Add(const uint8_t* data, size_t length)
{
    if (length == 0)
        return;
    // The first byte on its own: its pair partner, if any, came in the last piece.
    if (IsLineEndByte(data[0]) && !(m_afterCr && data[0] == '\n'))
        ++m_count;
    size_t i = 1;
#if defined(__SSE2__)
    // Each line-end byte counts, less each LF whose byte before is a CR. Byte
    // counters hold up to 255 blocks before they are summed.
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i zero = _mm_setzero_si128();
    while (i + 16 <= length) {
        __m128i counts = zero;
        for (int n = 0; n < 255 && i + 16 <= length; ++n, i += 16) {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
            const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i - 1));
            const __m128i isLf = _mm_cmpeq_epi8(block, lf);
            const __m128i ends = _mm_or_si128(
                _mm_andnot_si128(_mm_cmpeq_epi8(before, cr), isLf),
                _mm_or_si128(_mm_cmpeq_epi8(block, cr), _mm_cmpeq_epi8(block, zero)));
            counts = _mm_sub_epi8(counts, ends);   // a hit is -1
        }
        m_count += SumBytes(counts);
    }
#endif
    for (; i < length; ++i) {
        if (IsLineEndByte(data[i]) && !IsCrLf(data[i - 1], data[i]))
            ++m_count;
    }
    m_afterCr = data[length - 1] == '\r';
}

void CUnitLineEndCounter::Add(const uint8_t* data, size_t units)
{
    size_t i = 0;
    while (i < units) {
        const size_t end = i + FindLineEndUnit(data + 2 * i, units - i, m_little);
        if (end == units)
            break;
        const uint16_t unit = UnitAt(data, end, m_little);
        const bool pairsWithCr = unit == '\n' && (end > 0 ? UnitAt(data, end - 1, m_little) == '\r'
                                                         : m_afterCr);
        if (!pairsWithCr)
            ++m_count;
        i = end + 1;
    }
    if (units > 0)
        m_afterCr = UnitAt(data, units - 1, m_little) == '\r';
}

size_t LineStartBefore(const uint8_t* data, size_t from, size_t at)
{
    size_t i = at;
#if defined(__SSE2__)
    while (i >= from + 16) {
        const unsigned mask =
            LineEndMask(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i - 16)));
        if (mask)
            return i - 16 + static_cast<size_t>(31 - __builtin_clz(mask)) + 1;
        i -= 16;
    }
#endif
    for (; i > from; --i) {
        if (IsLineEndByte(data[i - 1]))
            return i;
    }
    return from;
}
