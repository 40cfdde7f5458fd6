// CGrepLineReader: the log reader of the grep run, a CFileReader whose lines
// come out in a reused CGrepLine instead of a new string.
#pragma once

#include "engine/FileReader.h"
#include "engine/GrepLine.h"

#include <string>

class CGrepLineReader : public CFileReader {
public:
    // The run reads through a buffer one byte short of 1 MiB.
    static constexpr uint32_t kBufferSize = 1048575;

    explicit CGrepLineReader(const wchar_t* fileName, uint32_t bufferSize = kBufferSize);

    // The next line without its line end, exactly as CFileReader::ReadLine
    // gives it (same line ends, same failures), into `line`; false at the end
    // of the file.
    bool ReadLine(CGrepLine& line);
    using CFileReader::ReadLine;
    // GetPosition without the call: the file offset of the next unread byte.
    int64_t Position() const { return m_physical - m_byteCount + m_bufferPos; }

private:
    // Appends the buffer's bytes from the buffer position up to the first
    // line end to the line, one character per byte; the index of that line
    // end, or the byte count when the buffer holds none.
    uint32_t CutLine(CGrepLine& line) const;
    // The same, a byte at a time through the table.
    uint32_t CutLineByTable(CGrepLine& line, uint32_t from) const;

    const wchar_t* m_table;      // byte to character; 0 marks a byte without one
    bool m_singleByte;
    bool m_asciiSame = false;    // bytes 1 to 127 are their own characters
    std::wstring m_other;        // the plain reader's line, for other code pages
};
