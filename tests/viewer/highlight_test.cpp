// What the run's filters matched, painted in a real viewer of its result: on
// a tint of the line's colour or in bold, only where the matcher's spans lie,
// never on context lines, and gone with Highlight Matches off; at 96 DPI and,
// in a child process, at 144.
#include "engine/run/GrepRun.h"
#include "resources/resource.h"
#include "tests/support/DpiChild.h"
#include "tests/support/GrepObservers.h"
#include "tests/viewer/ViewFixture.h"
#include "win32/Dpi.h"

#include <algorithm>

namespace {

const wchar_t kChildDpi[] = L"TILVO_HIGHLIGHT_DPI";
constexpr COLORREF kRed = RGB(0xFF, 0, 0);
constexpr COLORREF kRedTint = RGB(0xFF, 0xBF, 0xBF);

// The columns of the row's pixels that differ between two paintings.
std::vector<int> ChangedColumns(const CPixelCanvas& a, const CPixelCanvas& b, int top, int bottom)
{
    std::vector<int> columns;
    for (int x = 0; x < a.Width(); ++x)
        for (int y = top; y < bottom; ++y)
            if (a.At(x, y) != b.At(x, y)) {
                columns.push_back(x);
                break;
            }
    return columns;
}

void CheckHighlight(CTextView& view)
{
    const int dpi = WindowDpi(view.Window());
    const int border = Scaled(2, dpi);
    const int cw = view.CharWidth();
    const int rowHeight = view.FontSize() + 1;
    auto rowTop = [&](int i) { return border + i * rowHeight; };
    ASSERT_TRUE(view.ShowsMatches());
    RECT client;
    GetClientRect(view.Window(), &client);
    CPixelCanvas on(client.right, client.bottom), off(client.right, client.bottom);
    view.PaintRows(on.Dc(), client);
    SendMessageW(view.Window(), WM_COMMAND, IDM_HIGHLIGHT, 0);
    EXPECT_FALSE(view.ShowsMatches());
    view.PaintRows(off.Dc(), client);
    SendMessageW(view.Window(), WM_COMMAND, IDM_HIGHLIGHT, 0);

    // Row by row: the columns [first, last) the spans cover, none on context rows.
    const struct {
        int row;
        int first, last;
    } rows[] = {{0, 0, 0}, {1, 2, 7}, {2, 0, 0}, {3, 2, 4}, {4, 0, 0}};
    for (const auto& r : rows) {
        SCOPED_TRACE(::testing::Message() << "row " << r.row << " at " << dpi << " DPI");
        const std::vector<int> changed =
            ChangedColumns(on, off, rowTop(r.row), rowTop(r.row) + view.FontSize());
        if (r.first == r.last) {
            EXPECT_TRUE(changed.empty());
            continue;
        }
        ASSERT_FALSE(changed.empty());
        EXPECT_GE(changed.front(), border + r.first * cw);
        EXPECT_LT(changed.back(), border + r.last * cw);
    }
    // The red line's span lies on the tint of red; the line without a colour
    // has none of it.
    const RECT span{border + 2 * cw, rowTop(1), border + 7 * cw, rowTop(1) + view.FontSize()};
    const auto has = [](const std::vector<COLORREF>& colors, COLORREF color) {
        return std::find(colors.begin(), colors.end(), color) != colors.end();
    };
    EXPECT_TRUE(has(on.ColorsIn(span), kRedTint));
    EXPECT_TRUE(has(on.ColorsIn(span), kRed));
    const RECT plain{border, rowTop(3), client.right - border, rowTop(3) + view.FontSize()};
    EXPECT_FALSE(has(on.ColorsIn(plain), kRedTint));
}

TEST_F(ViewTest, MatchedTextIsPaintedWhereTheMatcherSays)
{
    const int childDpi = ChildDpi(kChildDpi);
    AppSettings().ViewFontFamily = L"Liberation Mono";
    ASSERT_TRUE(WriteColors("Color = *ERROR* 0000ff\n"));
    ASSERT_TRUE(WriteBytes(dir.File(L"app.log"), "pre\nx ERROR y\npost\nz OK w\nafter\n"));
    CGrepParams params;
    params.logFile = dir.File(L"app.log");
    params.resultFile = dir.File(L"app.greptmp");
    params.filters = {CFilter(L"*ERROR*"), CFilter(L"*OK*"), CFilter(L"*w*", FilterOr, false)};
    params.linesBefore = 1;
    params.linesAfter = 2;
    CQuietObserver quiet;
    ASSERT_EQ(RunGrep(params, quiet).end, GrepEnd::Completed);
    const std::string result = ReadBytes(params.resultFile);
    ASSERT_EQ(result, "/pre\nx ERROR y\n\\post\nz OK w\n\\after\n");
    CTextView& opened = OpenView(result, 640, 20 * 16 + 4, L"app.greptmp");
    CheckHighlight(opened);
    if (childDpi)
        return;
    CLogPixels setting(144);
    ASSERT_TRUE(setting.Set());
    EXPECT_EQ(RunTestAtDpi(144, "ViewTest.MatchedTextIsPaintedWhereTheMatcherSays", kChildDpi), 0u)
        << "the highlight at 144 DPI; the child's failures are printed above";
}

} // namespace
