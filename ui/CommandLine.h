// The log a command line names: what "Open with" and a file dropped on the program pass.
#pragma once

#include <string>

// The first argument after the program's name as a full path; empty when
// there is none. Later arguments are ignored.
std::wstring LogPathFromCommandLine(const wchar_t* commandLine);
