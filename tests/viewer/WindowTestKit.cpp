// Window test helpers: the dialog driver, key states, message pumping and the pixel canvas.
#include "tests/viewer/WindowTestKit.h"

#include <algorithm>
#include <cstdio>

namespace {
CDialogDriver* g_driver = nullptr;

struct FindDialogs {
    std::vector<HWND> found;
};

BOOL CALLBACK CollectDialog(HWND window, LPARAM param)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (std::wstring(name) == L"#32770" && IsWindowVisible(window))
        reinterpret_cast<FindDialogs*>(param)->found.push_back(window);
    return TRUE;
}
} // namespace

CDialogDriver::CDialogDriver(std::vector<Handler> handlers) : m_handlers(std::move(handlers))
{
    g_driver = this;
    m_timer = SetTimer(nullptr, 0, 30, &CDialogDriver::OnTimer);
}

CDialogDriver::~CDialogDriver()
{
    KillTimer(nullptr, m_timer);
    g_driver = nullptr;
}

void CALLBACK CDialogDriver::OnTimer(HWND, UINT, UINT_PTR, DWORD)
{
    if (g_driver)
        g_driver->Poll();
}

void CDialogDriver::Poll()
{
    m_handled.erase(std::remove_if(m_handled.begin(), m_handled.end(),
                                   [](const Handled& h) { return !IsWindow(h.window); }),
                    m_handled.end());
    const DWORD now = GetTickCount();
    for (Handled& h : m_handled) {
        if (now - h.since > 10000) {
            m_seen.push_back({L"(still open)", L"", true});
            PostMessageW(h.window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            h.since = now;
        }
    }
    FindDialogs dialogs;
    EnumThreadWindows(GetCurrentThreadId(), &CollectDialog, reinterpret_cast<LPARAM>(&dialogs));
    for (HWND dialog : dialogs.found) {
        if (std::find_if(m_handled.begin(), m_handled.end(),
                         [dialog](const Handled& h) { return h.window == dialog; }) !=
            m_handled.end())
            continue;
        m_handled.push_back({dialog, now});
        SeenDialog seen;
        wchar_t caption[512] = {};
        GetWindowTextW(dialog, caption, 512);
        seen.caption = caption;
        seen.text = MessageBoxText(dialog);
        if (m_next < m_handlers.size()) {
            m_seen.push_back(seen);
            Handler handler = m_handlers[m_next++];
            handler(dialog);
        } else {
            seen.unexpected = true;
            m_seen.push_back(seen);
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        }
    }
}

std::wstring MessageBoxText(HWND dialog)
{
    // The text of a message box is the static control with id 0xFFFF.
    wchar_t text[2048] = {};
    GetDlgItemTextW(dialog, 0xFFFF, text, 2048);
    return text;
}

CDialogDriver::Handler PressButton(int id)
{
    return [id](HWND dialog) {
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    };
}

CKeyState::CKeyState(bool ctrl, bool shift)
{
    GetKeyboardState(m_saved);
    BYTE state[256];
    std::copy(std::begin(m_saved), std::end(m_saved), state);
    state[VK_CONTROL] = ctrl ? 0x80 : 0;
    state[VK_LCONTROL] = ctrl ? 0x80 : 0;
    state[VK_SHIFT] = shift ? 0x80 : 0;
    state[VK_LSHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(state);
}

CKeyState::~CKeyState()
{
    SetKeyboardState(m_saved);
}

void PumpMessages(int milliseconds)
{
    const DWORD until = GetTickCount() + DWORD(milliseconds);
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (milliseconds > 0)
            Sleep(10);
    } while (int(GetTickCount() - until) < 0);
}

void SetClientSize(HWND window, int width, int height)
{
    for (int attempt = 0; attempt < 4; ++attempt) {
        RECT client, frame;
        GetClientRect(window, &client);
        GetWindowRect(window, &frame);
        const int dx = width - client.right;
        const int dy = height - client.bottom;
        if (dx == 0 && dy == 0)
            return;
        SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left + dx,
                     frame.bottom - frame.top + dy, SWP_NOMOVE | SWP_NOZORDER);
        PumpMessages();
    }
}

CPixelCanvas::CPixelCanvas(int width, int height) : m_width(width), m_height(height)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    m_dc = CreateCompatibleDC(nullptr);
    m_bitmap = CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    m_bits = static_cast<uint32_t*>(bits);
    m_previous = SelectObject(m_dc, m_bitmap);
    Fill(0xFFFFFF);
}

CPixelCanvas::~CPixelCanvas()
{
    SelectObject(m_dc, m_previous);
    DeleteObject(m_bitmap);
    DeleteDC(m_dc);
}

void CPixelCanvas::Fill(COLORREF color)
{
    HBRUSH brush = CreateSolidBrush(color);
    RECT all{0, 0, m_width, m_height};
    FillRect(m_dc, &all, brush);
    DeleteObject(brush);
    GdiFlush();
}

COLORREF CPixelCanvas::At(int x, int y) const
{
    GdiFlush();
    const uint32_t p = m_bits[size_t(y) * m_width + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

std::vector<COLORREF> CPixelCanvas::ColorsIn(const RECT& area) const
{
    std::vector<COLORREF> colors;
    for (int y = std::max<int>(0, area.top); y < std::min<int>(m_height, area.bottom); ++y)
        for (int x = std::max<int>(0, area.left); x < std::min<int>(m_width, area.right); ++x) {
            const COLORREF c = At(x, y);
            if (std::find(colors.begin(), colors.end(), c) == colors.end())
                colors.push_back(c);
        }
    return colors;
}

int CPixelCanvas::FirstColumnOf(COLORREF color, int top, int bottom) const
{
    for (int x = 0; x < m_width; ++x)
        for (int y = std::max(0, top); y < std::min(m_height, bottom); ++y)
            if (At(x, y) == color)
                return x;
    return -1;
}

bool CPixelCanvas::SaveBmp(const std::wstring& path) const
{
    GdiFlush();
    const int rowBytes = ((m_width * 3 + 3) / 4) * 4;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = m_width;
    header.biHeight = m_height;   // bottom-up rows in the file
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = DWORD(rowBytes) * m_height;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(header);
    file.bfSize = file.bfOffBits + header.biSizeImage;
    std::vector<uint8_t> pixels(header.biSizeImage, 0);
    for (int y = 0; y < m_height; ++y) {
        uint8_t* row = pixels.data() + size_t(m_height - 1 - y) * rowBytes;
        for (int x = 0; x < m_width; ++x) {
            const uint32_t p = m_bits[size_t(y) * m_width + x];
            row[x * 3 + 0] = p & 0xFF;
            row[x * 3 + 1] = (p >> 8) & 0xFF;
            row[x * 3 + 2] = (p >> 16) & 0xFF;
        }
    }
    HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(out, &file, sizeof(file), &written, nullptr) &&
              WriteFile(out, &header, sizeof(header), &written, nullptr) &&
              WriteFile(out, pixels.data(), DWORD(pixels.size()), &written, nullptr);
    CloseHandle(out);
    return ok;
}

bool CPixelCanvas::CaptureWindow(HWND window)
{
    RECT frame;
    GetWindowRect(window, &frame);
    HDC screen = GetDC(nullptr);
    const bool ok = BitBlt(m_dc, 0, 0, m_width, m_height, screen, frame.left, frame.top,
                           SRCCOPY) != FALSE;
    ReleaseDC(nullptr, screen);
    GdiFlush();
    return ok;
}

std::wstring TestOutputFolder()
{
    wchar_t path[1024] = {};
    GetModuleFileNameW(nullptr, path, 1023);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}
