// Several logs in one search: what the file box names and in what order, and
// a run over a rotated set against runs over its parts, with its index.
#include "engine/io/FileReader.h"
#include "engine/run/GrepIndex.h"
#include "engine/run/GrepRun.h"
#include "engine/run/LogSet.h"
#include "tests/support/GrepObservers.h"
#include "tests/support/TestFiles.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// What a run over a set reports: each log as it starts, and the percentages.
class SetRecorder : public CQuietObserver {
public:
    void Progress(int percent, int) override { percents.push_back(percent); }
    void Reading(size_t number, size_t count, const std::wstring& name) override
    {
        readings.push_back(std::to_wstring(number) + L"/" + std::to_wstring(count) + L" " + name);
    }
    std::vector<int> percents;
    std::vector<std::wstring> readings;
};

void SetWriteTime(const std::wstring& path, uint64_t time)
{
    HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    FILETIME t{DWORD(time), DWORD(time >> 32)};
    EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &t));
    CloseHandle(file);
}

std::wstring Names(const CLogSet& set)
{
    std::wstring names;
    for (const CLogSetFile& file : set.Files())
        names += (names.empty() ? L"" : L" ") + file.name;
    return names;
}

} // namespace

TEST(LogSet, TheBoxNamesFilesInTheOrderTheyWereWritten)
{
    TempDir dir;
    const uint64_t t = 133000000000000000ull;
    // A rotated set written in the same second, one older file, and this
    // program's own output, which is never a log.
    const struct {
        const wchar_t* name;
        uint64_t time;
    } files[] = {{L"app.log", t}, {L"app.log.1", t}, {L"app.log.2", t}, {L"app.log.10", t},
                 {L"old.txt", t - 1}, {L"app.log.greptmp", t}, {L"app.log.greptmp.idx", t}};
    for (const auto& f : files) {
        ASSERT_TRUE(WriteBytes(dir.File(f.name), "x\n"));
        SetWriteTime(dir.File(f.name), f.time);
    }
    const std::wstring folder = dir.Path();
    const struct {
        const char* what;
        std::wstring box;
        bool ok;
        bool isSet;
        std::wstring names;
        std::wstring resultName;
    } cases[] = {
        {"one file", dir.File(L"app.log.1"), true, false, L"app.log.1", L""},
        {"one quoted file", L"\"" + dir.File(L"app.log.1") + L"\"", true, false, L"app.log.1", L""},
        {"a folder", folder, true, true, L"old.txt app.log.10 app.log.2 app.log.1 app.log",
         folder.substr(folder.rfind(L'\\') + 1)},
        {"a rotated set", dir.File(L"app.log*"), true, true,
         L"app.log.10 app.log.2 app.log.1 app.log", L"app.log_"},
        {"several quoted files",
         L"\"" + dir.File(L"app.log") + L"\" \"" + dir.File(L"old.txt") + L"\"", true, true,
         L"old.txt app.log", L"app.log+1"},
        {"a pattern matching nothing", dir.File(L"*.none"), false, false, L"", L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CLogSet set;
        std::wstring problem;
        ASSERT_EQ(set.Expand(c.box, problem), c.ok);
        if (!c.ok) {
            EXPECT_NE(problem.find(c.box), std::wstring::npos) << "the message names it";
            continue;
        }
        EXPECT_EQ(set.IsSet(), c.isSet);
        EXPECT_EQ(Names(set), c.names);
        if (c.isSet)
            EXPECT_EQ(set.ResultName(), c.resultName);
    }
}

TEST(LogSet, ARotatedSetGivesItsPartsKeptLinesUnderHeadersWithoutContextAcrossThem)
{
    TempDir dir;
    // One log cut into three parts; a match sits at the end of the first part
    // and at the start of the last, where context would cross the cut.
    const std::vector<std::string> parts = {"a1\na2\na3\nERROR a4\n", "b1\nb2\nb3\nb4\nb5\n",
                                            "ERROR c1\nc2\nc3\nc4\nERROR c5"};
    const std::vector<std::wstring> names = {L"app.log.2", L"app.log.1", L"app.log"};
    CGrepParams params;
    params.filters = CheckedFilters({L"*ERROR*"});
    params.linesBefore = 2;
    params.linesAfter = 2;
    std::string expected;
    for (size_t i = 0; i < parts.size(); ++i) {
        ASSERT_TRUE(WriteBytes(dir.File(names[i]), parts[i]));
        // Each part alone, as a run over one log writes it.
        CGrepParams one = params;
        one.logFile = dir.File(names[i]);
        one.resultFile = dir.File(L"part.greptmp");
        CQuietObserver quiet;
        ASSERT_EQ(RunGrep(one, quiet).end, GrepEnd::Completed);
        const std::string alone = ReadBytes(one.resultFile);
        if (!alone.empty())
            expected += "### " + std::string(names[i].begin(), names[i].end()) + "\n" + alone;
    }
    // A missing log is skipped, and the run goes on.
    params.logSet = {{dir.File(names[0]), names[0]},
                     {dir.File(L"gone.log"), L"gone.log"},
                     {dir.File(names[1]), names[1]},
                     {dir.File(names[2]), names[2]}};
    params.logFile = dir.File(L"app.log*");
    params.resultFile = dir.File(L"set.greptmp");
    SetRecorder observer;
    // Read ahead in blocks of a few bytes, which pass from each log to the
    // next still holding its bytes; the parts alone were read plainly.
    CGrepOptions options;
    options.readAheadBlock = 4;
    const CGrepOutcome outcome = RunGrep(params, observer, options);
    ASSERT_EQ(outcome.end, GrepEnd::Completed) << outcome.failure;
    // Progress runs over the whole set and names each log as it starts.
    EXPECT_EQ(observer.readings, (std::vector<std::wstring>{L"1/4 app.log.2", L"2/4 gone.log",
                                                            L"3/4 app.log.1", L"4/4 app.log"}));
    ASSERT_FALSE(observer.percents.empty());
    EXPECT_TRUE(std::is_sorted(observer.percents.begin(), observer.percents.end()));
    EXPECT_EQ(observer.percents.back(), 100);
    EXPECT_EQ(ReadBytes(params.resultFile), expected);
    EXPECT_EQ(outcome.matches, 3);
    EXPECT_EQ(outcome.logsWithMatches, 2u);
    ASSERT_EQ(outcome.skipped.size(), 1u);
    EXPECT_EQ(outcome.skipped[0].path, dir.File(L"gone.log"));
    EXPECT_FALSE(outcome.skipped[0].reason.empty());

    // Every result line leads to its own log: a header to its log's start,
    // any other line to a line of that log that it shows.
    CGrepIndex index;
    ASSERT_EQ(index.Open(params.resultFile), CGrepIndex::State::Ready);
    EXPECT_EQ(index.LogCount(), 4u);
    const std::string result = ReadBytes(params.resultFile);
    for (size_t at = 0; at < result.size();) {
        const size_t end = result.find('\n', at);
        const std::string line = result.substr(at, end - at);
        SCOPED_TRACE(line);
        int64_t offset = -1;
        bool header = false;
        ASSERT_TRUE(index.Locate(int64_t(at), offset, &header));
        EXPECT_EQ(header, line.rfind("### ", 0) == 0);
        const std::string log = ReadBytes(index.LogFile());
        if (header) {
            EXPECT_EQ(offset, 0);
            EXPECT_EQ(line.substr(4), std::string(index.LogFile().end() - (line.size() - 4),
                                                  index.LogFile().end()));
        } else {
            const std::string shown = line[0] == '/' || line[0] == '\\' ? line.substr(1) : line;
            EXPECT_EQ(log.compare(size_t(offset), shown.size(), shown), 0);
        }
        at = end + 1;
    }
}

TEST(LogSet, AnIndexWithoutAVersionStillLeadsToItsLog)
{
    TempDir dir;
    const std::wstring log = dir.File(L"one.log");
    const std::wstring result = dir.File(L"one.greptmp");
    ASSERT_TRUE(WriteBytes(log, "x\ny ERROR\n"));
    ASSERT_TRUE(WriteBytes(result, "y ERROR\n"));
    // The index as runs wrote it before indexes had versions: a 32-byte
    // header, the log's path, then 16-byte records.
    std::string bytes("TILVOIX2", 8);
    auto put = [&bytes](const void* p, size_t n) {
        bytes.append(static_cast<const char*>(p), n);
    };
    const uint32_t finished = 1, length = uint32_t(log.size());
    const uint64_t count = 1, size = 8;
    put(&finished, 4);
    put(&length, 4);
    put(&count, 8);
    put(&size, 8);
    put(log.data(), log.size() * 2);
    bytes.resize((bytes.size() + 7) / 8 * 8, '\0');
    const int64_t record[2] = {0, 2};
    put(record, sizeof record);
    ASSERT_TRUE(WriteBytes(result + L".idx", bytes));
    CGrepIndex index;
    ASSERT_EQ(index.Open(result), CGrepIndex::State::Ready);
    int64_t offset = -1;
    ASSERT_TRUE(index.Locate(0, offset));
    EXPECT_EQ(offset, 2);
    EXPECT_EQ(index.LogFile(), log);
}

// A folder of many logs is one search: every log is read, each one with a match gets its
// header, and the index leads back to the last of them. A thousand logs here;
// TILVO_SET_LOGS=10000 tries ten thousand, which takes a minute under wine.
TEST(LogSet, AFolderOfManyLogsIsOneSearch)
{
    TempDir dir;
    const std::wstring folder = dir.File(L"many");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    char wanted[16] = {};
    const int kLogs = GetEnvironmentVariableA("TILVO_SET_LOGS", wanted, sizeof wanted) ? atoi(wanted) : 1000;
    ASSERT_GE(kLogs, 1000);
    std::string expected;
    for (int i = 0; i < kLogs; ++i) {
        wchar_t name[32];
        wsprintfW(name, L"part%05d.log", i);
        const bool match = i % 1000 == 999;
        const std::string text = match ? "x\nERROR: " + std::to_string(i) + "\n" : "x\n";
        ASSERT_TRUE(WriteBytes(folder + L"\\" + name, text));
        if (match)
            expected += "### " + std::string(name, name + wcslen(name)) + "\nERROR: " +
                        std::to_string(i) + "\n";
    }
    CLogSet set;
    std::wstring problem;
    ASSERT_TRUE(set.Expand(folder, problem)) << testing::PrintToString(problem);
    ASSERT_EQ(set.Files().size(), size_t(kLogs));
    CGrepParams params;
    for (const CLogSetFile& file : set.Files())
        params.logSet.push_back({file.path, file.name});
    params.logFile = folder;
    params.resultFile = dir.File(L"many.greptmp");
    params.filters = CheckedFilters({L"*ERROR:*"});
    params.linesBefore = 0;
    params.linesAfter = 0;
    CQuietObserver quiet;
    const CGrepOutcome outcome = RunGrep(params, quiet);
    ASSERT_EQ(outcome.end, GrepEnd::Completed) << outcome.failure;
    EXPECT_EQ(outcome.logsRead, size_t(kLogs));
    EXPECT_EQ(outcome.logsWithMatches, size_t(kLogs / 1000));
    EXPECT_TRUE(outcome.skipped.empty());
    EXPECT_EQ(ReadBytes(params.resultFile), expected);
    CGrepIndex index;
    ASSERT_EQ(index.Open(params.resultFile), CGrepIndex::State::Ready);
    EXPECT_EQ(index.LogCount(), size_t(kLogs));
    int64_t offset = -1;
    wchar_t last[32];
    wsprintfW(last, L"\\part%05d.log", kLogs - 1);
    ASSERT_TRUE(index.Locate(int64_t(expected.rfind("ERROR: ")), offset));
    EXPECT_EQ(index.LogFile(), folder + last);
    EXPECT_EQ(offset, 2);
}
