// What the view takes from the program's settings and colour map.
#pragma once

#include <windows.h>

#include <string>

struct ViewFontSettings {
    std::wstring family;
    int size;        // pixels at 96 DPI
    int weight;
};

// The font of the settings; a size below 1 is taken as the default size.
ViewFontSettings CurrentViewFont();
// The colour of a line from the colour map; 0 when no entry matches.
COLORREF ViewLineColor(const wchar_t* text);
