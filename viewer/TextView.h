// CTextView: the result viewer window over one result file.
#pragma once

#include "win32/GdiScope.h"
#include "viewer/ViewMath.h"

#include "engine/match/FilterSet.h"
#include "engine/run/GrepIndex.h"
#include "viewer/UnpackedLogs.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

class CLogMap;
class CScrollableFileReader;

// The timer of a view that follows its own file, and how often it looks.
constexpr UINT_PTR kFollowTimer = 1;
constexpr UINT kFollowLookMs = 250;
// The timer of a log's map, and how often it looks for a resealed index.
constexpr UINT_PTR kMapTimer = 2;
constexpr UINT kMapLookMs = 1000;

// The WM_NOTIFY code a viewer sends its notify window from inside its WM_DESTROY.
constexpr int NM_VIEWER_CLOSED = -98;
// The WM_NOTIFY code a viewer sends its notify window for its Follow command.
constexpr int NM_VIEWER_FOLLOW = -97;
// The WM_NOTIFY code a viewer sends its notify window to learn whether it can follow
// (NMFOLLOWQUERY): the answer is empty when it can, or says why not.
constexpr int NM_VIEWER_CAN_FOLLOW = -96;
struct NMFOLLOWQUERY {
    NMHDR header;
    std::wstring refusal;
};
// The WM_NOTIFY code a result viewer sends its notify window to open the log
// in a viewer at the line starting at `offset` (NMSHOWINLOG).
constexpr int NM_VIEWER_SHOW_IN_LOG = -99;
// A compressed log is shown from `copy`, its decompressed copy (else null).
// `resultFile` and `logNumber` (the log's place among the result's logs) give
// the log viewer its map of the result's kept lines.
struct NMSHOWINLOG {
    NMHDR header;
    const wchar_t* logFile;
    int64_t offset;
    std::shared_ptr<CUnpackedLog> copy;
    const wchar_t* resultFile = nullptr;
    uint32_t logNumber = 0;
};

// A top-level window of class "TilvoTextView" with menu 110. It draws the
// lines of its file from a top line down, scrolls vertically on a 0..10000
// scale of byte offsets and horizontally by columns, and tells the main dialog
// with WM_NOTIFY code -98 (NM_VIEWER_CLOSED) when its window is destroyed.
// Everything runs on the user-interface thread.
class CTextView {
public:
    explicit CTextView(HINSTANCE instance);
    ~CTextView();
    CTextView(const CTextView&) = delete;
    CTextView& operator=(const CTextView&) = delete;

    // The window that receives the closing notification.
    void SetNotifyWindow(HWND mainDialog) { m_notifyWindow = mainDialog; }
    // The window's frame at `place` (screen pixels), or where the system puts a new window;
    // shown as the active window, or behind the one in front when `activate` is false.
    bool Create(const wchar_t* title, const RECT* place = nullptr, bool activate = true);
    // The window made but not shown: what OpenFile then sets (scroll ranges,
    // the percent in the menu bar) costs nothing on the screen, and Show
    // paints it all at once. Each change to a shown window's frame is drawn at
    // once, and under wine the opening took several times as long.
    bool CreateHidden(const wchar_t* title, const RECT* place);
    void Show(bool activate);
    // A view of the decompressed copy of a compressed log (`path` is the copy's) keeps the
    // copy while it shows it: the last view to close removes it.
    bool OpenFile(const wchar_t* path, std::shared_ptr<CUnpackedLog> copy = nullptr);
    // The compressed log this view shows, decompressed; null for any other file.
    const CUnpackedLog* Copy() const { return m_copy.get(); }
    void Close();
    HWND Window() const { return m_window; }

    // Search (menu and keys reach these too).
    void ShowFindDialog();
    void SearchText(bool forward);
    void RepeatSearch();
    void FindNext();
    void FindPrevious();
    void ShowLineInfo();

    // The marked word (Ctrl and a double click, or Mark Word): each place of it
    // on the page is boxed, and Ctrl+F3 and Ctrl+Shift+F3 go to the next and
    // previous line that holds it. Esc clears it with the search marks.
    bool MarkWordAt(int x, int y);
    void MarkWordUnderPointer();
    bool GoToMark(bool forward);
    const std::wstring& MarkedWord() const { return m_markedWord; }

    // Following (the main dialog holds the rule): the Follow command asks the
    // notify window to turn it on or off with WM_NOTIFY code NM_VIEWER_FOLLOW
    // (-97); for a result the dialog follows its log and answers with
    // SetFollowing, which checks the menu item; a log the viewer follows
    // itself (FollowOwnFile). The menu item is greyed while the dialog's
    // answer to NM_VIEWER_CAN_FOLLOW (-96) says why it cannot follow.
    void ToggleFollow();
    void SetFollowing(bool following);
    bool Following() const { return m_following; }
    // The view's own file as a log, like tail -f: four looks a second keep
    // the last line in sight while it grows, and a log replaced under its name
    // (rotated) is shown again from its first line.
    void FollowOwnFile(bool on);
    bool FollowsOwnFile() const { return m_followsOwnFile; }
    // The file has grown (or changed): a view whose last line was on the page
    // scrolls to keep the end in sight; any other stays on its top line and
    // only its scroll bar and percentage move.
    void OnFileGrew();

    // Lines: the line of the log a result line came from, in a viewer the
    // notify window opens; any line by its number; the marked line.
    void ShowInLog(uint32_t row);
    void ShowGoToLineDialog();
    bool GoToLine(int64_t number);
    // Puts the line starting at `offset` at the top and marks it.
    void ShowLine(int64_t offset);
    int64_t MarkedOffset() const { return m_markedOffset; }
    // Line Info's lines on the top line's log line ("\r\nLog Line: ..."): its
    // number, or why there is none, after the log's name in a result of
    // several logs; "" for a file without an index.
    std::wstring LogLineOfTop() const;

    // Save, HTML export and copy screen.
    void SaveFile();
    // What Save does once a name is chosen: the overwrite question, the page
    // or the plain copy by the extension, and the outcome message.
    void SaveAs(const wchar_t* path);
    bool ExportHtml(const wchar_t* path);
    void CopyScreen();

    // State the tests and the main dialog may look at.
    const CScrollableFileReader* Reader() const { return m_reader.get(); }
    CScrollableFileReader* Reader() { return m_reader.get(); }
    const std::wstring& FilePath() const { return m_path; }
    uint32_t PageLines() const { return m_pageLines; }
    int VisibleColumns() const { return m_visibleColumns; }
    int WidestLine() const { return m_widestLine; }
    int CharWidth() const { return m_charWidth; }
    int FontSize() const { return m_fontSize; }
    bool Highlight() const { return m_highlight; }
    // Whether what the run's filters matched is painted (the menu's Highlight).
    bool ShowsMatches() const { return m_showMatches && m_runFilters; }
    void ToggleMatches();
    // The text of the percentage item at the right of the menu bar.
    std::wstring PercentText() const;

    // Paints the rows of the current state into any DC, as WM_PAINT does.
    void PaintRows(HDC dc, const RECT& client) const;

    // The map of a log opened from a result: a strip at the right of the view
    // marks where the result's kept lines lie in the whole log, in their
    // colours, and frames the page in view; a click on it scrolls there. It
    // reads the result's index (never the log) and reloads it when following
    // seals it again.
    void ShowMap(const std::wstring& resultFile, uint32_t logNumber);
    bool HasMap() const { return m_map != nullptr; }
    // The strip inside `client`; empty without a map.
    RECT MapRect(const RECT& client) const;
    void PaintMap(HDC dc, const RECT& client) const;
    void OnMapClick(int y);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCreate();
    void OnDestroy();
    void OnSize(int width, int height);
    void OnPaint();
    bool OnKeyDown(WPARAM key);
    bool OnCommand(int id);
    void OnVScroll(int request, int thumb);
    void OnHScroll(int request, int thumb);
    void OnMouseWheel(int delta, int keys);
    void OnDoubleClick(int x, int y, WPARAM keys);
    void SetMarkedWord(std::wstring word);
    void OnDpiChanged(const RECT* suggested);
    void OnInitMenuPopup(HMENU menu);
    void OnFollowTick();
    void OnMapTick();
    void InvalidateMap();
    std::wstring FollowRefusal() const;

    void CloseFile();
    void CreateViewFont();
    void SetUpScrollBars();
    void UpdateHorzRange();
    void UpdatePercent();
    void RedrawAll();
    void ShowAbout();
    int VertPos() const;
    int HorzPos() const;
    RECT TextRect() const;
    // The vertical scroll position of the top line.
    int TopScrollPos() const;
    void ReportError(const wchar_t* text);
    // The one way a viewer tells the main dialog something: WM_NOTIFY with
    // `header` (its code set by the caller) from `from`, sent to `notify`.
    // Touches nothing of the view, which the receiver may delete.
    static void SendNotice(HWND notify, HWND from, NMHDR& header);

    bool m_highlight = false;   // the found line and the matches are marked
    int64_t m_markedOffset = -1;
    std::wstring m_markedWord;
    HWND m_window = nullptr;
    HWND m_owner = nullptr;
    HINSTANCE m_instance = nullptr;
    std::wstring m_path;
    // Open while the result of a set is shown, for its header lines.
    std::unique_ptr<CGrepIndex> m_setIndex;
    // The checked filters of the run that made the result, from its index;
    // null for a log, or a result whose index does not keep them.
    std::unique_ptr<CFilterSet> m_runFilters;
    bool m_showMatches = true;
    std::unique_ptr<CLogMap> m_map;
    std::wstring m_mapResult;
    uint32_t m_mapLog = 0;
    // Released after the reader, which holds the copy open.
    std::shared_ptr<CUnpackedLog> m_copy;
    std::unique_ptr<CScrollableFileReader> m_reader;
    CGdiObject<HFONT> m_font;
    int m_charWidth = 0;
    int m_fontSize = 0;   // pixels at the window's DPI, from its creation on
    viewmath::Margins m_margins;
    int m_visibleColumns = 0;
    uint32_t m_pageLines = 0;
    int m_widestLine = 0;
    HWND m_notifyWindow = nullptr;
    bool m_following = false;
    bool m_followsOwnFile = false;
    std::wstring m_followedPath;
    uint64_t m_followedIdentity = 0;   // the file under the name when following began
};
