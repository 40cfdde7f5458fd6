// CTextView: the Follow command, a result file that grows under the view, and a log it follows itself.
#include "viewer/TextView.h"

#include "engine/io/LogLook.h"
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

std::wstring CTextView::FollowRefusal() const
{
    if (!m_window || !m_notifyWindow)
        return L"This viewer cannot follow its file.";
    NMFOLLOWQUERY query{};
    query.header.hwndFrom = m_window;
    query.header.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(m_window));
    query.header.code = static_cast<UINT>(NM_VIEWER_CAN_FOLLOW);
    SendMessageW(m_notifyWindow, WM_NOTIFY, reinterpret_cast<WPARAM>(m_window),
                 reinterpret_cast<LPARAM>(&query));
    return query.refusal;
}

void CTextView::OnInitMenuPopup(HMENU menu)
{
    if (GetMenuState(menu, IDM_FOLLOW, MF_BYCOMMAND) == UINT(-1))
        return;
    EnableMenuItem(menu, IDM_FOLLOW,
                   MF_BYCOMMAND | (FollowRefusal().empty() ? MF_ENABLED : MF_GRAYED));
}

void CTextView::FollowOwnFile(bool on)
{
    if (!m_window || !m_reader)
        return;
    m_followsOwnFile = on;
    SetFollowing(on);
    if (!on) {
        KillTimer(m_window, kFollowTimer);
        return;
    }
    m_followedPath = m_path;
    m_followedIdentity = CLogLook::Of(m_path.c_str()).identity;
    // As tail -f does: the last page first (its last line above the end mark), then whatever
    // is added.
    m_reader->Reload(m_pageLines, false);
    OnVScroll(SB_BOTTOM, 0);
    if (m_pageLines > 2)
        m_reader->ScrollBy(-int32_t(m_pageLines - 2), m_pageLines);
    SetScrollPos(m_window, SB_VERT, TopScrollPos(), TRUE);
    UpdateHorzRange();
    UpdatePercent();
    RedrawAll();
    SetTimer(m_window, kFollowTimer, kFollowLookMs, nullptr);
}

void CTextView::OnFollowTick()
{
    if (!m_followsOwnFile)
        return;
    const CLogLook look = CLogLook::Of(m_followedPath.c_str());
    if (!look.exists)
        return;   // between the rotation's rename and the new file
    if (!m_reader || look.identity != m_followedIdentity || look.size < m_reader->GetSize()) {
        // Another file under the name, or the same one cut back: shown from its first line.
        // A file still held by its writer is tried again at the next look.
        try {
            if (OpenFile(m_followedPath.c_str()))
                m_followedIdentity = look.identity;
        } catch (...) {
        }
        return;
    }
    if (look.size > m_reader->GetSize())
        OnFileGrew();
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
