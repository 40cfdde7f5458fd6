// The text view's position arithmetic: scroll scales, percentages, the size rule, horizontal moves.
#pragma once

#include "win32/Dpi.h"

#include <windows.h>

#include <cstdint>

namespace viewmath {

constexpr int kVertRange = 10000;
constexpr int kBorder = 2;     // free pixels left and top of the text
constexpr int kMargin = 4;     // free pixels right and bottom

// Top offset on the 0..10000 scale (64-bit, truncated); 0 for an empty file.
inline int ScrollPosFromOffset(int64_t offset, int64_t size)
{
    if (size <= 0 || offset <= 0)
        return 0;
    if (offset >= size)
        return kVertRange;
    return int(offset * kVertRange / size);
}

inline int64_t OffsetFromScrollPos(int pos, int64_t size)
{
    return size * pos / kVertRange;
}

inline int PercentFromOffset(int64_t offset, int64_t size)
{
    if (size <= 0 || offset <= 0)
        return 0;
    if (offset >= size)
        return 100;
    return int(offset * 100 / size);
}

// A text row is one pixel taller than the font.
inline int RowHeight(int fontSize)
{
    return fontSize + 1;
}

// Rows and columns that fit a client area of the given size.
struct PageSize {
    int visibleColumns;
    uint32_t pageLines;
};
// The free pixels around the text at a DPI.
struct Margins {
    int border = kBorder;   // left and top
    int margin = kMargin;   // right and bottom
};
inline Margins MarginsAt(int dpi)
{
    return {Scaled(kBorder, dpi), Scaled(kMargin, dpi)};
}

inline PageSize PageFromClient(int width, int height, int charWidth, int fontSize,
                               int margin = kMargin)
{
    PageSize page{0, 0};
    if (charWidth > 0)
        page.visibleColumns = (width - margin) / charWidth - 1;
    const int rows = (height - margin) / RowHeight(fontSize);
    page.pageLines = rows > 0 ? uint32_t(rows) : 0;
    return page;
}

// The new horizontal position for a scroll request, or `pos` when the request
// is ignored. `thumb` is the signed high word of the request.
inline int HorzTarget(int request, int thumb, int pos, int widest, int visibleColumns)
{
    const int limit = widest - visibleColumns;
    int next = pos;
    switch (request) {
    case SB_LINELEFT:
        if (pos > 0)
            next = pos - 1;
        break;
    case SB_LINERIGHT:
        if (pos < limit)
            next = pos + 1;
        break;
    case SB_PAGELEFT:
        if (pos > 0)
            next = pos - 10;
        break;
    case SB_PAGERIGHT:
        if (pos < limit)
            next = pos + 10;
        break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        next = thumb;
        break;
    case SB_LEFT:
        next = 0;
        break;
    case SB_RIGHT:
        next = widest;
        break;
    default:
        return pos;
    }
    if (next > limit)
        next = limit;
    if (next < 0)
        next = 0;
    return next;
}

// The left edge at which column 0 is drawn for a horizontal position.
inline int TextLeft(int horzPos, int charWidth, int border = kBorder)
{
    const int left = -(horzPos * charWidth);
    return left < 0 ? left : border;
}

} // namespace viewmath
