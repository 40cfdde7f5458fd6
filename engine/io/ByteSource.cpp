// ReadAt: a source's reads may come back short; this one only at its end.
#include "engine/io/ByteSource.h"

#include <algorithm>

bool ReadAt(CSeekableSource& source, int64_t offset, uint8_t* target, size_t count, size_t& got)
{
    got = 0;
    if (!source.SeekTo(offset))
        return false;
    while (got < count) {
        uint32_t part = 0;
        const size_t want = std::min<size_t>(count - got, 1u << 30);
        if (!source.Read(target + got, static_cast<uint32_t>(want), part))
            return false;
        if (part == 0)
            break;
        got += part;
    }
    return true;
}
