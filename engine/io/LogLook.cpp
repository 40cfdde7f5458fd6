// CLogLook: one open with every sharing mode, so the look never stands in the
// way of the service that writes, renames or deletes the log.
#include "engine/io/LogLook.h"

#include "win32/Handle.h"

CLogLook CLogLook::Of(const wchar_t* path)
{
    CLogLook look;
    const CFileHandle file(CreateFileW(path, FILE_READ_ATTRIBUTES,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen()) {
        const DWORD error = GetLastError();
        look.exists = error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
        return look;
    }
    look.exists = true;
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(file.Get(), &info)) {
        look.readable = true;
        look.identity = (static_cast<uint64_t>(info.dwVolumeSerialNumber) << 48) ^
                        (static_cast<uint64_t>(info.nFileIndexHigh) << 32) ^ info.nFileIndexLow;
        look.size = (static_cast<int64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    }
    return look;
}

CLogStamp CLogStamp::Of(const wchar_t* path)
{
    CLogStamp stamp;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data))
        return stamp;
    stamp.valid = true;
    stamp.size = (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    stamp.written = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                    data.ftLastWriteTime.dwLowDateTime;
    return stamp;
}
