// CPixelCanvas: the DIB section, pixel reads, screen copies and the BMP writer.
#include "tests/support/Pixels.h"

#include <algorithm>
#include <cstdio>

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
    FILE* out = _wfopen(path.c_str(), L"wb");
    if (!out)
        return false;
    bool ok = fwrite(&file, sizeof(file), 1, out) == 1 && fwrite(&header, sizeof(header), 1, out) == 1 &&
              fwrite(pixels.data(), pixels.size(), 1, out) == 1;
    return (fclose(out) == 0) && ok;
}

bool CPixelCanvas::CaptureWindow(HWND window)
{
    RECT frame;
    if (!GetWindowRect(window, &frame))
        return false;
    HDC screen = GetDC(nullptr);
    const bool ok = BitBlt(m_dc, 0, 0, m_width, m_height, screen, frame.left, frame.top,
                           SRCCOPY) != FALSE;
    ReleaseDC(nullptr, screen);
    GdiFlush();
    return ok;
}

SIZE WindowSize(HWND window)
{
    RECT frame{};
    GetWindowRect(window, &frame);
    return {frame.right - frame.left, frame.bottom - frame.top};
}

bool SaveWindowImage(HWND window, const std::wstring& path)
{
    const SIZE size = WindowSize(window);
    if (size.cx <= 0 || size.cy <= 0)
        return false;
    CPixelCanvas canvas(size.cx, size.cy);
    return canvas.CaptureWindow(window) && canvas.SaveBmp(path);
}
