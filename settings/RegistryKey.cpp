// CRegistryKey: the registry operations the settings rely on.
#include "settings/RegistryKey.h"

#include <cwchar>

namespace {

// Longest value name the registry allows, plus the terminating zero. A smaller
// buffer would make a stray long name end a list read or a deletion early.
const DWORD kValueNameLength = 16384;

bool HasPrefix(const std::wstring& name, const wchar_t* prefix)
{
    return name.compare(0, std::wcslen(prefix), prefix) == 0;
}

} // namespace

bool CRegistryKey::Open(const wchar_t* subKey, bool create)
{
    Close();
    HKEY key = nullptr;
    LSTATUS status;
    if (create) {
        status = RegCreateKeyExW(m_root, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 KEY_ALL_ACCESS, nullptr, &key, nullptr);
    } else {
        status = RegOpenKeyExW(m_root, subKey, 0, KEY_ALL_ACCESS, &key);
    }
    if (status != ERROR_SUCCESS)
        return false;
    m_handle = key;
    return true;
}

bool CRegistryKey::Close()
{
    if (!m_handle)
        return true;
    const LSTATUS status = RegCloseKey(m_handle);
    m_handle = nullptr;
    return status == ERROR_SUCCESS;
}

bool CRegistryKey::ReadString(const wchar_t* name, std::wstring& target, bool createDefault,
                              const wchar_t* defaultText)
{
    if (!m_handle)
        return false;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(m_handle, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
        if (!createDefault)
            return false;
        const std::wstring text = defaultText ? defaultText : L"";
        const bool written = WriteString(name, text);
        target = text;
        return written;
    }
    if (size == 0 || (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ))
        return false;
    std::vector<wchar_t> buffer(size / 2 + 1, L'\0');
    DWORD capacity = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    if (RegQueryValueExW(m_handle, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                         &capacity) != ERROR_SUCCESS)
        return false;
    // The data need not end in a zero; an odd last byte is dropped.
    buffer[capacity / 2 < buffer.size() ? capacity / 2 : buffer.size() - 1] = L'\0';
    target = buffer.data();
    return true;
}

bool CRegistryKey::ReadDword(const wchar_t* name, DWORD& target, DWORD defaultValue)
{
    if (!m_handle)
        return false;
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegQueryValueExW(m_handle, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
        ERROR_SUCCESS) {
        if (!WriteDword(name, defaultValue))
            return false;
        target = defaultValue;
        return true;
    }
    if (type != REG_DWORD)
        return false;
    target = value;
    return true;
}

bool CRegistryKey::WriteString(const wchar_t* name, const std::wstring& text)
{
    if (!m_handle)
        return false;
    // The text up to its first zero character, and the terminating zero.
    const DWORD bytes = static_cast<DWORD>((std::wcslen(text.c_str()) + 1) * sizeof(wchar_t));
    return RegSetValueExW(m_handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          bytes) == ERROR_SUCCESS;
}

bool CRegistryKey::WriteDword(const wchar_t* name, DWORD value)
{
    if (!m_handle)
        return false;
    return RegSetValueExW(m_handle, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof value) == ERROR_SUCCESS;
}

LSTATUS CRegistryKey::EnumValue(DWORD index, std::wstring& name, DWORD& type) const
{
    std::vector<wchar_t> buffer(kValueNameLength, L'\0');
    DWORD length = kValueNameLength;
    const LSTATUS status = RegEnumValueW(m_handle, index, buffer.data(), &length, nullptr, &type,
                                         nullptr, nullptr);
    if (status == ERROR_SUCCESS)
        name.assign(buffer.data(), length);
    return status;
}

bool CRegistryKey::ReadList(std::vector<std::wstring>& list, const wchar_t* prefix)
{
    if (!m_handle || !prefix)
        return false;
    list.clear();
    std::wstring name;
    DWORD type = 0;
    for (DWORD index = 0;; ++index) {
        const LSTATUS status = EnumValue(index, name, type);
        if (status == ERROR_NO_MORE_ITEMS)
            return true;
        if (status != ERROR_SUCCESS)
            return false;
        if (type != REG_SZ || !HasPrefix(name, prefix))
            continue;
        std::wstring text;
        if (ReadString(name.c_str(), text, false, nullptr))
            list.push_back(text);
    }
}

std::wstring CRegistryKey::ListValueName(const wchar_t* prefix, size_t position)
{
    std::wstring digits = std::to_wstring(position);
    if (digits.size() < 3)
        digits.insert(0, 3 - digits.size(), L'0');
    return std::wstring(prefix) + digits;
}

bool CRegistryKey::WriteList(const std::vector<std::wstring>& list, const wchar_t* prefix)
{
    if (!m_handle || !prefix || list.empty())
        return false;
    for (size_t i = 0; i < list.size(); ++i)
        WriteString(ListValueName(prefix, i + 1).c_str(), list[i]);
    return true;
}

bool CRegistryKey::DeleteValues(const wchar_t* prefix)
{
    if (!m_handle || !prefix)
        return false;
    std::wstring name;
    DWORD type = 0;
    DWORD index = 0;
    for (;;) {
        const LSTATUS status = EnumValue(index, name, type);
        if (status == ERROR_NO_MORE_ITEMS)
            return true;
        if (status != ERROR_SUCCESS)
            return false;
        if (type == REG_SZ && HasPrefix(name, prefix)) {
            // The values after it move down one: look at the same index again.
            if (RegDeleteValueW(m_handle, name.c_str()) != ERROR_SUCCESS)
                return false;
        } else {
            ++index;
        }
    }
}

bool CRegistryKey::DeleteValue(const wchar_t* name)
{
    return m_handle && RegDeleteValueW(m_handle, name) == ERROR_SUCCESS;
}
