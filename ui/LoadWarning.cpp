// Telling the user that a settings file was read only up to a line, and where
// its original is kept once the file is written.
#include "ui/LoadWarning.h"

#include "store/LoadReport.h"
#include "store/SafeSave.h"

#include <windows.h>

namespace {

std::wstring NameOf(const std::wstring& path)
{
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::wstring LoadStoppedText(const std::wstring& path, size_t line)
{
    // A file with such an entry was not loaded, so it is not written either.
    if (LoadStopCauseOf(path) == LoadStopCause::BadEntry)
        return L"Reading " + NameOf(path) + L" stopped at line " + std::to_wstring(line) +
               L": its colour entry is not a filter text followed by a hexadecimal colour.\r\n"
               L"Nothing from that line on was loaded, and the file is left as it is.";
    return L"Reading " + NameOf(path) + L" stopped at line " + std::to_wstring(line) +
           L": the line has no \"=\", or the file is UTF-16 text without a byte-order mark.\r\n"
           L"Nothing from that line on was loaded. If the file is written, the original is kept as " +
           NameOf(BackupFileFor(path)) + L".";
}

void WarnIfLoadStopped(const std::wstring& path)
{
    const size_t line = LoadStopLine(path);
    if (line > 0)
        MessageBoxW(nullptr, LoadStoppedText(path, line).c_str(), L"Warning", MB_OK | MB_ICONWARNING);
}
