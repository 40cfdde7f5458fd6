// Builds the byte-to-character table from the real ANSI code page. The code
// page functions are slow under wine, so they run 256 times per process and
// never per line.
#include "engine/CodePage.h"

#include <windows.h>

const CCodePage& CCodePage::Ansi()
{
    static const CCodePage instance;
    return instance;
}

CCodePage::CCodePage()
{
    CPINFO info{};
    m_singleByte = GetCPInfo(CP_ACP, &info) && info.MaxCharSize == 1;
    for (int b = 0; b < 256; ++b) {
        char byte = static_cast<char>(b);
        wchar_t wide = 0;
        int n = b == 0 ? 1 : MultiByteToWideChar(CP_ACP, 0, &byte, 1, &wide, 1);
        m_valid[b] = n == 1;
        m_toWide[b] = n == 1 ? wide : L'\0';
    }
}
