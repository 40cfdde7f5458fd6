// Line ends in raw bytes at the speed of the line-end scan: counting them (a
// CR LF pair once, also when it is split between two pieces) and finding the
// start of the line that holds a byte. Free of platform headers.
#pragma once

#include "engine/text/ByteRules.h"

#include <cstddef>
#include <cstdint>

// Counts the line ends of a stream of bytes handed in as consecutive pieces,
// by the reader's rules: LF, CR and a zero byte each end a line, and a LF
// right after a CR ends none of its own. Line Info, Go to Line and the
// viewer's forward search count with it.
class CLineEndCounter {
public:
    // The line ends among data[0, length), which follow the bytes added before.
    void Add(const uint8_t* data, size_t length);
    uint64_t Count() const { return m_count; }
    // Forgets the count, not the last byte: the next piece still follows it.
    void ResetCount() { m_count = 0; }

private:
    uint64_t m_count = 0;
    bool m_afterCr = false;   // the last byte added was a CR
};

// The same count for UTF-16 text handed in as pieces of whole units: LF, CR
// and a zero character each end a line, a LF right after a CR none.
class CUnitLineEndCounter {
public:
    explicit CUnitLineEndCounter(bool littleEndian) : m_little(littleEndian) {}
    void Add(const uint8_t* data, size_t units);
    uint64_t Count() const { return m_count; }

private:
    uint64_t m_count = 0;
    bool m_little;
    bool m_afterCr = false;   // the last unit added was a CR
};

// The start of the line holding data[at]: just past the last line-end byte in
// data[from, at), or `from` when there is none.
size_t LineStartBefore(const uint8_t* data, size_t from, size_t at);
