// CopyBytes: copies bytes in the program's own loop, sixteen at a time. Under
// wine the runtime's memcpy costs far more per byte, and every line a run
// writes is copied at least once.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

inline void CopyBytes(char* out, const uint8_t* in, size_t count)
{
    size_t k = 0;
#if defined(__SSE2__)
    for (; k + 16 <= count; k += 16)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + k)));
#endif
    // A few bytes at most: kept a loop, never turned into a call of memcpy.
#pragma GCC unroll 1
    for (; k < count; ++k) {
        out[k] = static_cast<char>(in[k]);
        __asm__("" ::: "memory");
    }
}
