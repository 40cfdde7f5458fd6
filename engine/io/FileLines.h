// Reading a text file by offsets with a reader of its own: the place where a
// line starts, found at disk speed, and reads that leave any other reader alone.
#pragma once

#include <cstdint>
#include <string>

// Where line `number` (the first line is 1) of the file starts. False when
// the file has fewer lines (`lines` then says how many) or cannot be read.
bool FindLineStart(const std::wstring& path, int64_t number, int64_t& offset, int64_t& lines);

// The number of the line that starts at `offset` (the first line is 1): the
// line ends before it, counted at disk speed. False when the file cannot be read.
bool LineNumberAt(const std::wstring& path, int64_t offset, int64_t& number);
