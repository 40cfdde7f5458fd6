// CMainDlg's controls: initialisation, layout, command and notification dispatch, enable rules.
#include "ui/MainDlg.h"

#include <shellapi.h>

#include "resources/resource.h"
#include "settings/Settings.h"
#include "ui/Layout.h"
#include "ui/WindowPlaces.h"
#include "ui/WindowText.h"
#include "win32/Dpi.h"
#include "viewer/TextView.h"
#include "win32/GdiScope.h"

#include <algorithm>
#include <memory>
#include <type_traits>
#include <climits>
#include <utility>

namespace {

constexpr int kContextMaximum = 255;

// The 16-pixel bitmap stretched to `size`, as the list's text grows with the DPI.
HBITMAP LoadBitmapResource(HINSTANCE instance, int id, int size)
{
    return static_cast<HBITMAP>(LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_BITMAP, size, size, 0));
}

// A filled square in the bitmap's lower right corner: the mark of a regular expression.
void PaintCorner(HBITMAP bitmap, int size, COLORREF colour)
{
    CWindowDC screen(nullptr);
    std::unique_ptr<std::remove_pointer_t<HDC>, decltype(&DeleteDC)> dc(CreateCompatibleDC(screen.Get()), &DeleteDC);
    if (!dc)
        return;
    CSelectObject selected(dc.get(), bitmap);
    CGdiObject<HBRUSH> brush(CreateSolidBrush(colour));
    const RECT corner{size - size / 2, size - size / 2, size, size};
    FillRect(dc.get(), &corner, brush.Get());
}

// `marked`: with the corner mark of a regular expression, opaque in the mask.
void AddMaskedImage(HIMAGELIST list, HINSTANCE instance, int imageId, int maskId, int size, bool marked = false)
{
    // The image list keeps copies of the bitmaps.
    CGdiObject<HBITMAP> image(LoadBitmapResource(instance, imageId, size));
    CGdiObject<HBITMAP> mask(LoadBitmapResource(instance, maskId, size));
    if (!image.Get() || !mask.Get())
        return;
    if (marked) {
        PaintCorner(image.Get(), size, RGB(160, 32, 160));
        PaintCorner(mask.Get(), size, RGB(0, 0, 0));
    }
    ImageList_Add(list, image.Get(), mask.Get());
}

void SetUpDown(HWND dialog, int upDownId, int editId, DWORD position)
{
    SendDlgItemMessageW(dialog, upDownId, UDM_SETRANGE32, 0, kContextMaximum);
    SendDlgItemMessageW(dialog, upDownId, UDM_SETPOS32, 0, static_cast<LPARAM>(std::min<DWORD>(position, kContextMaximum)));
    // A larger size typed earlier is kept as it was typed: the up-down would show its maximum
    // and the next close would store that instead.
    if (position > kContextMaximum)
        SetDlgItemInt(dialog, editId, position, FALSE);
}

}  // namespace

BOOL CMainDlg::OnInitDialog()
{
    // This reads like a test for WS_EX_COMPOSITED but is a mask, and deliberately so: it clears
    // every extended style the template sets (WS_EX_APPWINDOW among them) and keeps only
    // WS_EX_COMPOSITED, which the template does not set. Writing | instead would switch on
    // double-buffered painting of the whole dialog, which the dialog has never had.
    SetWindowLongW(m_window, GWL_EXSTYLE, GetWindowLongW(m_window, GWL_EXSTYLE) & WS_EX_COMPOSITED);

    m_icon = LoadIconW(m_instance, MAKEINTRESOURCEW(IDI_TILVO));
    SendMessageW(m_window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    SendMessageW(m_window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));

    m_imageList.Reset(MakeImageList());

    const Settings& settings = AppSettings();
    HWND fileBox = Item(IDC_FILE);
    SendMessageW(fileBox, CB_RESETCONTENT, 0, 0);
    for (const std::wstring& file : settings.RecentFiles)
        SendMessageW(fileBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(file.c_str()));
    LRESULT last = SendMessageW(fileBox, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                reinterpret_cast<LPARAM>(settings.LastFile.c_str()));
    if (last != CB_ERR)
        SendMessageW(fileBox, CB_SETCURSEL, static_cast<WPARAM>(last), 0);

    OfferLog(m_startFile);
    DragAcceptFiles(m_window, TRUE);

    SetUpDown(m_window, IDC_LINES_BEFORE_SPIN, IDC_LINES_BEFORE, settings.LinesBefore);
    SetUpDown(m_window, IDC_LINES_AFTER_SPIN, IDC_LINES_AFTER, settings.LinesAfter);

    InitFilters();

    // The context row's template places, which the layout starts from.
    m_contextPlaces.clear();
    m_contextTop = INT_MAX;
    m_contextBottom = 0;
    for (int id : {IDC_LINES_BEFORE_LABEL, IDC_LINES_BEFORE, IDC_LINES_BEFORE_SPIN,
                   IDC_LINES_AFTER_LABEL, IDC_LINES_AFTER, IDC_LINES_AFTER_SPIN}) {
        RECT rect{};
        GetWindowRect(Item(id), &rect);
        MapWindowPoints(nullptr, m_window, reinterpret_cast<POINT*>(&rect), 2);
        m_contextPlaces.push_back({id, rect});
        m_contextTop = std::min(m_contextTop, int(rect.top));
        m_contextBottom = std::max(m_contextBottom, int(rect.bottom));
    }

    // Where the dialog was when it last closed, on the work area as it is now.
    RECT place{};
    if (ParsePlace(settings.MainPlace, place)) {
        place = ClampToWork(place, WorkArea());
        SetWindowPos(m_window, nullptr, place.left, place.top, place.right - place.left,
                     place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }

    // The filter list is created with an empty rectangle; lay everything out once now.
    RECT client{};
    GetClientRect(m_window, &client);
    OnSize(client.right - client.left, client.bottom - client.top);

    UpdateControls();
    return TRUE;
}

void CMainDlg::OnSize(int width, int height)
{
    // The context row keeps its template place, moved down only where the dialog's font
    // grew less than the DPI (it then would reach into the file row).
    const int dpi = WindowDpi(m_window);
    const ContextRowMove move = PlaceContextRow(m_contextTop, m_contextBottom, dpi);
    for (const ContextPlace& place : m_contextPlaces) {
        if (HWND control = Item(place.id))
            MoveWindow(control, place.rect.left, place.rect.top + move.down,
                       place.rect.right - place.rect.left, place.rect.bottom - place.rect.top, FALSE);
    }
    for (const ControlPlace& place : MainDialogLayout(width, height, dpi, move.rowsShift)) {
        if (HWND control = Item(place.id))
            MoveWindow(control, place.x, place.y, place.width, place.height, FALSE);
    }
    RedrawWindow(m_window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void CMainDlg::OnGetMinMaxInfo(MINMAXINFO* info)
{
    // The context row keeps its template place; the Go column must stay right of it.
    RECT context{};
    GetWindowRect(Item(IDC_LINES_AFTER_SPIN), &context);
    MapWindowPoints(nullptr, m_window, reinterpret_cast<POINT*>(&context), 2);
    const int dpi = WindowDpi(m_window);
    const ClientSize client = MainDialogMinimum(
        context.right, dpi, PlaceContextRow(m_contextTop, m_contextBottom, dpi).rowsShift);
    RECT frame{0, 0, client.width, client.height};
    AdjustWindowRectEx(&frame, DWORD(GetWindowLongPtrW(m_window, GWL_STYLE)), FALSE,
                       DWORD(GetWindowLongPtrW(m_window, GWL_EXSTYLE)));
    info->ptMinTrackSize.x = frame.right - frame.left;
    info->ptMinTrackSize.y = frame.bottom - frame.top;
}

HIMAGELIST CMainDlg::MakeImageList() const
{
    const int size = Scaled(16, WindowDpi(m_window));
    HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR24 | ILC_MASK, 4, 1);
    if (list) {
        AddMaskedImage(list, m_instance, IDB_OR, IDB_OR_MASK, size);     // image 0: Or
        AddMaskedImage(list, m_instance, IDB_AND, IDB_AND_MASK, size);   // image 1: And
        AddMaskedImage(list, m_instance, IDB_OR, IDB_OR_MASK, size, true);    // image 2: Or, expression
        AddMaskedImage(list, m_instance, IDB_AND, IDB_AND_MASK, size, true);  // image 3: And, expression
    }
    return list;
}

void CMainDlg::OnDpiChanged(const RECT* suggested)
{
    // The list keeps the images it was given; the old list goes once the new one is in place.
    CImageList fresh(MakeImageList());
    if (HWND list = FilterList())
        SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(fresh.Get()));
    m_imageList.Reset(fresh.Release());
    // The new size arrives as WM_SIZE, which lays the controls out at the new DPI.
    if (suggested)
        SetWindowPos(m_window, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CMainDlg::OnCommand(int id, int code)
{
    switch (id) {
    case IDOK:
        EndDialog(IDOK);
        return TRUE;
    case IDCANCEL:
        // Esc (and the close box, which the dialog turns into this command) ends the program;
        // what the user typed, checked and opened since the start is read back first.
        CloseStep();
        EndDialog(IDCANCEL);
        return TRUE;
    case IDC_GO:
        GoOrStop();
        return TRUE;
    case IDC_FILE:
        if (code == CBN_EDITCHANGE) {
            UpdateControls();
            OnFileBoxChanged();
        } else if (code == CBN_SELCHANGE) {
            OnFileBoxPick();
        }
        return FALSE;
    case IDC_BROWSE:
        Browse();
        return TRUE;
    case IDC_ADD_FILTER:
        AddFilter();
        return TRUE;
    case IDC_REMOVE_FILTER:
        RemoveFilter();
        return TRUE;
    case IDC_REPLACE_FILTER:
        ReplaceFilter();
        return TRUE;
    case IDC_ALL:
        CheckAll(true);
        return TRUE;
    case IDC_NONE:
        CheckAll(false);
        return TRUE;
    case IDC_CATEGORY:
        if (code == CBN_SELCHANGE)
            OnCategoryChange();
        return FALSE;
    case IDC_ADD_CATEGORY:
        AddCategory();
        return TRUE;
    case IDC_DELETE_CATEGORY:
        DeleteCategory();
        return TRUE;
    case IDC_OR_AND:
        ToggleOrAnd();
        return TRUE;
    }
    return FALSE;
}

BOOL CMainDlg::OnNotify(const NMHDR* header)
{
    if (!header)
        return FALSE;
    switch (header->code) {
    case LVN_KEYDOWN:
        switch (reinterpret_cast<const NMLVKEYDOWN*>(header)->wVKey) {
        case VK_RETURN:
            ReplaceFilter();
            return TRUE;
        case VK_INSERT:
            AddFilter();
            return TRUE;
        case VK_DELETE:
            RemoveFilter();
            return TRUE;
        }
        return FALSE;
    case LVN_ITEMACTIVATE:
        ReplaceFilter();
        return TRUE;
    case LVN_ITEMCHANGED:
        if (reinterpret_cast<const NMLISTVIEW*>(header)->uChanged == LVIF_STATE)
            UpdateControls();
        return FALSE;
    case static_cast<UINT>(NM_VIEWER_FOLLOW):
        // Only from a viewer: the code lies among those no common control sends.
        if (!ViewerOf(header->hwndFrom))
            return FALSE;
        ToggleFollow(header->hwndFrom);
        return TRUE;
    case static_cast<UINT>(NM_VIEWER_CAN_FOLLOW):
        if (!ViewerOf(header->hwndFrom))
            return FALSE;
        const_cast<NMFOLLOWQUERY*>(reinterpret_cast<const NMFOLLOWQUERY*>(header))->refusal =
            FollowRefusal(header->hwndFrom);
        return TRUE;
    case static_cast<UINT>(NM_VIEWER_SHOW_IN_LOG): {
        // Only from a viewer, as for Follow: the request carries a path to open.
        if (!ViewerOf(header->hwndFrom))
            return FALSE;
        // The log opens in a viewer like any other, with the line at the top.
        const auto* request = reinterpret_cast<const NMSHOWINLOG*>(header);
        if (CTextView* log = OpenViewer(request->logFile, true, request->copy)) {
            // Beside the result that asked, so neither hides the other.
            PlaceBeside(header->hwndFrom, log->Window());
            log->ShowLine(request->offset);
            if (request->resultFile)
                log->ShowMap(request->resultFile, request->logNumber);
        }
        return TRUE;
    }
    case static_cast<UINT>(NM_VIEWER_CLOSED): {
        // The next viewer opens where this one was, at the next start too.
        if (ViewerOf(header->hwndFrom))
            RememberPlace(header->hwndFrom, AppSettings().ViewerPlace);
        // Following ends with the viewer that shows it.
        if (m_followViewer && m_followViewer == header->hwndFrom)
            StopFollowing();
        // The viewer is still inside its own WM_DESTROY: keep the object until later.
        auto found = std::find_if(m_viewers.begin(), m_viewers.end(), [header](const ViewerEntry& viewer) {
            return viewer.window == header->hwndFrom;
        });
        if (found == m_viewers.end())
            return FALSE;
        m_closedViewers.push_back(std::move(found->view));
        m_viewers.erase(found);
        return TRUE;
    }
    }
    return FALSE;
}

void CMainDlg::OnFileBoxPick()
{
    // The box sends this before it copies the picked entry into its edit field, so the
    // entry itself says whether there is a file to search.
    UpdateControls();
    HWND fileBox = Item(IDC_FILE);
    LRESULT picked = SendMessageW(fileBox, CB_GETCURSEL, 0, 0);
    if (picked != CB_ERR && !ComboEntryText(fileBox, static_cast<int>(picked)).empty()) {
        EnableWindow(Item(IDC_GO), TRUE);
        if (!m_running)
            m_setCounter.Count(m_window, ComboEntryText(fileBox, static_cast<int>(picked)));
    }
}

void CMainDlg::UpdateControls()
{
    BOOL filterSelected = SelectedItem() >= 0;
    EnableWindow(Item(IDC_REMOVE_FILTER), filterSelected);
    EnableWindow(Item(IDC_REPLACE_FILTER), filterSelected);
    EnableWindow(Item(IDC_OR_AND), filterSelected);
    // While a run goes on the button is Stop, and stopping must stay possible whatever the
    // file box holds.
    EnableWindow(Item(IDC_GO), m_running || GetWindowTextLengthW(Item(IDC_FILE)) > 0);
    EnableWindow(Item(IDC_DELETE_CATEGORY), SendDlgItemMessageW(m_window, IDC_CATEGORY, CB_GETCURSEL, 0, 0) != CB_ERR);
}
