// CGrepFastScan: the grep run's fast way through a log. It searches the raw
// bytes of its buffer for the literals a kept line must contain, and turns
// into characters and matches only the lines holding one; every line is
// written as the log's own bytes, and runs of lines that cannot be kept are
// passed over in bulk, with the same before-context, progress reports and
// stop checks as the line-by-line path, which stays the reference.
#pragma once

#include "engine/match/CandidatePlan.h"
#include "engine/match/FilterSet.h"
#include "engine/run/GrepContext.h"
#include "engine/run/GrepEnd.h"
#include "engine/run/GrepLine.h"
#include "engine/run/GrepLineReader.h"
#include "engine/run/GrepProgress.h"

#include <cstdint>

class CGrepObserver;

class CGrepFastScan {
public:
    // The plan must have been built from the same filters; the reader must
    // stand at a line start (Seek), from where the scan takes its lines out of
    // the reader's line buffer. A byte-order mark is passed over.
    CGrepFastScan(CGrepLineReader& reader, CFilterSet& filters, const CCandidatePlan& plan,
                  CGrepByteContext& context, int linesBefore);

    // Completed, Stopped or the write that failed.
    GrepEnd Run(CGrepObserver& observer, CGrepProgress& progress);

    // True when the code page lets bytes be searched for characters and
    // written as they stand: single byte, every byte one character that is
    // written back as the same byte.
    static bool CodePageAllows();

private:
    // First place at or after the buffer's position where a planned literal
    // begins, or `limit`.
    size_t NextCandidate(size_t limit);
    // Lines [from, to) that are known not to be kept: progress, and the last
    // lines-before of them into the before-ring.
    void PassOver(size_t from, size_t to, CGrepProgress& progress, CGrepObserver& observer);
    void Convert(size_t from, size_t to, CGrepLine& line) const;

    CGrepLineReader& m_reader;
    CLineBuffer& m_lines;
    CFilterSet& m_filters;
    const CCandidatePlan& m_plan;
    CGrepByteContext& m_context;
    int m_linesBefore;
    CGrepLine m_line;
    const CLineDecoder& m_decoder;
};
