// CFileReader: buffered reader of 8-bit text lines with byte positions.
#pragma once

#include "engine/ByteRules.h"

#include <windows.h>

#include <cstdint>
#include <string>

class CFileReader {
public:
    // Opens an existing file shared for reading only; throws a wide text.
    CFileReader(const wchar_t* fileName, uint32_t bufferSize);
    virtual ~CFileReader();
    CFileReader(const CFileReader&) = delete;
    CFileReader& operator=(const CFileReader&) = delete;

    // The next line without its line end; false at the end of the file.
    bool ReadLine(std::wstring& line);
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

    // What the reading operations throw; every reader of lines throws these.
    static constexpr const wchar_t* kFillFailed = L"CFileReader::ReadLine: FillBuffer failed";
    static constexpr const wchar_t* kMoveFailed = L"CFileReader::ReadLine: MoveBufferPos failed";
    static constexpr const wchar_t* kCopyFailed =
        L"CFileReader::ReadLine: unable to copy string from the buffer";

protected:
    bool MoveBufferPos(uint32_t newIndex);
    // Refills an exhausted buffer; false at the end of the file (the
    // end-of-file flag is then set). Throws the ReadLine fill text.
    bool EnsureBytes();
    bool FillBuffer();
    bool MovePhysical(int64_t offset);
    // Moves the buffer position past the line end at `index`, and past the LF
    // of a CR LF pair even when the pair is split across two fills; false when
    // a refill fails.
    bool StepPastLineEnd(uint32_t index);
    // Appends bytes of the buffer to a line, one character per byte.
    void AppendConverted(std::wstring& line, uint32_t from, uint32_t to) const;

    HANDLE m_file = INVALID_HANDLE_VALUE;
    int64_t m_fileSize = 0;
    uint8_t* m_buffer = nullptr;
    uint32_t m_bufferPos = 0;
    uint32_t m_byteCount = 0;
    uint32_t m_bufferSize = 0;
    std::wstring m_delimiters;
    bool m_endOfFile = false;
    // The physical file position, kept here so that GetPosition, called once
    // per line by the grep run, costs no system call.
    int64_t m_physical = 0;
};
