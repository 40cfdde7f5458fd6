// Saving a settings file so that the user never ends up with less than they
// had: lines go to a temporary file beside the target, which replaces the
// target only once every line has been written; and a file that holds lines
// its reading never reached is copied to "<name>.bak" before it is replaced.
#pragma once

#include "win32/PathRules.h"

#include <functional>
#include <string>

class CFileWriter;

// Writes the file through `writeLines` (which returns false when a line could
// not be written) and replaces `path` with it, first copying an existing `path`
// to its backup when `backUpFirst`. False, with `path` untouched, when the
// temporary file cannot be created or written, the backup cannot be made, or
// the replacement fails. Never throws, except out of memory.
bool SaveFileSafely(const std::wstring& path, const std::function<bool(CFileWriter&)>& writeLines,
                    bool backUpFirst = false);
