// Window test helpers: answering dialogs from the test, key states, pixels and screenshots.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A dialog (message box or any #32770 window) seen by CDialogDriver.
struct SeenDialog {
    std::wstring caption;
    std::wstring text;        // a message box's text; empty for other dialogs
    bool unexpected = false;  // no handler was left: it was cancelled
};

// While it lives, a thread timer of this thread looks for new visible dialogs
// of this thread (modal loops dispatch the timer) and hands each, in order, to
// the next handler. A dialog with no handler left is closed with IDCANCEL and
// recorded as unexpected, and so is a handled one still open 10 s later, so a
// test never hangs on a box.
class CDialogDriver {
public:
    using Handler = std::function<void(HWND dialog)>;
    explicit CDialogDriver(std::vector<Handler> handlers = {});
    ~CDialogDriver();
    CDialogDriver(const CDialogDriver&) = delete;
    CDialogDriver& operator=(const CDialogDriver&) = delete;

    const std::vector<SeenDialog>& Seen() const { return m_seen; }
    size_t HandlersLeft() const { return m_handlers.size() - m_next; }

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
    void Poll();

    std::vector<Handler> m_handlers;
    size_t m_next = 0;
    std::vector<SeenDialog> m_seen;
    struct Handled {
        HWND window;
        DWORD since;
    };
    std::vector<Handled> m_handled;
    UINT_PTR m_timer = 0;
};

// Handlers: press a button of a message box (IDOK, IDYES, IDNO, ...).
CDialogDriver::Handler PressButton(int id);
std::wstring MessageBoxText(HWND dialog);

// Ctrl and Shift as GetKeyState reports them on this thread, while alive.
class CKeyState {
public:
    CKeyState(bool ctrl, bool shift);
    ~CKeyState();
    CKeyState(const CKeyState&) = delete;
    CKeyState& operator=(const CKeyState&) = delete;

private:
    BYTE m_saved[256];
};

// Delivers what is queued for this thread's windows (paints, posted messages).
void PumpMessages(int milliseconds = 0);

// Resizes a window until its client area has the given size.
void SetClientSize(HWND window, int width, int height);

// A 32-bit top-down bitmap with a memory DC selected into it.
class CPixelCanvas {
public:
    CPixelCanvas(int width, int height);
    ~CPixelCanvas();
    CPixelCanvas(const CPixelCanvas&) = delete;
    CPixelCanvas& operator=(const CPixelCanvas&) = delete;

    HDC Dc() const { return m_dc; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    void Fill(COLORREF color);
    // The pixel as a COLORREF (red in the low byte).
    COLORREF At(int x, int y) const;
    // Every distinct colour inside a rectangle.
    std::vector<COLORREF> ColorsIn(const RECT& area) const;
    // The first and last column holding `color` in the rows [top, bottom), or -1.
    int FirstColumnOf(COLORREF color, int top, int bottom) const;
    bool SaveBmp(const std::wstring& path) const;
    // Copies a window as it stands on the screen, frame and menu included.
    bool CaptureWindow(HWND window);

private:
    int m_width;
    int m_height;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_previous = nullptr;
    uint32_t* m_bits = nullptr;
};

// The folder of the test executable, with a trailing backslash.
std::wstring TestOutputFolder();
