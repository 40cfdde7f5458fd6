// CMainDlg's part in following a log: the viewers' Follow command, the Go button while
// following, the end of following, and passing on that the result has grown.
#include "ui/MainDlg.h"

#include "resources/resource.h"
#include "ui/WindowText.h"
#include "viewer/TextView.h"

namespace {
const wchar_t* const CannotFollowText =
    L"Only the result of the last completed run can follow its log. Press Go first.";
const wchar_t* const FollowFailedText = L"Unable to follow the log!";
const wchar_t* const StoppedFollowingFormat = L"Stopped following with %d matches.";
const wchar_t* const FollowFailedCaption = L"Follow";
}  // namespace

CTextView* CMainDlg::ViewerOf(HWND window) const
{
    for (const ViewerEntry& viewer : viewers)
        if (viewer.window == window)
            return viewer.view.get();
    return nullptr;
}

void CMainDlg::ToggleFollow(HWND viewerWindow)
{
    if (followViewer) {
        StopFollowing();
        return;
    }
    if (running)
        return;   // a run is going: its result cannot be followed yet
    CTextView* view = ViewerOf(viewerWindow);
    if (!view || !CGrepThread::CanFollow(view->FilePath())) {
        Message(CannotFollowText, FollowFailedCaption, MB_OK | MB_ICONINFORMATION);
        return;
    }
    if (!CGrepThread::Follow(hwnd, Item(IDC_STATUS))) {
        Message(FollowFailedText, L"Error", MB_OK | MB_ICONWARNING);
        return;
    }
    followViewer = viewerWindow;
    ShowFollowingState(true);
}

void CMainDlg::StopFollowing()
{
    // As for a run: a notice that arrives while Stop waits finds following already over.
    ShowFollowingState(false);
    CGrepThread::Stop();
    wchar_t text[256];
    wsprintfW(text, StoppedFollowingFormat, CGrepThread::FollowedMatches());
    SetDlgItemTextW(hwnd, IDC_STATUS, text);
    // The last look at the log may have added lines after the last notice.
    OnResultGrew();
}

void CMainDlg::OnFollowingEnded(WPARAM how)
{
    ShowFollowingState(false);
    OnResultGrew();
    // The status line holds why: the log has gone (2), or what failed (0).
    Message(WindowText(Item(IDC_STATUS)).c_str(), how == 2 ? FollowFailedCaption : L"Error",
            MB_OK | MB_ICONWARNING);
}

void CMainDlg::ShowFollowingState(bool following)
{
    if (CTextView* view = ViewerOf(followViewer))
        view->SetFollowing(following);
    if (!following)
        followViewer = nullptr;
    running = following;
    SetDlgItemTextW(hwnd, IDC_GO, following ? L"&Stop" : L"&Go");
    UpdateControls();
}

void CMainDlg::OnResultGrew()
{
    for (const ViewerEntry& viewer : viewers)
        if (viewer.view && viewer.view->FilePath() == runParams.resultFile)
            viewer.view->OnFileGrew();
}
