// The index of a result against its log: on seeded logs, through the fast
// path and line by line, every result line's recorded log line and offset
// must hold that very line; and the index lives and dies with its result.
#include "engine/io/FileLines.h"
#include "engine/io/FileReader.h"
#include "engine/run/GrepIndex.h"
#include "tests/engine/IndexCheck.h"
#include "tests/engine/PackedFiles.h"
#include "engine/run/GrepRun.h"
#include "tests/support/TestFiles.h"
#include "tests/support/GrepObservers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

// Where a result line lies in its log: the offset from the index, the line
// number counted in the log, as Line Info counts it.
struct CLogPlace {
    int64_t offset = 0;
    int64_t line = 0;
};
bool Locate(const CGrepIndex& index, int64_t resultOffset, CLogPlace& place)
{
    return index.Locate(resultOffset, place.offset) &&
           LineNumberAt(index.LogFile(), place.offset, place.line);
}

class StopAfter : public CGrepObserver {
public:
    explicit StopAfter(int lines) : m_left(lines) {}
    bool StopRequested() override { return --m_left < 0; }
    void Progress(int, int) override {}

private:
    int m_left;
};

std::string SeededLog(std::mt19937& random, size_t lines, size_t longWords)
{
    const char* const words[] = {"ERROR:", "error", "WARN", "config", "timeout", "info",
                                 "x", "/x", "\\y", "\xe9t\xe9"};
    const char* const ends[] = {"\n", "\r\n", "\r"};
    std::string log;
    for (size_t i = 0; i < lines; ++i) {
        const unsigned n = random() % (4 + longWords);
        for (unsigned w = 0; w < n; ++w)
            log += std::string(words[random() % (sizeof words / sizeof *words)]) + " ";
        const unsigned e = random() % 12;
        if (e == 0)
            log += '\0';
        else
            log += ends[e % 3];
    }
    if (random() % 2)
        log += "last ERROR: line";
    return log;
}

// Where each line of a text starts (lines end as the log reader ends them).
std::vector<size_t> LineStarts(const std::string& text)
{
    std::vector<size_t> starts{0};
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        else if (c != '\n' && c != '\r' && c != '\0')
            continue;
        if (i + 1 < text.size())
            starts.push_back(i + 1);
    }
    return starts;
}

std::string LineAt(const std::string& text, size_t start)
{
    size_t end = start;
    while (end < text.size() && text[end] != '\n' && text[end] != '\r' && text[end] != '\0')
        ++end;
    return text.substr(start, end - start);
}

} // namespace

void CheckIndex(const CGrepParams& params, size_t step)
{
    const std::string log = ReadBytes(params.logFile);
    const std::string result = ReadBytes(params.resultFile);
    const std::vector<size_t> logStarts = LineStarts(log);
    CGrepIndex index;
    ASSERT_EQ(index.Open(params.resultFile), CGrepIndex::State::Ready);
    EXPECT_EQ(index.LogFile(), params.logFile);
    if (result.empty())
        return;
    const std::vector<size_t> resultStarts = LineStarts(result);
    int64_t previousLine = 0;
    for (size_t n = 0; n < resultStarts.size(); n += step) {
        const std::string line = LineAt(result, resultStarts[n]);
        CLogPlace place;
        ASSERT_TRUE(Locate(index, int64_t(resultStarts[n]), place)) << "result line " << n + 1;
        ASSERT_GT(place.line, previousLine) << "result line " << n + 1;
        ASSERT_LE(size_t(place.line), logStarts.size()) << "result line " << n + 1;
        ASSERT_EQ(size_t(place.offset), logStarts[size_t(place.line) - 1])
            << "result line " << n + 1 << " at log line " << place.line;
        const std::string original = LineAt(log, size_t(place.offset));
        const bool same = line == original || (!line.empty() && (line[0] == '/' || line[0] == '\\') &&
                                               line.substr(1) == original);
        ASSERT_TRUE(same) << "result line " << n + 1 << " \"" << line << "\" but log line "
                          << place.line << " \"" << original << "\"";
        previousLine = place.line;
    }
}

namespace {

TEST(GrepIndex, EveryResultLineLeadsToItsLogLine)
{
    TempDir dir;
    std::mt19937 random(14);
    const std::vector<std::vector<std::wstring>> filterSets = {
        {L"*ERROR:*"}, {L"~*error*"}, {L"*error*", L"*config*"}, {L"*"}, {L"-config"},
        {L"x"}, {L"*\u00e9t\u00e9*"}, {L"*WARN*", L"~*TIMEOUT*"}, {L"*never*"},
    };
    const uint32_t buffers[] = {16, 1000, 1048575};
    for (int round = 0; round < 24; ++round) {
        CGrepParams params;
        params.logFile = dir.File(L"log" + std::to_wstring(round) + L".txt");
        params.resultFile = dir.File(L"run.greptmp");
        params.filters = CheckedFilters(filterSets[size_t(round) % filterSets.size()]);
        params.linesBefore = int(random() % 6) - 1;
        params.linesAfter = int(random() % 6) - 1;
        params.lfLineEnds = random() % 2 == 0;
        ASSERT_TRUE(WriteBytes(params.logFile, SeededLog(random, 200 + random() % 600, 0)));
        for (const bool fast : {true, false}) {
            CGrepOptions options;
            options.allowFastPath = fast;
            options.bufferSize = buffers[size_t(round) % 3];
            SCOPED_TRACE("round " + std::to_string(round) + (fast ? " fast" : " line by line"));
            CQuietObserver observer;
            ASSERT_EQ(RunGrep(params, observer, options).end, GrepEnd::Completed);
            CheckIndex(params, 1);
        }
    }
    // Long stretches are cut into pieces: a log of long lines that every
    // filter keeps, and one copied whole (no filter).
    CGrepParams params;
    params.logFile = dir.File(L"long.txt");
    params.resultFile = dir.File(L"long.greptmp");
    ASSERT_TRUE(WriteBytes(params.logFile, SeededLog(random, 30000, 12)));
    for (const auto& filters : {std::vector<std::wstring>{L"*"}, std::vector<std::wstring>{}}) {
        params.filters = CheckedFilters(filters);
        CQuietObserver observer;
        ASSERT_EQ(RunGrep(params, observer).end, GrepEnd::Completed);
        ASSERT_GT(ReadBytes(params.resultFile).size(), size_t(3 * kStretchPiece));
        CheckIndex(params, 211);
    }
}

TEST(GrepIndex, LivesAndDiesWithItsResult)
{
    TempDir dir;
    CGrepParams params;
    params.logFile = dir.File(L"app.log");
    params.resultFile = dir.File(L"app.log.greptmp");
    params.filters = CheckedFilters({L"*ERROR:*"});
    std::string log;
    for (int i = 0; i < 5000; ++i)
        log += i % 7 ? "line " + std::to_string(i) + "\n" : "ERROR: " + std::to_string(i) + "\n";
    ASSERT_TRUE(WriteBytes(params.logFile, log));
    const std::wstring indexFile = GrepIndexFileName(params.resultFile);
    CGrepIndex index;

    // A result without an index (a saved copy) opens; the index says so.
    ASSERT_TRUE(WriteBytes(params.resultFile, "ERROR: 0\n"));
    EXPECT_EQ(index.Open(params.resultFile), CGrepIndex::State::Missing);

    CQuietObserver observer;
    ASSERT_EQ(RunGrep(params, observer).end, GrepEnd::Completed);
    EXPECT_EQ(index.Open(params.resultFile), CGrepIndex::State::Ready);

    // A changed result no longer matches its index.
    ASSERT_TRUE(WriteBytes(params.resultFile, ReadBytes(params.resultFile) + "more\n"));
    EXPECT_EQ(index.Open(params.resultFile), CGrepIndex::State::Stale);

    // A stopped run leaves an index for the part it wrote.
    StopAfter stop(300);
    ASSERT_EQ(RunGrep(params, stop).end, GrepEnd::Stopped);
    CheckIndex(params, 1);

    // A run that cannot open its log touches neither file; a failed run
    // leaves no index beside what it wrote.
    const std::string before = ReadBytes(indexFile);
    CGrepParams missing = params;
    missing.logFile = dir.File(L"absent.log");
    EXPECT_EQ(RunGrep(missing, observer).end, GrepEnd::Failed);
    EXPECT_EQ(ReadBytes(indexFile), before);
    CGrepParams empty = params;
    empty.logFile = dir.File(L"empty.log");
    ASSERT_TRUE(WriteBytes(empty.logFile, ""));
    EXPECT_EQ(RunGrep(empty, observer).end, GrepEnd::Failed);
    EXPECT_FALSE(FileExists(indexFile));
    EXPECT_EQ(index.Open(params.resultFile), CGrepIndex::State::Missing);
}

// Past the last line, the count of lines: a line end ends the last line, a
// last line without one is a line too, wherever the reads of the file end.
TEST(FileLines, ThePastTheEndCountHasNoEmptyLineAfterTheLastLineEnd)
{
    TempDir dir;
    const std::string full(size_t(1) << 20, 'x');   // one read of the line counter
    const struct {
        const char* what;
        std::string bytes;
        int64_t lines;
    } rows[] = {
        {"empty", "", 0},
        {"one line end", "\n", 1},
        {"ends in LF", "a\nb\n", 2},
        {"ends in CR LF", "a\r\nb\r\n", 2},
        {"ends in CR", "a\rb\r", 2},
        {"no last line end", "a\nb", 2},
        {"CR LF across reads", full.substr(2) + "\r\n" + "b\r\n", 2},
        {"last line end at a read's end", full.substr(1) + "\n", 1},
        {"a line after a read's end", full.substr(1) + "\nlast", 2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const std::wstring file = dir.File(L"lines.log");
        ASSERT_TRUE(WriteBytes(file, row.bytes));
        int64_t offset = -1;
        int64_t lines = -1;
        EXPECT_FALSE(FindLineStart(file, 1000, offset, lines));
        EXPECT_EQ(lines, row.lines);
        if (row.lines > 0)
            EXPECT_TRUE(FindLineStart(file, row.lines, offset, lines));
    }
}

// An index not as a run writes it is told apart from one whose result has
// changed: the commands then say it is damaged. A later version is not damaged.
TEST(GrepIndex, ADamagedIndexIsToldApartFromAStaleOne)
{
    TempDir dir;
    CGrepParams params;
    params.logFile = dir.File(L"app.log");
    params.resultFile = dir.File(L"app.log.greptmp");
    params.filters = CheckedFilters({L"*ERROR*"});
    ASSERT_TRUE(WriteBytes(params.logFile, "a\nERROR 1\nb\nERROR 2\nc\n"));
    CQuietObserver observer;
    ASSERT_EQ(RunGrep(params, observer).end, GrepEnd::Completed);
    const std::wstring indexFile = GrepIndexFileName(params.resultFile);
    const std::string good = ReadBytes(indexFile);
    ASSERT_GE(good.size(), 64u + 24u);
    // The header's 32-bit fields by their place: version 8, header size 12,
    // log count 20, record size 56; the logs' place is a 64-bit field at 40.
    const auto with = [&](size_t at, uint32_t value) {
        std::string bytes = good;
        std::memcpy(bytes.data() + at, &value, sizeof(value));
        return bytes;
    };
    std::string overwritten = good;
    overwritten.replace(0, 8, "2026-12-");
    const struct {
        const char* what;
        std::string bytes;
        CGrepIndex::State state;
    } rows[] = {
        {"as written", good, CGrepIndex::State::Ready},
        {"zeroed", std::string(good.size(), '\0'), CGrepIndex::State::Damaged},
        {"empty", "", CGrepIndex::State::Damaged},
        {"cut in its header", good.substr(0, 40), CGrepIndex::State::Damaged},
        {"cut in its records", good.substr(0, good.size() - 8), CGrepIndex::State::Damaged},
        {"overwritten by a log", overwritten, CGrepIndex::State::Damaged},
        {"version 0", with(8, 0), CGrepIndex::State::Damaged},
        {"a header shorter than the first", with(12, 16), CGrepIndex::State::Damaged},
        {"no log", with(20, 0), CGrepIndex::State::Damaged},
        {"records shorter than the first", with(56, 8), CGrepIndex::State::Damaged},
        {"logs past the end", with(40, 1u << 30), CGrepIndex::State::Damaged},
        {"a later version", with(8, 99), CGrepIndex::State::Stale},
        {"filters past the records", with(64, 1u << 30), CGrepIndex::State::Damaged},
        {"more filters than it holds", with(72, 5), CGrepIndex::State::Damaged},
        {"read as the version before filters", with(8, 1), CGrepIndex::State::Ready},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        ASSERT_TRUE(WriteBytes(indexFile, row.bytes));
        CGrepIndex index;   // closed before the next row writes the file
        EXPECT_EQ(index.Open(params.resultFile), row.state);
    }
}

// The run's checked filters go with its result, for the viewer to show what
// they matched; an index of the version before them has none.
TEST(GrepIndex, KeepsTheFiltersOfItsRun)
{
    TempDir dir;
    CGrepParams params;
    params.logFile = dir.File(L"app.log");
    params.resultFile = dir.File(L"app.log.greptmp");
    params.filters = {CFilter(L"*ERROR*"), CFilter(L"~*D\u00efsk*", FilterAnd), CFilter(L"\"x y\"")};
    params.ignoreCase = true;
    ASSERT_TRUE(WriteBytes(params.logFile, "a\nERROR disk\nb\n"));
    CQuietObserver observer;
    ASSERT_EQ(RunGrep(params, observer).end, GrepEnd::Completed);
    {
        CGrepIndex index;
        ASSERT_EQ(index.Open(params.resultFile), CGrepIndex::State::Ready);
        EXPECT_EQ(index.Filters(), params.filters);
        EXPECT_TRUE(index.IgnoreCase());
    }
    std::string bytes = ReadBytes(GrepIndexFileName(params.resultFile));
    const uint32_t first = 1;
    std::memcpy(bytes.data() + 8, &first, sizeof(first));
    ASSERT_TRUE(WriteBytes(GrepIndexFileName(params.resultFile), bytes));
    CGrepIndex older;
    ASSERT_EQ(older.Open(params.resultFile), CGrepIndex::State::Ready);
    EXPECT_TRUE(older.Filters().empty());
    EXPECT_FALSE(older.IgnoreCase());
}

// Each member of a zip archive is a log of the index with its name, also in a
// set beside a plain log; an index of the version before members names only
// the archive. (Leading a member's line into its copy is a viewer's test.)
TEST(GrepIndex, EveryStretchKnowsItsZipMember)
{
    TempDir dir;
    const std::wstring archive = dir.File(L"logs.zip");
    ASSERT_TRUE(WriteBytes(
        archive, Zip({{"a.log", "ERROR a1\n", 0}, {"dir/b.log", "y\nERROR b2", 8}}, false)));
    ASSERT_TRUE(WriteBytes(dir.File(L"p.log"), "ERROR p1\n"));
    CGrepParams params;
    params.filters = CheckedFilters({L"*ERROR*"});
    params.logSet = {{archive, L"logs.zip"}, {dir.File(L"p.log"), L"p.log"}};
    params.resultFile = dir.File(L"set.greptmp");
    CQuietObserver observer;
    ASSERT_EQ(RunGrep(params, observer).end, GrepEnd::Completed);
    const std::string result = ReadBytes(params.resultFile);
    const std::wstring indexFile = GrepIndexFileName(params.resultFile);
    for (const uint32_t version : {3u, 2u}) {
        SCOPED_TRACE(version);
        std::string bytes = ReadBytes(indexFile);
        std::memcpy(bytes.data() + 8, &version, sizeof(version));
        ASSERT_TRUE(WriteBytes(indexFile, bytes));
        CGrepIndex index;
        ASSERT_EQ(index.Open(params.resultFile), CGrepIndex::State::Ready);
        std::vector<std::wstring> seen;
        CStretchPlace place;
        for (size_t at = 0; at < result.size(); at = result.find('\n', at) + 1) {
            ASSERT_TRUE(index.Find(int64_t(at), place));
            seen.push_back((index.LogFile() == archive ? L"zip:" : L"p:") + index.Member());
        }
        // Each member's header and lines, then the plain log's.
        const std::wstring a = version == 3 ? L"zip:a.log" : L"zip:";
        const std::wstring b = version == 3 ? L"zip:dir/b.log" : L"zip:";
        EXPECT_EQ(seen, (std::vector<std::wstring>{a, a, b, b, b, L"p:", L"p:"}));
    }
}

} // namespace


namespace {

// A UTF-16 log with its mark: the result holds UTF-8, the index the log's
// own byte offsets, and the log reader steps its two-byte line ends.
TEST(GrepIndex, UnicodeLogLeadsBackByItsOwnLineEnds)
{
    TempDir dir;
    std::wstring text;
    for (int i = 1; i <= 300; ++i)
        text += L"line " + std::to_wstring(i) + (i % 40 == 0 ? L" ERROR \u00e9t\u00e9" : L"") +
                (i % 3 ? L"\r\n" : L"\n");
    std::string bytes = "\xff\xfe";
    for (wchar_t c : text)
        bytes += std::string{char(c & 0xff), char(c >> 8)};
    CGrepParams params;
    params.logFile = dir.File(L"wide.log");
    params.resultFile = dir.File(L"wide.greptmp");
    params.filters = CheckedFilters({L"*ERROR*"});
    ASSERT_TRUE(WriteBytes(params.logFile, bytes));
    CQuietObserver observer;
    ASSERT_EQ(RunGrep(params, observer).end, GrepEnd::Completed);
    CGrepIndex index;
    ASSERT_EQ(index.Open(params.resultFile), CGrepIndex::State::Ready);
    CFileReader result(params.resultFile.c_str(), 4096, LineDecoding::Utf8WhereValid);
    std::wstring line;
    int64_t at = 0;
    int checked = 0;
    while (result.GetPosition(at) && result.ReadLine(line)) {
        CLogPlace place;
        ASSERT_TRUE(Locate(index, at, place)) << checked;
        CFileReader log(params.logFile.c_str(), 4096);
        std::wstring original;
        ASSERT_TRUE(log.Seek(place.offset) && log.ReadLine(original));
        const std::wstring expected = line[0] == L'/' || line[0] == L'\\' ? line.substr(1) : line;
        EXPECT_EQ(original, expected) << "result line " << checked + 1;
        EXPECT_EQ(original, L"line " + std::to_wstring(place.line) +
                                (place.line % 40 == 0 ? L" ERROR \u00e9t\u00e9" : L""));
        int64_t offset = 0, lines = 0;
        ASSERT_TRUE(FindLineStart(params.logFile, place.line, offset, lines));
        EXPECT_EQ(offset, place.offset) << "Go to Line " << place.line;
        ++checked;
    }
    EXPECT_EQ(checked, 7 * 7);
}

} // namespace
