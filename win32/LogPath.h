// A log's path as the user gives it: pasted forms made plain, and whether it can be read.
#pragma once

#include <string>

// The path inside blanks and one pair of quotes around it, as Explorer's "Copy as path" and a
// careless paste give it; a Windows file name cannot hold a quote. Text holding several quoted
// paths is returned as it came, trimmed.
std::wstring PlainLogPath(const std::wstring& typed);

// Why a log cannot be searched, before a run starts: empty when it can be opened for reading as
// the run opens it. Otherwise the system's own words (FormatMessage) for a missing file, no
// access or a lock, or the program's for a folder or a device.
std::wstring WhyLogUnreadable(const std::wstring& path);
