// IsDeviceName: the name before its first dot, without the blanks Windows drops
// there, compared with the reserved names.
#include "win32/DeviceName.h"

#include <cwctype>

namespace {

bool SameLetters(const std::wstring& name, const wchar_t* reserved)
{
    size_t i = 0;
    for (; reserved[i]; ++i)
        if (i >= name.size() || std::towupper(name[i]) != reserved[i])
            return false;
    return i == name.size();
}

} // namespace

bool IsDeviceName(const std::wstring& path)
{
    const size_t slash = path.find_last_of(L"\\/:");
    std::wstring name = path.substr(slash == std::wstring::npos ? 0 : slash + 1);
    name = name.substr(0, name.find(L'.'));
    while (!name.empty() && name.back() == L' ')
        name.pop_back();
    for (const wchar_t* reserved : {L"CON", L"PRN", L"AUX", L"NUL"})
        if (SameLetters(name, reserved))
            return true;
    // COM and LPT with one digit; Windows also counts the superscripts 1 to 3.
    if (name.size() != 4)
        return false;
    const std::wstring stem = name.substr(0, 3);
    if (!SameLetters(stem, L"COM") && !SameLetters(stem, L"LPT"))
        return false;
    const wchar_t digit = name[3];
    return (digit >= L'0' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' ||
           digit == L'\u00B3';
}
