// CRegistryKey: one open key under HKEY_CURRENT_USER at a time, with the
// string, number and list values the settings are kept in.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class CRegistryKey {
public:
    CRegistryKey() = default;
    ~CRegistryKey() { Close(); }
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    // Closes the open key first. `create`: open or create; otherwise the key
    // must exist. Full access, non-volatile.
    bool Open(const wchar_t* subKey, bool create);
    bool Close();
    bool IsOpen() const { return m_handle != nullptr; }

    // A missing value is created with `defaultText` when `createDefault` is set
    // (the target then takes the default). A value of another type than
    // REG_SZ, REG_EXPAND_SZ or REG_MULTI_SZ, or one without data, gives false
    // and leaves the target as it was. Only the first string of REG_MULTI_SZ is
    // taken; REG_EXPAND_SZ is not expanded.
    bool ReadString(const wchar_t* name, std::wstring& target, bool createDefault,
                    const wchar_t* defaultText);
    // A value that is missing or longer than four bytes is replaced by the
    // default as REG_DWORD. A short value of another type gives false and stays.
    bool ReadDword(const wchar_t* name, DWORD& target, DWORD defaultValue);
    bool WriteString(const wchar_t* name, const std::wstring& text);
    bool WriteDword(const wchar_t* name, DWORD value);

    // Every REG_SZ value whose name begins with `prefix` (case-sensitive), in
    // the order the registry enumerates them.
    bool ReadList(std::vector<std::wstring>& list, const wchar_t* prefix);
    // "<prefix>001", "<prefix>002", ... in list order. False for an empty list.
    bool WriteList(const std::vector<std::wstring>& list, const wchar_t* prefix);
    // Deletes every REG_SZ value whose name begins with `prefix`.
    bool DeleteValues(const wchar_t* prefix);
    bool DeleteValue(const wchar_t* name);

    // "%s%03d": the prefix and the position counted from 1, at least 3 digits.
    static std::wstring ListValueName(const wchar_t* prefix, size_t position);

private:
    // The name of the value at `index` if it is a REG_SZ value; the status of
    // the enumeration.
    LSTATUS EnumValue(DWORD index, std::wstring& name, DWORD& type) const;

    HKEY m_root = HKEY_CURRENT_USER;
    HKEY m_handle = nullptr;
};
