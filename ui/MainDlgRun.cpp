// CMainDlg's file and run commands: Browse, Go/Stop, the end of a run, opening result viewers.
#include "ui/MainDlg.h"

#include "engine/ModulePath.h"
#include "engine/StringException.h"
#include "resources/resource.h"
#include "settings/Settings.h"
#include "ui/WindowText.h"
#include "viewer/TextView.h"

#include <commdlg.h>
#include <shellapi.h>

#include <climits>

namespace {

const wchar_t* const NoFileText = L"You should specify a file name!";
const wchar_t* const StartFailedText = L"Unable to start Grep thread!";
const wchar_t* const CancelledText = L"Cancelled.";
const wchar_t* const ViewPartText = L"Do you want to view processed part of the file?";
const wchar_t* const RunFailedText = L"Operation failed.";
const wchar_t* const CreateViewerFailedText = L"Unable to create TextView";
const wchar_t* const OpenViewerFailedText = L"Unable to open the file";
const wchar_t* const UnknownErrorText = L"Unknown error";
const wchar_t* const ResultExtension = L".greptmp";

constexpr size_t FileNameLength = 4096;

// The result file: beside the executable when the log name has a folder, else the log name
// itself (a bare or forward-slashed name has no backslash), with the result extension.
std::wstring ResultFileName(const std::wstring& logFile)
{
    size_t slash = logFile.rfind(L'\\');
    if (slash == std::wstring::npos)
        return logFile + ResultExtension;
    return ExecutableFolder() + logFile.substr(slash) + ResultExtension;
}

// A context size as typed: unsigned decimal, 0 for anything else. The up-down's range does not
// bound it, but the run counts in signed numbers, so a size beyond those is the largest one.
int ContextSize(HWND dialog, int editId)
{
    UINT value = GetDlgItemInt(dialog, editId, nullptr, FALSE);
    return value > static_cast<UINT>(INT_MAX) ? INT_MAX : static_cast<int>(value);
}

// Closes a viewer that failed to open; the object goes with it.
void DiscardViewer(std::unique_ptr<CTextView>& viewer)
{
    if (viewer) {
        viewer->Close();
        viewer.reset();
    }
}

}  // namespace

std::wstring CMainDlg::FileBoxText() const
{
    return WindowText(Item(IDC_FILE));
}

void CMainDlg::Browse()
{
    std::wstring current = FileBoxText();
    if (current.size() >= FileNameLength)
        current.resize(FileNameLength - 1);
    std::wstring buffer(FileNameLength, L'\0');
    current.copy(buffer.data(), current.size());

    Settings& settings = AppSettings();
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = hwnd;
    dialog.lpstrFilter = L"Log Files (*.log;*.txt)\0*.log;*.txt\0Any File (*.*)\0*.*\0";
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = static_cast<DWORD>(FileNameLength);
    dialog.lpstrInitialDir = settings.LastFolder.c_str();
    dialog.Flags = OFN_ENABLESIZING | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    if (!GetOpenFileNameW(&dialog))
        return;

    PutFileInBox(buffer.c_str());
}

void CMainDlg::PutFileInBox(const std::wstring& path)
{
    SetDlgItemTextW(hwnd, IDC_FILE, path.c_str());
    const size_t slash = path.find_last_of(L"\\/");
    if (slash != std::wstring::npos)
        AppSettings().LastFolder = path.substr(0, slash + 1);
    UpdateControls();
}

void CMainDlg::OnDropFiles(HDROP drop)
{
    // The first file dropped; a folder is no log.
    std::wstring path(DragQueryFileW(drop, 0, nullptr, 0) + 1, L'\0');
    const UINT length = DragQueryFileW(drop, 0, path.data(), UINT(path.size()));
    DragFinish(drop);
    path.resize(length);
    if (path.empty())
        return;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        Message((L"This is a folder, not a log file:\r\n" + path).c_str(), L"Error",
                MB_OK | MB_ICONWARNING);
        return;
    }
    PutFileInBox(path);
}

void CMainDlg::GoOrStop()
{
    if (running)
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
    if (count > AppSettings().RecentLimit)
        SendMessageW(fileBox, CB_DELETESTRING, static_cast<WPARAM>(count - 1), 0);
    SendMessageW(fileBox, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(path.c_str()));
}

bool CMainDlg::CollectCheckedFilters()
{
    runParams.filterTexts.clear();
    runParams.filterModes.clear();
    HWND list = FilterList();
    if (!list)
        return false;
    int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        int state = ItemState(i);
        if (!(state & 1))
            continue;
        std::wstring text = ItemText(i);
        if (text.empty())
            continue;
        runParams.filterTexts.push_back(std::move(text));
        runParams.filterModes.push_back(state == 3 ? 1 : 0);
    }
    return true;
}

void CMainDlg::Go()
{
    std::wstring path = FileBoxText();
    if (path.empty()) {
        Message(NoFileText, L"Error", MB_OK | MB_ICONWARNING);
        return;
    }
    AddToRecentFiles(path);
    AppSettings().LastFile = path;
    runParams.logFile = path;
    runParams.resultFile = ResultFileName(path);
    runParams.linesBefore = ContextSize(hwnd, IDC_LINES_BEFORE);
    runParams.linesAfter = ContextSize(hwnd, IDC_LINES_AFTER);
    runParams.decoding = AppLineDecoding();
    if (!CollectCheckedFilters())
        return;
    if (runParams.filterTexts.empty()) {
        OpenViewer(runParams.logFile.c_str());
        return;
    }
    if (!CGrepThread::Start(runParams, hwnd, Item(IDC_STATUS))) {
        Message(StartFailedText, L"Error", MB_OK | MB_ICONWARNING);
        return;
    }
    ShowRunningState(true);
}

void CMainDlg::Stop()
{
    // A run that reaches its end just as the stop is asked may still deliver its finished
    // notice while Stop waits; with `running` already clear that notice changes nothing.
    running = false;
    CGrepThread::Stop();
    ShowRunningState(false);
    SetDlgItemTextW(hwnd, IDC_STATUS, CancelledText);
    if (Message(ViewPartText, L"Stopped", MB_YESNO | MB_ICONQUESTION) == IDYES)
        OpenViewer(runParams.resultFile.c_str());
}

void CMainDlg::ShowRunningState(bool isRunning)
{
    running = isRunning;
    SetCursor(LoadCursorW(nullptr, isRunning ? IDC_APPSTARTING : IDC_ARROW));
    SetDlgItemTextW(hwnd, IDC_GO, isRunning ? L"&Stop" : L"&Go");
    UpdateControls();
}

void CMainDlg::OnRunFinished(bool succeeded)
{
    if (!running)
        return;
    ShowRunningState(false);
    if (succeeded)
        OpenViewer(runParams.resultFile.c_str());
    else
        Message(RunFailedText, L"Error", MB_OK | MB_ICONWARNING);
}

CTextView* CMainDlg::OpenViewer(const wchar_t* path)
{
    FreeClosedViewers();
    std::unique_ptr<CTextView> viewer;
    try {
        viewer = std::make_unique<CTextView>(hInstance);
    } catch (...) {
        Message(CreateViewerFailedText, L"Error", MB_OK | MB_ICONERROR);
        return nullptr;
    }
    try {
        viewer->SetNotifyWindow(hwnd);
        if (!viewer->Create(path)) {
            DiscardViewer(viewer);
            Message(CreateViewerFailedText, L"Error", MB_OK | MB_ICONERROR);
            return nullptr;
        }
        if (!viewer->OpenFile(path)) {
            DiscardViewer(viewer);
            Message(OpenViewerFailedText, L"Error", MB_OK | MB_ICONWARNING);
            return nullptr;
        }
        HWND window = viewer->Window();
        CTextView* opened = viewer.get();
        viewers.push_back(ViewerEntry{std::move(viewer), window});
        return opened;
    } catch (const CStringException& e) {
        DiscardViewer(viewer);
        Message(e.ToString(), L"Error", MB_OK | MB_ICONWARNING);
    } catch (const wchar_t* text) {
        DiscardViewer(viewer);
        Message(text, L"Error", MB_OK | MB_ICONWARNING);
    } catch (...) {
        DiscardViewer(viewer);
        Message(UnknownErrorText, L"Error", MB_OK | MB_ICONWARNING);
    }
    return nullptr;
}
