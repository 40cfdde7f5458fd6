// CTextView: window class, creation, opening a file, painting, closing and the message dispatch.
#include "viewer/TextView.h"

#include "win32/StringException.h"
#include "resources/resource.h"
#include "settings/Settings.h"
#include "win32/Dpi.h"
#include "viewer/LogMap.h"
#include "viewer/RowPainter.h"
#include "engine/run/GrepIndex.h"
#include "viewer/ScrollableFileReader.h"
#include "viewer/SearchState.h"
#include "viewer/ViewMath.h"
#include "viewer/ViewSettings.h"
#include "win32/GdiScope.h"

#include <new>

namespace {
const wchar_t kClassName[] = L"TilvoTextView";
const wchar_t kAboutText[] =
    L"Tilvo v1.0\r\n\r\nA filter and viewer for large log files.\r\n"
    L"Lines are coloured by the entries of Tilvo.ini.";
const wchar_t kAboutCaption[] = L"About...";
const wchar_t kRegisterFailedText[] = L"Unable to register window class";
const wchar_t kAlreadyCreatedText[] = L"Already created";
const wchar_t kFontFailedText[] = L"Unable to create font!";
const wchar_t kUnknownErrorText[] = L"Unknown Error";
const wchar_t kErrorCaption[] = L"Error";
bool g_classRegistered = false;
// WM_DPICHANGED, newer than the headers this builds against.
} // namespace

CTextView::CTextView(HINSTANCE instance) : m_instance(instance)
{
    if (g_classRegistered)
        return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = &CTextView::WindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_TILVO));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_TILVO_SMALL),
                                               IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), 0));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszMenuName = MAKEINTRESOURCEW(IDR_VIEW_MENU);
    wc.lpszClassName = kClassName;
    if (!RegisterClassExW(&wc))
        throw CStringException(L"CTextView::CTextView", kRegisterFailedText);
    g_classRegistered = true;
}

CTextView::~CTextView()
{
    CloseFile();
    if (m_window) {
        // Whoever deletes the view already knows it is gone: no notice now,
        // which could make the main dialog delete it a second time.
        m_notifyWindow = nullptr;
        DestroyWindow(m_window);
    }
}

bool CTextView::Create(const wchar_t* title, const RECT* place, bool activate)
{
    if (!CreateHidden(title, place))
        return false;
    Show(activate);
    return true;
}

void CTextView::Show(bool activate)
{
    ShowWindow(m_window, activate ? SW_SHOW : SW_SHOWNOACTIVATE);
    UpdateWindow(m_window);
}

bool CTextView::CreateHidden(const wchar_t* title, const RECT* place)
{
    if (m_window)
        throw CStringException(L"CTextView::Create", kAlreadyCreatedText);
    m_owner = nullptr;
    const int x = place ? int(place->left) : CW_USEDEFAULT;
    const int y = place ? int(place->top) : CW_USEDEFAULT;
    const int width = place ? int(place->right - place->left) : CW_USEDEFAULT;
    const int height = place ? int(place->bottom - place->top) : CW_USEDEFAULT;
    HWND window = CreateWindowExW(0, kClassName, title,
                                  WS_OVERLAPPEDWINDOW | WS_VSCROLL | WS_HSCROLL, x, y, width,
                                  height, nullptr, nullptr, m_instance, this);
    if (!window)
        return false;
    SetUpScrollBars();
    return true;
}

void CTextView::CreateViewFont()
{
    // The font and the margins follow the window's DPI; sizes are given at 96 DPI.
    const int dpi = WindowDpi(m_window);
    m_margins = viewmath::MarginsAt(dpi);
    const ViewFontSettings font = CurrentViewFont();
    m_fontSize = Scaled(font.size, dpi);
    m_font.Reset(CreateFontW(m_fontSize, 0, 0, 0, font.weight, FALSE, FALSE, FALSE,
                             DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                             NONANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                             font.family.c_str()));
    if (!m_font.Get())
        MessageBoxW(m_owner, kFontFailedText, kErrorCaption, MB_ICONWARNING);
    CWindowDC dc(m_window);
    CSelectObject selected(dc.Get(), m_font.Get());
    INT width = 0;
    if (GetCharWidth32W(dc.Get(), L'W', L'W', &width))
        m_charWidth = width;
}

void CTextView::OnDpiChanged(const RECT* suggested)
{
    m_font.Reset();
    CreateViewFont();
    if (suggested)
        SetWindowPos(m_window, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client;
    GetClientRect(m_window, &client);
    OnSize(client.right, client.bottom);
    RedrawAll();
}

void CTextView::SetUpScrollBars()
{
    if (!m_reader) {
        EnableScrollBar(m_window, SB_BOTH, ESB_DISABLE_BOTH);
        return;
    }
    EnableScrollBar(m_window, SB_BOTH, ESB_ENABLE_BOTH);
    SetScrollRange(m_window, SB_VERT, 0, viewmath::kVertRange, FALSE);
    SetScrollPos(m_window, SB_VERT, 0, FALSE);
    SetScrollPos(m_window, SB_HORZ, 0, FALSE);
}

bool CTextView::OpenFile(const wchar_t* path, std::shared_ptr<CUnpackedLog> copy)
{
    if (!m_window)
        return false;
    CloseFile();
    m_copy = std::move(copy);
    m_path = path ? path : L"";
    try {
        m_reader = std::make_unique<CScrollableFileReader>(m_path.c_str(), AppLineDecoding());
    } catch (const std::bad_alloc&) {
        m_path.clear();
        return false;
    } catch (const CStringException&) {
        m_path.clear();
        throw;
    } catch (const wchar_t* text) {
        m_path.clear();
        throw CStringException(L"CTextView::OpenFile", text);
    } catch (...) {
        m_path.clear();
        throw CStringException(L"CTextView::OpenFile", kUnknownErrorText);
    }
    // A result of several logs: its index tells the lines that name each log.
    auto index = std::make_unique<CGrepIndex>();
    const CGrepIndex::State state = index->Open(m_path);
    // A result still being followed has an index a step behind it, with the
    // same filters.
    if ((state == CGrepIndex::State::Ready || state == CGrepIndex::State::Stale) &&
        !index->Filters().empty()) {
        m_runFilters = std::make_unique<CFilterSet>();
        m_runFilters->Build(index->Filters(), index->IgnoreCase());
    }
    if (state == CGrepIndex::State::Ready && index->LogCount() > 1)
        m_setIndex = std::move(index);
    SetUpScrollBars();
    UpdateHorzRange();
    UpdatePercent();
    RedrawAll();
    return true;
}

void CTextView::CloseFile()
{
    m_reader.reset();
    m_copy.reset();
    m_setIndex.reset();
    m_runFilters.reset();
    m_path.clear();
    m_markedOffset = -1;
    m_map.reset();
}

void CTextView::Close()
{
    CloseFile();
    if (m_window)
        DestroyWindow(m_window);   // the view may be deleted by the notice: touch nothing after
}

LRESULT CALLBACK CTextView::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // The view attaches on the window's first message, so every later one, the WM_SIZE of the
    // creation included, reaches it.
    if (message == WM_NCCREATE) {
        auto* created = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        auto* attached = static_cast<CTextView*>(created->lpCreateParams);
        attached->m_window = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(attached));
    }
    auto* view = reinterpret_cast<CTextView*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!view)
        return DefWindowProcW(window, message, wParam, lParam);
    // No exception leaves the window procedure: it becomes the message the user sees.
    try {
        return view->HandleMessage(message, wParam, lParam);
    } catch (...) {
        MessageBoxW(window, ExceptionText(kUnknownErrorText), kErrorCaption, MB_ICONERROR);
    }
    return 0;
}

LRESULT CTextView::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        OnCreate();
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    case WM_SIZE:
        OnSize(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_KEYDOWN:
        return OnKeyDown(wParam) ? 0 : 1;
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam)) ? 1 : 0;
    case WM_HSCROLL:
        OnHScroll(LOWORD(wParam), static_cast<short>(HIWORD(wParam)));
        return 0;
    case WM_VSCROLL:
        if (m_reader)
            OnVScroll(LOWORD(wParam), static_cast<short>(HIWORD(wParam)));
        return 0;
    case WM_LBUTTONDOWN: {
        RECT client;
        GetClientRect(m_window, &client);
        const RECT map = MapRect(client);
        const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        if (PtInRect(&map, at))
            OnMapClick(at.y);
        return 0;
    }
    case WM_LBUTTONDBLCLK:
        OnDoubleClick(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)),
                      wParam);
        return 0;
    case WM_MOUSEWHEEL:
        OnMouseWheel(GET_WHEEL_DELTA_WPARAM(wParam), GET_KEYSTATE_WPARAM(wParam));
        return 0;
    case kDpiChangedMessage:
        OnDpiChanged(reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_INITMENUPOPUP:
        OnInitMenuPopup(reinterpret_cast<HMENU>(wParam));
        return 0;
    case WM_TIMER:
        if (wParam == kFollowTimer)
            OnFollowTick();
        else if (wParam == kMapTimer)
            OnMapTick();
        return 0;
    default:
        return DefWindowProcW(m_window, message, wParam, lParam);
    }
}

void CTextView::OnCreate()
{
    // Before the WM_SIZE of the creation, which needs the font to size the page.
    CreateViewFont();
}

void CTextView::OnDestroy()
{
    CloseFile();
    m_font.Reset();
    HWND window = m_window;
    HWND notify = m_notifyWindow;
    // Detach first: the main dialog may delete this view when it hears of it.
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    m_window = nullptr;
    NMHDR header{};
    header.code = static_cast<UINT>(NM_VIEWER_CLOSED);
    SendNotice(notify, window, header);
}

void CTextView::SendNotice(HWND notify, HWND from, NMHDR& header)
{
    if (!notify)
        return;
    header.hwndFrom = from;
    header.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(from));
    SendMessageW(notify, WM_NOTIFY, reinterpret_cast<WPARAM>(from),
                 reinterpret_cast<LPARAM>(&header));
}

void CTextView::OnSize(int width, int height)
{
    if (m_map) {
        const RECT client{0, 0, width, height};
        width = MapRect(client).left;
    }
    const viewmath::PageSize page =
        viewmath::PageFromClient(width, height, m_charWidth, m_fontSize, m_margins.margin);
    if (m_charWidth > 0)
        m_visibleColumns = page.visibleColumns;
    m_pageLines = page.pageLines;
    UpdateHorzRange();
}

void CTextView::OnPaint()
{
    CPaintScope paint(m_window);
    RECT client;
    GetClientRect(m_window, &client);
    DrawEdge(paint.Get(), &client, EDGE_SUNKEN, BF_RECT);
    if (m_reader)
        PaintRows(paint.Get(), client);
    PaintMap(paint.Get(), client);
}

void CTextView::PaintRows(HDC dc, const RECT& client) const
{
    const SearchState& search = AppSearch();
    RowPaint rows;
    rows.reader = m_reader.get();
    rows.font = m_font.Get();
    rows.fontSize = m_fontSize;
    rows.charWidth = m_charWidth;
    rows.horzPos = HorzPos();
    rows.highlight = m_highlight;
    rows.search = &search.expression;
    rows.highlightMatches = search.highlightMatches;
    rows.lineColor = &ViewLineColor;
    rows.markedOffset = m_markedOffset;
    rows.setIndex = m_setIndex.get();
    rows.runFilters = m_showMatches ? m_runFilters.get() : nullptr;
    rows.markedWord = &m_markedWord;
    rows.margins = m_margins;
    // The map's strip takes the right edge; the text ends before it.
    RECT text = client;
    if (m_map)
        text.right = MapRect(client).left;
    DrawRows(dc, text, rows);
}

bool CTextView::OnCommand(int id)
{
    switch (id) {
    case IDM_SAVE:
        SaveFile();
        return true;
    case IDM_CLOSE:
        DestroyWindow(m_window);
        return true;
    case IDM_FIND:
        ShowFindDialog();
        return true;
    case IDM_ABOUT:
        ShowAbout();
        return true;
    case IDM_LINE_INFO:
        ShowLineInfo();
        return true;
    case IDM_COPY_SCREEN:
        CopyScreen();
        return true;
    case IDM_FIND_NEXT:
        FindNext();
        return true;
    case IDM_FIND_PREVIOUS:
        FindPrevious();
        return true;
    case IDM_FOLLOW:
        ToggleFollow();
        return true;
    case IDM_GO_TO_LINE:
        ShowGoToLineDialog();
        return true;
    case IDM_SHOW_IN_LOG:
        ShowInLog(0);
        return true;
    case IDM_HIGHLIGHT:
        ToggleMatches();
        return true;
    case IDM_MARK_WORD:
        MarkWordUnderPointer();
        return true;
    case IDM_NEXT_MARK:
        GoToMark(true);
        return true;
    case IDM_PREVIOUS_MARK:
        GoToMark(false);
        return true;
    default:
        return false;
    }
}

void CTextView::ToggleMatches()
{
    m_showMatches = !m_showMatches;
    if (HMENU menu = GetMenu(m_window))
        CheckMenuItem(menu, IDM_HIGHLIGHT, m_showMatches ? MF_CHECKED : MF_UNCHECKED);
    RedrawAll();
}

void CTextView::ShowAbout()
{
    MessageBoxW(m_window, kAboutText, kAboutCaption, MB_ICONINFORMATION);
}

void CTextView::RedrawAll()
{
    RedrawWindow(m_window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

RECT CTextView::TextRect() const
{
    RECT client;
    GetClientRect(m_window, &client);
    if (m_map)
        client.right = MapRect(client).left;
    RECT text{m_margins.border, m_margins.border, client.right - m_margins.margin,
              client.bottom - m_margins.margin};
    return text;
}
