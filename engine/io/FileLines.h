// Reading a text file by offsets with a handle of its own: the place where a
// line starts, found at disk speed, and reads that leave any reader alone.
#pragma once

#include "win32/Handle.h"

#include <cstdint>
#include <string>

// Opens a file for reading while others may write, replace or delete it; the handle, or
// INVALID_HANDLE_VALUE, goes straight into a CFileHandle.
HANDLE OpenSharedForReading(const std::wstring& path);

// Reads up to `size` bytes at `offset` (fewer at the end of the file).
bool ReadAt(HANDLE file, int64_t offset, void* target, uint32_t size, uint32_t& got);

// Where line `number` (the first line is 1) of the file starts. False when
// the file has fewer lines (`lines` then says how many) or cannot be read.
bool FindLineStart(const std::wstring& path, int64_t number, int64_t& offset, int64_t& lines);

// The number of the line that starts at `offset` (the first line is 1): the
// line ends before it, counted at disk speed. False when the file cannot be read.
bool LineNumberAt(const std::wstring& path, int64_t offset, int64_t& number);
