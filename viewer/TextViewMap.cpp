// CTextView: the map of a log opened from a result, its strip, its frame of the page, a click on it and its reloads.
#include "viewer/TextView.h"

#include "viewer/LogMap.h"
#include "viewer/ScrollableFileReader.h"
#include "viewer/ViewSettings.h"
#include "win32/Dpi.h"
#include "win32/GdiScope.h"

#include <algorithm>

namespace {
constexpr int kMapWidth = 12;   // pixels at 96 DPI
constexpr COLORREF kMapBack = 0xF0F0F0;
constexpr COLORREF kMapPageFrame = 0x800000;   // dark blue
} // namespace

void CTextView::ShowMap(const std::wstring& resultFile, uint32_t logNumber)
{
    if (!m_window || !m_reader)
        return;
    auto map = std::make_unique<CLogMap>();
    if (!map->Load(resultFile, logNumber, &ViewLineColor))
        return;
    const bool first = !m_map;
    m_map = std::move(map);
    m_mapResult = resultFile;
    m_mapLog = logNumber;
    SetTimer(m_window, kMapTimer, kMapLookMs, nullptr);
    if (first) {
        // The page is narrower by the strip.
        RECT client;
        GetClientRect(m_window, &client);
        OnSize(client.right, client.bottom);
    }
    RedrawAll();
}

RECT CTextView::MapRect(const RECT& client) const
{
    if (!m_map)
        return RECT{client.right, client.top, client.right, client.top};
    const int width = Scaled(kMapWidth, WindowDpi(m_window));
    return RECT{client.right - width, client.top, client.right, client.bottom};
}

void CTextView::PaintMap(HDC dc, const RECT& client) const
{
    if (!m_map || !m_reader)
        return;
    const RECT strip = MapRect(client);
    const int height = strip.bottom - strip.top;
    const int64_t size = m_reader->GetSize();
    {
        const CGdiObject<HBRUSH> back(CreateSolidBrush(kMapBack));
        FillRect(dc, &strip, back.Get());
    }
    // A row of marks at a time, a brush per run of one colour.
    const std::vector<COLORREF>& rows = m_map->Rows(height, size);
    const int inset = std::max(1, Scaled(2, WindowDpi(m_window)));
    for (int y = 0; y < height;) {
        int end = y + 1;
        while (end < height && rows[size_t(end)] == rows[size_t(y)])
            ++end;
        if (rows[size_t(y)] != kNoMapMark) {
            const CGdiObject<HBRUSH> brush(CreateSolidBrush(rows[size_t(y)]));
            const RECT run{strip.left + inset, strip.top + y, strip.right - inset, strip.top + end};
            FillRect(dc, &run, brush.Get());
        }
        y = end;
    }
    // The page in view: from its top line to the start of the line after it.
    int64_t top = 0, bottom = size;
    if (!m_reader->GetTopPosition(top))
        return;
    m_reader->RowOffset(m_pageLines, bottom);
    const int first = CLogMap::RowOfOffset(top, height, size);
    const int last = std::max(first + 2, CLogMap::RowOfOffset(bottom, height, size));
    const RECT page{strip.left, strip.top + first, strip.right, strip.top + std::min(last, height)};
    const CGdiObject<HBRUSH> frame(CreateSolidBrush(kMapPageFrame));
    FrameRect(dc, &page, frame.Get());
}

void CTextView::OnMapClick(int y)
{
    if (!m_map || !m_reader || m_reader->GetSize() == 0)
        return;
    RECT client;
    GetClientRect(m_window, &client);
    const RECT strip = MapRect(client);
    const int64_t offset =
        m_map->OffsetAtRow(y - strip.top, strip.bottom - strip.top, m_reader->GetSize());
    m_reader->SeekTo(offset, m_pageLines);
    SetScrollPos(m_window, SB_VERT, TopScrollPos(), TRUE);
    UpdateHorzRange();
    RedrawAll();
    UpdatePercent();
}

void CTextView::OnMapTick()
{
    // Following seals the result's index again as it grows; the log itself
    // may grow too, which moves every mark.
    if (m_map && m_map->Outdated())
        ShowMap(m_mapResult, m_mapLog);
    else
        InvalidateMap();
}

void CTextView::InvalidateMap()
{
    if (!m_map || !m_window)
        return;
    RECT client;
    GetClientRect(m_window, &client);
    const RECT strip = MapRect(client);
    InvalidateRect(m_window, &strip, FALSE);
}
