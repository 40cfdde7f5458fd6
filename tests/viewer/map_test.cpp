// The map of a log opened from a result, in a real viewer at 96 and, in a child process, 144
// DPI: marks in the kept lines' colours on exactly the rows where their log bytes fall, a frame
// around the page in view, a click that scrolls to a mark, and a mark for a line the run added
// later, as following does.
#include "engine/run/GrepRun.h"
#include "tests/support/DpiChild.h"
#include "tests/support/GrepObservers.h"
#include "tests/viewer/ViewFixture.h"
#include "viewer/LogMap.h"
#include "viewer/ViewSettings.h"
#include "win32/Dpi.h"
#include "win32/ModulePath.h"

#include <map>

namespace {

const wchar_t kChildDpi[] = L"TILVO_MAP_DPI";
constexpr COLORREF kPageFrame = 0x800000;
constexpr char kTick[] = "07:00:00.0000 INFO  tick";

struct MapLog {
    std::string bytes;
    std::map<int64_t, std::string> kept;   // log offset: the kept line
};

MapLog MakeLog(int lines, const std::map<int, std::string>& special)
{
    MapLog log;
    for (int i = 0; i < lines; ++i) {
        const auto found = special.find(i);
        const std::string line = found != special.end()
                                     ? found->second
                                     : std::string(kTick).replace(9, 4, std::to_string(1000 + i));
        if (found != special.end())
            log.kept[int64_t(log.bytes.size())] = line;
        log.bytes += line + "\n";
    }
    return log;
}

bool Grep(const std::wstring& log, const std::wstring& result)
{
    CGrepParams params;
    params.logFile = log;
    params.resultFile = result;
    params.filters = {CFilter(L"*ERROR*"), CFilter(L"*WARN*")};
    params.linesBefore = params.linesAfter = 1;
    CQuietObserver quiet;
    return RunGrep(params, quiet).end == GrepEnd::Completed;
}

// Each strip row's mark against the rows the kept lines' stretches fall on: from the line of
// context before, as many bytes as the result holds for the stretch (its context marks make it
// longer), in the kept line's colour; rows the page's frame crosses are left out.
void CheckMarks(CTextView& view, const MapLog& log, const std::wstring& resultFile)
{
    const std::string result = ReadBytes(resultFile);
    RECT client;
    GetClientRect(view.Window(), &client);
    CPixelCanvas canvas(client.right, client.bottom);
    view.PaintMap(canvas.Dc(), client);
    const RECT strip = view.MapRect(client);
    const int height = strip.bottom - strip.top, centre = (strip.left + strip.right) / 2;
    const int64_t size = int64_t(log.bytes.size());
    std::vector<COLORREF> expected(size_t(height), 0xF0F0F0);
    for (const auto& [offset, line] : log.kept)
    {
        const size_t kept = result.find(line);
        const size_t first = result.rfind('\n', kept - 2) + 1;
        const size_t last = result.find('\n', result.find('\n', kept) + 1);
        const int64_t start = offset - int64_t(sizeof(kTick));   // the tick line and its end
        for (int64_t at = start; at <= start + int64_t(last - first); ++at) {
            COLORREF& row = expected[size_t(CLogMap::RowOfOffset(at, height, size))];
            if (row == 0xF0F0F0)
                row = ViewLineColor(std::wstring(line.begin(), line.end()).c_str());
        }
    }
    int frameRows = 0;
    for (int y = 0; y < height; ++y) {
        const COLORREF seen = canvas.At(centre, strip.top + y);
        if (seen == kPageFrame && ++frameRows)
            continue;
        EXPECT_EQ(seen, expected[size_t(y)]) << "strip row " << y << " of " << height;
    }
    EXPECT_LE(frameRows, 2);
    const int64_t top = view.Reader()->TopLineOffset();
    EXPECT_EQ(canvas.At(strip.left, strip.top + CLogMap::RowOfOffset(top, height, size)), kPageFrame);
}

TEST_F(ViewTest, TheLogsMapMarksTheKeptLinesAndAClickGoesThere)
{
    const int childDpi = ChildDpi(kChildDpi);
    ASSERT_TRUE(WriteColors("Color = *ERROR* 0000ff\nColor = *WARN* 008000\n"));
    std::map<int, std::string> special = {{100, "07:01 ERROR disk full"},
                                          {700, "07:07 WARN slow write"},
                                          {1500, "07:15 ERROR disk full again"},
                                          {2900, "07:29 WARN rotation late"}};
    MapLog log = MakeLog(3000, special);
    CTextView& opened = OpenView(log.bytes, 640, 20 * 16 + 4, L"app.log");
    const std::wstring result = dir.File(L"app.greptmp");
    ASSERT_TRUE(Grep(path, result));
    opened.ShowMap(result, 0);
    ASSERT_TRUE(opened.HasMap());
    CheckMarks(opened, log, result);

    // A click on the third mark puts its stretch at the top: its line of context, then the line.
    RECT client;
    GetClientRect(Window(), &client);
    const RECT strip = opened.MapRect(client);
    const int row = CLogMap::RowOfOffset(std::next(log.kept.begin(), 2)->first,
                                         strip.bottom - strip.top, int64_t(log.bytes.size()));
    SendMessageW(Window(), WM_LBUTTONDOWN, 0,
                 MAKELPARAM((strip.left + strip.right) / 2, strip.top + row));
    EXPECT_EQ(Top(), L"07:00:00.2499 INFO  tick");
    EXPECT_EQ(Line(1), L"07:15 ERROR disk full again");
    CheckMarks(opened, log, result);
    if (!childDpi) {
        // For people to look at: the README's picture of a log with its map.
        const std::wstring shots = ExecutableFolder() + L"\\screenshots";
        CreateDirectoryW(shots.c_str(), nullptr);
        RECT frame;
        GetWindowRect(Window(), &frame);
        PumpMessages();
        CPixelCanvas window(frame.right - frame.left, frame.bottom - frame.top);
        EXPECT_TRUE(window.CaptureWindow(Window()) && window.SaveBmp(shots + L"\\log-map.bmp"));
    }

    // The log grows and the run seals its index again: the next look marks the new line.
    special[3100] = "07:31 ERROR late one";
    const size_t before = log.bytes.size();
    log = MakeLog(3200, special);
    ASSERT_TRUE(AppendBytes(path, log.bytes.substr(before)));
    opened.OnFileGrew();
    ASSERT_TRUE(Grep(path, result));
    SendMessageW(Window(), WM_TIMER, kMapTimer, 0);
    CheckMarks(opened, log, result);

    // A followed result runs a step ahead of its sealed index: the map still reads it.
    ASSERT_TRUE(AppendBytes(result, "07:32 ERROR not sealed yet\n"));
    ASSERT_TRUE(opened.OpenFile(path.c_str()));
    EXPECT_FALSE(opened.HasMap());
    opened.ShowMap(result, 0);
    ASSERT_TRUE(opened.HasMap());
    CheckMarks(opened, log, result);
    if (childDpi)
        return;
    CLogPixels setting(144);
    ASSERT_TRUE(setting.Set());
    EXPECT_EQ(RunTestAtDpi(144, "ViewTest.TheLogsMapMarksTheKeptLinesAndAClickGoesThere",
                           kChildDpi), 0u)
        << "the map at 144 DPI; the child's failures are printed above";
}

} // namespace
