// One rule names a file: every spelling of a path gets the same identity and the same save
// lock, and the folded form agrees with the system's own ordinal comparison ignoring case.
#include "store/SaveLock.h"
#include "tests/support/TestFiles.h"
#include "win32/PathRules.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <thread>

namespace {

// True when another thread finds the lock of `path` taken.
bool TakenForOthers(const std::wstring& path)
{
    bool taken = false;
    std::thread other([&] {
        HANDLE mutex = CreateMutexW(nullptr, FALSE, SaveLockName(path).c_str());
        if (!mutex)
            return;
        const DWORD waited = WaitForSingleObject(mutex, 0);
        taken = waited == WAIT_TIMEOUT;
        if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED)
            ReleaseMutex(mutex);
        CloseHandle(mutex);
    });
    other.join();
    return taken;
}

bool SystemSaysSame(const std::wstring& a, const std::wstring& b)
{
    const std::wstring x = FullPath(a), y = FullPath(b);
    return CompareStringOrdinal(x.c_str(), int(x.size()), y.c_str(), int(y.size()), TRUE) ==
           CSTR_EQUAL;
}

} // namespace

TEST(PathRules, EverySpellingOfOneFileHasOneIdentityAndOneSaveLock)
{
    TempDir dir;
    const std::wstring folder = dir.Path();
    const std::wstring file = dir.File(L"Tilvo.ini");
    wchar_t current[MAX_PATH] = {};
    ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, current), 0u);
    std::wstring here = current;
    if (here.back() != L'\\')
        here += L'\\';
    // Beyond MAX_PATH: the lock name keeps the end of the path.
    const std::wstring deep = here + std::wstring(300, L'd') + L"\\Tilvo.ini";

    const struct {
        const char* what;
        std::wstring a, b;
        bool same;
    } rows[] = {
        {"itself", file, file, true},
        {"forward slashes", file, folder + L"/Tilvo.ini", true},
        {"letter case", file, folder + L"\\TILVO.INI", true},
        {"relative to the current folder", here + L"Tilvo.ini", L"Tilvo.ini", true},
        {"dot and dot-dot", file, folder + L"\\sub\\..\\.\\Tilvo.ini", true},
        {"trailing dot and blank", file, file + L". ", true},
        {"Cyrillic letters in other case",
         folder + L"\\\u0416\u0443\u0440\u043d\u0430\u043b.log",
         folder + L"\\\u0436\u0423\u0420\u041d\u0410\u041b.LOG", true},
        {"accented letters in other case", folder + L"\\caf\u00e9.ini", folder + L"\\CAF\u00c9.INI", true},
        {"a long path, two spellings", deep, L"./" + std::wstring(300, L'D') + L"/tilvo.INI", true},
        {"another name", file, folder + L"\\Tilvo.dat", false},
        {"its backup", file, BackupFileFor(file), false},
        {"the same name in another folder", file, folder + L"\\sub\\Tilvo.ini", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(SamePath(row.a, row.b), row.same);
        EXPECT_EQ(SystemSaysSame(row.a, row.b), row.same);
        EXPECT_EQ(SaveLockName(row.a) == SaveLockName(row.b), row.same);
        EXPECT_LT(SaveLockName(row.a).size(), size_t(MAX_PATH));
        EXPECT_EQ(SaveLockName(row.a).find(L'\\'), std::wstring::npos);
        CSaveLock held(row.a);
        ASSERT_TRUE(held.Held());
        EXPECT_EQ(TakenForOthers(row.b), row.same);
    }
}
