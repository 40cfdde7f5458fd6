// The start-up warning for a settings file whose reading stopped at a line.
#pragma once

#include <cstddef>
#include <string>

// The warning's text for the file at `path` (named by its file name) that
// stopped at `line`.
std::wstring LoadStoppedText(const std::wstring& path, size_t line);
// Shows that text, captioned "Warning", when the last load of `path` stopped at
// a line; nothing otherwise.
void WarnIfLoadStopped(const std::wstring& path);
