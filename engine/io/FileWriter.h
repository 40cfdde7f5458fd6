// CFileWriter: creates a text file and writes lines in the ANSI code page, or
// in UTF-8 once asked to.
#pragma once

#include "win32/Handle.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class CFileWriter {
public:
    // Creates or truncates the file, shared for reading; the line delimiter is
    // "\n". Throws L"CFileWriter::CFileWriter: unable to create the file".
    explicit CFileWriter(const wchar_t* fileName);
    // Opens an existing file, shared for reading, to go on writing at byte
    // `offset`: what lies after it is cut off. Throws
    // L"CFileWriter::CFileWriter: unable to open the file to continue it".
    CFileWriter(const wchar_t* fileName, int64_t offset);
    // Hands any buffered lines to the file (see SetLineBuffer), then closes it.
    ~CFileWriter();
    CFileWriter(const CFileWriter&) = delete;
    CFileWriter& operator=(const CFileWriter&) = delete;

    bool SetLineDelimiters(const wchar_t* delimiters);
    // Text is written as UTF-8 from here on; `withMark` first writes the
    // UTF-8 byte-order mark. False when the mark cannot be written.
    bool StartUtf8(bool withMark);
    // Writes up to `count` characters of the text, up to its terminating zero,
    // without a delimiter.
    bool WriteText(const wchar_t* text, uint32_t count);
    bool WriteDelimiter();
    bool WriteLine(const std::wstring& line);
    bool WriteLine(const wchar_t* prefix, const std::wstring& line);
    bool WriteLine(const wchar_t* prefix, const std::wstring& line, const wchar_t* suffix);
    // The prefix (may be null) and `length` characters of `text`, then the
    // delimiter: the form the grep run uses, with no string to build.
    bool WriteLine(const wchar_t* prefix, const wchar_t* text, size_t length);

    // The prefix (may be null), `length` bytes of the code page as they stand,
    // then the delimiter. When BytesRoundTrip() holds, these are exactly the
    // bytes WriteLine writes for the characters those bytes stand for.
    bool WriteLineBytes(const wchar_t* prefix, const uint8_t* bytes, size_t length);
    // True when every byte of the ANSI code page is one character that is
    // written back as that same byte.
    static bool BytesRoundTrip();

    // Line buffering, off by default: every piece then goes to the file at
    // once. With a threshold, whole lines collect in memory and go to the file
    // in one write as soon as `flushAt` bytes are held, and at Flush and
    // destruction; the file never receives part of a line, so a run that ends
    // early still leaves whole lines once flushed. A failed write is reported
    // by the line call (or Flush) that triggered it. 0 turns buffering off
    // after flushing what is held.
    bool SetLineBuffer(uint32_t flushAt);
    // Writes the buffered lines; false when the write fails (they are dropped).
    bool Flush();
    // Flushes, then gives the file offset the next line will be written at.
    bool GetPosition(int64_t& position);
    // Flushes, then cuts the file at `offset` and goes on writing there.
    bool CutAt(int64_t offset);
    // Bytes written so far, those still buffered included: where the next
    // line will start in the file.
    int64_t Written() const { return m_written + int64_t(m_pendingSize); }

private:
    // Converts at most `count` characters of `text` up to its terminating zero
    // and appends the bytes to the pending output; the number of bytes
    // appended, 0 when the conversion gives none.
    size_t AppendConverted(const wchar_t* text, uint32_t count);
    // The same through the ANSI code page's own conversion, for `length`
    // characters.
    size_t AppendAnsi(const wchar_t* text, uint32_t length);
    bool WritePiece(const wchar_t* text, uint32_t count);
    bool WriteBytesPiece(const uint8_t* bytes, size_t count);
    bool EndLine();
    bool WriteBytes(const char* bytes, size_t count);
    char* Reserve(size_t more);

    CFileHandle m_file;
    std::wstring m_wideDelimiter;
    std::string m_delimiter;   // converted once, when set
    // Bytes converted but not yet written: one piece when unbuffered, whole
    // lines when buffered. Reused, so steady writing allocates nothing.
    std::unique_ptr<char[]> m_pending;
    size_t m_pendingSize = 0;
    size_t m_pendingCapacity = 0;
    uint32_t m_flushAt = 0;
    bool m_utf8 = false;
    std::string m_scratch;   // one piece in UTF-8
    int64_t m_written = 0;   // bytes handed to the file
};
