// CByteSource: where the readers of lines get their bytes: a file, a set of
// files read one after the other, or a stream without a known size.
#pragma once

#include <cstddef>
#include <cstdint>

class CByteSource {
public:
    virtual ~CByteSource() = default;
    // Up to `size` bytes from where the last read ended (fewer does not mean
    // the end); `got` 0 at the end of the source. False when a read fails.
    virtual bool Read(uint8_t* target, uint32_t size, uint32_t& got) = 0;
    // The source ended short of where it was known to end (a file that shrank
    // while it was read): the line that its end cuts is not whole.
    virtual bool EndedEarly() const { return false; }
};

// A source of known size that can be read from any offset. A stream (a
// decompressed log) is a plain CByteSource: it is read once, front to back.
class CSeekableSource : public CByteSource {
public:
    // The next read starts at `offset`.
    virtual bool SeekTo(int64_t offset) = 0;
    virtual int64_t Size() const = 0;
};

// Up to `count` bytes at `offset`, fewer only where the source ends first.
// False when a read fails. Leaves the source just past the bytes read.
bool ReadAt(CSeekableSource& source, int64_t offset, uint8_t* target, size_t count, size_t& got);
