// CFileReader: buffered reader of text lines with byte positions. A file that
// starts with a byte-order mark is UTF-8, UTF-16LE or UTF-16BE; any other is
// 8-bit text whose lines CLineDecoder turns into characters.
#pragma once

#include "engine/ByteRules.h"
#include "engine/LineDecoder.h"
#include "engine/TextCodec.h"

#include <windows.h>

#include <cstdint>
#include <string>

class CFileReader {
public:
    // Who else may use the file while it is open here. A result or settings
    // file is shared for reading only, so nobody changes it under the reader;
    // a log is shared for reading, writing and deleting, because the program
    // that writes it usually still holds it open.
    enum class Sharing { ReadOnly, LiveLog };

    // Opens an existing file and looks for its byte-order mark; throws a wide
    // text. `decoding` says how the lines of an 8-bit file without a mark are
    // read.
    CFileReader(const wchar_t* fileName, uint32_t bufferSize,
                LineDecoding decoding = LineDecoding::Ansi, Sharing sharing = Sharing::ReadOnly);
    virtual ~CFileReader();
    CFileReader(const CFileReader&) = delete;
    CFileReader& operator=(const CFileReader&) = delete;

    // The next line without its line end; false at the end of the file. The
    // byte-order mark is not part of the first line.
    bool ReadLine(std::wstring& line);
    FileEncoding Encoding() const { return m_mark.encoding; }
    uint32_t MarkLength() const { return m_mark.length; }
    const CLineDecoder& Decoder() const { return m_decoder; }
    // Moves a reader that stands inside the byte-order mark to its end.
    void SkipByteOrderMark();
    bool GetPosition(int64_t& position) const;
    bool Seek(int64_t offset);
    bool Rewind();
    // To the start of the line `lines` lines above the line holding `from`.
    bool SeekBack(int32_t lines, int64_t from);
    bool SkipToNextLine();
    // Line ends among `length` bytes from `start`; a CR LF pair counts once.
    int32_t CountLines(int64_t start, int64_t length);
    int64_t GetSize() const { return m_fileSize; }
    bool IsEndOfFile() const { return m_endOfFile; }

    // Reads bytes straight from the file at the reader's position, for a caller
    // that keeps its own buffer; only while this reader's buffer is empty.
    bool ReadRaw(uint8_t* target, uint32_t size, uint32_t& got);

    static bool IsLineEnd(uint8_t byte) { return IsLineEndByte(byte); }

    // The text of a line of an 8-bit file from its bytes (without the line
    // end and the byte-order mark), as ReadLine gives it.
    void DecodeLine(const uint8_t* bytes, size_t length, std::wstring& line) const;

    // What the reading operations throw; every reader of lines throws these.
    static constexpr const wchar_t* kFillFailed = L"CFileReader::ReadLine: FillBuffer failed";
    static constexpr const wchar_t* kMoveFailed = L"CFileReader::ReadLine: MoveBufferPos failed";
    static constexpr const wchar_t* kCopyFailed =
        L"CFileReader::ReadLine: unable to copy string from the buffer";

    // Makes forward reading end with the line that holds the last byte the
    // file had when it was opened: a log that grows meanwhile is read on to
    // the end of that line and no further, so a run over a live log ends. A
    // last line without a line end is taken only when the file still ends
    // there; when the log has grown or shrunk, such a line may be half
    // written or cut, and is left out (see LastLineUnfinished). A UTF-16 log
    // ends exactly at that size.
    void EndAtSizeTakenAtOpen();
    // Forward reading has ended (EndAtSizeTakenAtOpen) somewhere other than
    // at the size taken at open, after a line without its line end.
    bool LastLineUnfinished() const { return m_lastLineUnfinished; }

protected:
    bool MoveBufferPos(uint32_t newIndex);
    // Refills an exhausted buffer; false at the end of the file (the
    // end-of-file flag is then set). Throws the ReadLine fill text.
    bool EnsureBytes();
    bool FillBuffer();
    // The one read of file bytes at the physical position, for the buffer
    // and for ReadRaw; applies the end set by EndAtSizeTakenAtOpen.
    bool ReadChunk(uint8_t* target, uint32_t size, uint32_t& got);
    // A line ended by the end of the file: true when it is to be taken.
    bool TakeLastLine() const { return !m_lastLineUnfinished; }
    bool MovePhysical(int64_t offset);
    // Moves the buffer position past the line end at `index`, and past the LF
    // of a CR LF pair even when the pair is split across two fills; false when
    // a refill fails.
    bool StepPastLineEnd(uint32_t index);
    // The bytes of the next line of an 8-bit file, without its line end, and
    // steps past the line end; false at the end of the file. The bytes stay
    // valid until the next read.
    bool NextLineBytes(const uint8_t*& bytes, size_t& length);
    // The next line of a UTF-16 file.
    bool ReadUnitsLine(std::wstring& line);
    // The next UTF-16 unit; false at the end of the file.
    bool TakeUnit(uint16_t& unit);

    HANDLE m_file = INVALID_HANDLE_VALUE;
    int64_t m_fileSize = 0;
    uint8_t* m_buffer = nullptr;
    uint32_t m_bufferPos = 0;
    uint32_t m_byteCount = 0;
    uint32_t m_bufferSize = 0;
    std::wstring m_delimiters;
    bool m_endOfFile = false;
    ByteOrderMark m_mark;
    CLineDecoder m_decoder;
    std::string m_spill;   // a line that lies across two fills
    // The physical file position, kept here so that GetPosition, called once
    // per line by the grep run, costs no system call.
    int64_t m_physical = 0;
    // EndAtSizeTakenAtOpen: where the bound lies (-1: read to the real end),
    // whether it has been reached, and how the last line came out.
    int64_t m_endAt = -1;
    bool m_endReached = false;
    bool m_lastLineUnfinished = false;
};
