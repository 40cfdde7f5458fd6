// Whole texts of windows, combo-box entries and list-view items, without a length limit.
#pragma once

#include <windows.h>

#include <string>

std::wstring WindowText(HWND window);
// The text of entry `index` of a combo box; empty when there is no such entry.
std::wstring ComboEntryText(HWND combo, int index);
// The text of item `index` of a list view; empty when there is no such item.
std::wstring ListItemText(HWND list, int index);
// ASCII-only case-insensitive comparison, as the category store compares names.
bool EqualsAsciiNoCase(const std::wstring& a, const wchar_t* b);
