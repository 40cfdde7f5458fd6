// What the last load of each settings file met, so that start-up can tell the
// user: the line that ended it, and the first line whose bytes were not text.
#pragma once

#include <cstddef>
#include <string>

// What ended a load early: a line without "=", or an entry whose value the
// file's reader cannot take (a colour entry without a filter text and a colour).
enum class LoadStopCause { NoEquals, BadEntry };

// Records the last load of `path`: the number of the line (from 1) that ended
// it and why, or 0 when the load read to the end or never got to a line.
void NoteLoadStop(const std::wstring& path, size_t line,
                  LoadStopCause cause = LoadStopCause::NoEquals);
// 0 when the last load of `path` was not ended by such a line, or never ran.
size_t LoadStopLine(const std::wstring& path);
LoadStopCause LoadStopCauseOf(const std::wstring& path);

// Records the first line (from 1) of the last load of `path` whose bytes could
// not be read as text, or 0 when every line it read was text.
void NoteLineNotText(const std::wstring& path, size_t line);
size_t LineNotText(const std::wstring& path);
