// Under wine: the Linux device that is always full, as a file to write to or as the target of
// a file name, so that a write or a save can be made to fail while it writes.
#pragma once

#include <string>

// Z: is the Linux root under wine; the device takes the open and fails every write with a
// full disk.
inline const wchar_t kFullDevice[] = L"Z:\\dev\\full";

// True when writing to `path` opens and then fails with a full disk; false elsewhere (the
// caller skips its test).
bool WritesFailAsFull(const std::wstring& path = kFullDevice);
// Makes `path` a symbolic link to the device. False when not running under wine or the link
// cannot be made (the caller skips its test).
bool LinkToFullDevice(const std::wstring& path);
// Removes the link again (the Windows calls cannot delete it).
void RemoveFullDeviceLink(const std::wstring& path);
