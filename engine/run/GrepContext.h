// CGrepContext: the grep run's output side. Told, line by line in log order,
// whether each line is kept, it writes the kept lines with the lines before
// them ("/") and after them ("\"), and counts the matches. One set of rules
// serves both ways through a log: lines as characters (CGrepContext) and
// lines as the log's own bytes (CGrepByteContext, for the fast path).
#pragma once

#include "engine/text/ByteCopy.h"
#include "engine/io/FileWriter.h"
#include "engine/run/GrepEnd.h"
#include "engine/run/GrepIndex.h"
#include "engine/run/GrepLine.h"
#include "engine/run/ResultLine.h"

#include <cstdint>
#include <string>
#include <vector>

// A line of the log as bytes of the code page, inside the reader's buffer.
struct CByteLine {
    const uint8_t* bytes;
    size_t length;
};

// How each kind of line is written and kept in the before-ring.
// A line of an 8-bit log is written as its own bytes, a line of a UTF-16 log
// as its characters in the writer's encoding.
inline bool WriteContextLine(CFileWriter& writer, const wchar_t* prefix, const CGrepLine& line)
{
    if (line.HasBytes())
        return writer.WriteLineBytes(prefix, line.BytesData(), line.BytesLength());
    return writer.WriteLine(prefix, line.Text(), line.Length());
}
// A ring slot takes the line's buffer, never a copy: `line` then holds an
// older buffer whose text means nothing, ready to be read into. The bytes,
// seen in the reader's buffer, are copied: the next fill moves them.
inline void KeepInRing(CGrepLine& slot, CGrepLine& line)
{
    slot.Swap(line);
    slot.OwnBytes();
}
inline bool WriteContextLine(CFileWriter& writer, const wchar_t* prefix, const CByteLine& line)
{
    return writer.WriteLineBytes(prefix, line.bytes, line.length);
}
inline bool WriteContextLine(CFileWriter& writer, const wchar_t* prefix, const std::string& line)
{
    return writer.WriteLineBytes(prefix, reinterpret_cast<const uint8_t*>(line.data()), line.size());
}
// Resizing keeps the slot's storage, so a run allocates only for longer lines.
inline void KeepInRing(std::string& slot, const CByteLine& line)
{
    slot.resize(line.length);
    CopyBytes(slot.data(), line.bytes, line.length);
}

template <typename Line, typename Slot>
class CGrepContextOf {
public:
    // Lines before or after of 0 or less keep no context on that side.
    // The ring starts empty and grows a slot at a time as lines arrive, up to
    // lines-before slots: memory follows the lines actually held, so a huge
    // size asked for costs nothing until a log has that many lines.
    CGrepContextOf(CFileWriter& writer, int linesBefore, int linesAfter)
        : m_writer(&writer), m_ringLimit(linesBefore > 0 ? static_cast<size_t>(linesBefore) : 0),
          m_linesAfter(linesAfter)
    {
    }

    // The context outlives one writer when a followed log grows: each stretch
    // of following writes through a writer of its own.
    void SetWriter(CFileWriter& writer) { m_writer = &writer; }

    // Records in `index` where each written stretch of consecutive log lines
    // starts, from now on.
    void Record(CGrepIndexWriter& index) { m_index = &index; }

    // One line of the log, the offset where it starts there, and whether it
    // is kept. Completed once the line is handled, else the write that failed.
    GrepEnd Take(Line& line, bool kept, int64_t offset)
    {
        const bool written = kept || AfterLine();
        const GrepEnd fault = Write(line, kept, offset);
        if (fault == GrepEnd::Completed) {
            Advance(line, kept, offset);
            m_gap = !written;
        }
        return fault;
    }

    // What Take writes for the line, without taking it: also how the log's
    // unfinished last line is written, as the end of a run would write it,
    // while the state stays ready for the whole line to come.
    GrepEnd Write(const Line& line, bool kept, int64_t offset)
    {
        if (kept) {
            // Only a kept line starts what a context writes.
            if (!m_header.empty()) {
                if (m_index)
                    m_index->AddHeader(m_writer->Written());
                if (!m_writer->WriteLine(nullptr, m_header.c_str(), m_header.size()))
                    return GrepEnd::NextLineFailed;
                m_header.clear();
            }
            if (m_index)
                NoteKept(offset);
            if (m_ringLimit > 0 && !WriteRing())
                return GrepEnd::PrevLineFailed;
            if (!WriteContextLine(*m_writer, nullptr, line))
                return GrepEnd::NextLineFailed;
        } else if (AfterLine()) {
            if (m_index && m_writer->Written() - m_pieceStart >= kStretchPiece)
                AddPlace(offset);
            if (!WriteContextLine(*m_writer, kContextAfterMark, line))
                return GrepEnd::NextLineFailed;
        }
        return GrepEnd::Completed;
    }

    // A line written once, before the first line this context writes: the
    // header that names the log in a result of several logs.
    void SetHeader(std::wstring header) { m_header = std::move(header); }

    // Lines were passed over without being handed on: the next written line
    // starts a new stretch.
    void Skipped() { m_gap = true; }

    // The lines read so far are forgotten (a followed log started again);
    // the match count goes on.
    void Restart()
    {
        m_writeIndex = 0;
        m_wrapped = false;
        m_after = 0;
        m_afterActive = false;
        m_gap = true;
    }

    int Matches() const { return m_matches; }
    // True while lines are written as after-context of a match.
    bool AfterActive() const { return m_afterActive; }

private:
    // The state change of Take once the line is written.
    void Advance(Line& line, bool kept, int64_t offset)
    {
        if (kept) {
            m_writeIndex = 0;   // the ring has been written
            m_wrapped = false;
            m_after = 0;
            m_afterActive = true;
            ++m_matches;
        }
        // The kept line is the first step of its own after-context, so exactly
        // lines-after lines follow it; a match inside the context restarts it.
        if (m_afterActive) {
            if (m_linesAfter > 0 && ++m_after <= m_linesAfter)
                return;
            m_after = 0;
            m_afterActive = false;
            return;
        }
        if (m_ringLimit > 0) {
            if (m_writeIndex == m_ring.size())
                m_ring.emplace_back();
            if (m_writeIndex == m_ringOffsets.size())
                m_ringOffsets.push_back(0);
            KeepInRing(m_ring[m_writeIndex], line);
            m_ringOffsets[m_writeIndex] = offset;
            if (++m_writeIndex == m_ringLimit) {
                m_writeIndex = 0;
                m_wrapped = true;
            }
        }
    }

    // A line not kept that is written as after-context of a match.
    bool AfterLine() const { return m_afterActive && m_linesAfter > 0 && m_after > 0; }

    // A kept line after lines that were not written starts a stretch with the
    // oldest line of the ring; one inside a long stretch may start a piece.
    void NoteKept(int64_t offset)
    {
        if (m_gap) {
            const size_t oldest = m_wrapped ? m_writeIndex : 0;
            const bool held = m_wrapped || m_writeIndex > 0;
            AddPlace(held ? m_ringOffsets[oldest] : offset);
        } else if (m_writer->Written() - m_pieceStart >= kStretchPiece) {
            AddPlace(offset);
        }
    }
    void AddPlace(int64_t logOffset)
    {
        m_pieceStart = m_writer->Written();
        m_index->Add(CStretchPlace{m_pieceStart, logOffset});
    }

    // The last lines that were neither kept nor written after a match, oldest
    // at the write index once wrapped.
    bool WriteRing() const
    {
        const size_t first = m_wrapped ? m_writeIndex : 0;
        const size_t size = m_wrapped ? m_ring.size() : m_writeIndex;
        for (size_t n = 0; n < size; ++n) {
            if (!WriteContextLine(*m_writer, kContextBeforeMark, m_ring[(first + n) % m_ring.size()]))
                return false;
        }
        return true;
    }

    CFileWriter* m_writer;
    // The slots grown so far; once wrapped it holds m_ringLimit of them.
    // Slots past the write index keep their storage for reuse after a match.
    std::vector<Slot> m_ring;
    size_t m_ringLimit;          // 0 when no lines are kept before
    std::vector<int64_t> m_ringOffsets;   // where each ring line starts in the log
    size_t m_writeIndex = 0;
    bool m_wrapped = false;
    int m_linesAfter;
    int64_t m_after = 0;         // counts past lines-after, which may be INT_MAX
    bool m_afterActive = false;
    int m_matches = 0;
    CGrepIndexWriter* m_index = nullptr;
    std::wstring m_header;   // still to be written
    bool m_gap = true;          // the last line handed on was not written
    int64_t m_pieceStart = 0;   // result offset of the last record
};

using CGrepContext = CGrepContextOf<CGrepLine, CGrepLine>;
using CGrepByteContext = CGrepContextOf<const CByteLine, std::string>;
