// The grep controller and its worker seen from the windows: progress texts,
// the finished message, stopping (also while a notice is under way), a second
// Start, and every failure text from a real fault.
#include "engine/run/GrepRun.h"
#include "engine/run/GrepThread.h"
#include "engine/run/NoticePace.h"
#include "win32/ProcessLocks.h"
#include "win32/StringException.h"
#include "tests/engine/GrepWindow.h"
#include "tests/support/FullDevice.h"
#include "tests/support/SilentPipe.h"
#include "tests/support/StalledThread.h"
#include "tests/support/TestFiles.h"
#include "tests/support/Wait.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::wstring ProgressText(int percent, int matches)
{
    return L"Processing the file: " + std::to_wstring(percent) + L" % (" +
           std::to_wstring(matches) + L" matches)";
}

std::vector<std::wstring> Texts(const std::vector<GrepNotice>& notices)
{
    std::vector<std::wstring> texts;
    for (const GrepNotice& n : notices)
        texts.push_back(n.finished ? L"<finished " + std::to_wstring(n.wParam) + L">" : n.text);
    return texts;
}

// Paced progress: the first report and the last are said, and what lies
// between is said in order, each text as the full list has it.
void ExpectPacedFrom(const std::vector<std::wstring>& said, const std::vector<std::wstring>& all)
{
    ASSERT_FALSE(said.empty());
    EXPECT_EQ(said.front(), all.front());
    EXPECT_EQ(said.back(), all.back());
    size_t at = 0;
    for (const std::wstring& text : said) {
        while (at < all.size() && all[at] != text)
            ++at;
        ASSERT_LT(at, all.size()) << "not in order, or not a report of the run: " << std::string(text.begin(), text.end());
        ++at;
    }
}

// The matches a progress text reports.
int MatchesIn(const std::wstring& text)
{
    const size_t open = text.find(L'(');
    return open == std::wstring::npos ? -1 : std::stoi(text.substr(open + 1));
}

// "line 0000001 ..." lines of 40 bytes each.
std::string NumberedLog(int lines)
{
    std::string bytes;
    bytes.reserve(static_cast<size_t>(lines) * 40);
    char line[64];
    for (int i = 1; i <= lines; ++i) {
        wsprintfA(line, "line %07d some ordinary log text here\n", i);
        bytes += line;
    }
    return bytes;
}

std::string FirstLines(const std::string& log, int count)
{
    size_t at = 0;
    for (int i = 0; i < count; ++i)
        at = log.find('\n', at) + 1;
    return log.substr(0, at);
}

class GrepThreadTest : public ::testing::Test {
protected:
    CGrepParams Params(const std::wstring& log, std::vector<std::wstring> filters = {L"*ERROR:*"})
    {
        CGrepParams params;
        params.logFile = log;
        params.resultFile = dir.File(L"result.greptmp");
        params.filters = CheckedFilters(std::move(filters));
        return params;
    }
    std::wstring Log(const std::string& bytes, const wchar_t* name = L"test.log")
    {
        const std::wstring path = dir.File(name);
        EXPECT_TRUE(WriteBytes(path, bytes));
        return path;
    }
    TempDir dir;
};

TEST_F(GrepThreadTest, ProgressForEachNewPercentThenCompletedThenFinished)
{
    // Line ends at bytes 9, 11 and 20 of 20: 45, 55 and 100 per cent.
    GrepWindows windows;
    ASSERT_TRUE(windows.Run(Params(Log("a ERROR:\nb\nc ERROR:\n"))));
    std::vector<std::wstring> texts = Texts(windows.Notices());
    ASSERT_GE(texts.size(), 4u);
    EXPECT_EQ(texts.back(), L"<finished 1>");
    texts.pop_back();
    EXPECT_EQ(texts.back().rfind(L"Completed with 2 matches by ", 0), 0u) << texts.back();
    EXPECT_EQ(texts.back().substr(texts.back().size() - 5), L" sec.");
    texts.pop_back();
    // 55 is said only when it comes late enough after 45.
    ExpectPacedFrom(texts, {ProgressText(45, 1), ProgressText(55, 1), ProgressText(100, 2)});
    EXPECT_FALSE(CGrepThread::IsRunning());
}

TEST_F(GrepThreadTest, TheCompletedTextCountsLinesTooComplexOnlyWhenThereAreSome)
{
    const std::string hostile = std::string(5000, 'a') + "b\n";
    const struct {
        const wchar_t* expression;
        const wchar_t* ending;
    } rows[] = {
        {L"(a+)+$", L" sec. (2 lines too complex for an expression)"},
        {L"a+$", L" sec."},
    };
    for (const auto& row : rows) {
        GrepWindows windows;
        CGrepParams params = Params(Log("aaa\n" + hostile + hostile));
        params.filters = {CFilter::Regex(row.expression)};
        ASSERT_TRUE(windows.Run(params));
        const std::vector<std::wstring> texts = Texts(windows.Notices());
        ASSERT_GE(texts.size(), 2u);
        const std::wstring& completed = texts[texts.size() - 2];
        EXPECT_EQ(completed.rfind(L"Completed with 1 matches by ", 0), 0u) << completed;
        const std::wstring ending = row.ending;
        ASSERT_GE(completed.size(), ending.size());
        EXPECT_EQ(completed.substr(completed.size() - ending.size()), ending) << completed;
    }
}

TEST_F(GrepThreadTest, AtMost101ReportsFromTheFirstLineTo100)
{
    // Lines of uneven length; the expected reports follow from the positions.
    std::string bytes;
    std::vector<int64_t> ends;
    std::vector<bool> matching;
    for (int i = 0; i < 20000; ++i) {
        const bool match = i % 7 == 3;
        std::string line = std::string(static_cast<size_t>(i * 37 % 200), 'x') +
                           (match ? " ERROR: y" : "") + "\r\n";
        bytes += line;
        ends.push_back(static_cast<int64_t>(bytes.size()));
        matching.push_back(match);
    }
    std::vector<std::wstring> expected;
    int last = -1;
    int matches = 0;
    for (size_t i = 0; i < ends.size(); ++i) {
        matches += matching[i] ? 1 : 0;
        const int percent = static_cast<int>(ends[i] * 100 / static_cast<int64_t>(bytes.size()));
        if (percent != last)
            expected.push_back(ProgressText(percent, matches));
        last = percent;
    }
    GrepWindows windows;
    ASSERT_TRUE(windows.Run(Params(Log(bytes))));
    std::vector<std::wstring> texts = Texts(windows.Notices());
    ASSERT_GE(texts.size(), 4u);
    texts.resize(texts.size() - 2);   // the completed text and the finished message
    ExpectPacedFrom(texts, expected);
    EXPECT_EQ(expected.front(), ProgressText(0, 0));   // the first line reports
    EXPECT_EQ(expected.back(), ProgressText(100, matches));
    EXPECT_LE(expected.size(), 101u);
}

TEST(NoticePace, TheFirstAndTheLastAndBetweenOneAtMostEveryFiftyMilliseconds)
{
    const struct {
        int percent;
        uint32_t nowMs;
        bool said;
        bool restart;   // a new log of a set starts before this report
    } steps[] = {
        {0, 1000, true, false},   // the first
        {1, 1010, false, false},
        {2, 1049, false, false},
        {3, 1050, true, false},   // the latest figure once the time has come
        {4, 1051, false, false},
        {100, 1052, true, false}, // the last, at once
        {0, 1053, true, true},    // the first of the next log names it
        {7, 1060, false, false},
        {9, 0xFFFFFFF0u, true, false},
        {10, 0x10u, false, false},   // the tick counter wrapped 32 ms ago
        {11, 0x30u, true, false},
    };
    CNoticePace pace;
    for (const auto& step : steps) {
        if (step.restart)
            pace.Restart();
        EXPECT_EQ(pace.Due(step.percent, step.nowMs), step.said) << step.percent << " at " << step.nowMs;
    }
}

TEST_F(GrepThreadTest, StopInsideAProgressNoticeEndsBeforeTheNextLine)
{
    const std::string log = NumberedLog(800000);   // 32 MB
    CGrepParams params = Params(Log(log), {L"*"});  // every line matches
    params.linesBefore = 0;
    params.linesAfter = 0;
    GrepWindows windows;
    int matchesAtStop = -1;
    bool stopped = false;
    size_t noticesAtStop = 0;
    windows.onNotice = [&](const GrepNotice& notice) {
        // Percentages are paced: the first one said from 10 on.
        const std::wstring said = L"Processing the file: ";
        if (matchesAtStop < 0 && !notice.finished && notice.text.rfind(said, 0) == 0 &&
            std::stoi(notice.text.substr(said.size())) >= 10) {
            matchesAtStop = MatchesIn(notice.text);
            noticesAtStop = windows.Notices().size();
            stopped = CGrepThread::Stop();   // the worker is waiting for this handler
        }
    };
    ASSERT_TRUE(CGrepThread::Start(params, windows.Dialog(), windows.Status()));
    ASSERT_TRUE(WaitDelivering("a notice from 10 % on", [&] { return matchesAtStop >= 0; }));
    EXPECT_TRUE(stopped);
    EXPECT_FALSE(CGrepThread::IsRunning());
    PumpMessages();   // the worker has ended: anything it sent late would show now
    EXPECT_EQ(windows.Notices().size(), noticesAtStop);
    EXPECT_FALSE(windows.Finished());
    // The line whose notice was under way is the last one handled.
    const std::string result = ReadBytes(params.resultFile);
    EXPECT_GT(matchesAtStop, 0);
    EXPECT_TRUE(result == FirstLines(log, matchesAtStop)) << result.size();
    EXPECT_FALSE(CGrepThread::Stop());   // nothing left to stop
}

TEST_F(GrepThreadTest, StopWhileTheWorkerWaitsForItsNoticeAndStartDuringARun)
{
    const std::string log = NumberedLog(100000);
    CGrepParams params = Params(Log(log), {L"*line*"});
    GrepWindows windows;
    ASSERT_TRUE(CGrepThread::Start(params, windows.Dialog(), windows.Status()));
    // No message is delivered here: the worker sits in its first line's
    // notice until this thread takes it.
    ASSERT_TRUE(WaitFor("the worker's first notice", [] {
        return (HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) != 0;
    }));
    EXPECT_TRUE(CGrepThread::IsRunning());
    CGrepParams other = Params(Log("ERROR: x\n", L"other.log"));
    other.resultFile = dir.File(L"other.greptmp");
    EXPECT_FALSE(CGrepThread::Start(other, windows.Dialog(), windows.Status()));
    EXPECT_FALSE(FileExists(other.resultFile));
    // Stop must deliver that notice, or it would wait for ever.
    EXPECT_TRUE(CGrepThread::Stop());
    EXPECT_FALSE(CGrepThread::IsRunning());
    PumpMessages();   // the worker has ended: anything it sent late would show now
    const std::vector<std::wstring> texts = Texts(windows.Notices());
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], ProgressText(0, 1));
    EXPECT_EQ(ReadBytes(params.resultFile), FirstLines(log, 1));
    // The controller is free again.
    windows.Clear();
    ASSERT_TRUE(windows.Run(other));
    EXPECT_EQ(ReadBytes(other.resultFile), "ERROR: x\n");
}

struct FailureCase {
    const char* name;
    std::wstring expected;
};

class GrepFailureTest : public GrepThreadTest {
protected:
    // Runs to its end and checks the failure protocol: the text, then
    // the finished message with wParam 0, and nothing else.
    void ExpectFailure(const CGrepParams& params, const std::wstring& text)
    {
        GrepWindows windows;
        ASSERT_TRUE(windows.Run(params));
        const std::vector<std::wstring> texts = Texts(windows.Notices());
        ASSERT_GE(texts.size(), 2u);
        EXPECT_EQ(texts[texts.size() - 2], text);
        EXPECT_EQ(texts.back(), L"<finished 0>");
        for (size_t i = 0; i + 2 < texts.size(); ++i)
            EXPECT_EQ(texts[i].rfind(L"Processing the file: ", 0), 0u) << texts[i];
    }
};

TEST_F(GrepFailureTest, AMissingLogLeavesTheResultFileAlone)
{
    CGrepParams params = Params(dir.File(L"missing.log"));
    ASSERT_TRUE(WriteBytes(params.resultFile, "earlier result\n"));
    ExpectFailure(params, L"Unable to open the log file");
    EXPECT_EQ(ReadBytes(params.resultFile), "earlier result\n");
}

TEST_F(GrepFailureTest, AResultFileThatCannotBeCreated)
{
    CGrepParams params = Params(Log("ERROR: x\n"));
    params.resultFile = dir.File(L"no such folder\\result.greptmp");
    ExpectFailure(params, L"Unable to create the result file");
}

TEST_F(GrepFailureTest, AnEmptyLogGivesAnEmptyResultFile)
{
    CGrepParams params = Params(Log(""));
    ASSERT_TRUE(WriteBytes(params.resultFile, "earlier result\n"));
    ExpectFailure(params, L"File is empty");
    bool ok = false;
    EXPECT_EQ(ReadBytes(params.resultFile, &ok), "");
    EXPECT_TRUE(ok);
}

TEST_F(GrepFailureTest, AFailingWriteOfAKeptLine)
{
    if (!WritesFailAsFull())
        GTEST_SKIP() << "no always-full device here";
    CGrepParams params = Params(Log("a\nERROR: x\nb\n"));
    params.resultFile = kFullDevice;
    ExpectFailure(params, L"Unable to write next line!");
}

TEST_F(GrepFailureTest, AFailingWriteOfAContextLineBefore)
{
    if (!WritesFailAsFull())
        GTEST_SKIP() << "no always-full device here";
    // The result goes to the file once a megabyte is held: here while the
    // long line before the match is written.
    CGrepParams params = Params(Log(std::string(kGrepResultBuffer, 'a') + "\nERROR: x\n"));
    params.resultFile = kFullDevice;
    ExpectFailure(params, L"Unable to write prev line!");
}

TEST_F(GrepFailureTest, AFailingWriteOfACopiedLine)
{
    if (!WritesFailAsFull())
        GTEST_SKIP() << "no always-full device here";
    CGrepParams params = Params(Log("a\nb\n"), {});
    params.resultFile = kFullDevice;
    ExpectFailure(params, L"Unable to write next line!");
}

} // namespace

TEST_F(GrepThreadTest, NothingWaitsForeverForAReadOrANoticeThatNeverReturns)
{
    // A log whose read never returns: Stop cancels the read, and the worker ends.
    {
        CSilentPipe pipe(L"never-written");
        CGrepParams params = Params(pipe.Path());
        GrepWindows windows;
        ASSERT_TRUE(CGrepThread::Start(params, windows.Dialog(), windows.Status()));
        ASSERT_TRUE(pipe.WaitForReader());
        EXPECT_TRUE(CGrepThread::Stop()) << "the worker ended once its read was cancelled";
        EXPECT_FALSE(CGrepThread::IsRunning());
        EXPECT_FALSE(CGrepThread::IsEnding());
        PumpMessages();
        EXPECT_TRUE(windows.Notices().empty()) << "a stopped run says nothing";
    }
    // A worker that cannot be reached: Stop gives up in time and leaves it to
    // end by itself; until it has, nothing else starts.
    const std::string log = NumberedLog(1000);
    CGrepParams params = Params(Log(log), {L"*line*"});
    CGrepParams other = Params(Log("ERROR: x\n", L"other.log"));
    other.resultFile = dir.File(L"other.greptmp");
    GrepWindows windows;
    {
        // The worker's first notice waits on a thread where neither Stop's
        // delivery nor a cancel reaches it, as a read of a device does under wine.
        CStalledThread stalled;
        ASSERT_TRUE(CGrepThread::Start(params, stalled.Window(), stalled.Window()));
        ASSERT_TRUE(stalled.WaitForSentMessage());
        EXPECT_FALSE(CGrepThread::Stop());
        EXPECT_TRUE(CGrepThread::IsEnding());
        EXPECT_FALSE(CGrepThread::Start(other, windows.Dialog(), windows.Status()));
        EXPECT_FALSE(CGrepThread::Follow(windows.Dialog(), windows.Status()));
        EXPECT_FALSE(FileExists(other.resultFile));
        stalled.Release();
        ASSERT_TRUE(WaitFor("the abandoned worker to end", [] { return !CGrepThread::IsEnding(); }));
    }
    EXPECT_EQ(ReadBytes(params.resultFile), FirstLines(log, 1)) << "it ended as a stopped run";
    ASSERT_TRUE(windows.Run(other));
    EXPECT_EQ(ReadBytes(other.resultFile), "ERROR: x\n");
}

TEST_F(GrepThreadTest, FollowIsOfferedFromTheFinishedNoticeOn)
{
    CGrepParams params = Params(Log("ERROR: one\nline two\n"));
    GrepWindows windows;
    // The dialog opens the result's viewer while it handles the finished notice, and
    // the user may press F5 in it before the worker has gone on. On a loaded machine
    // the worker is also slow to clear its running flag after that notice: here it
    // waits for the run lock this thread takes meanwhile.
    bool held = false;
    bool offeredInHandler = false;
    windows.onNotice = [&](const GrepNotice& notice) {
        if (!notice.finished)
            return;
        offeredInHandler = CGrepThread::CanFollow(params.resultFile) && !CGrepThread::IsRunning();
        held = RunLock().Lock();
    };
    ASSERT_TRUE(CGrepThread::Start(params, windows.Dialog(), windows.Status()));
    ASSERT_TRUE(WaitDelivering("the finished notice", [&] { return windows.Finished(); }));
    ASSERT_TRUE(held);
    EXPECT_TRUE(offeredInHandler);
    EXPECT_TRUE(WaitFor("Follow to be offered",
                        [&] { return CGrepThread::CanFollow(params.resultFile); }));
    EXPECT_FALSE(CGrepThread::IsRunning());
    RunLock().Unlock();
    ASSERT_TRUE(CGrepThread::Follow(windows.Dialog(), windows.Status()));
    EXPECT_TRUE(CGrepThread::IsFollowing());
    EXPECT_TRUE(CGrepThread::Stop());
}
