// Where the last load of each settings file stopped reading, so that start-up
// can tell the user which line ended it.
#pragma once

#include <cstddef>
#include <string>

// Records the last load of `path`: the number of the line (from 1) without "="
// that ended it, or 0 when the load read to the end or never got to a line.
void NoteLoadStop(const std::wstring& path, size_t line);
// 0 when the last load of `path` was not ended by such a line, or never ran.
size_t LoadStopLine(const std::wstring& path);
