// CGrepLineReader: the log reader of the grep run, a CFileReader whose lines
// come out in a reused CGrepLine instead of a new string, with their bytes.
#pragma once

#include "engine/io/FileReader.h"
#include "engine/io/LineBuffer.h"
#include "engine/io/ReadAhead.h"
#include "engine/run/GrepLine.h"

#include <functional>
#include <memory>
#include <string>

// The lines of an 8-bit log are cut from its CLineBuffer, which the fast way
// through the log (CGrepFastScan) reads through as well; a UTF-16 log's lines
// come from CFileReader's own reading of units.
class CGrepLineReader : public CFileReader {
public:
    // The run reads through a buffer one byte short of 1 MiB.
    static constexpr uint32_t kBufferSize = 1048575;

    explicit CGrepLineReader(const wchar_t* fileName, uint32_t bufferSize = kBufferSize,
                             LineDecoding decoding = LineDecoding::Ansi);
    // The lines of a stream, such as a decompressed log.
    CGrepLineReader(std::unique_ptr<CByteSource> stream, uint32_t bufferSize,
                    LineDecoding decoding);

    // The next line without its line end, exactly as CFileReader::ReadLine
    // gives it (same line ends, same failures), into `line`, with the line's
    // bytes when the log is 8-bit text; false at the end of the file.
    bool ReadLine(CGrepLine& line);
    using CFileReader::ReadLine;
    // Lines are read from `offset` on. Raw reads (ReadAt) between two lines
    // leave the next line unknown until the next Seek.
    bool Seek(int64_t offset);
    // The file offset of the next line's first byte.
    int64_t Position() const;
    bool GetPosition(int64_t& position) const
    {
        position = Position();
        return true;
    }
    // The 8-bit lines held, from Position() on.
    CLineBuffer& Lines() { return m_lines; }
    // Reads more lines into Lines(); false when the read fails, or when a
    // stop was requested while waiting for the reading thread (AheadStopped()).
    bool FillLines() { return m_ahead ? m_lines.Fill(*m_ahead) : m_lines.Fill(*this); }
    bool AheadStopped() const { return m_ahead && m_ahead->Stopped(); }

    // From now until EndReadAhead, the 8-bit lines are read on a thread of
    // its own in blocks of `blockSize`, up to the read limit, while the
    // caller takes them; it must touch nothing else of this reader meanwhile.
    void StartReadAhead(uint32_t blockSize, std::function<bool()> stopRequested,
                        std::shared_ptr<CBlockStock> stock = nullptr);
    void EndReadAhead() { m_ahead.reset(); }

private:
    CLineBuffer m_lines;
    std::unique_ptr<CReadAhead> m_ahead;
};

// The reading thread of a CGrepLineReader for as long as this lives.
class CReadAheadScope {
public:
    CReadAheadScope(CGrepLineReader& reader, uint32_t blockSize, std::function<bool()> stopRequested,
                    std::shared_ptr<CBlockStock> stock = nullptr)
        : m_reader(reader)
    {
        m_reader.StartReadAhead(blockSize, std::move(stopRequested), std::move(stock));
    }
    ~CReadAheadScope() { m_reader.EndReadAhead(); }
    CReadAheadScope(const CReadAheadScope&) = delete;
    CReadAheadScope& operator=(const CReadAheadScope&) = delete;

private:
    CGrepLineReader& m_reader;
};
