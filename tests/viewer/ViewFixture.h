// The fixture of the window tests: a real view over a generated result, a receiver of its notices.
#pragma once

#include "settings/ColorMap.h"
#include "settings/Settings.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/Pixels.h"
#include "tests/support/TestFiles.h"
#include "tests/support/Wait.h"
#include "tests/support/Windows.h"
#include "tests/viewer/ViewerTestFiles.h"
#include "viewer/ScrollableFileReader.h"
#include "viewer/SearchState.h"
#include "viewer/TextView.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// What the main dialog would receive as WM_NOTIFY.
struct Notice {
    HWND from = nullptr;
    UINT code = 0;
    WPARAM wParam = 0;
    // What a Show in Log request asks for.
    std::wstring logFile;
    int64_t logOffset = -1;
};

// A stand-in for the main dialog: records the notices and, when asked,
// deletes the view that closed, as a list of open views would.
class CNoticeReceiver {
public:
    CNoticeReceiver();
    ~CNoticeReceiver();
    HWND Window() const { return m_window; }
    std::vector<Notice> notices;
    CTextView* deleteOnNotice = nullptr;

private:
    static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
    HWND m_window = nullptr;
};

class ViewTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes the result, creates a view on it and sizes its client area.
    CTextView& OpenView(const std::string& bytes, int width = 640, int height = 20 * 16 + 4,
                        const wchar_t* name = L"result.greptmp");
    HWND Window() const { return view->Window(); }
    void Key(WPARAM key, bool ctrl = false, bool shift = false);
    void VScroll(int request, int thumb = 0);
    void HScroll(int request, int thumb = 0);
    std::wstring Top() const;
    std::wstring Line(uint32_t k) const;
    int VPos() const { return GetScrollPos(Window(), SB_VERT); }
    int HPos() const { return GetScrollPos(Window(), SB_HORZ); }
    int64_t TopOffset() const;
    // The rows painted into a bitmap of the client's size.
    std::unique_ptr<CPixelCanvas> PaintToCanvas() const;
    // The pixel rows [top, bottom) of text row i.
    int RowTop(int i) const { return 2 + i * (AppSettings().ViewFontSize + 1); }
    RECT RowArea(int i) const;
    bool WriteColors(const std::string& ini);

    TempDir dir;
    std::wstring path;
    std::unique_ptr<CTextView> view;
    std::unique_ptr<CNoticeReceiver> receiver;
};
