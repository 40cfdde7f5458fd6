// The marked word in a real viewer: Ctrl and a double click box each whole-word place of it on
// the page, Mark Word takes the word under the pointer, Ctrl+F3 and Ctrl+Shift+F3 walk its
// lines, and Esc clears the marks before it closes the view.
#include "resources/resource.h"
#include "tests/viewer/ViewFixture.h"
#include "viewer/RowPainter.h"

#include <set>

namespace {

struct Place {
    int row;
    int column;
    int length;
};

// The pixel columns where the frame of a box runs along the top of row `row`.
std::set<int> FramedColumns(const CPixelCanvas& canvas, int top)
{
    std::set<int> columns;
    for (int x = 0; x < canvas.Width(); ++x)
        if (canvas.At(x, top) == kWordMarkFrame)
            columns.insert(x);
    return columns;
}

std::string MarksLog()
{
    std::vector<std::string> lines;
    for (int i = 0; i < 100; ++i)
        lines.push_back("07:" + std::to_string(10 + i) + " tick " + std::to_string(i));
    lines[0] = "07:00 user alice logged in";
    lines[1] = "07:01 user bob logged in";
    lines[2] = "07:02 malice_check passed for alice";   // "alice" inside a word is no place
    lines[40] = "07:40 alice logged out";
    lines[50] = "07:50 malice only";
    return JoinLines(lines);
}

TEST_F(ViewTest, AMarkedWordIsBoxedWalkedAndClearedByEsc)
{
    OpenView(MarksLog(), 640, 20 * 16 + 4, L"app.log");
    const int cw = view->CharWidth();
    auto point = [&](int row, int column) {
        return MAKELPARAM(2 + column * cw + cw / 2, RowTop(row) + 3);
    };
    {
        // Not Show in Log, whose refusal for a log would be a box here.
        CDialogDriver boxes;
        SendMessageW(Window(), WM_LBUTTONDBLCLK, MK_CONTROL, point(0, 13));
        EXPECT_TRUE(boxes.Seen().empty());
    }
    EXPECT_EQ(view->MarkedWord(), L"alice");
    EXPECT_TRUE(Notices().empty());

    const Place places[] = {{0, 11, 5}, {2, 30, 5}};
    auto marked = PaintToCanvas();
    for (int row = 0; row < 20; ++row) {
        SCOPED_TRACE(::testing::Message() << "row " << row);
        std::set<int> expected;
        for (const Place& place : places)
            if (place.row == row)
                for (int x = 2 + place.column * cw; x < 2 + (place.column + place.length) * cw; ++x)
                    expected.insert(x);
        EXPECT_EQ(FramedColumns(*marked, RowTop(row)), expected);
    }

    // Forward over the line where it is only part of a word, to the end and no further.
    const struct {
        bool forward;
        const wchar_t* top;
    } steps[] = {{true, L"07:02 malice_check passed for alice"},
                 {true, L"07:40 alice logged out"},
                 {true, L"07:40 alice logged out"},
                 {false, L"07:02 malice_check passed for alice"},
                 {false, L"07:00 user alice logged in"}};
    for (const auto& step : steps) {
        Key(VK_F3, true, !step.forward);
        EXPECT_EQ(Top(), step.top) << (step.forward ? "Ctrl+F3" : "Ctrl+Shift+F3");
    }
    EXPECT_TRUE(AppSearch().text.empty()) << "the Find text is left alone";

    // Mark Word takes the word under the pointer.
    POINT screen{2 + 12 * cw, RowTop(1) + 3};
    ClientToScreen(Window(), &screen);
    ASSERT_TRUE(SetCursorPos(screen.x, screen.y));
    SendMessageW(Window(), WM_COMMAND, IDM_MARK_WORD, 0);
    EXPECT_EQ(view->MarkedWord(), L"bob");

    HWND window = Window();
    Key(VK_ESCAPE);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_TRUE(view->MarkedWord().empty());
    EXPECT_TRUE(FramedColumns(*PaintToCanvas(), RowTop(1)).empty());
    Key(VK_ESCAPE);
    EXPECT_FALSE(IsWindow(window));
}

} // namespace
