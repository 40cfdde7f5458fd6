// The DPI a window is shown at, and lengths designed at 96 DPI scaled to it.
#pragma once

#include <windows.h>

// Every length the program draws or places is written for this DPI.
constexpr int kDesignDpi = 96;

// WM_DPICHANGED, which headers for the oldest supported Windows do not define.
constexpr UINT kDpiChangedMessage = 0x02E0;

// The window's DPI where the system tells it per window (per-monitor aware
// programs), else the screen's; the design DPI when neither can be read.
inline int WindowDpi(HWND window)
{
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow && window) {
        const UINT dpi = getDpiForWindow(window);
        if (dpi > 0)
            return int(dpi);
    }
    HDC dc = GetDC(window);
    const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 0;
    if (dc)
        ReleaseDC(window, dc);
    return dpi > 0 ? dpi : kDesignDpi;
}

// A length designed at 96 DPI, at `dpi`.
inline int Scaled(int length, int dpi)
{
    return MulDiv(length, dpi, kDesignDpi);
}

// A length at `dpi`, taken back to 96 DPI.
inline int Unscaled(int length, int dpi)
{
    return MulDiv(length, kDesignDpi, dpi);
}
