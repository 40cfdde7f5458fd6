// CMainDlg: the program's one dialog, with the file box, context sizes, Go/Stop and the filter list.
#pragma once

#include "engine/io/FileReader.h"
#include "engine/run/GrepThread.h"
#include "ui/SetCounter.h"
#include "win32/Dialog.h"
#include "win32/GdiScope.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

struct Category;
class CTextView;
class CUnpackedLog;

// The dialog's side of the worker/UI protocol written out in engine/run/GrepThread.h: Go starts the
// run with the dialog and its status line, OnRunFinished handles WM_RUN_FINISHED, and Stop resets
// the button itself because a stopped run sends nothing. A result viewer tells the dialog that its
// window has gone with NM_VIEWER_CLOSED (viewer/TextView.h) from inside its WM_DESTROY; the dialog
// drops it from its list and frees the object once the viewer's window procedure has returned.
// Following: a viewer's Follow command reaches the dialog as NM_VIEWER_FOLLOW; when the viewer
// shows the last completed run's result the dialog calls CGrepThread::Follow, the Go button reads
// Stop and the viewer's menu item is checked until following ends. WM_RESULT_GREW makes every
// viewer of the result look at its file again; a WM_RUN_FINISHED while following means that
// following has ended by itself (wParam 2: the log is gone; 0: a failure).
class CMainDlg : public CDialog {
public:
    // Where the categories, colours and settings are kept. Empty fields mean the program's
    // own places (the files beside the executable, the registry key of the current user);
    // tests point them at temporary files and a throw-away key.
    struct Storage {
        std::wstring categoriesFile;
        std::wstring colorsFile;
        std::wstring settingsKey;
        // Where compressed logs are decompressed for viewing: the user's temporary folder
        // when empty. Ends in a backslash.
        std::wstring tempFolder;
    };

    // Throws CStringException "Duplicate MainDlg instance!" when an instance exists.
    explicit CMainDlg(HINSTANCE instance, Storage storage = {});
    ~CMainDlg() override;
    CMainDlg(const CMainDlg&) = delete;
    CMainDlg& operator=(const CMainDlg&) = delete;

    // The one instance, or null.
    static CMainDlg* Instance();

    // A log named on the command line ("Open with", a file dropped on the
    // program): it is in the file box when the dialog opens, as if browsed.
    void SetStartFile(const std::wstring& path) { m_startFile = path; }

    // Loads the store, settings and colours, shows the dialog modally, then saves everything.
    void Run();

    bool IsRunning() const { return m_running; }
    size_t ViewerCount() const { return m_viewers.size(); }
    CTextView* ViewerAt(size_t index) const { return m_viewers[index].view.get(); }
    const Category* CurrentCategory() const { return m_currentCategory; }
    const CGrepParams& RunParams() const { return m_runParams; }
    bool IsFollowing() const { return m_followViewer != nullptr; }
    // Opens a viewer of `path` that notifies the dialog, as a completed run does for its result;
    // null when it could not be opened (the user has been told).
    CTextView* OpenViewer(const wchar_t* path) { return OpenViewer(path, true); }

private:
    // Handlers of the dialog procedure.
    BOOL OnInitDialog() override;
    void OnSize(int width, int height) override;
    BOOL OnCommand(int id, int code) override;
    BOOL OnNotify(const NMHDR* header) override;
    // The close step: the file box, the context sizes, the filter list and the window's place
    // read back, the viewers closed. The close box reaches it through the Cancel command, as
    // Esc does, so neither way out loses what the user did.
    void CloseStep();
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnRunFinished(GrepEnd end);
    void OnRunProgress(int percent);
    // As the public form; a viewer that must not take the focus from another program is shown
    // behind it, and its taskbar button flashes.
    CTextView* OpenViewer(const wchar_t* path, bool activate);
    // A viewer of a compressed log's decompressed copy, titled with the log's own name.
    CTextView* OpenViewer(const std::shared_ptr<CUnpackedLog>& copy);
    CTextView* OpenViewer(const wchar_t* path, bool activate,
                          const std::shared_ptr<CUnpackedLog>& copy);
    void OnResultGrew();
    // The dialog's window has gone: what lived only as long as the window goes too.
    void ForgetWindow();
    void UpdateControls();

    // The filter list and the category box.
    void InitFilters();
    void ShowCategory(Category* category);
    void ReadBackFilters();
    // The list's row as a filter: its text, check box and Or/And image.
    CFilter ListFilter(int index) const;
    int SelectedItem() const;
    bool SelectedCategoryName(std::wstring& name) const;

    BOOL OnSetCursor(HWND window, int hitTest);

    void OnFileBoxPick();
    void Browse();
    // Puts a log path in the file box as Browse does; the next Browse starts in its folder.
    void PutFileInBox(const std::wstring& path);
    // The box's text changed: what it names is counted off this thread.
    void OnFileBoxChanged();
    void OnSetCounted(WPARAM number, LPARAM text);
    void OnDropFiles(HDROP drop);
    // A log named by a drop or on the command line: into the file box, unless it is no log.
    void OfferLog(const std::wstring& path);
    void OnGetMinMaxInfo(MINMAXINFO* info);
    void OnDpiChanged(const RECT* suggested);
    void GoOrStop();
    void Go();
    void Stop();
    bool CollectCheckedFilters();
    void AddToRecentFiles(const std::wstring& path);
    void ShowRunningState(bool isRunning);
    void ToggleFollow(HWND viewerWindow);
    // Why that viewer cannot follow now; empty when it can.
    std::wstring FollowRefusal(HWND viewerWindow) const;
    void StopFollowing();
    void OnFollowingEnded(GrepEnd end);
    void ShowFollowingState(bool following);
    CTextView* ViewerOf(HWND window) const;
    // Window places: the work area the dialog is on, a new viewer's frame, and a log viewer
    // from Show in Log beside the result viewer that asked for it.
    RECT WorkArea() const;
    RECT NextViewerPlace() const;
    void PlaceBeside(HWND resultWindow, HWND logWindow) const;
    void RememberPlace(HWND window, std::wstring& setting) const;
    void CloseAllViewers();
    // Closes this program's viewers of that file (the last result, before a run replaces it).
    void CloseViewersOf(const std::wstring& path);
    void FreeClosedViewers();
    // The Or and And images at the dialog's DPI, in a new list.
    HIMAGELIST MakeImageList() const;

    void OnCategoryChange();
    void AddFilter();
    void ReplaceFilter();
    void RemoveFilter();
    void ToggleOrAnd();
    void CheckAll(bool checked);
    void AddCategory();
    void DeleteCategory();

    HWND FilterList() const;
    std::wstring ItemText(int index) const;
    std::wstring FileBoxText() const;
    int Message(const wchar_t* text, const wchar_t* caption, UINT flags) const;

    HINSTANCE m_instance;
    Storage m_storage;
    HICON m_icon = nullptr;
    CImageList m_imageList;
    bool m_running = false;
    // The viewer whose Follow command started following, while it goes on.
    HWND m_followViewer = nullptr;
    CGrepParams m_runParams;
    std::wstring m_startFile;
    CSetCounter m_setCounter;
    bool m_summaryShown = false;   // the status line says what the box names
    // The context row's places in the template (client pixels) and their top and bottom.
    struct ContextPlace {
        int id;
        RECT rect;
    };
    std::vector<ContextPlace> m_contextPlaces;
    int m_contextTop = 0;
    int m_contextBottom = 0;
    // An open viewer and its window, kept here because the viewer forgets its window before
    // it reports that the window has gone.
    struct ViewerEntry {
        std::unique_ptr<CTextView> view;
        HWND window;
    };
    std::vector<ViewerEntry> m_viewers;
    std::vector<std::unique_ptr<CTextView>> m_closedViewers;
    Category* m_currentCategory = nullptr;
};
