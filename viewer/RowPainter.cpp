// DrawRows: the lines from the top line down, in their colours, with search marks.
#include "viewer/RowPainter.h"

#include "engine/run/GrepIndex.h"
#include "engine/run/ResultSpans.h"

#include "viewer/ScrollableFileReader.h"
#include "viewer/ViewMath.h"
#include "viewer/WordMarks.h"
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

// A light tint of a line's colour: three quarters of the way to white.
COLORREF Tint(COLORREF color)
{
    auto light = [](int c) { return c + (255 - c) * 3 / 4; };
    return RGB(light(GetRValue(color)), light(GetGValue(color)), light(GetBValue(color)));
}

// A bold face of the view's font, made once per paint when a row needs it.
class CBoldFont {
public:
    explicit CBoldFont(HFONT font) : m_base(font) {}
    HFONT Get()
    {
        if (!m_bold.Get()) {
            LOGFONTW look{};
            GetObjectW(m_base, sizeof(look), &look);
            look.lfWeight = FW_BOLD;
            m_bold.Reset(CreateFontIndirectW(&look));
        }
        return m_bold.Get();
    }

private:
    HFONT m_base;
    CGdiObject<HFONT> m_bold;
};

// Paints the spans over a row already drawn from `left`: each span's text
// again, in place, on a tint of `color` or, with `bold`, in bold on the
// row's own background.
void PaintSpans(HDC dc, const RECT& row, const wchar_t* text,
                const std::vector<CMatchSpan>& spans, COLORREF color, bool bold,
                CBoldFont& boldFont)
{
    const COLORREF back = GetBkColor(dc);
    if (!bold)
        SetBkColor(dc, Tint(color));
    const HFONT normal = static_cast<HFONT>(GetCurrentObject(dc, OBJ_FONT));
    for (const CMatchSpan& span : spans) {
        SIZE before{}, width{};
        GetTextExtentPoint32W(dc, text, int(span.begin), &before);
        GetTextExtentPoint32W(dc, text + span.begin, int(span.length), &width);
        RECT cell{row.left + before.cx, row.top, row.left + before.cx + width.cx, row.bottom};
        if (bold)
            SelectObject(dc, boldFont.Get());
        ExtTextOutW(dc, cell.left, cell.top, ETO_CLIPPED | (bold ? 0 : ETO_OPAQUE), &cell,
                    text + span.begin, UINT(span.length), nullptr);
        if (bold)
            SelectObject(dc, normal);
    }
    SetBkColor(dc, back);
}

// Boxes each place of the marked word: its text again on a light fill, framed,
// so the eye finds every place of it on the page at once.
void PaintWordBoxes(HDC dc, const RECT& row, const wchar_t* text,
                    const std::vector<CMatchSpan>& spans)
{
    const COLORREF back = GetBkColor(dc);
    SetBkColor(dc, kWordMarkBack);
    const CGdiObject<HBRUSH> frame(CreateSolidBrush(kWordMarkFrame));
    for (const CMatchSpan& span : spans) {
        SIZE before{}, width{};
        GetTextExtentPoint32W(dc, text, int(span.begin), &before);
        GetTextExtentPoint32W(dc, text + span.begin, int(span.length), &width);
        RECT cell{row.left + before.cx, row.top, row.left + before.cx + width.cx, row.bottom};
        ExtTextOutW(dc, cell.left, cell.top, ETO_CLIPPED | ETO_OPAQUE, &cell, text + span.begin,
                    UINT(span.length), nullptr);
        FrameRect(dc, &cell, frame.Get());
    }
    SetBkColor(dc, back);
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

    CBoldFont bold(paint.font);
    std::vector<CMatchSpan> spans;
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
            const COLORREF color = header          ? kSetHeaderColor
                                   : paint.lineColor ? paint.lineColor(text)
                                                     : 0;
            SetTextColor(dc, color);
            bool marks = marked;
            if (paint.highlight) {
                const COLORREF back = MarkBackground(paint, text, i);
                SetBkColor(dc, back);
                marks = marks || back != 0xFFFFFF;
            }
            RECT cell = row;
            DrawTextExW(dc, const_cast<wchar_t*>(text), int(length), &cell,
                        DT_NOPREFIX | DT_NOCLIP | DT_SINGLELINE, nullptr);
            if (paint.runFilters && !header) {
                ResultLineSpans(*paint.runFilters, text, length, spans);
                if (!spans.empty())
                    PaintSpans(dc, RECT{row.left, row.top, row.right, row.top + rowHeight}, text,
                               spans, color, color == 0 || marks, bold);
            }
            if (paint.markedWord && !paint.markedWord->empty()) {
                WordOccurrences(text, length, *paint.markedWord, spans);
                if (!spans.empty())
                    PaintWordBoxes(dc, RECT{row.left, row.top, row.right, row.top + rowHeight},
                                   text, spans);
            }
        }
        row.top += rowHeight;
        row.bottom = row.top + paint.fontSize;
    }
    RestoreDC(dc, saved);
}
