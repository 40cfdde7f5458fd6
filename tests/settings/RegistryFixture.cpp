// The throw-away key: SOFTWARE\Osmi\TilvoTest-<process>-<n>, deleted after each test.
#include "tests/settings/RegistryFixture.h"

#include "categories/CategoryStore.h"
#include "settings/Settings.h"

std::vector<BYTE> SzBytes(const std::wstring& text)
{
    const BYTE* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    return std::vector<BYTE>(bytes, bytes + (text.size() + 1) * sizeof(wchar_t));
}

std::vector<BYTE> DwordBytes(DWORD value)
{
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&value);
    return std::vector<BYTE>(bytes, bytes + sizeof value);
}

void RegistryTest::SetUp()
{
    static int counter = 0;
    key = L"SOFTWARE\\Osmi\\TilvoTest-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
          std::to_wstring(counter++);
    RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
    AppSettings() = Settings{};
    ClearCategories();
}

void RegistryTest::TearDown()
{
    RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
    EXPECT_FALSE(KeyExists(L""));
    AppSettings() = Settings{};
    ClearCategories();
}

std::wstring RegistryTest::Path(const std::wstring& sub) const
{
    return sub.empty() ? key : key + L"\\" + sub;
}

bool RegistryTest::KeyExists(const std::wstring& sub) const
{
    HKEY h = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Path(sub).c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return false;
    RegCloseKey(h);
    return true;
}

RawValue RegistryTest::Value(const std::wstring& sub, const wchar_t* name) const
{
    RawValue value;
    HKEY h = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Path(sub).c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return value;
    DWORD size = 0;
    if (RegQueryValueExW(h, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
        value.data.resize(size);
        if (RegQueryValueExW(h, name, nullptr, &value.type, value.data.data(), &size) ==
            ERROR_SUCCESS) {
            value.exists = true;
            value.data.resize(size);
        }
    }
    RegCloseKey(h);
    return value;
}

void RegistryTest::SetValue(const std::wstring& sub, const wchar_t* name, DWORD type,
                            const std::vector<BYTE>& data) const
{
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, Path(sub).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &h, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(h, name, 0, type, data.data(), static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
    RegCloseKey(h);
}

void RegistryTest::DeleteValue(const std::wstring& sub, const wchar_t* name) const
{
    HKEY h = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, Path(sub).c_str(), 0, KEY_ALL_ACCESS, &h),
              ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueW(h, name), ERROR_SUCCESS);
    RegCloseKey(h);
}

std::vector<std::wstring> RegistryTest::ValueNames(const std::wstring& sub) const
{
    std::vector<std::wstring> names;
    HKEY h = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Path(sub).c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD length = 16384;
        if (RegEnumValueW(h, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    RegCloseKey(h);
    return names;
}
