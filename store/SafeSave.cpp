// Temporary-file saves and the backups of files that were not read to the end.
#include "store/SafeSave.h"

#include "engine/io/FileWriter.h"
#include "win32/Handle.h"

#include <windows.h>

namespace {

// CFileWriter keeps no buffer, but the system may: the data must be on the disk
// before the rename makes the new file the only one.
bool FlushToDisk(const std::wstring& path)
{
    const CFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.IsOpen() && FlushFileBuffers(file.Get()) != FALSE;
}

// Writes every line into the temporary file; false when any step fails.
bool WriteTemporary(const std::wstring& temporary,
                    const std::function<bool(CFileWriter&)>& writeLines)
{
    try {
        CFileWriter writer(temporary.c_str());
        if (!writeLines(writer))
            return false;
    } catch (const wchar_t*) {
        return false;  // the temporary file could not be created
    }
    return FlushToDisk(temporary);
}

} // namespace

bool SaveFileSafely(const std::wstring& path, const std::function<bool(CFileWriter&)>& writeLines,
                    bool backUpFirst)
{
    const std::wstring temporary = TemporaryFileFor(path);
    if (!WriteTemporary(temporary, writeLines)) {
        DeleteFileW(temporary.c_str());
        return false;
    }
    if (backUpFirst && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES &&
        !CopyFileW(path.c_str(), BackupFileFor(path).c_str(), FALSE)) {
        // Without the copy the entries the reading skipped would be gone for good.
        DeleteFileW(temporary.c_str());
        return false;
    }
    if (!MoveFileExW(temporary.c_str(), path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temporary.c_str());
        return false;
    }
    return true;
}
