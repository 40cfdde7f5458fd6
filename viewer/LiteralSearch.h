// CLiteralSearch: the viewer's search on the raw bytes of a result file.
#pragma once

#include "engine/match/CandidatePlan.h"
#include "engine/io/FileReader.h"
#include "engine/io/LineBuffer.h"

#include <cstdint>
#include <string>
#include <vector>

// The search expression's literal plan picks the lines that can match; only
// those are decoded and matched with the exact matcher, so a found line is
// the one a line-by-line scan finds. Forwards, the file's raw reads fill a
// line buffer; backwards, it is read in large chunks each searched from its end.
class CLiteralSearch {
public:
    // False when the expression gives no literal to search for in the
    // encodings the file's lines may have, for a UTF-16 file, or when skipping
    // a line's bytes could skip what reading it would report (a code page with
    // bytes that are no character): the caller then reads every line.
    bool Build(const CFilterMatcher& expression, const CFileReader& file);

    // The first matching line that starts at or after `from` (a line start),
    // with the number of lines before it from `from` on; -1 when none does up
    // to the end of the file.
    int64_t FindForward(CFileReader& file, int64_t from, uint64_t& linesBefore);
    // The last matching line that starts before `end` (a line start, or the
    // end of the file); -1 when none does.
    int64_t FindBackward(CFileReader& file, int64_t end);

    // Throws CFileReader's fill text when a read fails.
    static constexpr size_t kChunk = 1u << 20;

private:
    // Decodes and matches the line that starts at file offset `offset`.
    bool LineMatches(const CFileReader& file, int64_t offset, const uint8_t* bytes, size_t length);
    // Reads `count` bytes at `offset` into the chunk; false when the file
    // ends before them.
    bool ReadChunk(CFileReader& file, int64_t offset, size_t count);

    const CFilterMatcher* m_expression = nullptr;
    CCandidatePlan m_plan;
    CLineBuffer m_lines{kChunk};
    std::vector<uint8_t> m_buffer;   // the backward search's chunk
    std::wstring m_text;
};
