// CMainDlg's file and run commands: Browse, Go/Stop, the end of a run, opening result viewers.
#include "ui/MainDlg.h"

#include "win32/DeviceName.h"
#include "win32/FailureWords.h"
#include "win32/Handle.h"
#include "win32/LogPath.h"
#include "win32/PathRules.h"
#include "win32/Taskbar.h"
#include "win32/StringException.h"
#include "resources/resource.h"
#include "settings/Settings.h"
#include "ui/WindowPlaces.h"
#include "ui/WindowText.h"
#include "engine/run/CompressedLog.h"
#include "engine/run/LogSet.h"
#include "viewer/TextView.h"

#include <commdlg.h>
#include <shellapi.h>

#include <climits>
#include <cwchar>

namespace {

const wchar_t* const kNoFileText = L"You should specify a file name!";
const wchar_t* const kStartFailedText = L"Unable to start Grep thread!";
const wchar_t* const kCancelledText = L"Cancelled.";
const wchar_t* const kViewPartText = L"Do you want to view processed part of the file?";
const wchar_t* const kRunFailedText = L"Operation failed.";
const wchar_t* const kCreateViewerFailedText = L"Unable to create TextView";
const wchar_t* const kOpenViewerFailedText = L"Unable to open the file";
const wchar_t* const kUnknownErrorText = L"Unknown error";
const wchar_t* const kStillEndingText = L"The last run is still ending";

constexpr size_t kFileNameLength = 4096;

std::wstring UnreadableLogText(const std::wstring& path, const std::wstring& reason)
{
    return L"Unable to search the log file\r\n" + path + L"\r\n\r\n" + reason;
}

// A context size as typed: unsigned decimal, 0 for anything else. The up-down's range does not
// bound it, but the run counts in signed numbers, so a size beyond those is the largest one.
int ContextSize(HWND dialog, int editId)
{
    UINT value = GetDlgItemInt(dialog, editId, nullptr, FALSE);
    return value > static_cast<UINT>(INT_MAX) ? INT_MAX : static_cast<int>(value);
}

// True when another program keeps the result file from being replaced: the writer's own open,
// tried on the existing file, meets a sharing or lock conflict. A missing file is no obstacle.
bool HeldByAnotherProgram(const std::wstring& path)
{
    const CFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.IsOpen())
        return false;
    const DWORD error = GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

std::wstring ResultHeldText(const std::wstring& path)
{
    return L"The result file " + path + L" is open in another program.\r\n"
           L"Close it there, then press Go again.";
}

// Why `path` cannot be searched at all, or "": a folder is no log, and a device
// name opens a device whose reads may never return.
std::wstring NotALogText(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return L"This is a folder, not a log file:\r\n" + path;
    if (IsDeviceName(path))
        return L"This is a device name, not a log file:\r\n" + path;
    return {};
}

// Closes a viewer that failed to open; the object goes with it.
void DiscardViewer(std::unique_ptr<CTextView>& viewer)
{
    if (viewer) {
        viewer->Close();
        viewer.reset();
    }
}

// Paths as Windows' multi-select writes them: each in double quotes, blanks between.
std::wstring QuotedPaths(const std::vector<std::wstring>& paths)
{
    std::wstring text;
    for (const std::wstring& path : paths)
        text += (text.empty() ? L"\"" : L" \"") + path + L"\"";
    return text;
}

// The files of a set as the run takes them, oldest first.
bool SetLogs(const CLogSet& set, std::vector<CSetLog>& logs)
{
    logs.clear();
    for (const CLogSetFile& file : set.Files())
        logs.push_back(CSetLog{file.path, file.name});
    return !logs.empty();
}

// "Warning" text for the logs a run skipped: the first 20 with their reasons.
std::wstring SkippedText(const std::vector<CSkippedLog>& skipped)
{
    std::wstring text = L"These files were skipped:\r\n";
    const size_t shown = skipped.size() < 20 ? skipped.size() : 20;
    for (size_t i = 0; i < shown; ++i)
        text += skipped[i].path + L": " + FailureWords(skipped[i].reason) + L"\r\n";
    if (skipped.size() > shown)
        text += L"and " + std::to_wstring(skipped.size() - shown) + L" more.";
    return text;
}

}  // namespace

std::wstring CMainDlg::FileBoxText() const
{
    return WindowText(Item(IDC_FILE));
}

void CMainDlg::Browse()
{
    std::wstring current = FileBoxText();
    if (current.size() >= kFileNameLength)
        current.resize(kFileNameLength - 1);
    std::wstring buffer(kFileNameLength, L'\0');
    current.copy(buffer.data(), current.size());

    Settings& settings = AppSettings();
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = m_window;
    dialog.lpstrFilter = L"Log Files (*.log;*.txt)\0*.log;*.txt\0Any File (*.*)\0*.*\0";
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = static_cast<DWORD>(kFileNameLength);
    dialog.lpstrInitialDir = settings.LastFolder.c_str();
    // Several files may be picked: the box then holds each in double quotes.
    dialog.Flags = OFN_ENABLESIZING | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_EXPLORER |
                   OFN_ALLOWMULTISELECT;
    if (!GetOpenFileNameW(&dialog))
        return;
    // One file: its full path. Several: the folder, then each name, each
    // ended by a zero, the last by two.
    std::vector<std::wstring> picked;
    for (const wchar_t* part = buffer.c_str() + wcslen(buffer.c_str()) + 1; *part;
         part += wcslen(part) + 1)
        picked.push_back(buffer.c_str() + std::wstring(L"\\") + part);
    if (picked.empty())
        PutFileInBox(buffer.c_str());
    else
        PutFileInBox(QuotedPaths(picked));
}

void CMainDlg::OnFileBoxChanged()
{
    if (!m_running)
        m_setCounter.Count(m_window, FileBoxText());
}

void CMainDlg::OnSetCounted(WPARAM number, LPARAM text)
{
    std::wstring summary;
    if (!m_setCounter.Take(number, text, summary) || m_running)
        return;
    // One file leaves the status line as it was, unless it showed a count.
    if (summary.empty() && !m_summaryShown)
        return;
    SetDlgItemTextW(m_window, IDC_STATUS, summary.c_str());
    m_summaryShown = !summary.empty();
}

void CMainDlg::PutFileInBox(const std::wstring& path)
{
    SetDlgItemTextW(m_window, IDC_FILE, path.c_str());
    OnFileBoxChanged();
    const size_t slash = path.find_last_of(L"\\/");
    if (slash != std::wstring::npos)
        AppSettings().LastFolder = path.substr(0, slash + 1);
    UpdateControls();
}

void CMainDlg::OnDropFiles(HDROP drop)
{
    // Several files dropped go in together, each in double quotes.
    std::vector<std::wstring> dropped;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::wstring one(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        one.resize(DragQueryFileW(drop, i, one.data(), UINT(one.size())));
        if (!one.empty())
            dropped.push_back(one);
    }
    DragFinish(drop);
    if (dropped.size() > 1) {
        PutFileInBox(QuotedPaths(dropped));
        return;
    }
    OfferLog(dropped.empty() ? std::wstring() : dropped.front());
}

void CMainDlg::OfferLog(const std::wstring& path)
{
    if (path.empty())
        return;
    const std::wstring refusal = NotALogText(path);
    if (!refusal.empty()) {
        Message(refusal.c_str(), L"Error", MB_OK | MB_ICONWARNING);
        return;
    }
    PutFileInBox(path);
}

void CMainDlg::GoOrStop()
{
    if (m_followViewer)
        StopFollowing();
    else if (m_running)
        Stop();
    else
        Go();
}

void CMainDlg::AddToRecentFiles(const std::wstring& path)
{
    HWND fileBox = Item(IDC_FILE);
    LRESULT found = SendMessageW(fileBox, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(path.c_str()));
    if (found != CB_ERR)
        return;
    LRESULT count = SendMessageW(fileBox, CB_GETCOUNT, 0, 0);
    if (count > 0 && static_cast<size_t>(count) > AppSettings().RecentBound())
        SendMessageW(fileBox, CB_DELETESTRING, static_cast<WPARAM>(count - 1), 0);
    SendMessageW(fileBox, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(path.c_str()));
}

bool CMainDlg::CollectCheckedFilters()
{
    m_runParams.filters.clear();
    HWND list = FilterList();
    if (!list)
        return false;
    int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        CFilter filter = ListFilter(i);
        if (filter.checked && !filter.text.empty())
            m_runParams.filters.push_back(std::move(filter));
    }
    return true;
}

void CMainDlg::Go()
{
    const std::wstring typed = FileBoxText();
    const std::wstring path = PlainLogPath(typed);
    if (path.empty()) {
        Message(kNoFileText, L"Error", MB_OK | MB_ICONWARNING);
        return;
    }
    // A stopped run whose worker is still stuck in a read: it must end first.
    if (CGrepThread::IsEnding()) {
        Message(kStillEndingText, L"Error", MB_OK | MB_ICONWARNING);
        return;
    }
    if (path != typed)
        SetDlgItemTextW(m_window, IDC_FILE, path.c_str());
    // A folder, a pattern or several quoted paths name a set; a pattern or
    // folder that names nothing is said before any run.
    CLogSet set;
    std::wstring problem;
    if (!set.Expand(path, problem)) {
        Message(problem.empty() ? kNoFileText : problem.c_str(), L"Error",
                MB_OK | MB_ICONWARNING);
        return;
    }
    // Said before anything starts, with the path and the system's reason: a run or a viewer
    // that fails on its first open would only know that "the file" could not be opened.
    // A set skips a log it cannot read, but a device among quoted paths could
    // keep the run waiting on its first read: it is refused like a single one.
    std::wstring refused = path;
    std::wstring reason;
    if (!set.IsSet()) {
        reason = WhyLogUnreadable(path);
    } else {
        for (const CLogSetFile& file : set.Files()) {
            if (IsDeviceName(file.path)) {
                refused = file.path;
                reason = WhyLogUnreadable(file.path);
                break;
            }
        }
    }
    if (!reason.empty()) {
        SetDlgItemTextW(m_window, IDC_STATUS, (L"Unable to open the log: " + reason).c_str());
        Message(UnreadableLogText(refused, reason).c_str(), L"Error", MB_OK | MB_ICONWARNING);
        return;
    }
    AddToRecentFiles(path);
    AppSettings().LastFile = path;
    m_runParams.logSet.clear();
    if (set.IsSet()) {
        m_runParams.logFile = path;
        m_runParams.resultFile = ResultFileName(set.Folder() + set.ResultName());
        SetLogs(set, m_runParams.logSet);
    } else {
        // One path, without quotes around it.
        m_runParams.logFile = set.Files().front().path;
        m_runParams.resultFile = ResultFileName(m_runParams.logFile);
    }
    m_runParams.linesBefore = ContextSize(m_window, IDC_LINES_BEFORE);
    m_runParams.linesAfter = ContextSize(m_window, IDC_LINES_AFTER);
    m_runParams.decoding = AppLineDecoding();
    if (!CollectCheckedFilters())
        return;
    // With no filter the log itself is viewed; a .gz in a decompressed copy. A zip is a set
    // of logs: a run copies its members whole, each under its header line.
    if (m_runParams.filters.empty() && m_runParams.logSet.empty()) {
        switch (PackingOf(m_runParams.logFile)) {
        case LogPacking::Plain:
            OpenViewer(m_runParams.logFile.c_str());
            return;
        case LogPacking::Gzip:
            if (auto copy = UnpackForViewing(m_window, m_runParams.logFile))
                OpenViewer(copy);
            return;
        case LogPacking::Zip:
            break;
        }
    }
    // Going again on the same log is the usual thing to do: the viewer of the last result
    // holds the file, so it goes first and the new run replaces the result.
    CloseViewersOf(m_runParams.resultFile);
    if (HeldByAnotherProgram(m_runParams.resultFile)) {
        Message(ResultHeldText(m_runParams.resultFile).c_str(), L"Error", MB_OK | MB_ICONWARNING);
        return;
    }
    if (!CGrepThread::Start(m_runParams, m_window, Item(IDC_STATUS))) {
        Message(kStartFailedText, L"Error", MB_OK | MB_ICONWARNING);
        return;
    }
    m_summaryShown = false;
    ShowRunningState(true);
}

void CMainDlg::Stop()
{
    // A run that reaches its end just as the stop is asked may still deliver its finished
    // notice while Stop waits; with `m_running` already clear that notice changes nothing.
    m_running = false;
    CGrepThread::Stop();
    ShowRunningState(false);
    SetDlgItemTextW(m_window, IDC_STATUS, kCancelledText);
    if (Message(kViewPartText, L"Stopped", MB_YESNO | MB_ICONQUESTION) == IDYES)
        OpenViewer(m_runParams.resultFile.c_str());
}

void CMainDlg::CloseViewersOf(const std::wstring& path)
{
    // As in CloseAllViewers: out of the list first, so the closing reports find nothing to do.
    std::vector<ViewerEntry> closing;
    for (auto it = m_viewers.begin(); it != m_viewers.end();) {
        if (SamePath(it->view->FilePath(), path)) {
            closing.push_back(std::move(*it));
            it = m_viewers.erase(it);
        } else {
            ++it;
        }
    }
    for (ViewerEntry& viewer : closing) {
        viewer.view->Close();
        m_closedViewers.push_back(std::move(viewer.view));
    }
}

void CMainDlg::OnRunProgress(int percent)
{
    if (m_running && !m_followViewer)
        AppTaskbar().ShowProgress(m_window, percent);
}

void CMainDlg::ShowRunningState(bool isRunning)
{
    m_running = isRunning;
    if (!isRunning)
        AppTaskbar().ClearProgress(m_window);
    SetCursor(LoadCursorW(nullptr, isRunning ? IDC_APPSTARTING : IDC_ARROW));
    SetDlgItemTextW(m_window, IDC_GO, isRunning ? L"&Stop" : L"&Go");
    UpdateControls();
}

void CMainDlg::OnRunFinished(GrepEnd end)
{
    if (!m_running)
        return;
    ShowRunningState(false);
    // Nothing is skipped silently.
    const std::vector<CSkippedLog> skipped = CGrepThread::SkippedLogs();
    if (!skipped.empty())
        Message(SkippedText(skipped).c_str(), L"Warning", MB_OK | MB_ICONWARNING);
    if (end == GrepEnd::Completed)
        // A run ends while the user may be working in another program: its result comes to the
        // front only when this program is in front, and otherwise asks for attention.
        OpenViewer(m_runParams.resultFile.c_str(), AppTaskbar().ProgramActive());
    else
        Message(kRunFailedText, L"Error", MB_OK | MB_ICONWARNING);
}

CTextView* CMainDlg::OpenViewer(const wchar_t* path, bool activate)
{
    return OpenViewer(path, activate, nullptr);
}

CTextView* CMainDlg::OpenViewer(const std::shared_ptr<CUnpackedLog>& copy)
{
    return OpenViewer(copy->Path().c_str(), true, copy);
}

CTextView* CMainDlg::OpenViewer(const wchar_t* path, bool activate,
                                const std::shared_ptr<CUnpackedLog>& copy)
{
    FreeClosedViewers();
    std::unique_ptr<CTextView> viewer;
    try {
        viewer = std::make_unique<CTextView>(m_instance);
    } catch (...) {
        Message(kCreateViewerFailedText, L"Error", MB_OK | MB_ICONERROR);
        return nullptr;
    }
    try {
        viewer->SetNotifyWindow(m_window);
        const RECT place = NextViewerPlace();
        // A copy's title names the log it was made of, which is what the user opened.
        if (!viewer->CreateHidden(copy ? copy->Original().c_str() : path, &place)) {
            DiscardViewer(viewer);
            Message(kCreateViewerFailedText, L"Error", MB_OK | MB_ICONERROR);
            return nullptr;
        }
        if (!viewer->OpenFile(path, copy)) {
            DiscardViewer(viewer);
            Message(kOpenViewerFailedText, L"Error", MB_OK | MB_ICONWARNING);
            return nullptr;
        }
        viewer->Show(activate);
        HWND window = viewer->Window();
        if (!activate)
            AppTaskbar().Flash(window);
        CTextView* opened = viewer.get();
        m_viewers.push_back(ViewerEntry{std::move(viewer), window});
        return opened;
    } catch (const CStringException& e) {
        DiscardViewer(viewer);
        Message(e.ToString(), L"Error", MB_OK | MB_ICONWARNING);
    } catch (const wchar_t* text) {
        DiscardViewer(viewer);
        Message(text, L"Error", MB_OK | MB_ICONWARNING);
    } catch (...) {
        DiscardViewer(viewer);
        Message(ExceptionText(kUnknownErrorText), L"Error", MB_OK | MB_ICONWARNING);
    }
    return nullptr;
}

RECT CMainDlg::WorkArea() const
{
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (GetMonitorInfoW(MonitorFromWindow(m_window, MONITOR_DEFAULTTONEAREST), &monitor))
        return monitor.rcWork;
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

RECT CMainDlg::NextViewerPlace() const
{
    ViewerPlaceInputs in;
    in.work = WorkArea();
    if (m_window)
        GetWindowRect(Item(IDC_STATUS), &in.statusLine);
    RECT last{};
    if (!m_viewers.empty() && GetWindowRect(m_viewers.back().window, &last))
        in.lastViewer = &last;
    RECT remembered{};
    if (ParsePlace(AppSettings().ViewerPlace, remembered))
        in.remembered = &remembered;
    return NewViewerPlace(in);
}

void CMainDlg::PlaceBeside(HWND resultWindow, HWND logWindow) const
{
    RECT result{};
    if (!GetWindowRect(resultWindow, &result))
        return;
    const PairPlaces pair = SideBySide(WorkArea(), result);
    auto move = [](HWND window, const RECT& r) {
        SetWindowPos(window, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    };
    move(resultWindow, pair.result);
    move(logWindow, pair.log);
}
