// Reading whole texts out of controls.
#include "ui/WindowText.h"

#include "engine/text/ByteRules.h"

#include <commctrl.h>

std::wstring WindowText(HWND window)
{
    if (!window)
        return {};
    int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    int copied = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

std::wstring ComboEntryText(HWND combo, int index)
{
    LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR || length < 0)
        return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    LRESULT copied = SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                  reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied == CB_ERR || copied < 0 ? 0 : static_cast<size_t>(copied));
    return text;
}

std::wstring ListItemText(HWND list, int index)
{
    // The list view has no length query: grow the buffer until the text fits with room over.
    std::wstring text(1024, L'\0');
    for (;;) {
        LVITEMW item{};
        item.iSubItem = 0;
        item.pszText = text.data();
        item.cchTextMax = static_cast<int>(text.size());
        LRESULT copied = SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(index),
                                      reinterpret_cast<LPARAM>(&item));
        if (copied < 0)
            return {};
        if (static_cast<size_t>(copied) + 1 < text.size()) {
            text.resize(static_cast<size_t>(copied));
            return text;
        }
        text.assign(text.size() * 2, L'\0');
    }
}

bool EqualsAsciiNoCase(const std::wstring& a, const wchar_t* b)
{
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    }
    return i == a.size() && b[i] == L'\0';
}
