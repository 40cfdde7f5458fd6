// Small owners for the window, GDI, image-list, cursor and clipboard resources the dialog and the viewer borrow.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <utility>

// GetDC / ReleaseDC: a window's DC goes back with ReleaseDC, never DeleteDC.
class CWindowDC {
public:
    explicit CWindowDC(HWND window) : m_window(window), m_dc(GetDC(window)) {}
    ~CWindowDC()
    {
        if (m_dc)
            ReleaseDC(m_window, m_dc);
    }
    CWindowDC(const CWindowDC&) = delete;
    CWindowDC& operator=(const CWindowDC&) = delete;
    HDC Get() const { return m_dc; }

private:
    HWND m_window;
    HDC m_dc;
};

// BeginPaint / EndPaint.
class CPaintScope {
public:
    explicit CPaintScope(HWND window) : m_window(window) { m_dc = BeginPaint(window, &m_paint); }
    ~CPaintScope() { EndPaint(m_window, &m_paint); }
    CPaintScope(const CPaintScope&) = delete;
    CPaintScope& operator=(const CPaintScope&) = delete;
    HDC Get() const { return m_dc; }

private:
    HWND m_window;
    PAINTSTRUCT m_paint{};
    HDC m_dc = nullptr;
};

// SelectObject, with the previous object selected back at the end.
class CSelectObject {
public:
    CSelectObject(HDC dc, HGDIOBJ object)
        : m_dc(dc), m_previous(object ? SelectObject(dc, object) : nullptr)
    {
    }
    ~CSelectObject()
    {
        if (m_previous)
            SelectObject(m_dc, m_previous);
    }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

// A GDI object created here and deleted with DeleteObject (fonts, bitmaps, brushes, regions).
template <typename T>
class CGdiObject {
public:
    explicit CGdiObject(T object = nullptr) : m_object(object) {}
    ~CGdiObject() { Reset(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;
    T Get() const { return m_object; }
    void Reset(T object = nullptr)
    {
        if (m_object)
            DeleteObject(m_object);
        m_object = object;
    }

private:
    T m_object;
};

// An image list from ImageList_Create, destroyed with ImageList_Destroy.
class CImageList {
public:
    explicit CImageList(HIMAGELIST list = nullptr) : m_list(list) {}
    ~CImageList() { Reset(); }
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;
    HIMAGELIST Get() const { return m_list; }
    // Hands the list over: this owner no longer destroys it.
    HIMAGELIST Release() { return std::exchange(m_list, nullptr); }
    void Reset(HIMAGELIST list = nullptr)
    {
        if (m_list)
            ImageList_Destroy(m_list);
        m_list = list;
    }

private:
    HIMAGELIST m_list;
};

// The wait cursor while a long operation runs; the arrow again afterwards.
class CWaitCursor {
public:
    CWaitCursor() { SetCursor(LoadCursorW(nullptr, IDC_WAIT)); }
    ~CWaitCursor() { SetCursor(LoadCursorW(nullptr, IDC_ARROW)); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};

// OpenClipboard / CloseClipboard.
class CClipboardScope {
public:
    explicit CClipboardScope(HWND owner) : m_open(OpenClipboard(owner) != FALSE) {}
    ~CClipboardScope()
    {
        if (m_open)
            CloseClipboard();
    }
    CClipboardScope(const CClipboardScope&) = delete;
    CClipboardScope& operator=(const CClipboardScope&) = delete;
    bool IsOpen() const { return m_open; }

private:
    bool m_open;
};
