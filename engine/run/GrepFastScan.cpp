// CGrepFastScan: lines are cut from a buffer that always holds whole lines
// (the unfinished last line is moved to the front before the next read), so
// a line, its line end and the lines before it are all in memory at once.
#include "engine/run/GrepFastScan.h"

#include "engine/match/ByteSearch.h"
#include "engine/text/CodePage.h"
#include "engine/run/GrepObserver.h"
#include "engine/text/LineScan.h"

#include <cstring>

CGrepFastScan::CGrepFastScan(CFileReader& reader, CFilterSet& filters, const CCandidatePlan& plan,
                             CGrepByteContext& context, int linesBefore, uint32_t bufferSize)
    : m_reader(reader), m_filters(filters), m_plan(plan), m_context(context),
      m_linesBefore(linesBefore), m_buffer(bufferSize < 16 ? 16 : bufferSize),
      m_decoder(reader.Decoder())
{
    // The scan may begin anywhere in the log past its byte-order mark: at a
    // line start where an earlier reading of a growing log stopped.
    m_reader.SkipByteOrderMark();
    m_reader.GetPosition(m_base);
}

bool CGrepFastScan::CodePageAllows()
{
    // A byte without a character fails the line-by-line reader, and lines are
    // written here as bytes: a code page where either matters is left to it.
    return CFileWriter::BytesRoundTrip();
}

bool CGrepFastScan::Fill()
{
    if (m_pos > 0) {
        std::memmove(m_buffer.data(), m_buffer.data() + m_pos, m_length - m_pos);
        m_base += static_cast<int64_t>(m_pos);
        m_length -= m_pos;
        m_pos = 0;
    }
    if (m_length == m_buffer.size())
        m_buffer.resize(m_buffer.size() * 2);   // a line longer than the buffer
    uint32_t got = 0;
    if (!m_reader.ReadRaw(m_buffer.data() + m_length,
                          static_cast<uint32_t>(m_buffer.size() - m_length), got))
        throw CFileReader::kFillFailed;
    m_length += got;
    if (got == 0) {
        m_endOfFile = true;
        if (m_reader.LastLineUnfinished())
            DropUnfinishedLine();
    }
    m_hitKnown = false;
    return got > 0;
}

void CGrepFastScan::DropUnfinishedLine()
{
    // The log changed while it was read: the bytes after the last line end
    // are part of a line that is not whole.
    size_t end = m_length;
    while (end > m_pos && !CFileReader::IsLineEnd(m_buffer[end - 1]))
        --end;
    m_length = end;
}

size_t CGrepFastScan::CompleteEnd() const
{
    if (m_endOfFile)
        return m_length;
    // A CR in the last byte may yet pair with a LF of the next read: the line
    // it ends is not complete until that is known.
    for (size_t i = m_length; i > m_pos;) {
        --i;
        const uint8_t b = m_buffer[i];
        if (IsLineEndByte(b) && !(b == '\r' && i + 1 == m_length))
            return i + 1;
    }
    return m_pos;
}

size_t CGrepFastScan::NextLine(size_t start, size_t limit, size_t& textEnd) const
{
    const size_t end = FindLineEnd(m_buffer.data(), limit, start);
    textEnd = end;
    if (end >= limit)
        return limit;   // the file's last line, without a line end
    return PastLineEnd(m_buffer.data(), end, m_length);
}

size_t CGrepFastScan::NextCandidate(size_t limit)
{
    // Every literal at once: one pass over the bytes however many filters
    // give one. The hit is kept while the lines before it are handled one by
    // one (as after-context), so the bytes up to it are searched once.
    if (m_plan.KeepsNothing())
        return limit;
    if (!m_hitKnown || m_nextHit < m_pos) {
        m_nextHit = m_plan.Finder().Find(m_buffer.data(), limit, m_pos);
        m_hitKnown = true;
    }
    return m_nextHit;
}

void CGrepFastScan::Convert(size_t from, size_t to, CGrepLine& line) const
{
    const size_t count = to - from;
    line.Reserve(count);
    line.SetLength(m_decoder.Decode(m_buffer.data() + from, count, line.Data()));
}

void CGrepFastScan::PassOver(size_t from, size_t to, CGrepProgress& progress,
                             CGrepObserver& observer)
{
    const uint8_t* buffer = m_buffer.data();
    // Progress: the line-by-line path reports at the first line end at or
    // past each threshold; find exactly those line ends.
    const int matches = m_context.Matches();
    while (progress.Next() <= m_base + static_cast<int64_t>(to)) {
        int64_t at = progress.Next() - m_base - 1;
        size_t i = at < static_cast<int64_t>(from) ? from : static_cast<size_t>(at);
        const size_t end = FindLineEnd(buffer, to, i);
        size_t next;
        if (end >= to) {
            if (!(m_endOfFile && to == m_length))
                break;
            next = to;   // the file's last line, without a line end
        } else {
            next = PastLineEnd(buffer, end, m_length);
        }
        progress.Passed(m_base + static_cast<int64_t>(next), matches, observer);
    }
    m_context.Skipped();
    if (m_linesBefore <= 0)
        return;
    // The before-ring keeps only the last lines-before of the lines passed
    // over: find where they start, then hand them on oldest first.
    size_t start = to;
    for (int k = 0; k < m_linesBefore && start > from; ++k) {
        size_t textEnd;
        if (start == to && to == m_length && m_endOfFile && !IsLineEndByte(buffer[to - 1])) {
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
        const size_t next = NextLine(start, to, textEnd);
        // Not kept, no after-context: it only enters the ring.
        const CByteLine passed{buffer + start, textEnd - start};
        m_context.Take(passed, false, m_base + static_cast<int64_t>(start));
        start = next;
    }
}

CGrepFastScan::End CGrepFastScan::Run(CGrepObserver& observer, CGrepProgress& progress)
{
    for (;;) {
        const size_t complete = CompleteEnd();
        if (m_pos >= complete) {
            if (m_endOfFile)
                return End::Completed;
            Fill();
            continue;
        }
        while (m_pos < complete) {
            const size_t hit = NextCandidate(complete);
            if (!m_context.AfterActive()) {
                const size_t start = LineStartBefore(m_buffer.data(), m_pos, hit);
                if (start > m_pos) {
                    if (observer.StopRequested())
                        return End::Stopped;
                    PassOver(m_pos, start, progress, observer);
                    m_pos = start;
                }
                if (m_pos >= complete)
                    break;
            }
            // One line as the line-by-line path takes it. Only a line holding a
            // planned literal can be kept; only such a line is turned into
            // characters and matched, unless the plan says the hit alone keeps it.
            if (observer.StopRequested())
                return End::Stopped;
            size_t textEnd;
            const size_t next = NextLine(m_pos, complete, textEnd);
            bool kept = false;
            if (hit < textEnd && m_plan.HitKeeps()) {
                kept = true;
            } else if (hit < textEnd) {
                Convert(m_pos, textEnd, m_line);
                kept = m_filters.Matches(m_line.Text(), m_line.Length());
            }
            const CByteLine taken{m_buffer.data() + m_pos, textEnd - m_pos};
            switch (m_context.Take(taken, kept, m_base + static_cast<int64_t>(m_pos))) {
            case GrepFault::None:
                break;
            case GrepFault::PrevLine:
                return End::PrevLineFault;
            case GrepFault::NextLine:
                return End::NextLineFault;
            }
            progress.Passed(m_base + static_cast<int64_t>(next), m_context.Matches(), observer);
            m_pos = next;
        }
    }
}
