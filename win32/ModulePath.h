// Paths beside the running executable.
#pragma once

#include <string>

// The executable's folder (its full path, taken with a 1023-character buffer,
// cut at the last backslash), a backslash and the name.
std::wstring FileBesideExecutable(const wchar_t* name);
// The executable's folder without a trailing backslash.
std::wstring ExecutableFolder();
