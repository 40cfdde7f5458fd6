// CMainDlg's part in following a log: the m_viewers' Follow command, the Go button while
// following, the end of following, and passing on that the result has grown.
#include "ui/MainDlg.h"

#include "engine/run/CompressedLog.h"
#include "resources/resource.h"
#include "ui/WindowText.h"
#include "viewer/TextView.h"
#include "win32/PathRules.h"

namespace {
const wchar_t* const kCannotFollowText =
    L"Only the result of the last completed run can follow its log. Press Go first.";
const wchar_t* const kRunGoingText =
    L"A search is running: its result can follow its log once it has completed.";
const wchar_t* const kFollowedElsewhereText =
    L"The log is already followed in another viewer of its result.";
const wchar_t* const kUtf16ResultText = L"A UTF-16 result cannot be followed yet.";
const wchar_t* const kPackedLogText = L"A compressed log does not grow: it cannot be followed.";
const wchar_t* const kPackedNewestText =
    L"The newest log of this search is compressed: it does not grow, and cannot be followed.";
const wchar_t* const kResultExtension = L".greptmp";

// A file of this program's results: what it follows is the log behind it, never itself.
bool IsResultFile(const std::wstring& path)
{
    const size_t length = wcslen(kResultExtension);
    return path.size() >= length &&
           CompareStringOrdinal(path.c_str() + path.size() - length, int(length), kResultExtension,
                                int(length), TRUE) == CSTR_EQUAL;
}
const wchar_t* const kFollowFailedText = L"Unable to follow the log!";
const wchar_t* const kStoppedFollowingFormat = L"Stopped following with %d matches.";
const wchar_t* const kFollowFailedCaption = L"Follow";
}  // namespace

CTextView* CMainDlg::ViewerOf(HWND window) const
{
    for (const ViewerEntry& viewer : m_viewers)
        if (viewer.window == window)
            return viewer.view.get();
    return nullptr;
}

std::wstring CMainDlg::FollowRefusal(HWND viewerWindow) const
{
    // The one rule: the viewer's menu item is greyed, and its key explains, exactly when this
    // gives a reason.
    const CTextView* view = ViewerOf(viewerWindow);
    if (!view)
        return kCannotFollowText;
    if (view->Copy())
        return kPackedLogText;
    if (!IsResultFile(view->FilePath()))
        return {};   // a log: the viewer follows it itself, with no run
    if (view->FilePath() != m_runParams.resultFile)
        return kCannotFollowText;   // an older result, or one saved under another name
    if (m_followViewer)
        return m_followViewer == viewerWindow ? L"" : kFollowedElsewhereText;
    if (m_running)
        return kRunGoingText;
    // A set is followed in its newest log, read last; a lone log is its own newest.
    if (PackingOf(m_runParams.logSet.empty() ? m_runParams.logFile
                                             : m_runParams.logSet.back().path) != LogPacking::Plain)
        return m_runParams.logSet.empty() ? kPackedLogText : kPackedNewestText;
    if (CGrepThread::CanFollow(view->FilePath()))
        return {};
    if (CGrepThread::IsUtf16Result(view->FilePath()))
        return kUtf16ResultText;
    return kCannotFollowText;
}

void CMainDlg::ToggleFollow(HWND viewerWindow)
{
    const std::wstring refusal = FollowRefusal(viewerWindow);
    if (!refusal.empty()) {
        Message(refusal.c_str(), kFollowFailedCaption, MB_OK | MB_ICONINFORMATION);
        return;
    }
    CTextView* view = ViewerOf(viewerWindow);
    if (!IsResultFile(view->FilePath())) {
        view->FollowOwnFile(!view->FollowsOwnFile());
        return;
    }
    if (m_followViewer) {
        StopFollowing();
        return;
    }
    if (!CGrepThread::Follow(m_window, Item(IDC_STATUS))) {
        Message(kFollowFailedText, L"Error", MB_OK | MB_ICONWARNING);
        return;
    }
    m_followViewer = viewerWindow;
    ShowFollowingState(true);
}

void CMainDlg::StopFollowing()
{
    // As for a run: a notice that arrives while Stop waits finds following already over.
    ShowFollowingState(false);
    CGrepThread::Stop();
    wchar_t text[256];
    wsprintfW(text, kStoppedFollowingFormat, CGrepThread::FollowedMatches());
    SetDlgItemTextW(m_window, IDC_STATUS, text);
    // The last look at the log may have added lines after the last notice.
    OnResultGrew();
}

void CMainDlg::OnFollowingEnded(GrepEnd end)
{
    ShowFollowingState(false);
    OnResultGrew();
    // The status line holds why: the log has gone, or what failed.
    Message(WindowText(Item(IDC_STATUS)).c_str(),
            end == GrepEnd::LogGone ? kFollowFailedCaption : L"Error",
            MB_OK | MB_ICONWARNING);
}

void CMainDlg::ShowFollowingState(bool following)
{
    if (CTextView* view = ViewerOf(m_followViewer))
        view->SetFollowing(following);
    if (!following)
        m_followViewer = nullptr;
    m_running = following;
    SetDlgItemTextW(m_window, IDC_GO, following ? L"&Stop" : L"&Go");
    UpdateControls();
}

void CMainDlg::OnResultGrew()
{
    for (const ViewerEntry& viewer : m_viewers)
        if (viewer.view && SamePath(viewer.view->FilePath(), m_runParams.resultFile))
            viewer.view->OnFileGrew();
}
