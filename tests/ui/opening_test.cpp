// Opening logs the way Windows users do, and the log viewer Show in Log opens:
// a path from the command line or dropped on the dialog fills the file box
// without a run; Show in Log opens a normal viewer that reports its closing.
#include "tests/ui/MainDialogTest.h"
#include "tests/support/Pixels.h"

#include "win32/ModulePath.h"
#include "resources/resource.h"
#include "settings/Settings.h"
#include "ui/CommandLine.h"
#include "viewer/ScrollableFileReader.h"
#include "viewer/TextView.h"

#include <shlobj.h>

#include <cstdio>

namespace {

// A drop of one file as the shell hands it to a window.
HDROP DropOf(const std::wstring& path)
{
    const size_t bytes = sizeof(DROPFILES) + (path.size() + 2) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GHND, bytes);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::copy(path.begin(), path.end(), reinterpret_cast<wchar_t*>(drop + 1));
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

} // namespace

class OpeningTest : public MainDialogTest {};

TEST_F(OpeningTest, CommandLineAndDropFillTheFileBoxWithoutARun)
{
    // What "Open with" passes: the program and a quoted path with blanks.
    EXPECT_EQ(LogPathFromCommandLine(L"\"C:\\Program Files\\tilvo.exe\" \"C:\\logs\\my app.log\""),
              L"C:\\logs\\my app.log");
    EXPECT_EQ(LogPathFromCommandLine(L"tilvo.exe"), L"");
    wchar_t folder[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, folder);
    EXPECT_EQ(LogPathFromCommandLine(L"tilvo.exe app.log"), std::wstring(folder) + L"\\app.log");

    WriteCategories("Category = Default\nFilter = *ERROR*\nCheck = 1\n");
    startFile = dir.File(L"started.log");
    ASSERT_TRUE(WriteBytes(startFile, "ERROR one\n"));
    Start();
    EXPECT_EQ(Text(IDC_FILE), startFile);
    EXPECT_FALSE(Running());
    EXPECT_EQ(ViewerCount(), 0u);

    const std::wstring dropped = dir.File(L"dropped.log");
    ASSERT_TRUE(WriteBytes(dropped, "ERROR two\n"));
    ui->Post([this, dropped] { SendMessageW(dialog, WM_DROPFILES, WPARAM(DropOf(dropped)), 0); });
    ui->Settle();
    EXPECT_EQ(Text(IDC_FILE), dropped);
    std::wstring lastFolder;
    ui->Invoke([&] { lastFolder = AppSettings().LastFolder; });
    EXPECT_EQ(lastFolder, dir.Path() + L"\\") << "Browse starts where the drop came from";
    EXPECT_FALSE(Running());

    // A folder is no log: said, and the box keeps its file.
    ui->Post([this] { PostMessageW(dialog, WM_DROPFILES, WPARAM(DropOf(dir.Path())), 0); });
    BoxInfo box = ExpectBox(L"Error", L"This is a folder, not a log file:\r\n" + dir.Path(), BoxIcon::Warning);
    ASSERT_TRUE(Answer(box, IDOK));
    EXPECT_EQ(Text(IDC_FILE), dropped);
    CloseWithCloseBox();
}

TEST_F(OpeningTest, ShowInLogOpensANormalViewerOfTheLog)
{
    WriteCategories("Category = Default\nFilter = *ERROR*\nCheck = 1\n");
    std::string text;
    for (int i = 1; i <= 500; ++i) {
        char line[96];
        std::snprintf(line, sizeof line, "2026-12-07 14:%02d:%02d %s worker-%d request %d %s\n",
                      i / 60 % 60, i % 60, i == 300 ? "ERROR" : "INFO ", i % 4, 4000 + i,
                      i == 300 ? "failed: connection refused" : "served");
        text += line;
    }
    const std::wstring log = dir.File(L"shown.log");
    ASSERT_TRUE(WriteBytes(log, text));
    const std::wstring result = BesideTestExe(L"shown.log.greptmp");
    removeAfter.push_back(result);
    removeAfter.push_back(result + L".idx");
    Start();
    Type(IDC_FILE, log);
    Click(IDC_GO);
    ASSERT_TRUE(WaitFor("the result viewer", [this] { return ViewerCount() == 1; }));
    HWND resultWindow = nullptr;
    std::wstring resultTop;
    ui->Invoke([&] {
        resultWindow = CMainDlg::Instance()->ViewerAt(0)->Window();
        resultTop = CMainDlg::Instance()->ViewerAt(0)->Reader()->GetLineText(0);
    });
    // The top line of the result, without the mark of a line before a match.
    const std::wstring wanted = resultTop[0] == L'/' ? resultTop.substr(1) : resultTop;

    ui->Post([resultWindow] { SendMessageW(resultWindow, WM_KEYDOWN, VK_RETURN, 1); });
    ASSERT_TRUE(WaitFor("the log viewer", [this] { return ViewerCount() == 2; }));
    std::wstring path, top;
    int64_t marked = -1, topOffset = -1;
    HWND logWindow = nullptr;
    ui->Invoke([&] {
        CTextView* view = CMainDlg::Instance()->ViewerAt(1);
        path = view->FilePath();
        top = view->Reader()->GetLineText(0);
        marked = view->MarkedOffset();
        topOffset = view->Reader()->TopLineOffset();
        logWindow = view->Window();
    });
    EXPECT_EQ(path, log);
    EXPECT_EQ(top, wanted);
    EXPECT_EQ(marked, int64_t(text.find(std::string(wanted.begin(), wanted.end()) + "\n")));
    EXPECT_EQ(topOffset, marked);

    // Side by side for the screenshot in docs/: the result and its log at the line.
    ui->Invoke([&] {
        SetWindowPos(resultWindow, HWND_TOP, 0, 0, 560, 420, SWP_SHOWWINDOW);
        SetWindowPos(logWindow, HWND_TOP, 560, 0, 560, 420, SWP_SHOWWINDOW);
        SetWindowPos(dialog, nullptr, 0, 440, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        RedrawWindow(resultWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_FRAME);
        RedrawWindow(logWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_FRAME);
    });
    ui->Settle();
    ASSERT_TRUE(WaitUntilPainted(resultWindow) && WaitUntilPainted(logWindow));
    const std::wstring shots = ExecutableFolder() + L"\\screenshots";
    CreateDirectoryW(shots.c_str(), nullptr);
    EXPECT_TRUE(SaveWindowImage(GetDesktopWindow(), shots + L"\\show-in-log.bmp"));

    // Esc clears the mark, then closes; the dialog hears of it.
    ui->Post([logWindow] {
        SendMessageW(logWindow, WM_KEYDOWN, VK_ESCAPE, 1);
        SendMessageW(logWindow, WM_KEYDOWN, VK_ESCAPE, 1);
    });
    ASSERT_TRUE(WaitFor("the log viewer's closing notice", [this] { return ViewerCount() == 1; }));
    CloseWithCloseBox();
}

TEST_F(OpeningTest, ViewerRequestsFromOtherWindowsAreIgnored)
{
    // The viewers' codes lie among those no common control sends, but any window can send
    // them: only a listed viewer may make the dialog open a file or start following.
    WriteCategories("Category = Default\nFilter = *ERROR*\nCheck = 1\n");
    const std::wstring log = dir.File(L"asked.log");
    ASSERT_TRUE(WriteBytes(log, "ERROR asked for\n"));
    Start();
    const struct {
        const char* what;
        int code;
    } requests[] = {
        {"Show in Log", NM_VIEWER_SHOW_IN_LOG},
        {"Follow", NM_VIEWER_FOLLOW},
    };
    for (const auto& row : requests) {
        SCOPED_TRACE(row.what);
        HWND stranger = GetDlgItem(dialog, IDC_FILTER_LIST);
        ui->Post([this, stranger, code = row.code, log] {
            NMSHOWINLOG request{};
            request.header.hwndFrom = stranger;
            request.header.code = static_cast<UINT>(code);
            request.logFile = log.c_str();
            SendMessageW(dialog, WM_NOTIFY, reinterpret_cast<WPARAM>(stranger),
                         reinterpret_cast<LPARAM>(&request));
        });
        ExpectNoBox();
        EXPECT_EQ(ViewerCount(), 0u);
        EXPECT_FALSE(Running());
    }
    CloseWithCloseBox();
}
