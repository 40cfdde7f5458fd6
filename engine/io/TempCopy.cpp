// Temporary copies: their names carry the owner's process id, and the owner
// holds them open, so the clean-up at start removes only orphans.
#include "engine/io/TempCopy.h"

#include <atomic>
#include <cwchar>

namespace {

const wchar_t kPrefix[] = L"Tilvo-";

// The owner's process id from a copy's name, or 0 when it is no copy.
DWORD OwnerOf(const wchar_t* name)
{
    const size_t prefix = wcslen(kPrefix);
    if (_wcsnicmp(name, kPrefix, prefix) != 0)
        return 0;
    wchar_t* end = nullptr;
    const unsigned long id = wcstoul(name + prefix, &end, 10);
    return end != name + prefix && *end == L'-' ? DWORD(id) : 0;
}

bool IsRunning(DWORD process)
{
    if (process == GetCurrentProcessId())
        return true;
    CHandle handle(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process));
    DWORD code = 0;
    return handle.Get() && GetExitCodeProcess(handle.Get(), &code) && code == STILL_ACTIVE;
}

}  // namespace

CTempCopy::~CTempCopy()
{
    m_file.Close();
    if (!m_path.empty())
        DeleteFileW(m_path.c_str());
}

bool CTempCopy::Create(const std::wstring& folder, const std::wstring& name, DWORD& error)
{
    static std::atomic<unsigned> counter{0};
    const std::wstring path = folder + kPrefix + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(++counter) + L"-" + name;
    // No FILE_SHARE_DELETE: while this handle lives, nobody removes the file.
    m_file.Reset(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_TEMPORARY, nullptr));
    if (!m_file.IsOpen()) {
        error = GetLastError();
        return false;
    }
    m_path = path;
    return true;
}

std::wstring TempFolder()
{
    wchar_t folder[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH)
        return L".\\";
    return folder;
}

int RemoveLeftoverCopies(const std::wstring& folder)
{
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + kPrefix + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    int removed = 0;
    do {
        const DWORD owner = OwnerOf(found.cFileName);
        if (owner == 0 || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || IsRunning(owner))
            continue;
        // An owner's id that another program now uses leaves the copy for a later start;
        // a copy that another instance still holds refuses the deletion.
        if (DeleteFileW((folder + found.cFileName).c_str()))
            ++removed;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return removed;
}
