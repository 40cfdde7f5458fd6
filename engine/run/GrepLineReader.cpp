// CGrepLineReader: a line's bytes cut from the line buffer and decoded in one step.
#include "engine/run/GrepLineReader.h"

CGrepLineReader::CGrepLineReader(const wchar_t* fileName, uint32_t bufferSize,
                                 LineDecoding decoding)
    : CFileReader(fileName, bufferSize, decoding), m_lines(bufferSize)
{
}

CGrepLineReader::CGrepLineReader(std::unique_ptr<CByteSource> stream, uint32_t bufferSize,
                                 LineDecoding decoding)
    : CFileReader(std::move(stream), bufferSize, decoding), m_lines(bufferSize)
{
}

void CGrepLineReader::StartReadAhead(uint32_t blockSize, std::function<bool()> stopRequested,
                                     std::shared_ptr<CBlockStock> stock)
{
    // The byte-order mark is no part of the first line: passed over before
    // the reading thread takes the file.
    if (Position() < static_cast<int64_t>(MarkLength()))
        Seek(MarkLength());
    m_ahead = std::make_unique<CReadAhead>(*this, blockSize, std::move(stopRequested),
                                           std::move(stock));
}

bool CGrepLineReader::Seek(int64_t offset)
{
    m_lines.Restart(offset);
    return CFileReader::Seek(offset);
}

int64_t CGrepLineReader::Position() const
{
    if (IsUtf16())
        return m_physical - m_byteCount + m_bufferPos;
    return m_lines.OffsetOf(m_lines.Pos());
}

bool CGrepLineReader::ReadLine(CGrepLine& line)
{
    line.Clear();
    line.ClearBytes();
    if (IsUtf16()) {
        SkipByteOrderMark();
        // Straight into the line's own buffer.
        class CLineSink : public CUnitSink {
        public:
            explicit CLineSink(CGrepLine& line) : m_line(line) {}
            wchar_t* Extend(size_t more) override { return m_line.Extend(more); }
            void Commit(size_t count) override { m_line.Commit(count); }
            void Clear() override { m_line.Clear(); }

        private:
            CGrepLine& m_line;
        } sink(line);
        return ReadUnitsLine(sink);
    }
    // The mark is no part of the first line.
    if (Position() < static_cast<int64_t>(MarkLength()))
        Seek(MarkLength());
    for (;;) {
        const size_t whole = m_lines.WholeLinesEnd();
        const size_t start = m_lines.Pos();
        if (start < whole) {
            size_t textEnd = 0;
            const size_t next = m_lines.NextLine(start, whole, textEnd);
            const uint8_t* bytes = m_lines.Data() + start;
            const size_t length = textEnd - start;
            line.Reserve(length);
            line.SetLength(m_decoder.Decode(bytes, length, line.Data()));
            line.SetBytes(bytes, length);
            m_lines.SetPos(next);
            return true;
        }
        if (m_lines.AtEnd() || AheadStopped())
            return false;
        if (!FillLines()) {
            if (AheadStopped())
                return false;
            throw kFillFailed;
        }
    }
}
