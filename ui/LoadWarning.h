// The start-up warnings for a settings file whose reading stopped at a line, or
// that holds bytes that are not text.
#pragma once

#include <cstddef>
#include <string>

// The warning's text for the file at `path` (named by its file name) that
// stopped at `line`.
std::wstring LoadStoppedText(const std::wstring& path, size_t line);
// The warning's text for the file at `path` whose `line` holds bytes that are
// not text.
std::wstring NotTextText(const std::wstring& path, size_t line);
// Shows those texts, captioned "Warning", for what the last load of `path`
// met; nothing when it met neither.
void WarnAboutLoad(const std::wstring& path);
