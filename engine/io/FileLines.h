// Reading a text file by offsets with a handle of its own: the place where a
// line starts, found at disk speed, and reads that leave any reader alone.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// A file opened for reading while others may write, replace or delete it.
class CReadHandle {
public:
    explicit CReadHandle(const std::wstring& path);
    ~CReadHandle();
    CReadHandle(const CReadHandle&) = delete;
    CReadHandle& operator=(const CReadHandle&) = delete;
    HANDLE Get() const { return m_file; }
    bool Valid() const { return m_file != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_file;
};

// Reads up to `size` bytes at `offset` (fewer at the end of the file).
bool ReadAt(HANDLE file, int64_t offset, void* target, uint32_t size, uint32_t& got);

// Where line `number` (the first line is 1) of the file starts. False when
// the file has fewer lines (`lines` then says how many) or cannot be read.
bool FindLineStart(const std::wstring& path, int64_t number, int64_t& offset, int64_t& lines);

// The number of the line that starts at `offset` (the first line is 1): the
// line ends before it, counted at disk speed. False when the file cannot be read.
bool LineNumberAt(const std::wstring& path, int64_t offset, int64_t& number);
