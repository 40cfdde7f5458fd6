// CLiteralSearch: candidates by literal, one line at a time only where one is found.
#include "viewer/LiteralSearch.h"

#include "engine/text/CodePage.h"
#include "engine/text/LineScan.h"

#include <algorithm>

bool CLiteralSearch::Build(const CFilterMatcher& expression, const CFileReader& file)
{
    if (file.IsUtf16())
        return false;
    const CLineDecoder& decoder = file.Decoder();
    const CCodePage& cp = CCodePage::Ansi();
    if (decoder.MayReadAnsi()) {
        if (!cp.IsSingleByte())
            return false;
        for (int b = 0; b < 256; ++b)
            if (!cp.HasChar(static_cast<uint8_t>(b)))
                return false;
    }
    m_expression = &expression;
    const std::vector<CandidateFilter> filters{{&expression, false}};
    return m_plan.Build(filters, cp.Table(), decoder.MayReadAnsi(), decoder.MayReadUtf8()) &&
           !m_plan.KeepsNothing() && !m_plan.Finder().Empty();
}

bool CLiteralSearch::LineMatches(const CFileReader& file, int64_t offset, const uint8_t* bytes,
                                 size_t length)
{
    // The first line's text begins after the byte-order mark.
    const int64_t mark = file.MarkLength();
    if (offset < mark) {
        const size_t skip = std::min(length, static_cast<size_t>(mark - offset));
        bytes += skip;
        length -= skip;
    }
    file.DecodeLine(bytes, length, m_text);
    return m_expression->MatchesText(m_text.c_str());
}

int64_t CLiteralSearch::FindForward(CFileReader& file, int64_t from, uint64_t& linesBefore)
{
    linesBefore = 0;
    if (!file.Seek(from))
        return -1;
    const CAnyOfFinder& finder = m_plan.Finder();
    CLineEndCounter counter;
    m_lines.Restart(from);
    for (;;) {
        if (!m_lines.Fill(file))
            throw CFileReader::kFillFailed;
        const uint8_t* data = m_lines.Data();
        const size_t complete = m_lines.WholeLinesEnd();
        // Whole lines from the buffer's position on; the lines passed over
        // are counted, so the caller knows where the found line lies among them.
        size_t pos = m_lines.Pos();
        while (pos < complete) {
            const size_t hit = m_lines.NextCandidate(finder, complete);
            if (hit >= complete) {
                counter.Add(data + pos, complete - pos);
                pos = complete;
                break;
            }
            const size_t start = LineStartBefore(data, pos, hit);
            size_t textEnd = 0;
            const size_t next = m_lines.NextLine(start, complete, textEnd);
            counter.Add(data + pos, start - pos);
            if (LineMatches(file, m_lines.OffsetOf(start), data + start, textEnd - start)) {
                linesBefore = counter.Count();
                return m_lines.OffsetOf(start);
            }
            counter.Add(data + start, next - start);
            pos = next;
            m_lines.SetPos(pos);
        }
        m_lines.SetPos(pos);
        if (m_lines.AtEnd())
            return -1;
    }
}

bool CLiteralSearch::ReadChunk(CFileReader& file, int64_t offset, size_t count)
{
    if (m_buffer.size() < count)
        m_buffer.resize(count);
    size_t got = 0;
    if (!ReadAt(file, offset, m_buffer.data(), count, got))
        throw CFileReader::kFillFailed;
    return got == count;
}

int64_t CLiteralSearch::FindBackward(CFileReader& file, int64_t end)
{
    const CAnyOfFinder& finder = m_plan.Finder();
    size_t chunk = kChunk;
    while (end > 0) {
        const int64_t start = std::max<int64_t>(0, end - static_cast<int64_t>(chunk));
        const size_t count = static_cast<size_t>(end - start);
        if (!ReadChunk(file, start, count))
            return -1;
        const uint8_t* data = m_buffer.data();
        // Only the lines that start inside the chunk are searched here; the
        // one cut by its start belongs to the next chunk. `end` is a line
        // start, so a CR in the last byte is a line end of its own.
        size_t first = 0;
        if (start > 0) {
            const size_t lineEnd = FindLineEnd(data, count, 0);
            first = lineEnd < count ? PastLineEnd(data, lineEnd, count) : count;
            if (first >= count) {
                chunk *= 2;   // a line longer than the chunk
                continue;
            }
        }
        size_t limit = count;
        while (limit > first) {
            const size_t hit = finder.FindLast(data, first, limit);
            if (hit >= limit)
                break;
            const size_t lineStart = LineStartBefore(data, first, hit);
            const size_t textEnd = FindLineEnd(data, count, hit);
            if (LineMatches(file, start + static_cast<int64_t>(lineStart), data + lineStart,
                            textEnd - lineStart))
                return start + static_cast<int64_t>(lineStart);
            limit = lineStart;
        }
        end = start + static_cast<int64_t>(first);
    }
    return -1;
}
