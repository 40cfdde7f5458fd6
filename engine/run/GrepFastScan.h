// CGrepFastScan: the grep run's fast way through a log. It searches the raw
// bytes of its buffer for the literals a kept line must contain, and turns
// into characters and matches only the lines holding one; every line is
// written as the log's own bytes, and runs of lines that cannot be kept are
// passed over in bulk, with the same before-context, progress reports and
// stop checks as the line-by-line path, which stays the reference.
#pragma once

#include "engine/match/CandidatePlan.h"
#include "engine/io/FileReader.h"
#include "engine/match/FilterSet.h"
#include "engine/run/GrepContext.h"
#include "engine/run/GrepLine.h"
#include "engine/run/GrepProgress.h"

#include <cstdint>
#include <vector>

class CGrepObserver;

class CGrepFastScan {
public:
    enum class End { Completed, Stopped, PrevLineFault, NextLineFault };

    // The plan must have been built from the same filters; the reader must
    // have nothing buffered and stand at a line start. A byte-order mark is
    // passed over.
    CGrepFastScan(CFileReader& reader, CFilterSet& filters, const CCandidatePlan& plan,
                  CGrepByteContext& context, int linesBefore, uint32_t bufferSize);

    End Run(CGrepObserver& observer, CGrepProgress& progress);

    // True when the code page lets bytes be searched for characters and
    // written as they stand: single byte, every byte one character that is
    // written back as the same byte.
    static bool CodePageAllows();

private:
    bool Fill();
    void DropUnfinishedLine();
    // End of the lines that are wholly in the buffer from m_pos on.
    size_t CompleteEnd() const;
    // Start of the next line after the one whose text starts at `start`, and
    // the end of that line's text.
    size_t NextLine(size_t start, size_t limit, size_t& textEnd) const;
    // First place at or after m_pos where a planned literal begins, or `limit`.
    size_t NextCandidate(size_t limit);
    // Lines [from, to) that are known not to be kept: progress, and the last
    // lines-before of them into the before-ring.
    void PassOver(size_t from, size_t to, CGrepProgress& progress, CGrepObserver& observer);
    void Convert(size_t from, size_t to, CGrepLine& line) const;

    CFileReader& m_reader;
    CFilterSet& m_filters;
    const CCandidatePlan& m_plan;
    CGrepByteContext& m_context;
    int m_linesBefore;
    std::vector<uint8_t> m_buffer;
    size_t m_length = 0;      // valid bytes
    size_t m_pos = 0;         // start of the next line to handle
    int64_t m_base = 0;       // file offset of m_buffer[0]
    bool m_endOfFile = false;
    size_t m_nextHit = 0;     // the first candidate at or after it, this fill
    bool m_hitKnown = false;
    CGrepLine m_line;
    const CLineDecoder& m_decoder;
};
