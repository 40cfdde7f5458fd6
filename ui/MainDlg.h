// CMainDlg: the program's one dialog, with the file box, context sizes, Go/Stop and the filter list.
#pragma once

#include "engine/GrepThread.h"

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <exception>
#include <memory>
#include <string>
#include <vector>

struct Category;
class CTextView;

// How the dialog and the grep worker talk (see engine/GrepThread.h for the worker's side):
//  - Go fills `runParams` and calls CGrepThread::Start with the dialog and its status line (137).
//  - The worker sets the status line's text with a synchronous WM_SETTEXT while it runs, and at the
//    end of a completed or failed run sends WM_RUN_FINISHED (WM_USER + 2) with wParam 1 or 0;
//    OnRunFinished resets the button and opens the result or reports the failure.
//  - Stop calls CGrepThread::Stop, which waits for the worker while still delivering its
//    synchronous notices; a stopped run sends nothing, so Stop resets the button itself.
//  - A result viewer tells the dialog that its window has gone with WM_NOTIFY code
//    NM_VIEWER_CLOSED (-98) from inside its WM_DESTROY; the dialog then drops it from `viewers`
//    and frees the object later, once the viewer's own window procedure has returned.
// Everything here runs on the user-interface thread; the worker only ever sends those messages.
class CMainDlg {
public:
    // Where the categories, colours and settings are kept. Empty fields mean the program's
    // own places (the files beside the executable, the registry key of the current user);
    // tests point them at temporary files and a throw-away key.
    struct Storage {
        std::wstring categoriesFile;
        std::wstring colorsFile;
        std::wstring settingsKey;
    };

    // Throws CStringException "Duplicate MainDlg instance!" when an instance exists.
    explicit CMainDlg(HINSTANCE instance, Storage storage = {});
    ~CMainDlg();
    CMainDlg(const CMainDlg&) = delete;
    CMainDlg& operator=(const CMainDlg&) = delete;

    // The one instance, or null.
    static CMainDlg* Instance();

    // A log named on the command line ("Open with", a file dropped on the
    // program): it is in the file box when the dialog opens, as if browsed.
    void SetStartFile(const std::wstring& path) { startFile = path; }

    // Loads the store, settings and colours, shows the dialog modally, then saves everything.
    void Run();

    HWND Window() const { return hwnd; }
    bool IsRunning() const { return running; }
    size_t ViewerCount() const { return viewers.size(); }
    CTextView* ViewerAt(size_t index) const { return viewers[index].view.get(); }
    const Category* CurrentCategory() const { return currentCategory; }
    const CGrepParams& RunParams() const { return runParams; }

    // Handlers of the dialog procedure.
    BOOL OnInitDialog(HWND window);
    void OnSize(int width, int height);
    BOOL OnCommand(int id, int code);
    BOOL OnNotify(const NMHDR* header);
    void OnRunFinished(bool succeeded);
    void OnClose();
    void UpdateControls();
    // The new viewer, or null when it could not be opened (the user has been told).
    CTextView* OpenViewer(const wchar_t* path);

    // The filter list and the category box.
    void InitFilters();
    void ShowCategory(Category* category);
    void ReadBackFilters();
    int ItemState(int index) const;
    int SelectedItem() const;
    bool SelectedCategoryName(std::wstring& name) const;

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    BOOL OnSetCursor(HWND window, int hitTest);

    void OnFileBoxPick();
    void Browse();
    // Puts a log path in the file box as Browse does; the next Browse starts in its folder.
    void PutFileInBox(const std::wstring& path);
    void OnDropFiles(HDROP drop);
    void OnGetMinMaxInfo(MINMAXINFO* info);
    void OnDpiChanged(const RECT* suggested);
    void GoOrStop();
    void Go();
    void Stop();
    bool CollectCheckedFilters();
    void AddToRecentFiles(const std::wstring& path);
    void ShowRunningState(bool isRunning);
    void CloseAllViewers();
    void FreeClosedViewers();
    void DestroyImageList();

    void OnCategoryChange();
    void AddFilter();
    void ReplaceFilter();
    void RemoveFilter();
    void ToggleOrAnd();
    void CheckAll(bool checked);
    void AddCategory();
    void DeleteCategory();

    HWND Item(int id) const { return GetDlgItem(hwnd, id); }
    HWND FilterList() const { return Item(131); }
    std::wstring ItemText(int index) const;
    std::wstring FileBoxText() const;
    int Message(const wchar_t* text, const wchar_t* caption, UINT flags) const;

    HINSTANCE hInstance;
    Storage storage;
    std::wstring startFile;
    // The context row's places in the template (client pixels) and their top and bottom.
    struct ContextPlace {
        int id;
        RECT rect;
    };
    std::vector<ContextPlace> contextPlaces;
    int contextTop = 0;
    int contextBottom = 0;
    HWND hwnd = nullptr;
    HICON icon = nullptr;
    HIMAGELIST imageList = nullptr;
    bool running = false;
    CGrepParams runParams;
    // An open viewer and its window, kept here because the viewer forgets its window before
    // it reports that the window has gone.
    struct ViewerEntry {
        std::unique_ptr<CTextView> view;
        HWND window;
    };
    std::vector<ViewerEntry> viewers;
    std::vector<std::unique_ptr<CTextView>> closedViewers;
    Category* currentCategory = nullptr;
    // An exception a handler did not catch; it ends the dialog and leaves Run.
    std::exception_ptr pendingException;
};
