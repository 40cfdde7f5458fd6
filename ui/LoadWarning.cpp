// Telling the user that a settings file was read only up to a line, or holds
// bytes that are not text, and where its original is kept once it is written.
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

std::wstring NotTextText(const std::wstring& path, size_t line)
{
    return L"Line " + std::to_wstring(line) + L" of " + NameOf(path) +
           L" holds bytes that are not text: not UTF-8 after the file's UTF-8 mark, or half of a "
           L"UTF-16 pair.\r\nThey are written back as replacement characters. If the file is "
           L"written, the original is kept as " + NameOf(BackupFileFor(path)) + L".";
}

void WarnAboutLoad(const std::wstring& path)
{
    std::wstring text;
    if (const size_t line = LoadStopLine(path))
        text = LoadStoppedText(path, line);
    if (const size_t line = LineNotText(path))
        text += (text.empty() ? L"" : L"\r\n\r\n") + NotTextText(path, line);
    if (!text.empty())
        MessageBoxW(nullptr, text.c_str(), L"Warning", MB_OK | MB_ICONWARNING);
}
