// The LogPixels setting and the child process that starts under it.
#include "tests/support/DpiChild.h"

#include "tests/support/Process.h"

#include <cstring>
#include <string>

namespace {
const wchar_t kDesktop[] = L"Control Panel\\Desktop";
} // namespace

CLogPixels::CLogPixels(DWORD dpi)
{
    DWORD size = sizeof(m_before);
    m_had = RegGetValueW(HKEY_CURRENT_USER, kDesktop, L"LogPixels", RRF_RT_REG_DWORD, nullptr,
                         &m_before, &size) == ERROR_SUCCESS;
    m_set = RegSetKeyValueW(HKEY_CURRENT_USER, kDesktop, L"LogPixels", REG_DWORD, &dpi,
                            sizeof(dpi)) == ERROR_SUCCESS;
}

CLogPixels::~CLogPixels()
{
    if (m_had)
        RegSetKeyValueW(HKEY_CURRENT_USER, kDesktop, L"LogPixels", REG_DWORD, &m_before,
                        sizeof(m_before));
    else
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktop, L"LogPixels");
}

DWORD RunTestAtDpi(int dpi, const char* test, const wchar_t* name)
{
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    SetEnvironmentVariableW(name, std::to_wstring(dpi).c_str());
    CChildProcess child(L"\"" + std::wstring(exe) + L"\" --gtest_filter=" +
                        std::wstring(test, test + std::strlen(test)));
    SetEnvironmentVariableW(name, nullptr);
    return child.Started() ? child.WaitForExit(300000) : DWORD(-1);
}

int ChildDpi(const wchar_t* name)
{
    wchar_t value[8] = {};
    return GetEnvironmentVariableW(name, value, 8) > 0 ? _wtoi(value) : 0;
}
