// Following from the viewer: F5 turns it on, the Go button reads Stop, a viewer at the end
// shows the newest match as the log grows while one scrolled elsewhere stays, and Stop,
// closing the viewer or a log that disappears end it; a log's own viewer follows like tail -f;
// the Follow item is greyed with a reason exactly when a viewer cannot follow.
#include "tests/ui/MainDialogTest.h"

#include "engine/run/GrepRun.h"
#include "resources/resource.h"
#include "viewer/ScrollableFileReader.h"
#include "viewer/TextView.h"
#include "tests/support/GrepObservers.h"
#include "tests/engine/PackedFiles.h"

namespace {

const char* const ErrorCategory =
    "Category = Default\n"
    "Filter = *ERROR*\n"
    "Check = 1\n";

const char* const TenLines =
    "line 1\nline 2\nline 3\nline 4\nERROR five\nline 6\nERROR seven\nline 8\nline 9\nline 10\n";


}  // namespace

class FollowTest : public MainDialogTest {
protected:
    // Runs the error filter with one line of context on each side over a log in `dir` and
    // waits for its viewer.
    void RunOn(const std::string& bytes)
    {
        WriteCategories(ErrorCategory);
        log = dir.File(L"live.log");
        ASSERT_TRUE(WriteBytes(log, bytes));
        result = BesideTestExe(L"live.log.greptmp");
        DeleteFileW(result.c_str());
        removeAfter.push_back(result);
        Start();
        Type(IDC_FILE, log);
        Type(IDC_LINES_BEFORE, L"1");
        Type(IDC_LINES_AFTER, L"1");
        Click(IDC_GO);
        ASSERT_TRUE(WaitFor("the run's result in one viewer",
                            [this] { return !Running() && ViewerCount() == 1; }));
        ui->Invoke([&] { viewer = CMainDlg::Instance()->ViewerAt(0); });
    }
    void PressF5(CTextView* view)
    {
        ui->Post([view] { SendMessageW(view->Window(), WM_KEYDOWN, VK_F5, 0); });
        ui->Settle();
    }
    bool FollowChecked(CTextView* view)
    {
        bool checked = false;
        ui->Invoke([&] {
            checked = view->Following() &&
                      (GetMenuState(GetMenu(view->Window()), IDM_FOLLOW, MF_BYCOMMAND) & MF_CHECKED) != 0;
        });
        return checked;
    }
    // True when `text` is one of the lines the view shows on its page.
    bool OnPage(CTextView* view, const std::wstring& text)
    {
        bool shown = false;
        ui->Invoke([&] {
            const CScrollableFileReader* reader = view->Reader();
            for (uint32_t k = 0; reader && k < view->PageLines(); ++k) {
                const wchar_t* line = reader->GetLineText(k);
                shown = shown || (line && text == line);
            }
        });
        return shown;
    }
    CTextView* Open(const std::wstring& path)
    {
        CTextView* view = nullptr;
        ui->Invoke([&] { view = CMainDlg::Instance()->OpenViewer(path.c_str()); });
        EXPECT_NE(view, nullptr);
        return view;
    }
    // Whether the Follow item is enabled when the viewer's File menu opens.
    bool FollowEnabled(CTextView* view)
    {
        bool enabled = false;
        ui->Invoke([&] {
            HMENU menu = GetMenu(view->Window());
            SendMessageW(view->Window(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(GetSubMenu(menu, 0)), 0);
            enabled = (GetMenuState(menu, IDM_FOLLOW, MF_BYCOMMAND) & MF_GRAYED) == 0;
        });
        return enabled;
    }
    std::string FreshResult()
    {
        CGrepParams params;
        ui->Invoke([&] { params = CMainDlg::Instance()->RunParams(); });
        params.resultFile = dir.File(L"fresh.greptmp");
        CQuietObserver quiet;
        EXPECT_EQ(RunGrep(params, quiet).end, GrepEnd::Completed);
        return ReadBytes(params.resultFile);
    }

    std::wstring log;
    std::wstring result;
    CTextView* viewer = nullptr;
};

TEST_F(FollowTest, TheViewerAtTheEndShowsTheNewestMatchWithinASecond)
{
    std::string start = TenLines;
    for (int i = 11; i <= 200; ++i)
        start += (i % 10 == 0 ? "ERROR " : "line ") + std::to_string(i) + "\n";
    RunOn(start);
    // A second viewer of the result, scrolled away from its end.
    CTextView* other = nullptr;
    int64_t otherTop = 0;
    int otherPos = 0;
    ui->Invoke([&] {
        CMainDlg::Instance()->OpenViewer(result.c_str());
        other = CMainDlg::Instance()->ViewerAt(1);
        SendMessageW(other->Window(), WM_KEYDOWN, VK_DOWN, 0);
        otherTop = other->Reader()->TopLineOffset();
        otherPos = GetScrollPos(other->Window(), SB_VERT);
        // The first viewer at the end of the result: its last line on the page.
        SendMessageW(viewer->Window(), WM_VSCROLL, SB_BOTTOM, 0);
        SendMessageW(viewer->Window(), WM_KEYDOWN, VK_UP, 0);
    });
    ASSERT_TRUE(OnPage(viewer, L"ERROR 200"));
    ASSERT_GT(otherTop, 0);

    PressF5(viewer);
    EXPECT_TRUE(FollowChecked(viewer));
    EXPECT_FALSE(FollowChecked(other));
    EXPECT_TRUE(Running());
    EXPECT_EQ(Text(IDC_GO), L"&Stop");
    ASSERT_TRUE(WaitFor("the status line to say it follows with 21 matches",
                        [this] { return Text(IDC_STATUS) == L"Following the log: 21 matches"; }))
        << "it says " << testing::PrintToString(Text(IDC_STATUS));

    // More than a page of new lines, the newest match last but one.
    std::string more;
    for (int i = 201; i <= 400; ++i)
        more += "line " + std::to_string(i) + "\n";
    more += "ERROR newest\nline 402\n";
    const DWORD written = GetTickCount();
    ASSERT_TRUE(AppendBytes(log, more));
    ASSERT_TRUE(WaitFor("the viewer to show the newest match",
                        [&] { return OnPage(viewer, L"ERROR newest"); }));
    const DWORD delay = GetTickCount() - written;
    EXPECT_LE(delay, 1000u) << "the newest match took " << delay << " ms to show";
    EXPECT_TRUE(WaitFor("the status line to count 22 matches",
                        [this] { return Text(IDC_STATUS) == L"Following the log: 22 matches"; }));
    ui->Invoke([&] {
        EXPECT_EQ(other->Reader()->TopLineOffset(), otherTop);
        EXPECT_LT(GetScrollPos(other->Window(), SB_VERT), otherPos);
    });

    // Stop ends following; the result is what a fresh run writes.
    Click(IDC_GO);
    EXPECT_FALSE(Running());
    EXPECT_EQ(Text(IDC_GO), L"&Go");
    EXPECT_EQ(Text(IDC_STATUS), L"Stopped following with 22 matches.");
    EXPECT_FALSE(FollowChecked(viewer));
    ExpectNoBox();
    EXPECT_TRUE(ReadBytes(result) == FreshResult());

    // Again, then closing the viewer ends it too.
    PressF5(viewer);
    EXPECT_TRUE(Running());
    // Posted: stopping from inside a message sent by this thread would release the sender first.
    ui->Post([view = viewer] { DestroyWindow(view->Window()); });
    ui->Settle();
    EXPECT_FALSE(Running());
    EXPECT_EQ(Text(IDC_GO), L"&Go");
    CloseWithCloseBox();
}

TEST_F(FollowTest, ALogViewerFollowsLikeTailAndStartsAgainOnARotatedLog)
{
    RunOn(TenLines);
    CTextView* logViewer = Open(log);
    ASSERT_TRUE(FollowEnabled(logViewer));
    PressF5(logViewer);
    ExpectNoBox();
    EXPECT_TRUE(FollowChecked(logViewer));
    EXPECT_FALSE(Running()) << "no run and no result: Go is unaffected";
    EXPECT_EQ(Text(IDC_GO), L"&Go");

    std::string more;
    for (int i = 1; i <= 100; ++i)
        more += "tail " + std::to_string(i) + "\n";
    ASSERT_TRUE(AppendBytes(log, more));
    ASSERT_TRUE(WaitFor("the log viewer to show the last line added", [&] { return OnPage(logViewer, L"tail 100"); }));

    // Rotated: the log moves aside and a new one takes its name.
    ASSERT_TRUE(MoveFileW(log.c_str(), dir.File(L"live.log.1").c_str()));
    ASSERT_TRUE(WriteBytes(log, "fresh 1\nfresh 2\n"));
    ASSERT_TRUE(WaitFor("the log viewer to start at the new log's first line", [&] {
        bool first = false;
        ui->Invoke([&] {
            const wchar_t* top = logViewer->Reader() ? logViewer->Reader()->GetLineText(0) : nullptr;
            first = top && std::wstring(top) == L"fresh 1";
        });
        return first;
    }));
    ASSERT_TRUE(AppendBytes(log, "fresh 3\n"));
    ASSERT_TRUE(WaitFor("the new log's growth to show", [&] { return OnPage(logViewer, L"fresh 3"); }));
    PressF5(logViewer);
    EXPECT_FALSE(FollowChecked(logViewer));
    CloseWithCloseBox();
}

TEST_F(FollowTest, FollowIsGreyedExactlyWhenTheViewerCannotFollowAndItsKeySaysWhy)
{
    RunOn(TenLines);
    ASSERT_TRUE(CopyFileW(result.c_str(), dir.File(L"older.greptmp").c_str(), FALSE));
    CTextView* older = Open(dir.File(L"older.greptmp"));
    CTextView* second = Open(result);
    ASSERT_TRUE(FollowEnabled(viewer));
    PressF5(viewer);
    ASSERT_TRUE(Running());
    const struct {
        CTextView* view;
        const wchar_t* why;
    } refused[] = {
        {older, L"Only the result of the last completed run can follow its log. Press Go first."},
        {second, L"The log is already followed in another viewer of its result."},
    };
    for (const auto& row : refused) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(row.why)));
        EXPECT_FALSE(FollowEnabled(row.view));
        PressF5(row.view);
        BoxInfo box = ExpectBox(L"Follow", row.why, BoxIcon::Information);
        ASSERT_TRUE(Answer(box, IDOK));
        EXPECT_FALSE(FollowChecked(row.view));
    }
    EXPECT_TRUE(FollowEnabled(viewer)) << "the following viewer can stop";
    PressF5(viewer);
    EXPECT_FALSE(Running());
    EXPECT_TRUE(FollowEnabled(second));

    // A UTF-16 log's result.
    const std::wstring wideLog = dir.File(L"wide.log");
    ASSERT_TRUE(WriteBytes(wideLog, Utf16Bytes(L"one\nERROR two\n", true)));
    const std::wstring wideResult = BesideTestExe(L"wide.log.greptmp");
    removeAfter.push_back(wideResult);
    Type(IDC_FILE, wideLog);
    Click(IDC_GO);
    ASSERT_TRUE(WaitFor("the UTF-16 run's result", [this] { return !Running() && ViewerCount() == 4; }));
    CTextView* wide = nullptr;
    ui->Invoke([&] { wide = CMainDlg::Instance()->ViewerAt(3); });
    EXPECT_FALSE(FollowEnabled(wide));
    PressF5(wide);
    BoxInfo box = ExpectBox(L"Follow", L"A UTF-16 result cannot be followed yet.", BoxIcon::Information);
    ASSERT_TRUE(Answer(box, IDOK));
    CloseWithCloseBox();
}

TEST_F(FollowTest, NothingCompressedIsFollowedAndTheKeySaysWhy)
{
    // A rotated set whose newest log is compressed, a lone .gz, and that .gz viewed itself.
    WriteCategories(ErrorCategory);
    const std::wstring folder = dir.File(L"rotated");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring older = folder + L"\\app.log.1";
    const std::wstring newest = folder + L"\\app.log.gz";
    ASSERT_TRUE(WriteBytes(older, "ERROR old\n"));
    ASSERT_TRUE(WriteBytes(newest, Gzip("ERROR new\n")));
    {
        CFileHandle file(CreateFileW(older.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        FILETIME longAgo{0, 0x01000000};
        ASSERT_TRUE(SetFileTime(file.Get(), nullptr, nullptr, &longAgo));
    }
    const std::wstring lone = dir.File(L"lone.log.gz");
    ASSERT_TRUE(WriteBytes(lone, Gzip("ERROR lone\n")));
    for (const wchar_t* name : {L"rotated.greptmp", L"lone.log.gz.greptmp"}) {
        removeAfter.push_back(BesideTestExe(name));
        removeAfter.push_back(BesideTestExe(name) + L".idx");
    }
    Start();
    const auto refused = [this](size_t viewers, const wchar_t* why) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(why)));
        ASSERT_TRUE(WaitFor("the viewer", [&] { return !Running() && ViewerCount() == viewers; }));
        CTextView* view = nullptr;
        ui->Invoke([&] { view = CMainDlg::Instance()->ViewerAt(viewers - 1); });
        EXPECT_FALSE(FollowEnabled(view));
        PressF5(view);
        BoxInfo box = ExpectBox(L"Follow", why, BoxIcon::Information);
        ASSERT_TRUE(Answer(box, IDOK));
        EXPECT_FALSE(FollowChecked(view));
        EXPECT_FALSE(Running());
    };
    Type(IDC_FILE, folder);
    Click(IDC_GO);
    refused(1, L"The newest log of this search is compressed: it does not grow, and cannot be followed.");
    Type(IDC_FILE, lone);
    Click(IDC_GO);
    refused(2, L"A compressed log does not grow: it cannot be followed.");
    Click(IDC_NONE);
    Click(IDC_GO);
    refused(3, L"A compressed log does not grow: it cannot be followed.");
    CloseWithCloseBox();
}

TEST_F(FollowTest, AVanishingLogEndsFollowing)
{
    RunOn(TenLines);
    PressF5(viewer);
    ASSERT_TRUE(Running());
    ASSERT_TRUE(DeleteFileW(log.c_str()));
    BoxInfo box = ExpectBox(L"Follow", L"The log file is gone: following ended with 2 matches.", BoxIcon::Warning);
    ASSERT_TRUE(Answer(box, IDOK));
    ASSERT_TRUE(WaitFor("following to end", [this] { return !Running(); }));
    EXPECT_EQ(Text(IDC_GO), L"&Go");
    EXPECT_FALSE(FollowChecked(viewer));
    CloseWithCloseBox();
}
