// LogPathFromCommandLine: the shell quotes a path with blanks, and a path
// typed in a console may be relative to the folder the program starts in.
#include "ui/CommandLine.h"

#include "win32/PathRules.h"

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
    return FullPath(path);
}
