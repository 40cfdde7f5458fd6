// CLineBuffer: the bytes of a source held as whole lines. It fills itself
// from a CByteSource, says where the whole lines end, cuts them one by one
// and finds the lines that hold a candidate; every reader of 8-bit lines
// (the grep run both ways, the viewer's search, the line counter) reads
// through it.
#pragma once

#include "engine/io/ByteSource.h"
#include "engine/io/ReadAhead.h"
#include "engine/text/ByteRules.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class CLineBuffer {
public:
    // The buffer is allocated at the first fill; it doubles for a line longer
    // than itself, so memory follows the longest line, never the file. It is
    // never cleared and a grown one is filled a piece of `size` at a time: a
    // read touches every page it may fill, and only the pages that hold the
    // line may cost memory.
    explicit CLineBuffer(size_t size) : m_size(size < 16 ? 16 : size) {}

    // Holds nothing; the next fill's first byte lies at `offset` of the source.
    void Restart(int64_t offset);

    // Keeps the bytes from Pos() on (moved to the front) and reads more after
    // them. When nothing more comes, AtEnd() is true, and a source that ended
    // early loses the line its end cuts. False when the read fails.
    bool Fill(CByteSource& source);
    // The same from a source read on another thread: the next block becomes
    // the buffer, with the kept bytes put in its head room, and the old
    // buffer goes back to be filled again. False when the read fails or a
    // stop was requested while waiting (ahead.Stopped()).
    bool Fill(CReadAhead& ahead);

    // The end of the lines that are wholly held from Pos() on: past the last
    // line end, or everything at the end of the source. A CR in the last byte
    // is no line end yet: the LF of the next read may pair with it.
    size_t WholeLinesEnd() const;

    // Start of the line after the one starting at `start`, whose text ends at
    // `textEnd`; `limit` (a whole-lines end) when the line has no line end.
    size_t NextLine(size_t start, size_t limit, size_t& textEnd) const
    {
        const uint8_t* data = m_bytes;
        const size_t end = FindLineEnd(data, limit, start);
        textEnd = end;
        if (end >= limit)
            return limit;
        return PastLineEnd(data, end, m_length);
    }

    // The first place at or after Pos() where `finder` finds a literal, or
    // `limit`. The answer is kept while the lines before it are taken one by
    // one, so the bytes up to it are searched once per fill.
    template <typename Finder>
    size_t NextCandidate(const Finder& finder, size_t limit)
    {
        if (!m_hitKnown || m_hit < m_pos || m_hit > limit) {
            m_hit = finder.Find(m_bytes, limit, m_pos);
            m_hitKnown = true;
        }
        return m_hit;
    }

    const uint8_t* Data() const { return m_bytes; }
    size_t Length() const { return m_length; }
    // Where the next line to take starts.
    size_t Pos() const { return m_pos; }
    void SetPos(size_t pos) { m_pos = pos; }
    // The source offset of byte `i`.
    int64_t OffsetOf(size_t i) const { return m_base + static_cast<int64_t>(i); }
    bool AtEnd() const { return m_atEnd; }

private:
    void DropUnfinishedLine();
    // Room for twice what is held; the old bytes are freed before reading on.
    void Grow();

    size_t m_size;
    // The bytes live in one of two stores: a buffer of our own, never
    // cleared, or the last block a read-ahead handed over. m_bytes points at
    // the one in use, m_capacity is its size.
    std::unique_ptr<uint8_t[]> m_owned;
    std::vector<uint8_t> m_block;
    uint8_t* m_bytes = nullptr;
    size_t m_capacity = 0;
    size_t m_length = 0;
    size_t m_pos = 0;
    int64_t m_base = 0;   // the source offset of m_bytes[0]
    bool m_atEnd = false;
    size_t m_hit = 0;
    bool m_hitKnown = false;
};
