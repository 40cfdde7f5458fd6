// CTextView: the Follow command and a result file that grows under the view.
#include "viewer/TextView.h"

#include "resources/resource.h"
#include "viewer/ScrollableFileReader.h"
#include "viewer/ViewMath.h"

void CTextView::ToggleFollow()
{
    if (!m_window || !m_notifyWindow)
        return;
    NMHDR header{};
    header.code = static_cast<UINT>(NM_VIEWER_FOLLOW);
    SendNotice(m_notifyWindow, m_window, header);
}

void CTextView::SetFollowing(bool following)
{
    m_following = following;
    if (m_window)
        CheckMenuItem(GetMenu(m_window), IDM_FOLLOW,
                      MF_BYCOMMAND | (following ? MF_CHECKED : MF_UNCHECKED));
}

void CTextView::OnFileGrew()
{
    if (!m_reader || !m_window)
        return;
    const int64_t topBefore = m_reader->TopLineOffset();
    const bool endShown = m_reader->EndOnPage(m_pageLines);
    m_reader->Reload(m_pageLines, endShown);
    // A view scrolled elsewhere shows the same lines: no repaint of its text.
    const bool moved = m_reader->TopLineOffset() != topBefore;
    if (endShown || moved) {
        RECT text = TextRect();
        InvalidateRect(m_window, &text, TRUE);
    }
    int64_t top = 0;
    const int64_t size = m_reader->GetSize();
    if (size > 0 && m_reader->GetTopPosition(top))
        SetScrollPos(m_window, SB_VERT, viewmath::ScrollPosFromOffset(top, size), TRUE);
    UpdateHorzRange();
    UpdatePercent();
    UpdateWindow(m_window);
}
