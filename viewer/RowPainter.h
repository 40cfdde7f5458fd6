// Drawing the view's rows into any DC and rectangle, so tests can paint into a bitmap.
#pragma once

#include "engine/match/FilterMatcher.h"
#include "viewer/ViewMath.h"

#include <windows.h>

#include <cstdint>
#include <string>

class CFilterSet;
class CGrepIndex;
class CScrollableFileReader;

using LineColorFunction = COLORREF (*)(const wchar_t* text);

constexpr COLORREF kEndMarkerColor = 0x0000A0;
constexpr COLORREF kFoundLineBack = 0xE0FFE0;
constexpr COLORREF kOtherMatchBack = 0xE0E0E0;
constexpr COLORREF kMarkedLineBack = 0xA0F0FF;
constexpr COLORREF kSetHeaderColor = 0x905000;   // the line naming a log of a set: dark blue   // the line Show in Log or Go to Line went to
// The light box around each place of the marked word.
constexpr COLORREF kWordMarkBack = 0xC0FFFF;
constexpr COLORREF kWordMarkFrame = 0x40B0B0;
constexpr wchar_t kEndOfFileMarker[] = L"---=== END OF FILE ===---";

struct RowPaint {
    const CScrollableFileReader* reader = nullptr;
    HFONT font = nullptr;
    int fontSize = 0;                  // pixels at the view's DPI (see RowHeight)
    int charWidth = 0;
    int horzPos = 0;                   // first visible column
    bool highlight = false;            // the view shows the last search's marks
    const CFilterMatcher* search = nullptr; // the search expression, if any
    bool highlightMatches = true;
    LineColorFunction lineColor = nullptr;
    int64_t markedOffset = -1;         // where the marked line starts; -1: none
    const CGrepIndex* setIndex = nullptr;   // a result of several logs: tells its header lines
    CFilterSet* runFilters = nullptr;  // the filters of the run that made a result: their
                                       // matches on its kept lines are painted; null: none
    const std::wstring* markedWord = nullptr;  // boxed wherever it stands; null or empty: none
    viewmath::Margins margins;         // scaled with the DPI
};

// Draws the rows of the top line downwards inside `client` (the view's client
// rectangle): each line in its colour, the search marks, and the end-of-file
// marker after the last line of the file. What the run's Or filters matched is
// painted on a light tint of the line's colour, or in bold on a line without
// one or on a line the Find marks already paint. The marked word's boxes lie
// on top of everything.
void DrawRows(HDC dc, const RECT& client, const RowPaint& paint);
