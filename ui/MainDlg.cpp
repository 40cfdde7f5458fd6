// CMainDlg's life: the one instance, Run with its load and save order, the dialog procedure, the close step.
#include "ui/MainDlg.h"

#include "categories/CategoryStore.h"
#include "win32/StringException.h"
#include "resources/resource.h"
#include "settings/ColorMap.h"
#include "settings/Settings.h"
#include "store/LoadReport.h"
#include "ui/LoadWarning.h"
#include "ui/WindowPlaces.h"
#include "ui/WindowText.h"
#include "viewer/TextView.h"
#include "viewer/UnpackedLogs.h"

#include <utility>

namespace {

// WM_DPICHANGED, newer than the headers this builds against.

const wchar_t* const kDuplicateInstanceText = L"Duplicate MainDlg instance!";
const wchar_t* const kLoadCategoriesFailedText =
    L"Unable to load filter categories!\r\nPlease check TilvoCats.dat file.";
const wchar_t* const kLoadColorsFailedText = L"Unable to load settings";
const wchar_t* const kSaveColorsFailedText = L"Unable to save settings";
const wchar_t* const kSaveCategoriesFailedText = L"Unable to save filter categories!";
const wchar_t* const kDialogFailedText = L"Unable to show the main dialog";

CMainDlg* g_instance = nullptr;

// Empties the category store when Run is left by an exception.
class CClearCategoriesOnThrow {
public:
    CClearCategoriesOnThrow() = default;
    ~CClearCategoriesOnThrow()
    {
        if (armed)
            ClearCategories();
    }
    CClearCategoriesOnThrow(const CClearCategoriesOnThrow&) = delete;
    CClearCategoriesOnThrow& operator=(const CClearCategoriesOnThrow&) = delete;
    void Disarm() { armed = false; }

private:
    bool armed = true;
};

}  // namespace

CMainDlg::CMainDlg(HINSTANCE instance, Storage storageIn)
    : m_instance(instance), m_storage(std::move(storageIn))
{
    if (g_instance)
        throw CStringException(L"CMainDlg::CMainDlg", kDuplicateInstanceText);
    g_instance = this;
}

CMainDlg::~CMainDlg()
{
    // A run still going when the dialog closed has worked on, unseen, while everything was
    // saved; it ends here. Nothing may leave a destructor, so a lock failure is dropped.
    try {
        if (CGrepThread::IsRunning())
            CGrepThread::Stop();
        // The worker is stuck in a read or a write: the program ends without it.
        if (CGrepThread::IsEnding()) {
            const std::wstring text =
                L"The last run did not end in time. Its result file is incomplete:\r\n" +
                m_runParams.resultFile;
            MessageBoxW(nullptr, text.c_str(), L"Warning", MB_OK | MB_ICONWARNING);
        }
    } catch (...) {
    }
    if (g_instance == this)
        g_instance = nullptr;
}

CMainDlg* CMainDlg::Instance()
{
    return g_instance;
}

void CMainDlg::Run()
{
    // Copies of compressed logs that a killed instance left behind; those of instances still
    // running are theirs.
    SetUnpackFolder(m_storage.tempFolder);
    RemoveLeftoverCopies(UnpackFolder());
    CClearCategoriesOnThrow clearOnThrow;
    ClearCategories();
    bool categoriesLoaded = m_storage.categoriesFile.empty() ? LoadCategories()
                                                           : LoadCategories(m_storage.categoriesFile);
    if (!categoriesLoaded)
        MessageBoxW(nullptr, kLoadCategoriesFailedText, L"Error", MB_OK | MB_ICONERROR);
    WarnAboutLoad(CategoriesFileInUse());
    if (m_storage.settingsKey.empty())
        LoadSettings();
    else if (m_storage.categoriesFile.empty())
        LoadSettings(m_storage.settingsKey.c_str());
    else
        LoadSettings(m_storage.settingsKey.c_str(), m_storage.categoriesFile);
    const std::wstring colorsFile = m_storage.colorsFile.empty() ? ColorsFilePath() : m_storage.colorsFile;
    bool colorsLoaded = LoadColors(colorsFile);
    // A bad entry is named with its line below; the bare text is for a file that could not be read.
    if (!colorsLoaded && LoadStopLine(colorsFile) == 0)
        MessageBoxW(nullptr, kLoadColorsFailedText, L"Warning", MB_OK | MB_ICONWARNING);
    WarnAboutLoad(colorsFile);

    // An exception a handler let go has ended the dialog and leaves Run here.
    INT_PTR ended = -1;
    try {
        ended = DoModal(m_instance, IDD_MAIN, nullptr);
    } catch (...) {
        ForgetWindow();
        throw;
    }
    ForgetWindow();
    // A dialog that could not even be created would otherwise end the program without a word.
    if (ended == -1)
        throw CStringException(L"CMainDlg::Run", kDialogFailedText);

    // A colour file that failed to load is never overwritten.
    if (colorsLoaded) {
        bool saved = m_storage.colorsFile.empty() ? SaveColors() : SaveColors(m_storage.colorsFile);
        if (!saved)
            MessageBoxW(nullptr, kSaveColorsFailedText, L"Warning", MB_OK | MB_ICONWARNING);
    }
    if (m_storage.settingsKey.empty())
        SaveSettings();
    else
        SaveSettings(m_storage.settingsKey.c_str());
    bool categoriesSaved = m_storage.categoriesFile.empty() ? SaveCategories()
                                                          : SaveCategories(m_storage.categoriesFile);
    if (!categoriesSaved)
        MessageBoxW(nullptr, kSaveCategoriesFailedText, L"Warning", MB_OK | MB_ICONWARNING);
    clearOnThrow.Disarm();
    ClearCategories();
}

INT_PTR CMainDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SETCURSOR:
        return OnSetCursor(reinterpret_cast<HWND>(wParam), static_cast<short>(LOWORD(lParam)));
    case WM_RUN_FINISHED:
        if (m_followViewer)
            OnFollowingEnded(FinishedEnd(static_cast<int>(wParam)));
        else
            OnRunFinished(FinishedEnd(static_cast<int>(wParam)));
        return FALSE;
    case WM_SET_COUNTED:
        OnSetCounted(wParam, lParam);
        return TRUE;
    case WM_RESULT_GREW:
        OnResultGrew();
        return FALSE;
    case WM_RUN_PROGRESS:
        OnRunProgress(static_cast<int>(wParam));
        return FALSE;
    case WM_DROPFILES:
        OnDropFiles(reinterpret_cast<HDROP>(wParam));
        return FALSE;
    case WM_GETMINMAXINFO:
        OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam));
        return FALSE;
    case kDpiChangedMessage:
        OnDpiChanged(reinterpret_cast<const RECT*>(lParam));
        return TRUE;
    }
    return FALSE;
}

void CMainDlg::ForgetWindow()
{
    m_currentCategory = nullptr;   // its list has gone with the dialog
    m_imageList.Reset();
    FreeClosedViewers();
}

BOOL CMainDlg::OnSetCursor(HWND, int hitTest)
{
    // The busy arrow set by Go would give way to the control's own cursor at the first mouse
    // move; over the client area it stays for as long as the run goes on.
    if (!m_running || m_followViewer || hitTest != HTCLIENT)
        return FALSE;
    SetCursor(LoadCursorW(nullptr, IDC_APPSTARTING));
    SetWindowLongPtrW(m_window, DWLP_MSGRESULT, TRUE);
    return TRUE;
}

void CMainDlg::CloseStep()
{
    Settings& settings = AppSettings();
    HWND fileBox = Item(IDC_FILE);
    settings.RecentFiles.clear();
    int count = static_cast<int>(SendMessageW(fileBox, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        std::wstring entry = ComboEntryText(fileBox, i);
        if (!entry.empty())
            settings.RecentFiles.push_back(std::move(entry));
    }
    settings.LinesBefore = GetDlgItemInt(m_window, IDC_LINES_BEFORE, nullptr, FALSE);
    settings.LinesAfter = GetDlgItemInt(m_window, IDC_LINES_AFTER, nullptr, FALSE);
    ReadBackFilters();
    RememberPlace(m_window, settings.MainPlace);
    CloseAllViewers();
    // The image list outlives this step: the list view still draws with it until the dialog
    // window is gone, so it is destroyed once DoModal has returned.
}

void CMainDlg::RememberPlace(HWND window, std::wstring& setting) const
{
    // The restored frame of a minimised or maximised window: where it returns to.
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    if (!GetWindowPlacement(window, &placement))
        return;
    RECT place = placement.rcNormalPosition;
    // The normal position counts from the work area's corner; windows are placed on the screen.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor))
        OffsetRect(&place, monitor.rcWork.left - monitor.rcMonitor.left,
                   monitor.rcWork.top - monitor.rcMonitor.top);
    setting = PlaceText(place);
}

void CMainDlg::CloseAllViewers()
{
    // Each Close destroys a viewer window, which reports back through OnNotify; the list is
    // taken out first so that report finds nothing to change while this loop runs.
    std::vector<ViewerEntry> open = std::move(m_viewers);
    m_viewers.clear();
    if (!open.empty())
        RememberPlace(open.back().window, AppSettings().ViewerPlace);
    for (ViewerEntry& viewer : open) {
        viewer.view->Close();
        m_closedViewers.push_back(std::move(viewer.view));
    }
}

void CMainDlg::FreeClosedViewers()
{
    m_closedViewers.clear();
}

int CMainDlg::Message(const wchar_t* text, const wchar_t* caption, UINT flags) const
{
    return MessageBoxW(m_window, text, caption, flags);
}
