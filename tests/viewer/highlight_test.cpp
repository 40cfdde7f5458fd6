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
#include "win32/ModulePath.h"

#include <algorithm>

namespace {

const wchar_t kChildDpi[] = L"TILVO_HIGHLIGHT_DPI";
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

// `words` holds, row by row, the text painted on it; empty on rows left alone.
void CheckHighlight(CTextView& view, const std::vector<std::string>& lines,
                    const std::vector<std::string>& words)
{
    const int dpi = WindowDpi(view.Window());
    const int border = Scaled(2, dpi);
    const int cw = view.CharWidth();
    auto rowTop = [&](size_t i) { return border + int(i) * (view.FontSize() + 1); };
    ASSERT_TRUE(view.ShowsMatches());
    RECT client;
    GetClientRect(view.Window(), &client);
    CPixelCanvas on(client.right, client.bottom), off(client.right, client.bottom);
    view.PaintRows(on.Dc(), client);
    SendMessageW(view.Window(), WM_COMMAND, IDM_HIGHLIGHT, 0);
    EXPECT_FALSE(view.ShowsMatches());
    view.PaintRows(off.Dc(), client);
    SendMessageW(view.Window(), WM_COMMAND, IDM_HIGHLIGHT, 0);
    const auto has = [](const std::vector<COLORREF>& colors, COLORREF color) {
        return std::find(colors.begin(), colors.end(), color) != colors.end();
    };
    for (size_t r = 0; r < lines.size(); ++r) {
        SCOPED_TRACE(::testing::Message() << "row " << r << " at " << dpi << " DPI");
        const int top = rowTop(r), bottom = top + view.FontSize();
        const std::vector<int> changed = ChangedColumns(on, off, top, bottom);
        if (words[r].empty()) {
            EXPECT_TRUE(changed.empty());
            continue;
        }
        const int first = border + int(lines[r].find(words[r])) * cw;
        const int last = first + int(words[r].size()) * cw;
        ASSERT_FALSE(changed.empty());
        EXPECT_GE(changed.front(), first);
        EXPECT_LT(changed.back(), last);
        // A red line's words lie on the tint of red; a line without a colour has none.
        const bool red = lines[r].find("ERROR") != std::string::npos;
        EXPECT_EQ(has(on.ColorsIn(RECT{first, top, last, bottom}), kRedTint), red);
    }
    if (dpi == kDesignDpi) {
        // For people to look at: the README's picture of the painted matches.
        const std::wstring shots = ExecutableFolder() + L"\\screenshots";
        CreateDirectoryW(shots.c_str(), nullptr);
        EXPECT_TRUE(on.SaveBmp(shots + L"\\highlight-result.bmp"));
    }
}

TEST_F(ViewTest, MatchedTextIsPaintedWhereTheMatcherSays)
{
    const int childDpi = ChildDpi(kChildDpi);
    AppSettings().ViewFontFamily = L"Liberation Mono";
    ASSERT_TRUE(WriteColors("Color = *ERROR* 0000ff\n"));
    ASSERT_TRUE(WriteBytes(dir.File(L"app.log"),
                           "06:58:01.120 DEBUG [pool-1] warm-up: 16 of 16\n"
                           "06:58:02.431 ERROR [io-7] write failed: disk full\n"
                           "06:58:02.433 INFO  [io-7] switching to the spill folder\n"
                           "07:02:14.551 WARN  [sched] rotation took 1532 ms\n"
                           "07:02:14.552 INFO  [sched] next rotation at 07:00\n"));
    CGrepParams params;
    params.logFile = dir.File(L"app.log");
    params.resultFile = dir.File(L"app.greptmp");
    // "?" marks its character; an unchecked filter paints nothing.
    params.filters = {CFilter(L"*ERROR*"), CFilter(L"~w?rn*"),
                      CFilter(L"*rotation*", FilterOr, false)};
    params.linesBefore = 1;
    params.linesAfter = 2;
    CQuietObserver quiet;
    ASSERT_EQ(RunGrep(params, quiet).end, GrepEnd::Completed);
    const std::string result = ReadBytes(params.resultFile);
    const std::vector<std::string> lines = {
        "/06:58:01.120 DEBUG [pool-1] warm-up: 16 of 16",
        "06:58:02.431 ERROR [io-7] write failed: disk full",
        "\\06:58:02.433 INFO  [io-7] switching to the spill folder",
        "07:02:14.551 WARN  [sched] rotation took 1532 ms",
        "\\07:02:14.552 INFO  [sched] next rotation at 07:00"};
    ASSERT_EQ(result, JoinLines(lines));
    CTextView& opened = OpenView(result, 640, 20 * 16 + 4, L"app.greptmp");
    CheckHighlight(opened, lines, {"", "ERROR", "", "WARN", ""});
    if (childDpi)
        return;
    CLogPixels setting(144);
    ASSERT_TRUE(setting.Set());
    EXPECT_EQ(RunTestAtDpi(144, "ViewTest.MatchedTextIsPaintedWhereTheMatcherSays", kChildDpi), 0u)
        << "the highlight at 144 DPI; the child's failures are printed above";
}

} // namespace
