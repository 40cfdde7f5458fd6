// The colour map: filter expressions (as token lists) to text colours, read
// from and written to Tilvo.ini. UI thread only, read-only while the program runs.
#pragma once

#include <windows.h>

#include <string>

// Tilvo.ini beside the executable.
bool LoadColors();
bool SaveColors();
// The same for any path. A load that stops at a line without "=" succeeds with
// the entries before it and notes the line (LoadStopLine). A save merges the
// map into the file as it is now, per entry, as SaveCategories does, and writes
// only when that changes what the file holds: a file edited by hand keeps its
// text, and a written file keeps comments, blank lines and lines of other keys
// above the colour entry they stood above. A file that now stops before its
// end, or holds bytes that are not text, is kept as "<path>.bak" before it is
// replaced, and it is replaced only once every line was written; a failure
// returns false and leaves the old file as it was.
bool LoadColors(const std::wstring& path);
bool SaveColors(const std::wstring& path);
void ClearColors();
size_t ColorCount();
// The colour of the first entry in map order whose expression matches the line;
// 0 (black) when none does.
COLORREF GetLineColor(const wchar_t* text);

std::wstring ColorsFilePath();

// The value of a "Color" entry: the filter text, a blank, and the colour in
// hexadecimal (optional "0x", read up to the first non-digit). False when there
// is no blank, no digit, or the filter text is longer than 1023 characters.
bool ParseColorValue(const std::wstring& value, std::wstring& filterText, COLORREF& color);
// "%s %06x"; false when the result would be longer than 1023 characters.
bool FormatColorValue(const std::wstring& filterText, COLORREF color, std::wstring& value);
