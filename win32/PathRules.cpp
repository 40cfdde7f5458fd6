// One rule for when two paths name one file, and the names of the files kept beside others.
#include "win32/PathRules.h"

#include "win32/ModulePath.h"

#include <windows.h>

std::wstring FullPath(const std::wstring& path)
{
    if (path.empty())
        return path;
    // The size asked first may grow if the current folder changes in between: ask again.
    std::wstring full(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 3; ++attempt) {
        const DWORD length =
            GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (length == 0)
            return path;
        if (length < full.size()) {
            full.resize(length);
            return full;
        }
        full.resize(length);
    }
    return path;
}

std::wstring PathKey(const std::wstring& path)
{
    std::wstring key = FullPath(path);
    if (key.empty())
        return key;
    // Upper case by the invariant table, one code unit each, as the file system
    // and an ordinal comparison that ignores case fold letters: never by the
    // user's language, where "i" and "I" need not be one letter.
    std::wstring folded(key.size(), L'\0');
    const int length = LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, key.c_str(),
                                     static_cast<int>(key.size()), folded.data(),
                                     static_cast<int>(folded.size()));
    if (length == static_cast<int>(key.size()))
        return folded;
    for (wchar_t& c : key)
        if (c >= L'a' && c <= L'z')
            c = static_cast<wchar_t>(c - L'a' + L'A');
    return key;
}

bool SamePath(const std::wstring& a, const std::wstring& b)
{
    return PathKey(a) == PathKey(b);
}

std::wstring ResultFileName(const std::wstring& logFile)
{
    // Beside the executable whatever form the log's path takes: a log's own folder may be
    // read-only, and a file of the result's name there is none of ours to replace.
    return ResultFileNameIn(ExecutableFolder(), logFile);
}

std::wstring ResultFileNameIn(const std::wstring& folder, const std::wstring& logFile)
{
    // "/" separates folders as "\\" does, and "C:x.log" names x.log on drive C.
    const size_t cut = logFile.find_last_of(L"\\/:");
    const std::wstring name = cut == std::wstring::npos ? logFile : logFile.substr(cut + 1);
    return folder + L"\\" + name + L".greptmp";
}

std::wstring GrepIndexFileName(const std::wstring& resultFile)
{
    return resultFile + L".idx";
}

std::wstring TemporaryFileFor(const std::wstring& path)
{
    return path + L".tmp";
}

std::wstring BackupFileFor(const std::wstring& path)
{
    return path + L".bak";
}
