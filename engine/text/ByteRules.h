// The rules every reader of text shares, each in one place: ASCII case
// folding, which bytes end a line, a CR LF pair as one line end, and the
// sixteen-bytes-at-a-time line-end scan. Free of platform headers.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Lower-cases the ASCII letters A-Z; every other byte or character stays, so
// folding bytes of an ASCII-compatible encoding folds the characters they hold.
template <typename Char>
constexpr Char FoldAscii(Char c)
{
    return (c >= Char('A') && c <= Char('Z')) ? Char(c + 32) : c;
}

// LF, CR and a zero byte each end a line.
constexpr bool IsLineEndByte(uint8_t b)
{
    return b == '\n' || b == '\r' || b == 0;
}

// A CR directly followed by a LF is one line end; a LF followed by a CR is two.
constexpr bool IsCrLf(uint8_t first, uint8_t second)
{
    return first == '\r' && second == '\n';
}

// A line starts after `before` when it ends a line and is not the CR of a
// pair whose LF is `at`: the place between a CR and its LF is no line start.
constexpr bool StartsLineAfter(uint8_t before, uint8_t at)
{
    return IsLineEndByte(before) && !IsCrLf(before, at);
}

// The index just past the line end at `end` in data[0, length): one byte, or
// two for a CR LF pair that lies wholly before `length`.
inline size_t PastLineEnd(const uint8_t* data, size_t end, size_t length)
{
    const size_t next = end + 1;
    return next < length && IsCrLf(data[end], data[next]) ? next + 1 : next;
}

#if defined(__SSE2__)
// One bit per byte of the block that ends a line, lowest bit first.
inline unsigned LineEndMask(__m128i block)
{
    const __m128i hit = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('\n')),
                     _mm_cmpeq_epi8(block, _mm_set1_epi8('\r'))),
        _mm_cmpeq_epi8(block, _mm_setzero_si128()));
    return static_cast<unsigned>(_mm_movemask_epi8(hit));
}
#endif

// Index of the first line-end byte at or after `from`; `length` if none.
size_t FindLineEnd(const uint8_t* data, size_t length, size_t from);

// The same rules for UTF-16 text: LF, CR and a zero character end a line.
constexpr bool IsLineEndUnit(uint16_t unit)
{
    return unit < 0x100 && IsLineEndByte(static_cast<uint8_t>(unit));
}
// StartsLineAfter for characters of either width: bytes of 8-bit text, or
// UTF-16 units.
constexpr bool StartsLineAfterChar(uint16_t before, uint16_t at)
{
    return IsLineEndUnit(before) && !(before == '\r' && at == '\n');
}
inline uint16_t UnitAt(const uint8_t* data, size_t index, bool littleEndian)
{
    const uint8_t a = data[2 * index], b = data[2 * index + 1];
    return littleEndian ? uint16_t(a | (b << 8)) : uint16_t((a << 8) | b);
}
// Index of the first line-end unit among the `units` units of UTF-16 text at
// `data`; `units` if none.
size_t FindLineEndUnit(const uint8_t* data, size_t units, bool littleEndian);
