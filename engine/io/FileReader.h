// CFileReader: buffered reader of text lines with byte positions. A file that
// starts with a byte-order mark is UTF-8, UTF-16LE or UTF-16BE; any other is
// 8-bit text whose lines CLineDecoder turns into characters.
#pragma once

#include "engine/io/ByteSource.h"
#include "engine/text/ByteRules.h"
#include "engine/io/LineDecoder.h"
#include "engine/text/TextCodec.h"
#include "win32/Handle.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

// Where the characters of a UTF-16 line go as they are read: room for more
// after those kept so far, then how many of them were written.
class CUnitSink {
public:
    virtual wchar_t* Extend(size_t more) = 0;
    virtual void Commit(size_t count) = 0;
    virtual void Clear() = 0;

protected:
    ~CUnitSink() = default;
};

// As a byte source it is the plain file: its raw reads, stopped at the read
// limit, with the file's end before that limit reported as an early end.
class CFileReader : public CSeekableSource {
public:
    // Opens an existing file, shared for reading, writing and deleting, and
    // looks for its byte-order mark; throws a wide text. `decoding` says how
    // the lines of an 8-bit file without a mark are read.
    CFileReader(const wchar_t* fileName, uint32_t bufferSize,
                LineDecoding decoding = LineDecoding::Ansi);
    // Reads the bytes of a stream (a decompressed log) instead of a file: read
    // once front to back, of a size not known before its end, so GetSize()
    // is kStreamSize. Seeks go forward only, or back into the first bytes
    // while nothing after them has been read.
    CFileReader(std::unique_ptr<CByteSource> stream, uint32_t bufferSize,
                LineDecoding decoding = LineDecoding::Ansi);
    static constexpr int64_t kStreamSize = INT64_MAX / 256;
    bool IsStream() const { return m_stream != nullptr; }
    virtual ~CFileReader();
    CFileReader(const CFileReader&) = delete;
    CFileReader& operator=(const CFileReader&) = delete;

    // The next line without its line end; false at the end of the file. The
    // byte-order mark is not part of the first line.
    bool ReadLine(std::wstring& line);
    // The same, but of an 8-bit line only its first whole characters within
    // `maxBytes` bytes: the rest is stepped over, never held, so a line of
    // hundreds of megabytes costs what is kept of it.
    bool ReadLineHead(std::wstring& line, size_t maxBytes);
    FileEncoding Encoding() const { return m_mark.encoding; }
    // The file's characters are UTF-16 units, two bytes each at even offsets
    // (the mark that says so is one unit); otherwise they are bytes.
    bool IsUtf16() const
    {
        return m_mark.encoding == FileEncoding::Utf16Le || m_mark.encoding == FileEncoding::Utf16Be;
    }
    uint32_t MarkLength() const { return m_mark.length; }
    const CLineDecoder& Decoder() const { return m_decoder; }
    // Moves a reader that stands inside the byte-order mark to its end.
    void SkipByteOrderMark();
    bool GetPosition(int64_t& position) const;
    bool Seek(int64_t offset);
    bool Rewind();
    // To the start of the line `lines` lines above the line holding `from`.
    bool SeekBack(int32_t lines, int64_t from);
    // From a character that is no line start to the start of the next line.
    bool SkipToNextLine();
    // Line ends among `length` bytes from `start` (the whole characters among
    // them); a CR LF pair counts once.
    int32_t CountLines(int64_t start, int64_t length);
    int64_t GetSize() const { return m_fileSize; }
    // Takes the file size again, for a file that has grown or shrunk since.
    bool RefreshSize();
    bool IsEndOfFile() const { return m_endOfFile; }

    // Reads bytes straight from the file at the reader's position, for a caller
    // that keeps its own buffer; only while this reader's buffer is empty.
    bool ReadRaw(uint8_t* target, uint32_t size, uint32_t& got);
    bool Read(uint8_t* target, uint32_t size, uint32_t& got) override
    {
        return ReadRaw(target, size, got);
    }
    bool EndedEarly() const override
    {
        return m_cutShort || (m_stream && m_stream->EndedEarly());
    }
    bool SeekTo(int64_t offset) override { return Seek(offset); }
    int64_t Size() const override { return m_fileSize; }

    // Reads stop at this file offset as if the file ended there (-1: the
    // file's own end). Seek and Rewind leave it as it is.
    void SetReadLimit(int64_t end) { m_readLimit = end; }
    // The file ended before the read limit (it shrank while it was read): the
    // line that its end cuts is left out, since it is not whole.
    bool LastLineUnfinished() const { return m_cutShort; }

    static bool IsLineEnd(uint8_t byte) { return IsLineEndByte(byte); }

    // The text of a line of an 8-bit file from its bytes (without the line
    // end and the byte-order mark), as ReadLine gives it.
    void DecodeLine(const uint8_t* bytes, size_t length, std::wstring& line) const;

    // What the reading operations throw; every reader of lines throws these.
    static constexpr const wchar_t* kFillFailed = L"CFileReader::ReadLine: FillBuffer failed";
    static constexpr const wchar_t* kMoveFailed = L"CFileReader::ReadLine: MoveBufferPos failed";
    static constexpr const wchar_t* kCopyFailed =
        L"CFileReader::ReadLine: unable to copy string from the buffer";

protected:
    // Bytes per character: 2 in a UTF-16 file, else 1.
    uint32_t CharWidth() const { return IsUtf16() ? 2 : 1; }
    // The character at character index `index` of the buffer.
    uint16_t BufferChar(uint32_t index) const
    {
        return IsUtf16() ? UnitAt(m_buffer.get(), index, m_mark.encoding == FileEncoding::Utf16Le)
                         : m_buffer[index];
    }
    bool MoveBufferPos(uint32_t newIndex);
    // Refills an exhausted buffer; false at the end of the file (the
    // end-of-file flag is then set). Throws the ReadLine fill text.
    bool EnsureBytes();
    bool FillBuffer();
    // How much one fill asks for: the buffer, or less at the known end of the file.
    uint32_t FillSize() const;
    bool MovePhysical(int64_t offset);
    // Moves the buffer position past the line end at `index`, and past the LF
    // of a CR LF pair even when the pair is split across two fills; false when
    // a refill fails.
    bool StepPastLineEnd(uint32_t index);
    // The bytes of the next line of an 8-bit file, without its line end, and
    // steps past the line end; false at the end of the file. The bytes stay
    // valid until the next read.
    bool NextLineBytes(const uint8_t*& bytes, size_t& length);
    // What NextLineBytes keeps of a line of `length` bytes (m_keepBytes).
    size_t KeptLength(const uint8_t* bytes, size_t length) const;
    // Sets aside what is kept of `count` more bytes of a line.
    void Spill(const uint8_t* bytes, size_t count);
    // The next line of a UTF-16 file, into `line`, which starts empty.
    bool ReadUnitsLine(CUnitSink& line);
    // The next UTF-16 unit; false at the end of the file.
    bool TakeUnit(uint16_t& unit);
    // SeekBack over the characters `chars` reads from the buffer.
    template <typename Chars>
    bool SeekBackIn(int32_t lines, int64_t from, Chars chars);
    bool SkipToNextUnitLine();
    // How many of `size` bytes a read may take before the read limit.
    uint32_t Readable(uint32_t size) const;
    // ReadFile's part: `want` bytes from the file or the stream, fewer only at its end.
    bool ReadPhysical(uint8_t* target, uint32_t want, DWORD& read);
    // A read of `wanted` bytes got none: the end of the file.
    void NoteEnd(uint32_t wanted);

    CFileHandle m_file;
    int64_t m_fileSize = 0;
    std::unique_ptr<uint8_t[]> m_buffer;
    uint32_t m_bufferPos = 0;
    uint32_t m_byteCount = 0;
    uint32_t m_bufferSize = 0;
    std::wstring m_delimiters;
    bool m_endOfFile = false;
    ByteOrderMark m_mark;
    CLineDecoder m_decoder;
    std::string m_spill;   // a line that lies across two fills
    // How much of a line NextLineBytes keeps (ReadLineHead); the rest is stepped over.
    size_t m_keepBytes = SIZE_MAX;
    bool m_spillCut = false;   // m_spill holds all that is kept of its line
    // The physical file position, kept here so that GetPosition, called once
    // per line by the grep run, costs no system call.
    int64_t m_physical = 0;
    int64_t m_readLimit = -1;
    bool m_cutShort = false;
    // A stream instead of m_file: its first bytes are kept, since the mark is
    // looked for there before reading starts again at 0.
    std::unique_ptr<CByteSource> m_stream;
    std::string m_head;
    int64_t m_streamAt = 0;   // the offset of the stream's next byte
};
