// CGrepSession: reading a log in stretches that end at a line end, so that a
// line is never cut in two, and the unfinished last line on its own.
#include "engine/run/GrepSession.h"

#include "engine/text/CodePage.h"
#include "engine/io/FileWriter.h"
#include "engine/run/GrepFastScan.h"
#include "engine/run/GrepLineReader.h"
#include "engine/run/GrepProgress.h"
#include "engine/run/GrepRun.h"

#include <algorithm>
#include <cwchar>
#include <vector>

namespace {

// How many bytes before the position tell whether the log was rewritten.
const int64_t kStartCheck = 64;
const uint32_t kBackBlock = 64 * 1024;

// `count` bytes of the log from `offset` (fewer at its end).
std::string ReadAt(CFileReader& reader, int64_t offset, int64_t count)
{
    std::string bytes(static_cast<size_t>(count), '\0');
    // Past the limit of an earlier reading, too: the log may have grown since.
    reader.SetReadLimit(offset + count);
    size_t got = 0;
    if (!ReadAt(reader, offset, reinterpret_cast<uint8_t*>(bytes.data()), bytes.size(), got))
        throw CFileReader::kFillFailed;
    bytes.resize(got);
    return bytes;
}

// Just past the last line end in [from, to), or `from` when there is none.
// `cr` tells whether that line end is a CR, whose LF may still come.
int64_t AfterLastLineEnd(CFileReader& reader, int64_t from, int64_t to, bool& cr)
{
    cr = false;
    for (int64_t end = to; end > from;) {
        const int64_t start = std::max<int64_t>(from, end - kBackBlock);
        const std::string block = ReadAt(reader, start, end - start);
        for (size_t i = block.size(); i > 0; --i) {
            const uint8_t b = static_cast<uint8_t>(block[i - 1]);
            if (CFileReader::IsLineEnd(b)) {
                cr = b == '\r';
                return start + static_cast<int64_t>(i);
            }
        }
        end = start;
    }
    return from;
}

// Just past the first line end in [from, to) (and the LF of a CR LF pair
// in it), or `from` when there is none. `cr` tells whether that line end is a
// CR that ends the range, whose LF may still come.
int64_t AfterFirstLineEnd(CFileReader& reader, int64_t from, int64_t to, bool& cr)
{
    cr = false;
    for (int64_t start = from; start < to;) {
        const int64_t stop = std::min<int64_t>(to, start + kBackBlock);
        const std::string block = ReadAt(reader, start, stop - start);
        for (size_t i = 0; i < block.size(); ++i) {
            const uint8_t b = static_cast<uint8_t>(block[i]);
            if (!CFileReader::IsLineEnd(b))
                continue;
            int64_t past = start + static_cast<int64_t>(i) + 1;
            if (b == '\r') {
                if (past == to)
                    cr = true;
                else if (ReadAt(reader, past, 1) == "\n")
                    ++past;
            }
            return past;
        }
        if (block.empty())
            break;
        start += static_cast<int64_t>(block.size());
    }
    return from;
}

// Decides each line and reports nothing: the unfinished last line is read
// with the same reader and filters as the lines before it.
class CNoObserver : public CGrepObserver {
public:
    bool StopRequested() override { return false; }
    void Progress(int, int) override {}
};

} // namespace

void CGrepSession::Build(const CGrepParams& params, bool allowFast, uint32_t bufferSize)
{
    m_params = params;
    m_bufferSize = bufferSize;
    m_allowFast = allowFast;
    m_filters.Build(params.filters, params.ignoreCase);
}

void CGrepSession::Begin(CGrepLineReader& reader, CFileWriter& writer)
{
    // How the log is read is settled by the run's reader, once: its encoding
    // and how its 8-bit lines decode.
    m_utf16 = reader.IsUtf16();
    const CLineDecoder& decoder = reader.Decoder();
    m_fast = m_allowFast && !m_filters.Empty() && !m_utf16 && CGrepFastScan::CodePageAllows() &&
             m_plan.Build(m_filters.CandidateFilters(), CCodePage::Ansi().Table(),
                          decoder.MayReadAnsi(), decoder.MayReadUtf8());
    m_widePlanned = m_allowFast && !m_filters.Empty() && m_utf16 &&
                    m_widePlan.BuildWide(m_filters.CandidateFilters(), CCodePage::Ansi().Table());
    if (m_fast)
        m_bytes = std::make_unique<CGrepByteContext>(writer, m_params.linesBefore, m_params.linesAfter);
    else
        m_lines = std::make_unique<CGrepContext>(writer, m_params.linesBefore, m_params.linesAfter);
    if (m_bytes)
        m_bytes->SetHeader(m_header);
    if (m_lines)
        m_lines->SetHeader(m_header);
    if (m_index && m_bytes)
        m_bytes->Record(*m_index);
    if (m_index && m_lines)
        m_lines->Record(*m_index);
}

int CGrepSession::Matches() const
{
    const int whole = m_bytes ? m_bytes->Matches() : m_lines ? m_lines->Matches() : 0;
    return m_earlierMatches + whole + m_extraMatches + (m_unfinishedWritten && m_unfinishedKept ? 1 : 0);
}

GrepEnd CGrepSession::ReadTo(CGrepLineReader& reader, CFileWriter& writer, int64_t size,
                                       CGrepObserver& observer, CGrepProgress& progress,
                                       bool writeUnfinished)
{
    const GrepEnd ended = ReadToUnsealed(reader, writer, size, observer, progress, writeUnfinished);
    // A stopped reading leaves whole lines too: the index describes them.
    if (m_index && (ended == GrepEnd::Completed || ended == GrepEnd::Stopped) && writer.Flush())
        m_index->Seal(writer.Written());
    return ended;
}

GrepEnd CGrepSession::ReadToUnsealed(CGrepLineReader& reader, CFileWriter& writer,
                                               int64_t size, CGrepObserver& observer,
                                               CGrepProgress& progress, bool writeUnfinished)
{
    if (!m_bytes && !m_lines)
        Begin(reader, writer);
    if (reader.IsStream()) {
        // No end is known before it comes: the stream's end is the log's,
        // and the line it ends in is whole, unless damage cut the stream.
        m_stream = true;
        if (m_bytes)
            m_bytes->SetWriter(writer);
        if (m_lines)
            m_lines->SetWriter(writer);
        const GrepEnd ended = ReadLines(reader, writer, -1, observer, progress);
        if (ended != GrepEnd::Completed)
            return ended;
        return writer.Flush() ? GrepEnd::Completed : GrepEnd::NextLineFailed;
    }
    if (m_utf16) {
        // Its line ends are two bytes wide: such a log is read as it stood
        // at open, whole, and cannot be followed.
        const GrepEnd ended = ReadLines(reader, writer, size, observer, progress);
        m_position = m_seen = size;
        if (ended != GrepEnd::Completed)
            return ended;
        return writer.Flush() ? GrepEnd::Completed : GrepEnd::NextLineFailed;
    }
    if (m_bytes)
        m_bytes->SetWriter(writer);
    if (m_lines)
        m_lines->SetWriter(writer);
    if (m_unfinishedWritten) {
        if (!writer.CutAt(m_mark))
            return GrepEnd::NextLineFailed;
        if (m_index)
            m_index->TakeBack(m_indexMark);
        m_unfinishedWritten = false;
    }
    if (m_crBefore && m_position < size && ReadAt(reader, m_position, 1) == "\n")
        ++m_position;
    m_crBefore = false;

    // What an earlier reading saw after Position() holds no line end: only
    // the bytes since are looked through, so a line that grows a piece at a
    // time is not read again at every look.
    bool cr = false;
    const int64_t from = std::clamp(m_seen, m_position, std::max(m_position, size));
    int64_t end = AfterLastLineEnd(reader, from, size, cr);
    if (end == from)
        end = m_position;
    if (end > m_position) {
        const GrepEnd ended = ReadLines(reader, writer, end, observer, progress);
        if (ended != GrepEnd::Completed)
            return ended;
        m_position = end;
        m_crBefore = cr;
    }
    m_seen = size;
    RememberStart(reader);
    if (!writer.GetPosition(m_mark))
        return GrepEnd::NextLineFailed;
    if (end < size) {
        if (observer.StopRequested())
            return GrepEnd::Stopped;
        const GrepEnd ended = ReadLastLine(reader, writer, size, observer, progress, writeUnfinished);
        if (ended != GrepEnd::Completed)
            return ended;
        progress.Passed(size, Matches(), observer);
    }
    return writer.Flush() ? GrepEnd::Completed : GrepEnd::NextLineFailed;
}

GrepEnd CGrepSession::ReadLastLine(CGrepLineReader& reader, CFileWriter& writer,
                                             int64_t size, CGrepObserver& observer,
                                             CGrepProgress& progress, bool writeUnfinished)
{
    // The log ended inside a line at `size`. Still ending there, that line is
    // its last, written as a run's end writes it. Grown since, the line was
    // being written: taken whole once its line end has come, left out until
    // then. Shrunk, the end cuts a line that is not whole: left out.
    if (!reader.RefreshSize())
        return GrepEnd::NextLineFailed;
    const int64_t now = reader.GetSize();
    if (now == size)
        return writeUnfinished ? WriteUnfinished(reader, writer, size) : GrepEnd::Completed;
    if (now < size)
        return GrepEnd::Completed;
    bool cr = false;
    const int64_t end = AfterFirstLineEnd(reader, size, now, cr);
    if (end == size)
        return GrepEnd::Completed;
    const GrepEnd ended = ReadLines(reader, writer, end, observer, progress);
    if (ended != GrepEnd::Completed)
        return ended;
    m_position = m_seen = end;
    m_crBefore = cr;
    RememberStart(reader);
    return writer.GetPosition(m_mark) ? GrepEnd::Completed : GrepEnd::NextLineFailed;
}

GrepEnd CGrepSession::ReadLines(CGrepLineReader& reader, CFileWriter& writer,
                                          int64_t end, CGrepObserver& observer,
                                          CGrepProgress& progress)
{
    reader.Seek(m_position);
    reader.SetReadLimit(end);
    // A UTF-16 log is read through the reader's own buffer, a stream whole:
    // only a stretch of an 8-bit file is worth a thread of its own.
    std::unique_ptr<CReadAheadScope> ahead;
    if (m_readAhead > 0 && !m_utf16 && !reader.IsStream() &&
        end - m_position >= 2 * static_cast<int64_t>(m_readAhead))
        ahead = std::make_unique<CReadAheadScope>(
            reader, m_readAhead, [&observer] { return observer.StopRequested(); }, m_blockStock);
    if (m_fast) {
        CGrepFastScan scan(reader, m_filters, m_plan, *m_bytes, m_params.linesBefore);
        return scan.Run(observer, progress);
    }
    const bool copyAll = m_filters.Empty();
    CGrepLine line;
    int64_t lineStart = reader.Position();
    while (reader.ReadLine(line)) {
        if (observer.StopRequested())
            return GrepEnd::Stopped;
        if (copyAll) {
            if (!m_header.empty()) {
                if (m_index)
                    m_index->AddHeader(writer.Written());
                if (!writer.WriteLine(nullptr, m_header.c_str(), m_header.size()))
                    return GrepEnd::NextLineFailed;
                m_header.clear();
            }
            // One stretch, recorded in pieces.
            if (m_index && (m_copyGap || writer.Written() - m_copyPiece >= kStretchPiece)) {
                m_copyPiece = writer.Written();
                m_copyGap = false;
                m_index->Add(CStretchPlace{m_copyPiece, lineStart});
            }
            if (!WriteContextLine(writer, nullptr, line))
                return GrepEnd::NextLineFailed;
        } else {
            const bool kept = MayKeep(line) && m_filters.Matches(line.Text(), line.Length());
            const GrepEnd ended = m_lines->Take(line, kept, lineStart);
            if (ended != GrepEnd::Completed)
                return ended;
        }
        lineStart = reader.Position();
        progress.Passed(lineStart, m_lines->Matches(), observer);
    }
    return reader.AheadStopped() ? GrepEnd::Stopped : GrepEnd::Completed;
}

bool CGrepSession::MayKeep(const CGrepLine& line) const
{
    if (!m_widePlanned)
        return true;
    if (m_widePlan.KeepsNothing())
        return false;
    // wchar_t holds a UTF-16 unit, low byte first in memory.
    static_assert(sizeof(wchar_t) == 2);
    const size_t bytes = line.Length() * sizeof(wchar_t);
    return m_widePlan.Finder().Find(reinterpret_cast<const uint8_t*>(line.Text()), bytes, 0) < bytes;
}

GrepEnd CGrepSession::WriteUnfinished(CGrepLineReader& reader, CFileWriter& writer,
                                                int64_t size)
{
    // Its records go with its part of the result when that is cut off again.
    if (m_index)
        m_indexMark = m_index->Count();
    m_unfinishedWritten = true;
    if (m_bytes) {
        // The line as it stands in the log, without a byte-order mark before
        // it, read once into the reader's buffer and written from there.
        const int64_t from = std::max<int64_t>(m_position, reader.MarkLength());
        reader.Seek(from);
        reader.SetReadLimit(size);
        CLineBuffer& lines = reader.Lines();
        while (!lines.AtEnd()) {
            if (!lines.Fill(reader))
                throw CFileReader::kFillFailed;
        }
        const CByteLine unfinished{lines.Data() + lines.Pos(), lines.Length() - lines.Pos()};
        m_unfinishedKept = KeepsBytes(reader, unfinished);
        return m_bytes->Write(unfinished, m_unfinishedKept, from);
    }
    reader.Seek(m_position);
    reader.SetReadLimit(size);
    CGrepLine line;
    reader.ReadLine(line);
    m_unfinishedKept = !m_filters.Empty() && m_filters.Matches(line.Text(), line.Length());
    if (m_filters.Empty())
        return WriteContextLine(writer, nullptr, line) ? GrepEnd::Completed
                                                       : GrepEnd::NextLineFailed;
    return m_lines->Write(line, m_unfinishedKept, m_position);
}

bool CGrepSession::KeepsBytes(const CGrepLineReader& reader, const CByteLine& line)
{
    // As the fast scan decides a line: only one holding a planned literal is
    // turned into characters and matched, unless the literal alone keeps it.
    if (m_plan.KeepsNothing() || m_plan.Finder().Find(line.bytes, line.length, 0) >= line.length)
        return false;
    if (m_plan.HitKeeps())
        return true;
    CGrepLine text;
    text.Reserve(line.length);
    text.SetLength(reader.Decoder().Decode(line.bytes, line.length, text.Data()));
    return m_filters.Matches(text.Text(), text.Length());
}

void CGrepSession::RememberStart(CGrepLineReader& reader)
{
    const int64_t from = std::max<int64_t>(0, m_position - kStartCheck);
    m_start = ReadAt(reader, from, m_position - from);
}

bool CGrepSession::SameStart(CGrepLineReader& reader) const
{
    const int64_t from = m_position - static_cast<int64_t>(m_start.size());
    return ReadAt(reader, from, static_cast<int64_t>(m_start.size())) == m_start;
}

bool CGrepSession::Restart(CFileWriter& writer, const wchar_t* separator)
{
    // What was written of the old log's unfinished line stays: that line
    // will not be finished any more.
    m_unfinishedWritten = false;
    if (m_unfinishedKept) {
        // It counts as a match from now on.
        m_unfinishedKept = false;
        m_extraMatches += 1;
    }
    if (m_lines)
        m_lines->Restart();
    if (m_bytes)
        m_bytes->Restart();
    m_position = 0;
    m_seen = 0;
    m_crBefore = false;
    m_copyGap = true;
    m_start.clear();
    if (!writer.WriteLine(nullptr, separator, std::wcslen(separator)))
        return false;
    return writer.GetPosition(m_mark);
}
