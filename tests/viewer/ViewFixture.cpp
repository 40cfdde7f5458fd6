// The window tests' fixture: view creation, key and scroll messages, painting to a bitmap.
#include "tests/viewer/ViewFixture.h"

#include "resources/resource.h"

#include <utility>

void ViewTest::SetUp()
{
    ClearColors();
    AppSettings() = Settings();
    AppSearch() = SearchState();
    receiver = std::make_unique<CMessageRecorder>(std::vector<UINT>{WM_NOTIFY});
    receiverWindow = receiver->NewWindow();
    receiver->describe = [](RecordedMessage& notice, LPARAM lParam) {
        if (notice.code == static_cast<UINT>(NM_VIEWER_SHOW_IN_LOG)) {
            const auto* request = reinterpret_cast<const NMSHOWINLOG*>(lParam);
            notice.text = request->logFile;
            notice.number = request->offset;
        }
    };
    receiver->onMessage = [this](const RecordedMessage&) {
        delete std::exchange(deleteOnNotice, nullptr);
    };
}

void ViewTest::TearDown()
{
    view.reset();
    receiver.reset();
    PumpMessages();
    ClearColors();
}

CTextView& ViewTest::OpenView(const std::string& bytes, int width, int height, const wchar_t* name)
{
    path = dir.File(name);
    EXPECT_TRUE(WriteBytes(path, bytes));
    view = std::make_unique<CTextView>(GetModuleHandleW(nullptr));
    view->SetNotifyWindow(receiverWindow);
    EXPECT_TRUE(view->Create(path.c_str()));
    EXPECT_TRUE(view->OpenFile(path.c_str()));
    SetClientSize(view->Window(), width, height);
    PumpMessages();
    return *view;
}

void ViewTest::Key(WPARAM key, bool ctrl, bool shift)
{
    CKeyState state(ctrl, shift);
    SendMessageW(Window(), WM_KEYDOWN, key, 1);
}

void ViewTest::VScroll(int request, int thumb)
{
    SendMessageW(Window(), WM_VSCROLL, MAKEWPARAM(request, thumb), 0);
}

void ViewTest::HScroll(int request, int thumb)
{
    SendMessageW(Window(), WM_HSCROLL, MAKEWPARAM(request, thumb), 0);
}

std::wstring ViewTest::Top() const
{
    return Line(0);
}

std::wstring ViewTest::Line(uint32_t k) const
{
    const wchar_t* text = view->Reader() ? view->Reader()->GetLineText(k) : nullptr;
    return text ? text : L"<none>";
}

int64_t ViewTest::TopOffset() const
{
    int64_t offset = -1;
    EXPECT_TRUE(view->Reader()->GetTopPosition(offset));
    return offset;
}

std::unique_ptr<CPixelCanvas> ViewTest::PaintToCanvas() const
{
    RECT client;
    GetClientRect(Window(), &client);
    auto canvas = std::make_unique<CPixelCanvas>(client.right, client.bottom);
    view->PaintRows(canvas->Dc(), client);
    return canvas;
}

RECT ViewTest::RowArea(int i) const
{
    RECT client;
    GetClientRect(Window(), &client);
    RECT area{2, RowTop(i), client.right - 4, RowTop(i) + AppSettings().ViewFontSize};
    return area;
}

bool ViewTest::WriteColors(const std::string& ini)
{
    const std::wstring iniPath = dir.File(L"Tilvo.ini");
    return WriteBytes(iniPath, ini) && LoadColors(iniPath);
}
