// CGrepSession: what a grep run keeps from its first line until following its
// log ends: the filters, the context (before-ring, after-context countdown,
// match count) and where in the log the next line starts.
#pragma once

#include "engine/io/LogLook.h"
#include "engine/match/CandidatePlan.h"
#include "engine/match/FilterSet.h"
#include "engine/run/GrepContext.h"
#include "engine/run/GrepEnd.h"
#include "engine/run/GrepIndex.h"
#include "engine/run/GrepParams.h"

#include <cstdint>
#include <memory>
#include <string>

class CBlockStock;
class CFileWriter;
class CGrepLineReader;
class CGrepObserver;
class CGrepProgress;

// A run reads the log up to its size once; following reads it again each time
// it has grown, from where the last reading stopped, so the result file ends
// as one run over the whole log would have written it. The whole lines go
// through the context for good. A last line without a line end (still being
// written) is written only as a run's end writes it, by a reading asked to:
// its part of the result file is cut off again before the next reading, which
// takes the line whole. Following's looks leave it out, so a long line
// written in pieces is written once, when its line end has come.
class CGrepSession {
public:
    // `allowFast` lets whole stretches of the log be searched as bytes (CGrepFastScan).
    void Build(const CGrepParams& params, bool allowFast, uint32_t bufferSize);
    const CGrepParams& Params() const { return m_params; }
    // The index of the result, written from the first reading on and sealed
    // after each (engine/run/GrepIndex.h).
    // Several sessions, one per log of a set, share one index.
    void SetIndex(std::shared_ptr<CGrepIndexWriter> index) { m_index = std::move(index); }
    // The line that names the log, written before the first line this
    // session writes (a result of several logs).
    void SetHeader(std::wstring header) { m_header = std::move(header); }
    uint32_t BufferSize() const { return m_bufferSize; }
    // Stretches of at least two blocks of this size are read on a thread of
    // their own while the lines before are taken (0: never).
    // Blocks of `blockSize` read ahead on a thread of their own (0: none),
    // taken from and given back to `stock` where there is one.
    void SetReadAhead(uint32_t blockSize, std::shared_ptr<CBlockStock> stock = nullptr)
    {
        m_readAhead = blockSize;
        m_blockStock = std::move(stock);
    }

    // Reads the log through `reader` from Position() up to `size`, writing
    // through `writer`, which must stand at the end of what this session has
    // written. The stop check and progress happen per line as in a run. A
    // stream (a decompressed log) is read to its own end, whatever `size`.
    // Completed, Stopped, or the write that failed. `writeUnfinished` false
    // leaves a last line without a line end for a later reading.
    GrepEnd ReadTo(CGrepLineReader& reader, CFileWriter& writer, int64_t size, CGrepObserver& observer,
               CGrepProgress& progress, bool writeUnfinished = true);
    // A last line without a line end was read up to Seen() and left out.
    bool HoldsUnfinished() const { return m_position < m_seen && !m_unfinishedWritten; }

    // The log was truncated or replaced: the line `separator` goes to the
    // result, and reading starts again at the log's start with an empty
    // context; the match count goes on.
    bool Restart(CFileWriter& writer, const wchar_t* separator);

    // True when the bytes just before Position() are still those that were
    // read there (a log rewritten in place would differ).
    bool SameStart(CGrepLineReader& reader) const;

    // False for a log that cannot be followed (UTF-16 or a stream: read whole, once).
    bool Followable() const { return !m_utf16 && !m_stream; }
    // Matches written so far, the unfinished last line's included, and those of the logs
    // before this one in a set's result.
    int Matches() const;
    // Lines an expression filter gave up on (a limit reached) and so did not keep.
    size_t TooComplexLines() const { return m_filters.TooComplexLines(); }
    // A set's newest log, followed once the set's run is over: its count goes on from the
    // matches of the whole result.
    void SetEarlierMatches(int matches) { m_earlierMatches = matches; }
    // Where the next whole line starts; the log size read up to.
    int64_t Position() const { return m_position; }
    int64_t Seen() const { return m_seen; }
    // The result file's length without the unfinished last line's part.
    int64_t Mark() const { return m_mark; }
    // Which file the log is, to tell a replaced one (0: not known).
    uint64_t Identity() const { return m_identity; }
    void SetIdentity(uint64_t identity) { m_identity = identity; }
    // The result file as this session last left it, taken once its writer has
    // closed: following goes on only while the file is still that one.
    const CFileState& ResultState() const { return m_resultState; }
    void SetResultState(const CFileState& state) { m_resultState = state; }

private:
    GrepEnd ReadToUnsealed(CGrepLineReader& reader, CFileWriter& writer, int64_t size,
                       CGrepObserver& observer, CGrepProgress& progress, bool writeUnfinished);
    // Settles, at the first reading, how the log is read and makes the context.
    void Begin(CGrepLineReader& reader, CFileWriter& writer);
    // The whole lines of [Position(), end) through the context (end -1: the
    // whole log).
    GrepEnd ReadLines(CGrepLineReader& reader, CFileWriter& writer, int64_t end,
                  CGrepObserver& observer, CGrepProgress& progress);
    // The line that the log ended in at `size`, by how the log has changed since.
    GrepEnd ReadLastLine(CGrepLineReader& reader, CFileWriter& writer, int64_t size,
                     CGrepObserver& observer, CGrepProgress& progress, bool writeUnfinished);
    // The line [Position(), size), without a line end, as a run's end writes it.
    GrepEnd WriteUnfinished(CGrepLineReader& reader, CFileWriter& writer, int64_t size);
    // Whether the filters keep a line of an 8-bit log read as bytes.
    bool KeepsBytes(const CGrepLineReader& reader, const CByteLine& line);
    // False when the line cannot be kept, by the literals of m_widePlan;
    // true when it must be matched to know.
    bool MayKeep(const CGrepLine& line) const;
    // Remembers the bytes before Position() for SameStart.
    void RememberStart(CGrepLineReader& reader);

    CGrepParams m_params;
    uint32_t m_bufferSize = 0;
    uint32_t m_readAhead = 0;
    std::shared_ptr<CBlockStock> m_blockStock;
    CFilterSet m_filters;
    CCandidatePlan m_plan;
    // For a UTF-16 log, read line by line: the literals a kept line's text
    // must hold, searched before the line is matched (m_widePlanned).
    CCandidatePlan m_widePlan;
    bool m_widePlanned = false;
    bool m_allowFast = true;
    bool m_fast = false;
    bool m_utf16 = false;
    bool m_stream = false;
    // One of the two, by the way the log is read: as characters or as bytes.
    // They only ever write through the writer that ReadTo is given.
    std::unique_ptr<CGrepContext> m_lines;
    std::unique_ptr<CGrepByteContext> m_bytes;
    int64_t m_position = 0;
    int64_t m_seen = 0;
    int64_t m_mark = 0;
    bool m_unfinishedWritten = false;
    bool m_unfinishedKept = false;
    // Matches in unfinished lines that a restart left in the result for good.
    int m_extraMatches = 0;
    int m_earlierMatches = 0;
    // The line before Position() ended in CR: a LF that follows belongs to it.
    bool m_crBefore = false;
    std::string m_start;   // the bytes before Position()
    std::shared_ptr<CGrepIndexWriter> m_index;
    std::wstring m_header;
    uint64_t m_indexMark = 0;   // records before the unfinished line's
    // Without filters every line is written: one stretch, from the start or a restart.
    bool m_copyGap = true;
    int64_t m_copyPiece = 0;
    uint64_t m_identity = 0;
    CFileState m_resultState;
};
