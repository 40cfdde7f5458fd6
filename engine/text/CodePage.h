// The ANSI code page as a byte-to-character table, built once per process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CCodePage {
public:
    static const CCodePage& Ansi();

    // True when every byte is one character (a single-byte code page).
    bool IsSingleByte() const { return m_singleByte; }
    // True when the ANSI code page is UTF-8 (65001), which holds every
    // character but is not what a reader without a declared encoding expects.
    bool IsUtf8() const { return m_utf8; }
    // The character of a byte; valid only for a single-byte code page.
    wchar_t ToWide(uint8_t byte) const { return m_toWide[byte]; }
    // False for a byte the code page cannot turn into one character.
    bool HasChar(uint8_t byte) const { return m_valid[byte]; }
    const wchar_t* Table() const { return m_toWide; }

    // True when the code page holds every character of the text: it is
    // written as bytes and read back unchanged.
    bool CanHold(const wchar_t* text, size_t length) const;
    bool CanHold(const std::wstring& text) const { return CanHold(text.data(), text.size()); }
    // The same for one UTF-16 unit alone (false for a surrogate in a
    // multi-byte code page).
    bool CanHoldUnit(wchar_t c) const;

private:
    CCodePage();
    bool m_singleByte = false;
    bool m_utf8 = false;
    wchar_t m_toWide[256] = {};
    bool m_valid[256] = {};
    std::vector<bool> m_held;   // per UTF-16 unit, single-byte code pages only
};
