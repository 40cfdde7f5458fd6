// The ANSI code page as a byte-to-character table, built once per process.
#pragma once

#include <cstdint>

class CCodePage {
public:
    static const CCodePage& Ansi();

    // True when every byte is one character (a single-byte code page).
    bool IsSingleByte() const { return m_singleByte; }
    // The character of a byte; valid only for a single-byte code page.
    wchar_t ToWide(uint8_t byte) const { return m_toWide[byte]; }
    // False for a byte the code page cannot turn into one character.
    bool HasChar(uint8_t byte) const { return m_valid[byte]; }
    const wchar_t* Table() const { return m_toWide; }

private:
    CCodePage();
    bool m_singleByte = false;
    wchar_t m_toWide[256] = {};
    bool m_valid[256] = {};
};
