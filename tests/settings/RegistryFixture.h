// A throw-away registry key per test, and raw access to values through the
// registry API itself, independent of CRegistryKey.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

struct RawValue {
    bool exists = false;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

// The bytes of a REG_SZ value: the text and its terminating zero.
std::vector<BYTE> SzBytes(const std::wstring& text);
std::vector<BYTE> DwordBytes(DWORD value);

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // `sub` is a path below the test key, or empty for the key itself.
    std::wstring Path(const std::wstring& sub = L"") const;
    bool KeyExists(const std::wstring& sub) const;
    RawValue Value(const std::wstring& sub, const wchar_t* name) const;
    void SetValue(const std::wstring& sub, const wchar_t* name, DWORD type,
                  const std::vector<BYTE>& data) const;
    void DeleteValue(const std::wstring& sub, const wchar_t* name) const;
    // Value names in the order the registry enumerates them.
    std::vector<std::wstring> ValueNames(const std::wstring& sub) const;

    std::wstring key;
};
