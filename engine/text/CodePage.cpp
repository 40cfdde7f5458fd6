// Builds the byte-to-character table from the real ANSI code page. The code
// page functions are slow under wine, so they run 256 times per process and
// never per line.
#include "engine/text/CodePage.h"

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
    m_utf8 = GetACP() == CP_UTF8;
    for (int b = 0; b < 256; ++b) {
        char byte = static_cast<char>(b);
        wchar_t wide = 0;
        int n = b == 0 ? 1 : MultiByteToWideChar(CP_ACP, 0, &byte, 1, &wide, 1);
        m_valid[b] = n == 1;
        m_toWide[b] = n == 1 ? wide : L'\0';
    }
    if (m_singleByte) {
        m_held.assign(65536, false);
        for (int b = 0; b < 256; ++b)
            if (m_valid[b])
                m_held[static_cast<uint16_t>(m_toWide[b])] = true;
    }
}

bool CCodePage::CanHoldUnit(wchar_t c) const
{
    return CanHold(&c, 1);
}

bool CCodePage::CanHold(const wchar_t* text, size_t length) const
{
    if (m_singleByte) {
        for (size_t i = 0; i < length; ++i)
            if (!m_held[static_cast<uint16_t>(text[i])])
                return false;
        return true;
    }
    // A multi-byte code page (or UTF-8 as the ANSI code page): the text must
    // come back from its bytes unchanged.
    if (length == 0)
        return true;
    const int count = static_cast<int>(length);
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text, count, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return false;
    std::string narrow(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, count, narrow.data(), bytes, nullptr, nullptr);
    std::wstring back(length + 1, L'\0');
    const int units = MultiByteToWideChar(CP_ACP, 0, narrow.data(), bytes, back.data(),
                                          static_cast<int>(back.size()));
    return units == count && back.compare(0, length, text, length) == 0;
}
