// The named mutex that keeps saves of one settings file apart across processes.
#include "store/SaveLock.h"

#include "win32/PathRules.h"

namespace {

// A save takes milliseconds; this only guards against an instance that hangs
// while holding the lock.
const DWORD kLockWaitMs = 30000;

} // namespace

// Named by the path, not by the file: a save replaces the file, so the file's
// identity changes at every save, and before the first save there is none.
// Mutex names may not hold a backslash; a long name keeps its end, where paths
// differ.
std::wstring SaveLockName(const std::wstring& path)
{
    std::wstring name = L"Tilvo save " + PathKey(path);
    for (wchar_t& c : name)
        if (c == L'\\')
            c = L'/';
    if (name.size() >= MAX_PATH)
        name.erase(0, name.size() - (MAX_PATH - 1));
    return name;
}

CSaveLock::CSaveLock(const std::wstring& path)
{
    m_mutex.Reset(CreateMutexW(nullptr, FALSE, SaveLockName(path).c_str()));
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
