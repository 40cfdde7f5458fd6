// Under wine: a file name that leads to the Linux device that is always full,
// so that a save can be made to fail while it writes.
#pragma once

#include <string>

// Makes `path` a symbolic link to /dev/full. False when not running under wine
// or the link cannot be made (the caller skips its test).
bool LinkToFullDevice(const std::wstring& path);
// Removes the link again (the Windows calls cannot delete it).
void RemoveFullDeviceLink(const std::wstring& path);
