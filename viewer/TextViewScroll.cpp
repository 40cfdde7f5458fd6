// CTextView: vertical and horizontal scrolling, keys, the wheel, the horizontal range and the percentage.
#include "viewer/TextView.h"

#include "viewer/ScrollableFileReader.h"
#include "viewer/ViewMath.h"

#include <algorithm>

int CTextView::VertPos() const
{
    return GetScrollPos(m_window, SB_VERT);
}

int CTextView::HorzPos() const
{
    return m_window ? GetScrollPos(m_window, SB_HORZ) : 0;
}

void CTextView::OnVScroll(int request, int thumb)
{
    if (!m_reader || m_reader->GetSize() == 0 || request < 0 || request > SB_BOTTOM)
        return;
    const int64_t size = m_reader->GetSize();
    int pos = VertPos();
    int delta = 0;
    bool relative = true;
    // Upward moves stop at the first line of the file itself, not at the
    // position 0, which covers the first ten-thousandth of the file (a
    // thousand lines and more of a large result).
    const bool atTop = m_reader->AtFirstLine();
    switch (request) {
    case SB_LINEUP:
        if (atTop)
            return;
        delta = -1;
        break;
    case SB_LINEDOWN:
        if (pos >= viewmath::kVertRange)
            return;
        delta = 1;
        break;
    case SB_PAGEUP:
        if (atTop)
            return;
        delta = -int(m_pageLines);
        break;
    case SB_PAGEDOWN:
        if (pos >= viewmath::kVertRange)
            return;
        delta = int(m_pageLines);
        break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        relative = false;
        pos = std::clamp(thumb, 0, viewmath::kVertRange);
        break;
    case SB_TOP:
        relative = false;
        pos = 0;
        break;
    case SB_BOTTOM:
        relative = false;
        pos = viewmath::kVertRange;
        break;
    default:
        return;
    }

    if (relative) {
        const int64_t startBefore = m_reader->BlockStart();
        const uint32_t topBefore = m_reader->TopIndex();
        if (m_reader->ScrollBy(delta, m_pageLines)) {
            // The content moves by pixels when the block stayed and the top
            // line moved by a known number of lines; after a block read the
            // move may be shorter than asked, so the text is drawn afresh.
            RECT text = TextRect();
            if (m_reader->BlockStart() == startBefore) {
                const int moved = int(m_reader->TopIndex()) - int(topBefore);
                ScrollWindowEx(m_window, 0, -viewmath::RowHeight(m_fontSize) * moved, &text, &text, nullptr,
                               nullptr, SW_INVALIDATE | SW_ERASE);
            } else {
                InvalidateRect(m_window, &text, TRUE);
            }
            int64_t top = 0;
            if (m_reader->GetTopPosition(top))
                pos = viewmath::ScrollPosFromOffset(top, size);
        }
    } else {
        m_reader->SeekTo(viewmath::OffsetFromScrollPos(pos, size), m_pageLines);
        RedrawAll();
    }
    SetScrollPos(m_window, SB_VERT, pos, TRUE);
    UpdateHorzRange();
    UpdatePercent();
}

void CTextView::OnHScroll(int request, int thumb)
{
    if (request < 0 || request > SB_RIGHT)
        return;
    const int pos = HorzPos();
    const int next = viewmath::HorzTarget(request, thumb, pos, m_widestLine, m_visibleColumns);
    if (next != pos) {
        RECT text = TextRect();
        // At position 0 the text starts 2 pixels in, elsewhere at a whole
        // column: a move to or from 0 is not a whole number of columns.
        if (pos == 0 || next == 0)
            InvalidateRect(m_window, &text, TRUE);
        else
            ScrollWindowEx(m_window, (pos - next) * m_charWidth, 0, &text, &text, nullptr,
                           nullptr, SW_INVALIDATE | SW_ERASE);
        SetScrollPos(m_window, SB_HORZ, next, TRUE);
    }
    UpdatePercent();
}

void CTextView::OnMouseWheel(int delta, int keys)
{
    if (keys & MK_SHIFT) {
        const short position = static_cast<short>(delta * m_visibleColumns / WHEEL_DELTA);
        OnHScroll(SB_THUMBPOSITION, position);
        return;
    }
    if (m_reader)
        OnVScroll(delta < 0 ? SB_PAGEDOWN : SB_PAGEUP, 0);
}

bool CTextView::OnKeyDown(WPARAM key)
{
    const bool ctrl = GetKeyState(VK_CONTROL) < 0;
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    switch (key) {
    case VK_ESCAPE:
        if (m_highlight || m_markedOffset >= 0 || !m_markedWord.empty()) {
            m_highlight = false;
            m_markedOffset = -1;
            m_markedWord.clear();
            RedrawAll();
        } else {
            Close();   // the view may be gone now
        }
        return true;
    case VK_PRIOR:
        OnVScroll(ctrl ? SB_TOP : SB_PAGEUP, 0);
        return true;
    case VK_NEXT:
        OnVScroll(ctrl ? SB_BOTTOM : SB_PAGEDOWN, 0);
        return true;
    case VK_UP:
        OnVScroll(ctrl ? SB_PAGEUP : SB_LINEUP, 0);
        return true;
    case VK_DOWN:
        OnVScroll(ctrl ? SB_PAGEDOWN : SB_LINEDOWN, 0);
        return true;
    case VK_LEFT:
        OnHScroll(ctrl ? SB_PAGELEFT : SB_LINELEFT, 0);
        return true;
    case VK_RIGHT:
        OnHScroll(ctrl ? SB_PAGERIGHT : SB_LINERIGHT, 0);
        return true;
    case VK_HOME:
        OnHScroll(ctrl ? SB_LEFT : SB_PAGELEFT, 0);
        return true;
    case VK_END:
        OnHScroll(ctrl ? SB_RIGHT : SB_PAGERIGHT, 0);
        return true;
    case 'C':
        if (ctrl)
            CopyScreen();
        return true;
    case 'S':
        if (ctrl)
            SaveFile();
        return true;
    case 'F':
        if (ctrl)
            ShowFindDialog();
        return true;
    case 'G':
        if (ctrl)
            ShowGoToLineDialog();
        return true;
    case 'H':
        if (ctrl)
            ToggleMatches();
        return true;
    case 'M':
        if (ctrl)
            MarkWordUnderPointer();
        return true;
    case VK_RETURN:
        ShowInLog(0);
        return true;
    case VK_F3:
        // Ctrl walks the marked word; the Find text keeps F3 and Shift+F3.
        if (ctrl)
            GoToMark(!shift);
        else
            RepeatSearch();
        return true;
    case VK_F5:
        ToggleFollow();
        return true;
    case VK_F7:
        if (shift)
            RepeatSearch();
        else
            ShowFindDialog();
        return true;
    default:
        return false;
    }
}

void CTextView::UpdateHorzRange()
{
    int widest = 0;
    if (m_reader) {
        for (uint32_t k = 0; k < m_pageLines; ++k)
            widest = std::max(widest, int(m_reader->GetLineLength(k)));
    }
    m_widestLine = widest;
    if (!m_window)
        return;
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_RANGE | SIF_PAGE;
    info.nMin = 0;
    info.nMax = widest;
    info.nPage = UINT(std::max(m_visibleColumns, 0));
    SetScrollInfo(m_window, SB_HORZ, &info, TRUE);
}

void CTextView::UpdatePercent()
{
    if (!m_reader || !m_window || m_reader->GetSize() == 0)
        return;
    int64_t top = 0;
    if (!m_reader->GetTopPosition(top))
        return;
    wchar_t text[256];
    wsprintfW(text, L"%3d%%", viewmath::PercentFromOffset(top, m_reader->GetSize()));
    MENUITEMINFOW item{};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_STRING;
    item.dwTypeData = text;
    item.cch = 256;
    SetMenuItemInfoW(GetMenu(m_window), 4, TRUE, &item);
    DrawMenuBar(m_window);
    InvalidateMap();   // its frame of the page moves with it
}

std::wstring CTextView::PercentText() const
{
    wchar_t text[256] = {};
    if (m_window)
        GetMenuStringW(GetMenu(m_window), 4, text, 256, MF_BYPOSITION);
    return text;
}

int CTextView::TopScrollPos() const
{
    int64_t top = 0;
    return m_reader && m_reader->GetTopPosition(top)
               ? viewmath::ScrollPosFromOffset(top, m_reader->GetSize())
               : 0;
}
