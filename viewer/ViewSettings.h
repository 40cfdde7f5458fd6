// What the view takes from the program's settings and colour map.
#pragma once

#include <windows.h>

#include <string>

struct ViewFontSettings {
    std::wstring family = L"Courier New";
    int size = 15;        // pixels; a text row is one more
    int weight = 400;
};

ViewFontSettings CurrentViewFont();
// The colour of a line from the colour map; 0 when no entry matches.
COLORREF ViewLineColor(const wchar_t* text);
