// LogPathFromCommandLine: the shell quotes a path with blanks, and a path
// typed in a console may be relative to the folder the program starts in.
#include "ui/CommandLine.h"

#include <windows.h>
#include <shellapi.h>

std::wstring LogPathFromCommandLine(const wchar_t* commandLine)
{
    if (!commandLine || !*commandLine)
        return {};
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(commandLine, &count);
    if (!arguments)
        return {};
    std::wstring path = count > 1 ? arguments[1] : L"";
    LocalFree(arguments);
    if (path.empty())
        return {};
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return path;
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed)
        return path;
    full.resize(length);
    return full;
}
