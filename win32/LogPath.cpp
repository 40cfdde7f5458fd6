// A log's path as the user gives it: pasted forms made plain, and whether it can be read.
#include "win32/LogPath.h"

#include "win32/Handle.h"

#include <windows.h>

namespace {

const wchar_t kBlanks[] = L" \t\r\n";
const wchar_t kFolderText[] = L"This is a folder, not a log file.";
const wchar_t kDeviceText[] = L"This is a device, not a log file.";

std::wstring Trimmed(const std::wstring& text)
{
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::wstring::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// The system's sentence for an error code, without its line end.
std::wstring SystemText(DWORD error)
{
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = length ? Trimmed(std::wstring(buffer, length)) : std::wstring();
    if (buffer)
        LocalFree(buffer);
    return text.empty() ? L"Error " + std::to_wstring(error) + L"." : text;
}

} // namespace

std::wstring PlainLogPath(const std::wstring& typed)
{
    std::wstring path = Trimmed(typed);
    if (path.size() >= 2 && path.front() == L'"' && path.back() == L'"' &&
        path.find(L'"', 1) == path.size() - 1)
        path = Trimmed(path.substr(1, path.size() - 2));
    return path;
}

std::wstring WhyLogUnreadable(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return kFolderText;
    // The run's own open: reading, while others may go on writing, renaming or deleting.
    CFileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen())
        return SystemText(GetLastError());
    if (GetFileType(file.Get()) != FILE_TYPE_DISK)
        return kDeviceText;
    return {};
}
