// DrawRows: the lines from the top line down, in their colours, with search marks.
#include "viewer/RowPainter.h"

#include "engine/run/GrepIndex.h"

#include "viewer/ScrollableFileReader.h"
#include "viewer/ViewMath.h"
#include "win32/GdiScope.h"

namespace {

// The background of a row while the search marks are shown: pale green for
// the found line (row 0), pale grey for other matches, white otherwise.
COLORREF MarkBackground(const RowPaint& paint, const wchar_t* text, uint32_t row)
{
    if (paint.search && !paint.search->Empty() && (row == 0 || paint.highlightMatches) &&
        paint.search->MatchesText(text))
        return row == 0 ? kFoundLineBack : kOtherMatchBack;
    return 0xFFFFFF;
}

} // namespace

void DrawRows(HDC dc, const RECT& client, const RowPaint& paint)
{
    if (!paint.reader)
        return;
    const int saved = SaveDC(dc);   // the clip region and colours go back afterwards
    CSelectObject font(dc, paint.font);

    const int rowHeight = viewmath::RowHeight(paint.fontSize);
    RECT row;
    const int border = paint.margins.border;
    const int margin = paint.margins.margin;
    row.left = viewmath::TextLeft(paint.horzPos, paint.charWidth, border);
    row.top = border;
    row.right = client.right - margin;
    row.bottom = paint.fontSize + border;

    {
        // The DC keeps its own copy of the clip; the region itself goes at once.
        const CGdiObject<HRGN> clip(
            CreateRectRgn(border, border, client.right - margin, client.bottom - margin));
        ExtSelectClipRgn(dc, clip.Get(), RGN_AND);
    }

    for (uint32_t i = 0; row.top < client.bottom; ++i) {
        const wchar_t* text = paint.reader->GetLineText(i);
        if (!text) {
            // Only past the real end of the file: a row that merely lies
            // beyond a full block of a longer file stays empty.
            if (paint.reader->BlockReachesEnd()) {
                SetBkColor(dc, 0xFFFFFF);
                SetTextColor(dc, kEndMarkerColor);
                RECT marker = row;
                DrawTextExW(dc, const_cast<wchar_t*>(kEndOfFileMarker), -1, &marker,
                            DT_SINGLELINE, nullptr);
            }
            break;
        }
        const uint32_t length = paint.reader->GetLineLength(i);
        int64_t offset = -1;
        const bool marked = paint.markedOffset >= 0 && paint.reader->RowOffset(i, offset) &&
                            offset == paint.markedOffset;
        if (marked) {
            // The whole row, so the mark shows on an empty line too.
            RECT band{border, row.top, row.right, row.top + rowHeight};
            CGdiObject<HBRUSH> brush(CreateSolidBrush(kMarkedLineBack));
            FillRect(dc, &band, brush.Get());
            SetBkColor(dc, kMarkedLineBack);
        } else {
            SetBkColor(dc, 0xFFFFFF);
        }
        if (length > 0) {
            int64_t start = -1;
            const bool header = paint.setIndex && paint.reader->RowOffset(i, start) &&
                                paint.setIndex->IsHeaderAt(start);
            SetTextColor(dc, header          ? kSetHeaderColor
                             : paint.lineColor ? paint.lineColor(text)
                                               : 0);
            if (paint.highlight)
                SetBkColor(dc, MarkBackground(paint, text, i));
            RECT cell = row;
            DrawTextExW(dc, const_cast<wchar_t*>(text), int(length), &cell,
                        DT_NOPREFIX | DT_NOCLIP | DT_SINGLELINE, nullptr);
        }
        row.top += rowHeight;
        row.bottom = row.top + paint.fontSize;
    }
    RestoreDC(dc, saved);
}
