// Paths beside the running executable.
#include "win32/ModulePath.h"

#include <windows.h>

std::wstring ExecutableFolder()
{
    wchar_t path[1023] = {};
    const DWORD n = GetModuleFileNameW(nullptr, path, 1023);
    std::wstring folder(path, n < 1023 ? n : 1022);
    const size_t slash = folder.rfind(L'\\');
    folder.resize(slash == std::wstring::npos ? 0 : slash);
    return folder;
}

std::wstring FileBesideExecutable(const wchar_t* name)
{
    return ExecutableFolder() + L"\\" + name;
}
