// The line-end scan. Under wine the runtime's memchr is several times slower
// than this loop, and every byte of a log passes through it.
#include "engine/ByteRules.h"

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
