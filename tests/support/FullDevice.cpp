// The always-full Linux device: written to directly, or linked to a file name by running ln and
// rm as Linux processes, which wine starts like any other program.
#include "tests/support/FullDevice.h"

#include "tests/support/Process.h"
#include "tests/support/Wait.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

using UnixFileName = char*(CDECL*)(const wchar_t*);

std::string UnixPath(const std::wstring& path)
{
    auto convert = reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!convert)
        return {};
    char* unixPath = convert(path.c_str());
    if (!unixPath)
        return {};
    std::string result = unixPath;
    HeapFree(GetProcessHeap(), 0, unixPath);
    return result;
}

bool Opens(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

bool RunUnix(const std::string& commandLine)
{
    CChildProcess process(std::wstring(commandLine.begin(), commandLine.end()));
    // Wine gives no handle that a Linux process's end signals: the callers wait for its effect.
    process.Detach();
    return process.Started();
}

} // namespace

bool WritesFailAsFull(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool full = !WriteFile(file, "x", 1, &written, nullptr) && GetLastError() == ERROR_DISK_FULL;
    CloseHandle(file);
    return full;
}

bool LinkToFullDevice(const std::wstring& path)
{
    const std::string unixPath = UnixPath(path);
    // wine passes the command line on word by word; the test folders hold no blanks.
    if (unixPath.empty() || unixPath.find(' ') != std::string::npos)
        return false;
    if (!RunUnix("/bin/ln -sf /dev/full " + unixPath))
        return false;
    // The Linux process may still be running; the link is there when writing
    // through it fails with a full disk.
    return WaitFor("the link to the full device", [&] { return Opens(path); }) && WritesFailAsFull(path);
}

void RemoveFullDeviceLink(const std::wstring& path)
{
    const std::string unixPath = UnixPath(path);
    if (unixPath.empty() || !RunUnix("/bin/rm -f " + unixPath))
        return;
    // Attributes are no use here: wine reports none for a device.
    EXPECT_TRUE(WaitFor("the link to the full device to go", [&] { return !Opens(path); }));
}
