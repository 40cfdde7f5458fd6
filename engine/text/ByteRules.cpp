// The line-end scans, of bytes and of UTF-16 units. Under wine the runtime's memchr is several times slower
// than this loop, and every byte of a log passes through it.
#include "engine/text/ByteRules.h"

size_t FindLineEnd(const uint8_t* data, size_t length, size_t from)
{
    size_t i = from;
#if defined(__SSE2__)
    while (i + 16 <= length) {
        const unsigned mask =
            LineEndMask(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i)));
        if (mask)
            return i + static_cast<size_t>(__builtin_ctz(mask));
        i += 16;
    }
#endif
    for (; i < length; ++i) {
        if (IsLineEndByte(data[i]))
            return i;
    }
    return length;
}

size_t FindLineEndUnit(const uint8_t* data, size_t units, bool littleEndian)
{
    size_t i = 0;
#if defined(__SSE2__)
    const short lf = littleEndian ? 0x000A : 0x0A00;
    const short cr = littleEndian ? 0x000D : 0x0D00;
    const __m128i lfs = _mm_set1_epi16(lf), crs = _mm_set1_epi16(cr), zero = _mm_setzero_si128();
    while (i + 8 <= units) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 2 * i));
        const __m128i hit = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi16(block, lfs), _mm_cmpeq_epi16(block, crs)),
            _mm_cmpeq_epi16(block, zero));
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hit));
        if (mask)
            return i + static_cast<size_t>(__builtin_ctz(mask)) / 2;
        i += 8;
    }
#endif
    for (; i < units; ++i) {
        if (IsLineEndUnit(UnitAt(data, i, littleEndian)))
            return i;
    }
    return units;
}
