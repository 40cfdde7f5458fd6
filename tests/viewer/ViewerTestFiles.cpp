// Generated result files for the viewer tests.
#include "tests/viewer/ViewerTestFiles.h"

#include <windows.h>
#include <winioctl.h>

#include <cstdio>

std::string NumberedLines(int count, const std::string& lineEnd, bool finalEnd)
{
    std::string bytes;
    char text[32];
    for (int i = 0; i < count; ++i) {
        std::snprintf(text, sizeof(text), "line %04d", i);
        bytes += text;
        if (finalEnd || i + 1 < count)
            bytes += lineEnd;
    }
    return bytes;
}

std::string JoinLines(const std::vector<std::string>& lines, const std::string& lineEnd,
                      bool finalEnd)
{
    std::string bytes;
    for (size_t i = 0; i < lines.size(); ++i) {
        bytes += lines[i];
        if (finalEnd || i + 1 < lines.size())
            bytes += lineEnd;
    }
    return bytes;
}

std::wstring NumberedLine(int number)
{
    wchar_t text[32];
    std::swprintf(text, 32, L"line %04d", number);
    return text;
}

bool WriteSparseFile(const std::wstring& path, int64_t size, const std::string& head,
                     const std::string& tail)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD ignored = 0;
    DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
    bool ok = true;
    DWORD written = 0;
    if (!head.empty())
        ok = WriteFile(file, head.data(), DWORD(head.size()), &written, nullptr) != FALSE;
    LARGE_INTEGER to;
    to.QuadPart = size - int64_t(tail.size());
    ok = ok && SetFilePointerEx(file, to, nullptr, FILE_BEGIN) &&
         WriteFile(file, tail.data(), DWORD(tail.size()), &written, nullptr);
    CloseHandle(file);
    return ok;
}
