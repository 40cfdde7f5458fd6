// Go/Stop end to end with the real grep worker and viewers: progress, completion, stop, failures, names, recent files.
#include "tests/ui/MainDialogTest.h"
#include "tests/support/LogHolder.h"
#include "tests/support/Pixels.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/StalledThread.h"
#include "tests/support/Windows.h"

#include "win32/DeviceName.h"
#include "win32/ModulePath.h"
#include "win32/Taskbar.h"
#include "resources/resource.h"
#include "settings/Settings.h"
#include "viewer/ScrollableFileReader.h"
#include "viewer/TextView.h"

#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <thread>

namespace {

const char* const ErrorCategory =
    "Category = Default\n"
    "Filter = *ERROR*\n"
    "Filter = *FATAL*\n"
    "Check = 10\n";

const char* const UncheckedCategory =
    "Category = Default\n"
    "Filter = *ERROR*\n"
    "Check = 0\n";

// Ten lines, matches in lines 5 and 7.
const char* const TenLines =
    "line 1\nline 2\nline 3\nline 4\nERROR five\nline 6\nERROR seven\nline 8\nline 9\nline 10\n";

std::string ManyLines(int count)
{
    std::string text;
    for (int i = 1; i <= count; ++i)
        text += "line " + std::to_string(i) + "\n";
    return text;
}

bool StartsWith(const std::wstring& text, const std::wstring& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

// The system's own sentence for an error code, as the user is to read it.
std::wstring SystemText(DWORD error)
{
    wchar_t text[512] = {};
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                  text, 512, nullptr);
    while (length > 0 && (text[length - 1] == L'\n' || text[length - 1] == L'\r' || text[length - 1] == L' '))
        --length;
    return std::wstring(text, length);
}

BOOL CALLBACK FindViewerWindow(HWND window, LPARAM found)
{
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    if (lstrcmpW(name, L"TilvoTextView") == 0)
        *reinterpret_cast<bool*>(found) = true;
    return TRUE;
}

// Refuses to create viewer windows on the thread it hooks.
LRESULT CALLBACK RefuseViewerWindows(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        const wchar_t* name = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs->lpszClass;
        if (!IS_INTRESOURCE(name) && lstrcmpiW(name, L"TilvoTextView") == 0)
            return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

class GoStopTest : public MainDialogTest {
protected:
    // A result the test expects beside the test executable; removed after the test.
    std::wstring ResultBesideExe(const std::wstring& resultName)
    {
        std::wstring path = BesideTestExe(resultName);
        DeleteFileW(path.c_str());
        removeAfter.push_back(path);
        return path;
    }

    // Records every text the worker sets in the status line, on the user-interface thread.
    void RecordStatusTexts()
    {
        ui->Invoke([&] {
            status = std::make_unique<CMessageRecorder>(std::vector<UINT>{WM_SETTEXT});
            status->Watch(GetDlgItem(dialog, IDC_STATUS));
        });
    }

    std::vector<std::wstring> StatusTexts() const
    {
        std::vector<std::wstring> texts;
        for (const RecordedMessage& message : status->Messages())
            texts.push_back(message.text);
        return texts;
    }

    std::wstring ViewerPath(size_t index)
    {
        std::wstring path;
        ui->Invoke([&] { path = CMainDlg::Instance()->ViewerAt(index)->FilePath(); });
        return path;
    }

    bool AnyViewerWindow()
    {
        bool found = false;
        EnumThreadWindows(ui->Id(), FindViewerWindow, reinterpret_cast<LPARAM>(&found));
        return found;
    }

    CGrepParams Params()
    {
        CGrepParams params;
        ui->Invoke([&] { params = CMainDlg::Instance()->RunParams(); });
        return params;
    }

    bool WaitForIdle() { return WaitFor("the run to end", [this] { return !Running(); }); }

    // Starts the dialog on a 2000-line log in `dir` with the error filter, then
    // presses Go and Stop at once: the worker cannot finish, as its first
    // notice waits for the dialog's thread. Returns the result file's path.
    std::wstring GoAndStopAtOnce(const std::wstring& logName)
    {
        WriteCategories(ErrorCategory);
        const std::wstring log = dir.File(logName);
        EXPECT_TRUE(WriteBytes(log, ManyLines(2000)));
        const std::wstring result = ResultBesideExe(logName + L".greptmp");
        Start();
        Type(IDC_FILE, log);
        ui->Post([this] {
            SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_GO, BN_CLICKED), 0);
            SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_GO, BN_CLICKED), 0);
        });
        return result;
    }

    // The dialog's thread has ended, and its window with it, before the recorder goes.
    std::unique_ptr<CMessageRecorder> status;
};

TEST_F(GoStopTest, GoRunsTheSearchShowsProgressAndOpensTheResult)
{
    WriteCategories(ErrorCategory);
    const std::wstring log = dir.File(L"app.log");
    ASSERT_TRUE(WriteBytes(log, TenLines));
    const std::wstring result = ResultBesideExe(L"app.log.greptmp");
    Start();
    RecordStatusTexts();
    Type(IDC_FILE, log);
    Type(IDC_LINES_BEFORE, L"2");
    Type(IDC_LINES_AFTER, L"2");

    // Go and the state right after it, before the worker's first notice can be delivered.
    ui->Invoke([&] {
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_GO, BN_CLICKED), 0);
        EXPECT_TRUE(CMainDlg::Instance()->IsRunning());
        EXPECT_EQ(TextOf(dialog, IDC_GO), L"&Stop");
        EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_APPSTARTING));
        // Moving the mouse over a control keeps the busy arrow while the run goes on.
        HWND edit = FindWindowExW(GetDlgItem(dialog, IDC_FILE), nullptr, L"Edit", nullptr);
        SetCursor(LoadCursorW(nullptr, IDC_IBEAM));
        SendMessageW(edit, WM_SETCURSOR, reinterpret_cast<WPARAM>(edit), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_APPSTARTING));
    });
    ASSERT_TRUE(WaitForIdle());
    ui->Settle();
    ExpectNoBox();

    EXPECT_EQ(Text(IDC_GO), L"&Go");
    ui->Invoke([&] { EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW)); });
    bool ok = false;
    EXPECT_EQ(ReadBytes(result, &ok), "/line 3\n/line 4\nERROR five\n\\line 6\nERROR seven\n\\line 8\n\\line 9\n");
    EXPECT_TRUE(ok);
    // The whole seconds depend on the machine: a few lines take well under one.
    const std::wstring completed = L"Completed with 2 matches by 0 sec.";
    EXPECT_EQ(Text(IDC_STATUS), completed);
    std::vector<std::wstring> texts = StatusTexts();
    ASSERT_GE(texts.size(), 3u);
    EXPECT_TRUE(StartsWith(texts.front(), L"Processing the file: ")) << testing::PrintToString(texts.front());
    EXPECT_EQ(texts[texts.size() - 2], L"Processing the file: 100 % (2 matches)");
    EXPECT_EQ(texts.back(), completed);
    ASSERT_EQ(ViewerCount(), 1u);
    EXPECT_EQ(ViewerPath(0), result);

    CGrepParams params = Params();
    EXPECT_EQ(params.logFile, log);
    EXPECT_EQ(params.resultFile, result);
    EXPECT_EQ(params.filters, FilterList{CFilter(L"*ERROR*")});
    EXPECT_EQ(params.linesBefore, 2);
    EXPECT_EQ(params.linesAfter, 2);
    EXPECT_FALSE(params.ignoreCase);
    EXPECT_TRUE(params.lfLineEnds);
    EXPECT_EQ(FileBoxEntries(), std::vector<std::wstring>{log});

    // Closing the viewer takes it off the dialog's list.
    ui->Invoke([&] { DestroyWindow(CMainDlg::Instance()->ViewerAt(0)->Window()); });
    EXPECT_EQ(ViewerCount(), 0u);
    CloseWithCloseBox();
    std::wstring lastFile;
    EXPECT_TRUE(ReadStringValue(key, L"LastFile", lastFile));
    EXPECT_EQ(lastFile, log);
}

TEST_F(GoStopTest, CheckedFiltersGoInListOrderWithTheirModes)
{
    WriteCategories("Category = Default\nFilter = *seven*\nFilter = *b*\nFilter = *ERROR*\nFilter = \\x20E\\w+\n"
                    "Check = 3011\nKind = 0001\n");
    const std::wstring log = dir.File(L"modes.log");
    ASSERT_TRUE(WriteBytes(log, TenLines));
    ResultBesideExe(L"modes.log.greptmp");
    Start();
    Type(IDC_FILE, log);
    Click(IDC_GO);
    ASSERT_TRUE(WaitForIdle());
    CGrepParams params = Params();
    EXPECT_EQ(params.filters,
              (FilterList{CFilter::Regex(L" E\\w+"), CFilter(L"*ERROR*"), CFilter(L"*seven*", FilterAnd)}));
    CloseWithCloseBox();
}

TEST_F(GoStopTest, StopAndAnswerNoKeepsThePartialResultOnly)
{
    const std::wstring result = GoAndStopAtOnce(L"stop.log");
    BoxInfo box = ExpectBox(L"Stopped", L"Do you want to view processed part of the file?", BoxIcon::Question);
    ASSERT_NE(box.window, nullptr);
    EXPECT_EQ(Text(IDC_STATUS), L"Cancelled.");
    EXPECT_EQ(Text(IDC_GO), L"&Go");
    EXPECT_FALSE(Running());
    ASSERT_TRUE(Answer(box, IDNO));
    EXPECT_EQ(ViewerCount(), 0u);
    EXPECT_TRUE(FileExists(result)) << "the partial result stays on disk";
    // A stopped run sends nothing more: its worker has ended, so whatever it sent has arrived.
    EXPECT_FALSE(CGrepThread::IsRunning());
    ExpectNoBox();
    EXPECT_EQ(Text(IDC_STATUS), L"Cancelled.");
    EXPECT_EQ(ViewerCount(), 0u);
    CloseWithCloseBox();
}

TEST_F(GoStopTest, StopAndAnswerYesOpensThePartialResult)
{
    const std::wstring result = GoAndStopAtOnce(L"stop2.log");
    BoxInfo box = ExpectBox(L"Stopped", L"Do you want to view processed part of the file?", BoxIcon::Question);
    ASSERT_TRUE(Answer(box, IDYES));
    ui->Settle();
    ASSERT_EQ(ViewerCount(), 1u);
    EXPECT_EQ(ViewerPath(0), result);
    CloseWithCloseBox();
}

TEST_F(GoStopTest, FailedRunReportsAndKeepsTheWorkersText)
{
    WriteCategories(ErrorCategory);
    const std::wstring log = dir.File(L"empty.log");
    ASSERT_TRUE(WriteBytes(log, ""));
    ResultBesideExe(L"empty.log.greptmp");
    Start();
    Type(IDC_FILE, log);
    Click(IDC_GO);
    BoxInfo box = ExpectBox(L"Error", L"Operation failed.", BoxIcon::Warning);
    EXPECT_EQ(Text(IDC_STATUS), L"File is empty");
    EXPECT_EQ(Text(IDC_GO), L"&Go");
    EXPECT_FALSE(Running());
    ASSERT_TRUE(Answer(box, IDOK));
    EXPECT_EQ(ViewerCount(), 0u);
    CloseWithCloseBox();
}

TEST_F(GoStopTest, EmptyFileBoxIsRefusedAndDisablesGo)
{
    WriteCategories(ErrorCategory);
    Start();
    EXPECT_EQ(Text(IDC_FILE), L"");
    EXPECT_FALSE(Enabled(IDC_GO));
    Click(IDC_GO);
    BoxInfo box = ExpectBox(L"Error", L"You should specify a file name!", BoxIcon::Warning);
    ASSERT_TRUE(Answer(box, IDOK));
    EXPECT_FALSE(Running());
    EXPECT_TRUE(FileBoxEntries().empty());
    Type(IDC_FILE, L"x");
    EXPECT_TRUE(Enabled(IDC_GO));
    Type(IDC_FILE, L"");
    EXPECT_FALSE(Enabled(IDC_GO));
    CloseWithCloseBox();
}

TEST_F(GoStopTest, NoCheckedFilterOpensTheLogItselfWithEnter)
{
    WriteCategories(UncheckedCategory);
    const std::wstring log = dir.File(L"plain.log");
    ASSERT_TRUE(WriteBytes(log, TenLines));
    const std::wstring result = ResultBesideExe(L"plain.log.greptmp");
    Start();
    Type(IDC_FILE, log);
    // Enter in the file box presses the default button, Go.
    HWND edit = FindWindowExW(GetDlgItem(dialog, IDC_FILE), nullptr, L"Edit", nullptr);
    ASSERT_NE(edit, nullptr);
    PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
    ui->Settle();
    ExpectNoBox();
    ASSERT_EQ(ViewerCount(), 1u);
    EXPECT_EQ(ViewerPath(0), log);
    EXPECT_FALSE(Running());
    EXPECT_FALSE(FileExists(result)) << "no run took place";
    EXPECT_EQ(FileBoxEntries(), std::vector<std::wstring>{log});
    CloseWithCloseBox();
}

TEST_F(GoStopTest, RecentFilesGrowToLimitPlusOneWithoutCaseDuplicates)
{
    WriteCategories(UncheckedCategory);
    for (int i = 1; i <= 25; ++i) {
        wchar_t name[16], value[64];
        swprintf(name, 16, L"File%03d", i);
        swprintf(value, 64, L"C:\\old\\f%02d.log", i);
        ASSERT_TRUE(WriteStringValue(key + L"\\RecentFiles", name, value));
    }
    const std::wstring first = dir.File(L"new1.log");
    const std::wstring second = dir.File(L"new2.log");
    ASSERT_TRUE(WriteBytes(first, TenLines));
    ASSERT_TRUE(WriteBytes(second, TenLines));
    Start();
    ASSERT_EQ(FileBoxEntries().size(), 25u);

    Type(IDC_FILE, first);
    Click(IDC_GO);
    std::vector<std::wstring> entries = FileBoxEntries();
    ASSERT_EQ(entries.size(), 26u);
    EXPECT_EQ(entries.front(), first);
    EXPECT_EQ(entries.back(), L"C:\\old\\f25.log");

    Type(IDC_FILE, second);
    Click(IDC_GO);
    entries = FileBoxEntries();
    ASSERT_EQ(entries.size(), 26u);
    EXPECT_EQ(entries[0], second);
    EXPECT_EQ(entries[1], first);
    EXPECT_EQ(entries.back(), L"C:\\old\\f24.log");

    std::wstring shouted = first;
    CharUpperBuffW(shouted.data(), static_cast<DWORD>(shouted.size()));
    Type(IDC_FILE, shouted);
    Click(IDC_GO);
    EXPECT_EQ(FileBoxEntries(), entries) << "an entry in another letter case is neither added nor moved";
    EXPECT_EQ(ViewerCount(), 3u);
    ExpectNoBox();
    CloseWithCloseBox();

    auto stored = ReadValues(key + L"\\RecentFiles");
    ASSERT_EQ(stored.size(), 26u);
    EXPECT_EQ(stored[0], std::make_pair(std::wstring(L"File001"), second));
    EXPECT_EQ(stored[1], std::make_pair(std::wstring(L"File002"), first));
    EXPECT_EQ(stored[25].second, L"C:\\old\\f24.log");
    std::wstring lastFile;
    EXPECT_TRUE(ReadStringValue(key, L"LastFile", lastFile));
    EXPECT_EQ(lastFile, shouted);
}

TEST_F(GoStopTest, PastedPathsAreMadePlainAndBadOnesAreNamedBeforeTheRun)
{
    WriteCategories(ErrorCategory);
    const std::wstring log = dir.File(L"named.log");
    ASSERT_TRUE(WriteBytes(log, TenLines));
    ASSERT_TRUE(WriteBytes(dir.File(L"locked.log"), TenLines));
    // Whatever form the path takes, the result lands beside the program, never beside the log.
    const std::wstring result = ResultBesideExe(L"named.log.greptmp");
    std::wstring forward = log;
    std::replace(forward.begin(), forward.end(), L'\\', L'/');
    HANDLE locked = CreateFileW(dir.File(L"locked.log").c_str(), GENERIC_READ, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(dir.Path().c_str()));
    Start();

    struct Row {
        std::wstring typed;
        std::wstring searched;   // the path the run reads; empty when refused
        std::wstring reason;     // why it was refused
    };
    const Row rows[] = {
        {L"\"" + log + L"\"", log, L""},
        {L"  " + log + L" \t", log, L""},
        {L" \" " + log + L" \" ", log, L""},
        {forward, forward, L""},
        {L"named.log", L"named.log", L""},
        {dir.File(L"missing.log"), L"", SystemText(ERROR_FILE_NOT_FOUND)},
        {L"\"" + dir.File(L"nofolder\\x.log") + L"\"", L"", SystemText(ERROR_PATH_NOT_FOUND)},
        {dir.File(L"locked.log"), L"", SystemText(ERROR_SHARING_VIOLATION)},
        {L"NUL", L"", L"This is a device, not a log file."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.typed));
        Type(IDC_FILE, row.typed);
        Click(IDC_GO);
        if (row.reason.empty()) {
            ASSERT_TRUE(WaitForIdle());
            ExpectNoBox();
            EXPECT_EQ(Text(IDC_FILE), row.searched);
            EXPECT_EQ(Params().logFile, row.searched);
            EXPECT_EQ(Params().resultFile, result);
            EXPECT_EQ(Text(IDC_STATUS).rfind(L"Completed with 2 matches", 0), 0u) << Text(IDC_STATUS);
            continue;
        }
        std::wstring path = row.typed;
        if (path.front() == L'"')
            path = path.substr(1, path.size() - 2);
        BoxInfo box = ExpectBox(L"Error", L"Unable to search the log file\r\n" + path + L"\r\n\r\n" + row.reason,
                                BoxIcon::Warning);
        EXPECT_EQ(Text(IDC_STATUS), L"Unable to open the log: " + row.reason);
        ASSERT_TRUE(Answer(box, IDOK));
        EXPECT_FALSE(Running());
    }
    EXPECT_TRUE(FileExists(result));
    EXPECT_FALSE(FileExists(dir.File(L"named.log.greptmp"))) << "nothing is written beside the log";
    CloseWithCloseBox();
    CloseHandle(locked);
    SetCurrentDirectoryW(previous);
}

TEST_F(GoStopTest, ViewersKeepClearOfTheStatusLineAndShowInLogOpensBesideTheResult)
{
    WriteCategories(ErrorCategory);
    const std::wstring log = dir.File(L"places.log");
    ASSERT_TRUE(WriteBytes(log, TenLines));
    ResultBesideExe(L"places.log.greptmp");
    Start();
    Type(IDC_FILE, log);
    Click(IDC_GO);
    ASSERT_TRUE(WaitFor("the result viewer", [this] { return !Running() && ViewerCount() == 1; }));
    HWND result = nullptr;
    ui->Invoke([&] { result = CMainDlg::Instance()->ViewerAt(0)->Window(); });
    RECT status{}, resultPlace{}, overlap{};
    GetWindowRect(GetDlgItem(dialog, IDC_STATUS), &status);
    GetWindowRect(result, &resultPlace);
    EXPECT_FALSE(IntersectRect(&overlap, &status, &resultPlace)) << "the viewer covers the status line";

    ui->Post([result] { SendMessageW(result, WM_KEYDOWN, VK_RETURN, 0); });
    ASSERT_TRUE(WaitFor("the log viewer", [this] { return ViewerCount() == 2; }));
    ExpectNoBox();
    HWND logWindow = nullptr;
    ui->Invoke([&] { logWindow = CMainDlg::Instance()->ViewerAt(1)->Window(); });
    RECT logPlace{}, work{};
    GetWindowRect(result, &resultPlace);
    GetWindowRect(logWindow, &logPlace);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_FALSE(IntersectRect(&overlap, &resultPlace, &logPlace)) << "one viewer hides the other";
    RECT both{};
    UnionRect(&both, &resultPlace, &logPlace);
    EXPECT_TRUE(EqualRect(&both, &work)) << "each on one half of the work area";
    EXPECT_EQ(resultPlace.right - resultPlace.left, (work.right - work.left) / 2);
    CloseWithCloseBox();
}

namespace {

// Takes the taskbar's place: records what the dialog shows there, and says whether this
// program is in front as the test wants.
class CTaskbarRecorder : public CTaskbar {
public:
    void ShowProgress(HWND, int percent) override { Record(L"progress " + std::to_wstring(percent)); }
    void ClearProgress(HWND) override { Record(L"clear"); }
    void Flash(HWND window) override
    {
        Record(L"flash");
        flashed = window;
    }
    bool ProgramActive() override { return active; }
    void Record(const std::wstring& call)
    {
        // Repeated clears (each state change clears) count once.
        if (calls.empty() || calls.back() != call)
            calls.push_back(call);
    }

    bool active = true;
    HWND flashed = nullptr;
    std::vector<std::wstring> calls;   // on the user-interface thread
};

} // namespace

TEST_F(GoStopTest, ARunShowsItsProgressOnTheTaskbarAndItsResultAsksForAttentionFromBehind)
{
    WriteCategories(ErrorCategory);
    // A log each: a run on the same log would close the viewer of its last result.
    for (const wchar_t* name : {L"attention1.log", L"attention2.log"}) {
        ASSERT_TRUE(WriteBytes(dir.File(name), ManyLines(3000) + "ERROR at the end\n"));
        ResultBesideExe(std::wstring(name) + L".greptmp");
    }
    // Outlives the test: a dialog still open after a failure may call it until TearDown.
    static CTaskbarRecorder taskbar;
    SetAppTaskbar(&taskbar);
    struct PutBack {
        ~PutBack() { SetAppTaskbar(nullptr); }
    } putBack;
    Start();
    for (bool inFront : {true, false}) {
        SCOPED_TRACE(inFront ? "this program in front" : "another program in front");
        Type(IDC_FILE, dir.File(inFront ? L"attention1.log" : L"attention2.log"));
        ui->Invoke([&] {
            taskbar.active = inFront;
            taskbar.calls.clear();
            taskbar.flashed = nullptr;
            SetActiveWindow(dialog);
        });
        const size_t viewers = ViewerCount();
        Click(IDC_GO);
        ASSERT_TRUE(WaitFor("the result viewer", [&] { return !Running() && ViewerCount() == viewers + 1; }));
        ui->Invoke([&] {
            HWND viewer = CMainDlg::Instance()->ViewerAt(viewers)->Window();
            ASSERT_GE(taskbar.calls.size(), 3u);
            EXPECT_EQ(taskbar.calls[0], L"progress 0");
            const auto clear = std::find(taskbar.calls.begin(), taskbar.calls.end(), L"clear");
            ASSERT_NE(clear, taskbar.calls.end());
            EXPECT_EQ(*(clear - 1), L"progress 100") << "the bar is full before it goes";
            if (inFront) {
                EXPECT_EQ(GetActiveWindow(), viewer);
                EXPECT_EQ(taskbar.flashed, nullptr);
            } else {
                EXPECT_EQ(GetActiveWindow(), dialog) << "the result took the focus";
                EXPECT_EQ(taskbar.flashed, viewer);
                EXPECT_EQ(taskbar.calls.back(), L"flash");
            }
        });
    }
    CloseWithCloseBox();
}

TEST_F(GoStopTest, TypedContextSizesAboveTheUpDownRangeAreUsed)
{
    WriteCategories(ErrorCategory);
    std::string text = ManyLines(301) + "ERROR at the end\n";
    const std::wstring log = dir.File(L"long.log");
    ASSERT_TRUE(WriteBytes(log, text));
    const std::wstring result = ResultBesideExe(L"long.log.greptmp");
    Start();
    Type(IDC_FILE, log);
    Type(IDC_LINES_BEFORE, L"300");
    Type(IDC_LINES_AFTER, L"abc");
    Click(IDC_GO);
    ASSERT_TRUE(WaitForIdle());
    EXPECT_EQ(Params().linesBefore, 300);
    EXPECT_EQ(Params().linesAfter, 0);
    std::string expected;
    for (int i = 2; i <= 301; ++i)
        expected += "/line " + std::to_string(i) + "\n";
    expected += "ERROR at the end\n";
    EXPECT_EQ(ReadBytes(result), expected);
    CloseWithCloseBox();
    DWORD stored = 0;
    EXPECT_TRUE(ReadDwordValue(key, L"LinesBefore", stored));
    EXPECT_EQ(stored, 300u);
}

TEST_F(GoStopTest, ClearingTheFileBoxDuringARunKeepsStopUsable)
{
    WriteCategories(ErrorCategory);
    const std::wstring log = dir.File(L"clear.log");
    ASSERT_TRUE(WriteBytes(log, TenLines));
    ResultBesideExe(L"clear.log.greptmp");
    Start();
    Type(IDC_FILE, log);
    ui->Invoke([&] {
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_GO, BN_CLICKED), 0);
        HWND box = GetDlgItem(dialog, IDC_FILE);
        SetWindowTextW(box, L"");
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_FILE, CBN_EDITCHANGE), reinterpret_cast<LPARAM>(box));
        EXPECT_EQ(TextOf(dialog, IDC_GO), L"&Stop");
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_GO))) << "a run can always be stopped";
    });
    ASSERT_TRUE(WaitForIdle());
    ui->Settle();
    EXPECT_EQ(ViewerCount(), 1u) << "the run ended by itself";
    EXPECT_EQ(Text(IDC_GO), L"&Go");
    EXPECT_FALSE(Enabled(IDC_GO)) << "back to Go with nothing to search";
    CloseWithCloseBox();
}

// A log of one line of 96 MB: the dialog answers throughout the run and the
// opening of its result, and the program's peak stays under 2.5 times the line.
TEST_F(GoStopTest, ALineOfTensOfMegabytesKeepsTheDialogAnswering)
{
    WriteCategories(ErrorCategory);
    const std::wstring log = dir.File(L"long.log");
    const std::string piece(1 << 20, 'x');
    const size_t line = 96u << 20;
    ASSERT_TRUE(WriteBytes(log, "start\n"));
    for (size_t k = 0; k < line / piece.size(); ++k)
        ASSERT_TRUE(AppendBytes(log, k == 48 ? " ERROR: in the middle " : piece));
    ASSERT_TRUE(AppendBytes(log, "\nend\n"));
    const std::wstring result = ResultBesideExe(L"long.log.greptmp");
    Start();
    Type(IDC_FILE, log);
    PROCESS_MEMORY_COUNTERS before{};
    before.cb = sizeof before;
    ASSERT_TRUE(K32GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before));

    ui->Post([this] { SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_GO, BN_CLICKED), 0); });
    // The worker and the viewer may take a while; each question to the
    // dialog is answered at once meanwhile. The last is asked once the viewer
    // window exists, so it waits for the viewer's first block.
    ULONGLONG slowest = 0;
    const ULONGLONG start = GetTickCount64();
    for (bool opened = false; !opened;) {
        ASSERT_LT(GetTickCount64() - start, 120000u) << "the run and its viewer never ended";
        opened = !CGrepThread::IsRunning() && AnyViewerWindow();
        const ULONGLONG asked = GetTickCount64();
        DWORD_PTR answer = 0;
        ASSERT_TRUE(SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &answer));
        slowest = std::max(slowest, GetTickCount64() - asked);
        Sleep(10);
    }
    ui->Settle();
    EXPECT_LT(slowest, 750u) << "the dialog did not answer for " << slowest << " ms";
    PROCESS_MEMORY_COUNTERS after = before;
    ASSERT_TRUE(K32GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after));
    RecordProperty("SlowestAnswerMs", std::to_string(slowest));
    RecordProperty("PeakGrowthMB", std::to_string((after.PeakWorkingSetSize - before.WorkingSetSize) >> 20));
    EXPECT_LT(after.PeakWorkingSetSize - before.WorkingSetSize, line * 5 / 2)
        << "peak " << after.PeakWorkingSetSize << " bytes";
    ASSERT_EQ(ViewerCount(), 1u);
    EXPECT_EQ(ViewerPath(0), result);
    CloseWithCloseBox();
}

TEST_F(GoStopTest, ClosingDuringARunEndsTheDialogAtOnce)
{
    WriteCategories(ErrorCategory);
    const std::wstring log = dir.File(L"closing.log");
    ASSERT_TRUE(WriteBytes(log, ManyLines(5000)));
    ResultBesideExe(L"closing.log.greptmp");
    Start();
    Type(IDC_FILE, log);
    // Go and the close in one go: the dialog ends with the run still going; the destructor
    // stops it after everything is saved.
    ui->Post([this] {
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_GO, BN_CLICKED), 0);
        SendMessageW(dialog, WM_CLOSE, 0, 0);
    });
    WaitForRunToEnd();
    EXPECT_FALSE(CGrepThread::IsRunning());
    EXPECT_NE(CategoriesOnDisk().find("Filter = *ERROR*"), std::string::npos);
}

TEST_F(GoStopTest, BrowsePutsTheChosenFileInTheBoxAndRemembersItsFolder)
{
    WriteCategories(ErrorCategory);
    const std::wstring log = dir.File(L"picked.log");
    ASSERT_TRUE(WriteBytes(log, TenLines));
    Start();
    ASSERT_FALSE(Enabled(IDC_GO));
    Click(IDC_BROWSE);
    BoxInfo open = WaitForBox(ui->Id(), dialog);
    ASSERT_NE(open.window, nullptr) << "no open dialog";
    // The file name field of the open dialog (a combo box or an edit, by version).
    HWND field = GetDlgItem(open.window, 0x47c);
    if (!field)
        field = GetDlgItem(open.window, 0x480);
    ASSERT_NE(field, nullptr);
    SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(log.c_str()));
    HWND types = GetDlgItem(open.window, 0x470);
    ASSERT_NE(types, nullptr);
    wchar_t first[64] = {}, second[64] = {};
    SendMessageW(types, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(first));
    SendMessageW(types, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(second));
    EXPECT_STREQ(first, L"Log Files (*.log;*.txt)");
    EXPECT_STREQ(second, L"Any File (*.*)");
    EXPECT_EQ(SendMessageW(types, CB_GETCURSEL, 0, 0), 0);
    ASSERT_TRUE(Answer(open, IDOK));
    ui->Settle();
    EXPECT_EQ(Text(IDC_FILE), log);
    EXPECT_TRUE(Enabled(IDC_GO));
    std::wstring folder;
    ui->Invoke([&] { folder = AppSettings().LastFolder; });
    EXPECT_EQ(folder, dir.Path() + L"\\");
    EXPECT_TRUE(FileBoxEntries().empty()) << "a browsed file joins the recent files only at Go";

    // Cancelling changes nothing.
    Click(IDC_BROWSE);
    open = WaitForBox(ui->Id(), dialog);
    ASSERT_NE(open.window, nullptr);
    ASSERT_TRUE(Answer(open, IDCANCEL));
    ui->Settle();
    EXPECT_EQ(Text(IDC_FILE), log);
    CloseWithCloseBox();
}

TEST_F(GoStopTest, PickingARecentFileEnablesGo)
{
    WriteCategories(ErrorCategory);
    ASSERT_TRUE(WriteStringValue(key + L"\\RecentFiles", L"File001", L"C:\\logs\\a.log"));
    Start();
    ASSERT_EQ(Text(IDC_FILE), L"");
    ASSERT_FALSE(Enabled(IDC_GO));
    ui->Invoke([&] {
        HWND box = GetDlgItem(dialog, IDC_FILE);
        SendMessageW(box, CB_SETCURSEL, 0, 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_FILE, CBN_SELCHANGE), reinterpret_cast<LPARAM>(box));
    });
    EXPECT_TRUE(Enabled(IDC_GO));
    CloseWithEsc();
}

TEST_F(GoStopTest, GoWhileAnotherRunIsActiveReportsThatItCannotStart)
{
    WriteCategories(ErrorCategory);
    const std::wstring log = dir.File(L"busy.log");
    ASSERT_TRUE(WriteBytes(log, ManyLines(100)));
    ResultBesideExe(L"busy.log.greptmp");
    ResultBesideExe(L"other.log.greptmp");
    // Another run, started from a thread that handles no messages until it stops the run:
    // the run's first notice waits for that thread, so the run stays active meanwhile.
    HANDLE started = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    bool otherStarted = false, otherStopped = false;
    std::thread blocker([&] {
        HWND receiver = CreateWindowExW(0, L"Static", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        CGrepParams other;
        other.logFile = log;
        other.resultFile = BesideTestExe(L"other.log.greptmp");
        other.filters = CheckedFilters({L"*1*"});
        otherStarted = receiver && CGrepThread::Start(other, receiver, receiver);
        SetEvent(started);
        EXPECT_TRUE(WaitForHandle("the test to release the other run", release));   // delivers nothing
        if (otherStarted)
            otherStopped = CGrepThread::Stop();
        DestroyWindow(receiver);
    });
    EXPECT_TRUE(WaitForHandle("the other run to start", started));
    ASSERT_TRUE(otherStarted);
    Start();
    Type(IDC_FILE, log);
    Click(IDC_GO);
    BoxInfo box = ExpectBox(L"Error", L"Unable to start Grep thread!", BoxIcon::Warning);
    EXPECT_EQ(Text(IDC_GO), L"&Go");
    EXPECT_FALSE(Running());
    EXPECT_TRUE(Answer(box, IDOK));   // the other run's thread must be released either way
    SetEvent(release);
    blocker.join();
    CloseHandle(started);
    CloseHandle(release);
    EXPECT_TRUE(otherStopped) << "the other run was active all along";
    CloseWithCloseBox();
}

TEST_F(GoStopTest, ViewerWindowThatCannotBeCreatedIsReported)
{
    WriteCategories(UncheckedCategory);
    const std::wstring log = dir.File(L"nowindow.log");
    ASSERT_TRUE(WriteBytes(log, TenLines));
    Start();
    HHOOK hook = nullptr;
    ui->Invoke([&] { hook = SetWindowsHookExW(WH_CBT, RefuseViewerWindows, nullptr, GetCurrentThreadId()); });
    ASSERT_NE(hook, nullptr);
    Type(IDC_FILE, log);
    Click(IDC_GO);
    BoxInfo box = ExpectBox(L"Error", L"Unable to create TextView", BoxIcon::Error);
    ASSERT_TRUE(Answer(box, IDOK));
    ui->Invoke([&] { UnhookWindowsHookEx(hook); });
    EXPECT_EQ(ViewerCount(), 0u);
    // With windows allowed again the same file opens.
    Click(IDC_GO);
    ExpectNoBox();
    EXPECT_EQ(ViewerCount(), 1u);
    CloseWithCloseBox();
}

namespace {

int ViewerWindowCount(DWORD threadId)
{
    int count = 0;
    EnumThreadWindows(
        threadId,
        [](HWND window, LPARAM counter) {
            wchar_t name[32] = {};
            GetClassNameW(window, name, 32);
            if (lstrcmpW(name, L"TilvoTextView") == 0 && IsWindow(window))
                ++*reinterpret_cast<int*>(counter);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

}  // namespace

TEST_F(GoStopTest, GoAgainReplacesTheResultWhoseViewerIsOpen)
{
    WriteCategories(ErrorCategory);
    const std::wstring log = dir.File(L"again.log");
    ASSERT_TRUE(WriteBytes(log, TenLines));
    const std::wstring result = ResultBesideExe(L"again.log.greptmp");
    Start();
    Type(IDC_FILE, log);
    Type(IDC_LINES_BEFORE, L"1");
    Type(IDC_LINES_AFTER, L"0");
    Click(IDC_GO);
    ASSERT_TRUE(WaitForIdle());
    ASSERT_EQ(ViewerCount(), 1u);
    EXPECT_EQ(ReadBytes(result), "/line 4\nERROR five\n/line 6\nERROR seven\n");

    // A changed context and Go again: the open viewer goes, the new result comes in a new one.
    Type(IDC_LINES_BEFORE, L"0");
    Click(IDC_GO);
    ASSERT_TRUE(WaitForIdle());
    ExpectNoBox();
    ASSERT_EQ(ViewerCount(), 1u);
    EXPECT_EQ(ViewerPath(0), result);
    EXPECT_EQ(ViewerWindowCount(ui->Id()), 1);
    EXPECT_EQ(ReadBytes(result), "ERROR five\nERROR seven\n");
    std::wstring top;
    ui->Invoke([&] { top = CMainDlg::Instance()->ViewerAt(0)->Reader()->GetLineText(0); });
    EXPECT_EQ(top, L"ERROR five");

    // Another program holding the result: a message that names the file, and no run.
    ui->Invoke([&] { SendMessageW(CMainDlg::Instance()->ViewerAt(0)->Window(), WM_CLOSE, 0, 0); });
    {
        CLogHolder other(result, CLogHolder::Sharing::ReadOnly);
        ASSERT_TRUE(other.Ready()) << "the other program did not open the result";
        Click(IDC_GO);
        const BoxInfo box = ExpectBox(L"Error",
                                      L"The result file " + result +
                                          L" is open in another program.\r\nClose it there, then press Go again.",
                                      BoxIcon::Warning);
        ASSERT_TRUE(Answer(box, IDOK));
        EXPECT_FALSE(Running());
        EXPECT_EQ(ViewerCount(), 0u);
    }
    // Once it has let go, Go works again.
    Click(IDC_GO);
    ASSERT_TRUE(WaitForIdle());
    ExpectNoBox();
    EXPECT_EQ(ViewerCount(), 1u);
    CloseWithCloseBox();
}

TEST_F(GoStopTest, ALogHeldOpenForWritingOpensAndRuns)
{
    const std::wstring log = dir.File(L"held.log");
    ASSERT_TRUE(WriteBytes(log, TenLines));
    const std::wstring result = ResultBesideExe(L"held.log.greptmp");
    WriteCategories(UncheckedCategory);
    Start();
    Type(IDC_FILE, log);
    Type(IDC_LINES_BEFORE, L"0");
    Type(IDC_LINES_AFTER, L"0");
    std::string expected = "ERROR five\nERROR seven\n";
    for (CLogHolder::Sharing sharing : {CLogHolder::Sharing::ReadWrite, CLogHolder::Sharing::ReadOnly}) {
        SCOPED_TRACE(sharing == CLogHolder::Sharing::ReadOnly ? "holder shares reading"
                                                              : "holder shares reading and writing");
        CLogHolder service(log, sharing);
        ASSERT_TRUE(service.Ready());
        // Go with no filter checked opens the log itself; with one, the run reads it.
        Click(IDC_NONE);
        Click(IDC_GO);
        ExpectNoBox();
        ASSERT_GE(ViewerCount(), 1u);
        EXPECT_EQ(ViewerPath(ViewerCount() - 1), log);
        Click(IDC_ALL);
        Click(IDC_GO);
        ASSERT_TRUE(WaitForIdle());
        ExpectNoBox();
        EXPECT_EQ(ViewerPath(ViewerCount() - 1), result);
        EXPECT_EQ(ReadBytes(result), expected);
        // The service goes on writing while its log is shown.
        ASSERT_TRUE(service.Append("ERROR more\n"));
        expected += "ERROR more\n";
    }
    CloseWithCloseBox();
}

TEST_F(GoStopTest, ContextSizesStoredFarOutOfRangeStillRun)
{
    WriteCategories(ErrorCategory);
    ASSERT_TRUE(WriteDwordValue(key, L"LinesBefore", 4294967295u));
    ASSERT_TRUE(WriteDwordValue(key, L"LinesAfter", 2147483647u));
    const std::wstring log = dir.File(L"far.log");
    ASSERT_TRUE(WriteBytes(log, TenLines));
    const std::wstring result = ResultBesideExe(L"far.log.greptmp");
    Start();
    Type(IDC_FILE, log);
    Click(IDC_GO);
    ASSERT_TRUE(WaitForIdle());
    ExpectNoBox();
    EXPECT_EQ(ViewerCount(), 1u);
    // Sizes past the largest signed count are that count: every line is context.
    EXPECT_EQ(Params().linesBefore, 2147483647);
    EXPECT_EQ(ReadBytes(result), "/line 1\n/line 2\n/line 3\n/line 4\nERROR five\n\\line 6\nERROR seven\n\\line 8\n\\line 9\n\\line 10\n");
    CloseWithCloseBox();
}

TEST_F(GoStopTest, NothingHangsTheDialogDeviceNamesOrAWorkerThatCannotEnd)
{
    // Device names, in any case and with any extension, are refused before a run.
    const struct {
        const wchar_t* name;
        bool device;
    } names[] = {
        {L"aux.txt", true},     {L"CON", true},          {L"com1.log", true},
        {L"Lpt9.txt.log", true}, {L"nul .log", true},    {L"C:/x/prn", true},
        {L"auxiliary.log", false}, {L"com10.log", false}, {L"con\\app.log", false},
        {L"lpt.log", false},
    };
    for (const auto& row : names)
        EXPECT_EQ(IsDeviceName(row.name), row.device) << testing::PrintToString(std::wstring(row.name));
    WriteCategories(ErrorCategory);
    Start();
    const std::wstring device = dir.File(L"aux.txt");
    Type(IDC_FILE, device);
    Click(IDC_GO);
    BoxInfo box = ExpectBox(L"Error",
                            L"Unable to search the log file\r\n" + device + L"\r\n\r\nThis is a device, not a log file.",
                            BoxIcon::Warning);
    ASSERT_TRUE(Answer(box, IDOK));
    EXPECT_FALSE(CGrepThread::IsRunning());
    // Among the quoted paths of a set too: a set skips what it cannot read,
    // but a device could keep the run waiting on its first read.
    const std::wstring real = dir.File(L"real.log");
    ASSERT_TRUE(WriteBytes(real, "ERROR one\n"));
    Type(IDC_FILE, L"\"" + real + L"\" \"" + device + L"\"");
    Click(IDC_GO);
    box = ExpectBox(L"Error",
                    L"Unable to search the log file\r\n" + device + L"\r\n\r\nThis is a device, not a log file.",
                    BoxIcon::Warning);
    ASSERT_TRUE(Answer(box, IDOK));
    EXPECT_FALSE(CGrepThread::IsRunning());

    // A worker that cannot be reached is left to end: Go says so, and closing the program
    // does not wait for it but says that its result is incomplete.
    const std::wstring log = dir.File(L"ending.log");
    ASSERT_TRUE(WriteBytes(log, ManyLines(100)));
    CStalledThread stalled;
    CGrepParams other;
    other.logFile = log;
    other.resultFile = ResultBesideExe(L"ending.log.greptmp");
    other.filters = CheckedFilters({L"*1*"});
    ASSERT_TRUE(CGrepThread::Start(other, stalled.Window(), stalled.Window()));
    ASSERT_TRUE(stalled.WaitForSentMessage());
    EXPECT_FALSE(CGrepThread::Stop());
    Type(IDC_FILE, log);
    Click(IDC_GO);
    box = ExpectBox(L"Error", L"The last run is still ending", BoxIcon::Warning);
    ASSERT_TRUE(Answer(box, IDOK));
    EXPECT_FALSE(Running());
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    box = WaitForBox(ui->Id(), dialog);
    EXPECT_EQ(box.caption, L"Warning");
    EXPECT_TRUE(StartsWith(box.text, L"The last run did not end in time. Its result file is incomplete:"))
        << testing::PrintToString(box.text);
    ASSERT_TRUE(Answer(box, IDOK));
    WaitForRunToEnd();
    stalled.Release();
    EXPECT_TRUE(WaitFor("the abandoned worker to end", [] { return !CGrepThread::IsEnding(); }));
}

// A folder names a set: counted before Go while the dialog goes on answering,
// searched into one result named after the folder with a header line before
// each log's kept lines; a log held by another program is skipped and listed in
// a "Warning" box; a pattern that matches nothing is refused before any run.
TEST_F(GoStopTest, AFolderIsCountedSearchedIntoOneResultAndItsSkippedLogNamed)
{
    WriteCategories(ErrorCategory);
    const std::wstring folder = dir.File(L"logs");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring held = folder + L"\\held.log";
    ASSERT_TRUE(WriteBytes(folder + L"\\app.log.1", "ERROR one\nx\n"));
    ASSERT_TRUE(WriteBytes(folder + L"\\app.log", "y\nERROR two\n"));
    ASSERT_TRUE(WriteBytes(held, "ERROR held\n"));
    // The same write time for all: the rotation number, then the name, decide.
    for (const wchar_t* name : {L"app.log.1", L"app.log", L"held.log"}) {
        HANDLE file = CreateFileW((folder + L"\\" + name).c_str(), FILE_WRITE_ATTRIBUTES, 0,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        const FILETIME stamp{0x12345678u, 0x01d00000u};
        SetFileTime(file, nullptr, nullptr, &stamp);
        CloseHandle(file);
    }
    HANDLE holder = CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    const std::wstring result = ResultBesideExe(L"logs.greptmp");
    removeAfter.push_back(result + L".idx");
    Start();

    Type(IDC_FILE, folder + L"\\*.none");
    Click(IDC_GO);
    BoxInfo none = ExpectBox(L"Error", L"The pattern " + folder + L"\\*.none matches no file.",
                             BoxIcon::Warning);
    ASSERT_TRUE(Answer(none, IDOK));
    EXPECT_FALSE(FileExists(result));

    Type(IDC_FILE, folder);
    ASSERT_TRUE(WaitFor("the folder's count", [&] { return Text(IDC_STATUS) == L"3 files, 35 bytes"; }));
    Type(IDC_LINES_BEFORE, L"1");
    Type(IDC_LINES_AFTER, L"1");
    Click(IDC_GO);
    BoxInfo skipped = ExpectBox(L"Warning",
                                L"These files were skipped:\r\n" + held +
                                    L": Unable to open the log file\r\n",
                                BoxIcon::Warning);
    EXPECT_EQ(Text(IDC_STATUS), L"Completed with 2 matches in 2 of 3 files by 0 sec.");
    ASSERT_TRUE(Answer(skipped, IDOK));
    CloseHandle(holder);
    ASSERT_TRUE(WaitFor("the result's viewer", [&] { return ViewerCount() == 1; }));
    // No context crosses from app.log.1 into app.log: "x" is app.log.1's own after-line.
    EXPECT_EQ(ReadBytes(result), "### app.log.1\nERROR one\n\\x\n### app.log\n/y\nERROR two\n");

    // The dialog and the set's result, for the screenshot in docs/.
    HWND viewer = nullptr;
    ui->Invoke([&] {
        viewer = CMainDlg::Instance()->ViewerAt(0)->Window();
        SetWindowPos(dialog, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        RECT placed{};
        GetWindowRect(dialog, &placed);
        SetWindowPos(viewer, HWND_TOP, placed.right + 8, 0, 560, 300, SWP_SHOWWINDOW);
        RedrawWindow(viewer, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_FRAME);
    });
    ui->Settle();
    ASSERT_TRUE(WaitUntilPainted(viewer));
    const std::wstring shots = ExecutableFolder() + L"\\screenshots";
    CreateDirectoryW(shots.c_str(), nullptr);
    EXPECT_TRUE(SaveWindowImage(GetDesktopWindow(), shots + L"\\set-result.bmp"));
    CloseWithCloseBox();
}
