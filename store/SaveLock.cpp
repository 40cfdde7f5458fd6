// The named mutex that keeps saves of one settings file apart across processes.
#include "store/SaveLock.h"

#include <cwctype>

namespace {

// A save takes milliseconds; this only guards against an instance that hangs
// while holding the lock.
const DWORD kLockWaitMs = 30000;

// Mutex names may not hold a backslash, and case does not tell files apart.
std::wstring LockName(const std::wstring& path)
{
    std::wstring name = L"Tilvo save ";
    for (wchar_t c : path)
        name += c == L'\\' ? L'/' : static_cast<wchar_t>(std::towupper(c));
    if (name.size() >= MAX_PATH)
        name.erase(0, name.size() - (MAX_PATH - 1));
    return name;
}

} // namespace

CSaveLock::CSaveLock(const std::wstring& path)
{
    m_mutex.Reset(CreateMutexW(nullptr, FALSE, LockName(path).c_str()));
    if (!m_mutex.IsOpen())
        return;
    const DWORD waited = WaitForSingleObject(m_mutex.Get(), kLockWaitMs);
    // An instance that ended while saving leaves the lock abandoned, and free.
    m_held = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

CSaveLock::~CSaveLock()
{
    // The handle closes after the release, as its member goes.
    if (m_held)
        ReleaseMutex(m_mutex.Get());
}
