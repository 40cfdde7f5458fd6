// HostPathUnderWine: "/a/b" becomes "Z:\a\b".
#include "tests/support/HostPath.h"

std::wstring HostPathUnderWine(const char* hostPath)
{
    std::wstring path = L"Z:";
    for (const char* p = hostPath; *p; ++p)
        path += *p == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*p));
    return path;
}
