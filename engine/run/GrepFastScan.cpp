// CGrepFastScan: lines are cut from the reader's line buffer, which always
// holds whole lines, so a line, its line end and the lines before it are all
// in memory at once.
#include "engine/run/GrepFastScan.h"

#include "engine/match/ByteSearch.h"
#include "engine/text/CodePage.h"
#include "engine/run/GrepObserver.h"
#include "engine/text/LineScan.h"

CGrepFastScan::CGrepFastScan(CGrepLineReader& reader, CFilterSet& filters,
                             const CCandidatePlan& plan, CGrepByteContext& context,
                             int linesBefore)
    : m_reader(reader), m_lines(reader.Lines()), m_filters(filters), m_plan(plan),
      m_context(context), m_linesBefore(linesBefore), m_decoder(reader.Decoder())
{
    // The scan may begin anywhere in the log past its byte-order mark: at a
    // line start where an earlier reading of a growing log stopped.
    if (m_reader.Position() < static_cast<int64_t>(m_reader.MarkLength()))
        m_reader.Seek(m_reader.MarkLength());
}

bool CGrepFastScan::CodePageAllows()
{
    // A byte without a character fails the line-by-line reader, and lines are
    // written here as bytes: a code page where either matters is left to it.
    return CFileWriter::BytesRoundTrip();
}

size_t CGrepFastScan::NextCandidate(size_t limit)
{
    // Every literal at once: one pass over the bytes however many filters
    // give one.
    if (m_plan.KeepsNothing())
        return limit;
    return m_lines.NextCandidate(m_plan.Finder(), limit);
}

void CGrepFastScan::Convert(size_t from, size_t to, CGrepLine& line) const
{
    const size_t count = to - from;
    line.Reserve(count);
    line.SetLength(m_decoder.Decode(m_lines.Data() + from, count, line.Data()));
}

void CGrepFastScan::PassOver(size_t from, size_t to, CGrepProgress& progress,
                             CGrepObserver& observer)
{
    const uint8_t* buffer = m_lines.Data();
    const size_t length = m_lines.Length();
    const int64_t base = m_lines.OffsetOf(0);
    // Progress: the line-by-line path reports at the first line end at or
    // past each threshold; find exactly those line ends.
    const int matches = m_context.Matches();
    while (progress.Next() <= base + static_cast<int64_t>(to)) {
        int64_t at = progress.Next() - base - 1;
        size_t i = at < static_cast<int64_t>(from) ? from : static_cast<size_t>(at);
        const size_t end = FindLineEnd(buffer, to, i);
        size_t next;
        if (end >= to) {
            if (!(m_lines.AtEnd() && to == length))
                break;
            next = to;   // the file's last line, without a line end
        } else {
            next = PastLineEnd(buffer, end, length);
        }
        progress.Passed(base + static_cast<int64_t>(next), matches, observer);
    }
    m_context.Skipped();
    if (m_linesBefore <= 0)
        return;
    // The before-ring keeps only the last lines-before of the lines passed
    // over: find where they start, then hand them on oldest first.
    size_t start = to;
    for (int k = 0; k < m_linesBefore && start > from; ++k) {
        size_t textEnd;
        if (start == to && to == length && m_lines.AtEnd() && !IsLineEndByte(buffer[to - 1])) {
            textEnd = to;   // the unterminated last line
        } else {
            textEnd = start - 1;
            if (textEnd > from && IsCrLf(buffer[textEnd - 1], buffer[textEnd]))
                --textEnd;
        }
        start = LineStartBefore(buffer, from, textEnd);
    }
    while (start < to) {
        size_t textEnd;
        const size_t next = m_lines.NextLine(start, to, textEnd);
        // Not kept, no after-context: it only enters the ring.
        const CByteLine passed{buffer + start, textEnd - start};
        m_context.Take(passed, false, base + static_cast<int64_t>(start));
        start = next;
    }
}

GrepEnd CGrepFastScan::Run(CGrepObserver& observer, CGrepProgress& progress)
{
    for (;;) {
        const size_t complete = m_lines.WholeLinesEnd();
        if (m_lines.Pos() >= complete) {
            if (m_lines.AtEnd())
                return GrepEnd::Completed;
            if (!m_reader.FillLines()) {
                if (m_reader.AheadStopped())
                    return GrepEnd::Stopped;
                throw CFileReader::kFillFailed;
            }
            continue;
        }
        while (m_lines.Pos() < complete) {
            const size_t hit = NextCandidate(complete);
            if (!m_context.AfterActive()) {
                const size_t start = LineStartBefore(m_lines.Data(), m_lines.Pos(), hit);
                if (start > m_lines.Pos()) {
                    if (observer.StopRequested())
                        return GrepEnd::Stopped;
                    PassOver(m_lines.Pos(), start, progress, observer);
                    m_lines.SetPos(start);
                }
                if (m_lines.Pos() >= complete)
                    break;
            }
            // One line as the line-by-line path takes it. Only a line holding a
            // planned literal can be kept; only such a line is turned into
            // characters and matched, unless the plan says the hit alone keeps it.
            if (observer.StopRequested())
                return GrepEnd::Stopped;
            const size_t pos = m_lines.Pos();
            size_t textEnd;
            const size_t next = m_lines.NextLine(pos, complete, textEnd);
            bool kept = false;
            if (hit < textEnd && m_plan.HitKeeps()) {
                kept = true;
            } else if (hit < textEnd) {
                Convert(pos, textEnd, m_line);
                kept = m_filters.Matches(m_line.Text(), m_line.Length());
            }
            const CByteLine taken{m_lines.Data() + pos, textEnd - pos};
            const GrepEnd fault = m_context.Take(taken, kept, m_lines.OffsetOf(pos));
            if (fault != GrepEnd::Completed)
                return fault;
            progress.Passed(m_lines.OffsetOf(next), m_context.Matches(), observer);
            m_lines.SetPos(next);
        }
    }
}
