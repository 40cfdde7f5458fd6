// IsDeviceName: file names Windows gives to devices, not files, in every folder.
#pragma once

#include <string>

// True when the last part of `path` is a reserved device name (CON, PRN, AUX,
// NUL, COM0 to COM9, LPT0 to LPT9, in any case), alone or with an extension:
// opening "logs\aux.txt" opens the device, whose reads may never return.
bool IsDeviceName(const std::wstring& path);
