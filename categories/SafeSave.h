// Saving a settings file so that the user never ends up with less than they
// had: lines go to a temporary file beside the target, which replaces the
// target only once every line has been written; and a file whose last load
// did not read it to the end is copied to "<name>.bak" before it is replaced.
#pragma once

#include <functional>
#include <string>

class CFileWriter;

// "<path>.tmp": the file the lines are written to before it replaces `path`.
std::wstring TemporaryFileFor(const std::wstring& path);
// "<path>.bak": the copy of a file kept before the first save that would drop
// entries its load never read.
std::wstring BackupFileFor(const std::wstring& path);

// Records whether the last load of `path` read the whole file. A load that
// stopped early (a malformed line, a read error, a file it could not open)
// leaves entries in the file that memory does not hold.
void NoteLoadOutcome(const std::wstring& path, bool readToTheEnd);
bool NeedsBackupBeforeSave(const std::wstring& path);

// Writes the file through `writeLines` (which returns false when a line could
// not be written) and replaces `path` with it. False, with `path` untouched,
// when the temporary file cannot be created or written, the backup cannot be
// made, or the replacement fails. Never throws, except out of memory.
bool SaveFileSafely(const std::wstring& path, const std::function<bool(CFileWriter&)>& writeLines);
