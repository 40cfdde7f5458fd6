// CPixelCanvas: a bitmap to paint into or to copy the screen into, its pixels, and BMP files.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

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
    std::vector<COLORREF> Colors() const { return ColorsIn({0, 0, m_width, m_height}); }
    // The first column holding `color` in the rows [top, bottom), or -1.
    int FirstColumnOf(COLORREF color, int top, int bottom) const;
    // A 24-bit BMP file.
    bool SaveBmp(const std::wstring& path) const;
    // Copies a window of any process as the screen shows it, frame and menu included.
    bool CaptureWindow(HWND window);

private:
    int m_width;
    int m_height;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_previous = nullptr;
    uint32_t* m_bits = nullptr;
};

// The window's size on the screen (0 by 0 when it has none).
SIZE WindowSize(HWND window);
// What the screen shows of a window, saved as a BMP file: a screenshot for people to look at.
bool SaveWindowImage(HWND window, const std::wstring& path);
