// The fixture of the window tests: a real view over a generated result, a recorder of its notices.
#pragma once

#include "settings/ColorMap.h"
#include "settings/Settings.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/MessageRecorder.h"
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
    // What the main dialog would have received as WM_NOTIFY; a Show in Log request carries
    // its log as the text and its offset as the number.
    std::vector<RecordedMessage> Notices() const { return receiver->Messages(); }

    TempDir dir;
    std::wstring path;
    std::unique_ptr<CTextView> view;
    std::unique_ptr<CMessageRecorder> receiver;
    HWND receiverWindow = nullptr;
    // Deleted when the next notice arrives, as the main dialog's list of open views does.
    CTextView* deleteOnNotice = nullptr;
};
