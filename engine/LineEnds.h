// CountLineEnds: how many lines end in a stretch of text bytes, sixteen bytes at a time.
#pragma once

#include <cstddef>
#include <cstdint>

// Line ends among `length` bytes: LF, CR and a zero byte each end a line, and
// a CR LF pair ends one. A CR in the last byte counts as a line end of its
// own, so a stretch is best cut where a line starts.
size_t CountLineEnds(const uint8_t* bytes, size_t length);
