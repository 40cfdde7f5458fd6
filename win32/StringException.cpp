// CStringException and the process-wide text its ToString formats into.
#include "win32/StringException.h"

#include "win32/ProcessLocks.h"

#include <cwchar>

namespace {

// Longer texts are cut at the field's capacity rather than overflowing it.
void CopyCut(wchar_t* target, size_t capacity, const wchar_t* source)
{
    size_t i = 0;
    if (source) {
        for (; i + 1 < capacity && source[i] != L'\0'; ++i)
            target[i] = source[i];
    }
    target[i] = L'\0';
}

wchar_t g_sharedText[CStringException::SharedTextLength];

} // namespace

CStringException::CStringException(const wchar_t* where, const wchar_t* what)
{
    CopyCut(m_where, FieldLength, where);
    CopyCut(m_what, FieldLength, what);
}

const wchar_t* ExceptionText(const wchar_t* unknown) noexcept
{
    try {
        throw;
    } catch (const CStringException& e) {
        try {
            return e.ToString();
        } catch (...) {
            return e.What();
        }
    } catch (const wchar_t* text) {
        return text ? text : unknown;
    } catch (...) {
        return unknown;
    }
}

const wchar_t* CStringException::ToString() const
{
    // Held until the text is formatted; released by the lock's end also if formatting throws.
    CMutexLock lock(TextLock());
    if (!lock.Held())
        throw L"CStringException::ToString: mutex wait failed!";
    // Both fields hold at most 255 characters, so "where: what" always fits.
    size_t n = 0;
    for (const wchar_t* p = m_where; *p; ++p)
        g_sharedText[n++] = *p;
    g_sharedText[n++] = L':';
    g_sharedText[n++] = L' ';
    for (const wchar_t* p = m_what; *p; ++p)
        g_sharedText[n++] = *p;
    g_sharedText[n] = L'\0';
    if (!lock.Unlock())
        throw L"CStringException::ToString: mutex release failed!";
    return g_sharedText;
}
