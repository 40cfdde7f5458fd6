// CLogSet: folders and patterns are listed once with FindFirstFileW, which
// also gives each file's size and write time, so ordering opens nothing.
#include "engine/run/LogSet.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>

namespace {

const wchar_t kResultExtension[] = L".greptmp";
const wchar_t kIndexExtension[] = L".greptmp.idx";

bool EndsWithNoCase(const std::wstring& text, const wchar_t* tail)
{
    const size_t n = std::wcslen(tail);
    return text.size() >= n && _wcsicmp(text.c_str() + text.size() - n, tail) == 0;
}

uint64_t Time(const FILETIME& t)
{
    return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

// The number after the last dot ("app.log.10" -> 10), or -1 without one.
long long RotationNumber(const std::wstring& name)
{
    const size_t dot = name.rfind(L'.');
    if (dot == std::wstring::npos || dot + 1 >= name.size() || name.size() - dot > 10)
        return -1;
    long long n = 0;
    for (size_t i = dot + 1; i < name.size(); ++i) {
        if (!std::iswdigit(name[i]))
            return -1;
        n = n * 10 + (name[i] - L'0');
    }
    return n;
}

std::wstring FolderOf(const std::wstring& path)
{
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring NameOf(const std::wstring& path)
{
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

bool IsFolder(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Characters a file name cannot hold become "_".
std::wstring ValidFileName(std::wstring name)
{
    for (wchar_t& c : name) {
        if (c < 32 || std::wcschr(L"<>:\"/\\|?*", c))
            c = L'_';
    }
    while (!name.empty() && (name.back() == L'.' || name.back() == L' '))
        name.pop_back();
    return name.empty() ? std::wstring(L"logs") : name;
}

} // namespace

std::vector<std::wstring> CLogSet::SplitBox(const std::wstring& text)
{
    std::vector<std::wstring> paths;
    if (text.find(L'"') == std::wstring::npos) {
        if (!text.empty())
            paths.push_back(text);
        return paths;
    }
    for (size_t at = 0; at < text.size();) {
        const size_t open = text.find(L'"', at);
        if (open == std::wstring::npos)
            break;
        const size_t close = text.find(L'"', open + 1);
        const std::wstring path =
            text.substr(open + 1, (close == std::wstring::npos ? text.size() : close) - open - 1);
        if (!path.empty())
            paths.push_back(path);
        if (close == std::wstring::npos)
            break;
        at = close + 1;
    }
    return paths;
}

bool CLogSet::IsOwnOutput(const std::wstring& name)
{
    return EndsWithNoCase(name, kResultExtension) || EndsWithNoCase(name, kIndexExtension);
}

bool CLogSet::ReadBefore(const CLogSetFile& a, const CLogSetFile& b)
{
    if (a.writeTime != b.writeTime)
        return a.writeTime < b.writeTime;
    const long long ra = RotationNumber(a.name), rb = RotationNumber(b.name);
    if (ra != rb)
        return ra > rb;
    return _wcsicmp(a.name.c_str(), b.name.c_str()) < 0;
}

void CLogSet::AddFile(const std::wstring& path)
{
    CLogSetFile file;
    file.path = path;
    file.name = NameOf(path);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        file.size = (int64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        file.writeTime = Time(data.ftLastWriteTime);
    }
    m_files.push_back(std::move(file));
}

bool CLogSet::AddPattern(const std::wstring& folder, const std::wstring& pattern)
{
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileExW((folder + pattern).c_str(), FindExInfoBasic, &found,
                                     FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    bool any = false;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        const std::wstring name = found.cFileName;
        if (IsOwnOutput(name))
            continue;
        CLogSetFile file;
        file.path = folder + name;
        file.name = name;
        file.size = (int64_t(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
        file.writeTime = Time(found.ftLastWriteTime);
        m_files.push_back(std::move(file));
        any = true;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return any;
}

bool CLogSet::Expand(const std::wstring& text, std::wstring& problem)
{
    m_files.clear();
    m_isSet = false;
    m_folder.clear();
    m_resultName.clear();
    problem.clear();
    const std::vector<std::wstring> paths = SplitBox(text);
    if (paths.empty())
        return false;
    for (const std::wstring& path : paths) {
        const std::wstring name = NameOf(path);
        if (name.empty() || IsFolder(path)) {
            std::wstring folder = path;
            if (folder.back() != L'\\' && folder.back() != L'/')
                folder += L'\\';
            if (!AddPattern(folder, L"*")) {
                problem = L"The folder " + path + L" holds no file to search.";
                return false;
            }
            m_isSet = true;
            if (m_folder.empty()) {
                m_folder = folder;
                m_resultName = ValidFileName(NameOf(folder.substr(0, folder.size() - 1)));
            }
        } else if (name.find_first_of(L"*?") != std::wstring::npos) {
            if (!AddPattern(FolderOf(path), name)) {
                problem = L"The pattern " + path + L" matches no file.";
                return false;
            }
            m_isSet = true;
            if (m_folder.empty()) {
                m_folder = FolderOf(path);
                m_resultName = ValidFileName(name);
            }
        } else {
            AddFile(path);
        }
    }
    if (paths.size() > 1) {
        m_isSet = true;
        m_folder = FolderOf(paths.front());
        m_resultName = ValidFileName(NameOf(paths.front()) + L"+" +
                                     std::to_wstring(paths.size() - 1));
        // Names relative to the first path's folder where they lie in it.
        for (CLogSetFile& file : m_files) {
            if (file.path.size() > m_folder.size() &&
                _wcsnicmp(file.path.c_str(), m_folder.c_str(), m_folder.size()) == 0)
                file.name = file.path.substr(m_folder.size());
            else
                file.name = file.path;
        }
    }
    // The same file named twice is read once.
    std::sort(m_files.begin(), m_files.end(), [](const CLogSetFile& a, const CLogSetFile& b) {
        return _wcsicmp(a.path.c_str(), b.path.c_str()) < 0;
    });
    m_files.erase(std::unique(m_files.begin(), m_files.end(),
                              [](const CLogSetFile& a, const CLogSetFile& b) {
                                  return _wcsicmp(a.path.c_str(), b.path.c_str()) == 0;
                              }),
                  m_files.end());
    if (m_isSet)
        std::stable_sort(m_files.begin(), m_files.end(), ReadBefore);
    return true;
}

int64_t CLogSet::TotalSize() const
{
    int64_t total = 0;
    for (const CLogSetFile& file : m_files)
        total += file.size;
    return total;
}

const CLogSetFile* CLogSet::Newest() const
{
    // The last in reading order is the newest.
    return m_files.empty() ? nullptr : &m_files.back();
}

std::wstring CLogSet::Summary() const
{
    const double size = double(TotalSize());
    const wchar_t* unit = L"bytes";
    double shown = size;
    if (size >= 1e9) {
        shown = size / 1e9;
        unit = L"GB";
    } else if (size >= 1e6) {
        shown = size / 1e6;
        unit = L"MB";
    } else if (size >= 1e3) {
        shown = size / 1e3;
        unit = L"KB";
    }
    // Bytes are whole; the larger units keep one decimal ("3.4 GB").
    wchar_t number[32];
    swprintf(number, 32, unit[0] == L'b' ? L"%.0f" : L"%.1f", shown);
    return std::to_wstring(m_files.size()) + L" files, " + number + L" " + unit;
}
