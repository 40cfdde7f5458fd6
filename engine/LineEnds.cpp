// CountLineEnds: most blocks of sixteen bytes hold no line end at all; those
// cost three compares and one test, and only the others are looked into.
#include "engine/LineEnds.h"

#include <emmintrin.h>

namespace {

size_t CountScalar(const uint8_t* bytes, size_t from, size_t to, size_t length)
{
    size_t count = 0;
    for (size_t i = from; i < to; ++i) {
        const uint8_t b = bytes[i];
        if (b == '\n' || b == 0 || (b == '\r' && !(i + 1 < length && bytes[i + 1] == '\n')))
            ++count;
    }
    return count;
}

} // namespace

size_t CountLineEnds(const uint8_t* bytes, size_t length)
{
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i zero = _mm_setzero_si128();
    size_t count = 0;
    size_t i = 0;
    for (; i + 16 <= length; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        const unsigned lfMask = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lf)));
        const unsigned crMask = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(v, cr)));
        const unsigned zeroMask = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(v, zero)));
        if ((lfMask | crMask | zeroMask) == 0)
            continue;
        count += unsigned(__builtin_popcount(lfMask | zeroMask));
        if (crMask) {
            // A CR whose next byte is a LF leaves the line end to that LF.
            unsigned nextIsLf = lfMask >> 1;
            if (i + 16 < length && bytes[i + 16] == '\n')
                nextIsLf |= 0x8000u;
            count += unsigned(__builtin_popcount(crMask & ~nextIsLf));
        }
    }
    return count + CountScalar(bytes, i, length, length);
}
