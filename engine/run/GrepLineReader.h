// CGrepLineReader: the log reader of the grep run, a CFileReader whose lines
// come out in a reused CGrepLine instead of a new string, with their bytes.
#pragma once

#include "engine/io/FileReader.h"
#include "engine/run/GrepLine.h"

#include <string>

class CGrepLineReader : public CFileReader {
public:
    // The run reads through a buffer one byte short of 1 MiB.
    static constexpr uint32_t kBufferSize = 1048575;

    explicit CGrepLineReader(const wchar_t* fileName, uint32_t bufferSize = kBufferSize,
                             LineDecoding decoding = LineDecoding::Ansi);

    // The next line without its line end, exactly as CFileReader::ReadLine
    // gives it (same line ends, same failures), into `line`, with the line's
    // bytes when the log is 8-bit text; false at the end of the file.
    bool ReadLine(CGrepLine& line);
    using CFileReader::ReadLine;
    // GetPosition without the call: the file offset of the next unread byte.
    int64_t Position() const { return m_physical - m_byteCount + m_bufferPos; }
};
