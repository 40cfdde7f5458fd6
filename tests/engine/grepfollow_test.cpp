// Following a growing log: after every append, and after following stops, the
// result file is what a fresh run over the log as it stands writes; a log
// that is truncated, replaced or deleted while followed.
#include "engine/io/FileWriter.h"
#include "engine/run/GrepFollow.h"
#include "engine/run/GrepLineReader.h"
#include "engine/run/GrepProgress.h"
#include "engine/run/GrepRun.h"
#include "engine/run/GrepSession.h"
#include "engine/run/GrepThread.h"
#include "tests/engine/GrepWindow.h"
#include "tests/engine/IndexCheck.h"
#include "tests/support/FullDevice.h"
#include "tests/support/Process.h"
#include "tests/support/TestFiles.h"
#include "tests/support/Wait.h"
#include "tests/support/GrepObservers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

// The result file of a fresh run over the log as it stands.
std::string FreshResult(CGrepParams params, const std::wstring& resultFile, bool fast,
                        int* matches = nullptr)
{
    params.resultFile = resultFile;
    CQuietObserver quiet;
    CGrepOptions options;
    options.allowFastPath = fast;
    const CGrepOutcome outcome = RunGrep(params, quiet, options);
    EXPECT_EQ(outcome.end, GrepEnd::Completed) << outcome.failure;
    if (matches)
        *matches = outcome.matches;
    return ReadBytes(resultFile);
}

class GrepFollowTest : public ::testing::Test {
protected:
    CGrepParams Params(std::vector<std::wstring> filters, int before, int after)
    {
        CGrepParams params;
        params.logFile = dir.File(L"live.log");
        params.resultFile = dir.File(L"live.greptmp");
        params.filters = CheckedFilters(std::move(filters));
        params.linesBefore = before;
        params.linesAfter = after;
        return params;
    }
    TempDir dir;
};

// The log is cut at every byte and grown piece by piece through the run's
// session, as following does after each look; each piece is then checked
// against a fresh run. The cuts fall inside lines (the unfinished line is
// written and taken back), between CR and LF, and around the matches, so the
// before-ring and the after-context carry across every kind of cut.
TEST_F(GrepFollowTest, EveryCutOfAGrowingLogEndsAsAFreshRun)
{
    const std::string log = std::string("one\nERROR: a\r\nx\ry\n\nz") + '\0' +
                            "w\nb ERROR: b\nc\r\r\nd\ne\nf\ng\nERROR: c\nh\ri\nERROR: d\nWARN j\nk";
    const struct {
        const char* name;
        std::vector<std::wstring> filters;
        int before, after;
        bool fast;
        uint32_t buffer;
    } cases[] = {
        {"bytes, 2 and 2", {L"*ERROR:*"}, 2, 2, true, 1048575},
        {"characters, 3 and 1, small buffer", {L"*ERROR:*"}, 3, 1, false, 5},
        {"bytes, no context, two filters, small buffer", {L"*ERROR:*", L"~*warn*"}, 0, 0, true, 5},
        {"no filter copies", {}, 1, 3, false, 1048575},
    };
    for (const auto& c : cases) {
        const CGrepParams params = Params(c.filters, c.before, c.after);
        CGrepOptions options;
        options.allowFastPath = c.fast;
        options.bufferSize = c.buffer;
        for (size_t cut = 1; cut < log.size(); ++cut) {
            SCOPED_TRACE(std::string(c.name) + ", first cut at " + std::to_string(cut));
            const size_t ends[] = {cut, std::min(cut + 3, log.size()), log.size()};
            ASSERT_TRUE(WriteBytes(params.logFile, log.substr(0, cut)));
            CQuietObserver quiet;
            const CGrepOutcome run = RunGrep(params, quiet, options);
            ASSERT_EQ(run.end, GrepEnd::Completed) << run.failure;
            ASSERT_TRUE(run.session);
            for (size_t piece = 1; piece < 3; ++piece) {
                ASSERT_TRUE(WriteBytes(params.logFile, log.substr(0, ends[piece])));
                {
                    CFileWriter writer(params.resultFile.c_str(), run.session->Mark());
                    CGrepLineReader reader(params.logFile.c_str(), c.buffer);
                    CGrepProgress progress(reader.GetSize());
                    ASSERT_EQ(run.session->ReadTo(reader, writer, reader.GetSize(), quiet, progress),
                              GrepEnd::Completed);
                }
                int matches = 0;
                const std::string fresh = FreshResult(params, dir.File(L"fresh"), c.fast, &matches);
                ASSERT_EQ(ReadBytes(params.resultFile), fresh) << "after piece " << piece;
                ASSERT_EQ(run.session->Matches(), matches);
                // The index grew with the result and took back the unfinished line's records.
                CheckIndex(params, 1);
            }
        }
    }
}

// A service appends about 10,000 lines a second for 10 s from its own
// process, in writes that cut lines in two, with lines left half written
// for longer than a look at the log takes. Following shows the growth as it
// happens and, once stopped, has written what a fresh run writes.
TEST_F(GrepFollowTest, WriterProcessForTenSecondsEndsAsAFreshRun)
{
    const CGrepParams params = Params({L"*ERROR:*"}, 3, 2);
    std::string start;
    for (int i = 1; i <= 300; ++i)
        start += (i % 29 == 0 ? "ERROR: early " : "line ") + std::to_string(i) + "\n";
    start += "ERROR: a line the run sees unfinished";
    ASSERT_TRUE(WriteBytes(params.logFile, start));

    GrepWindows windows;
    ASSERT_TRUE(windows.Run(params));
    ASSERT_TRUE(CGrepThread::CanFollow(params.resultFile));
    windows.Clear();
    ASSERT_TRUE(CGrepThread::Follow(windows.Dialog(), windows.Status()));
    EXPECT_TRUE(CGrepThread::IsFollowing());

    CChildProcess service(L"\"" + WinePath(TILVO_LOGWRITER_EXE) + L"\" \"" + params.logFile +
                          L"\" 10 10000 7");
    ASSERT_TRUE(service.Started());
    ASSERT_TRUE(WaitDelivering("the writer process to end", [&] { return service.Ended(); }));
    EXPECT_EQ(service.ExitCode(), 0u);

    // Ten seconds are 40 looks at the log; a loaded machine stretches a look
    // that reads, so a fifth of them is the least that shows growth as it happens.
    EXPECT_GE(windows.Grown(), 8) << "the result did not grow while the log did";
    ASSERT_TRUE(CGrepThread::Stop());
    EXPECT_FALSE(windows.Finished());
    int matches = 0;
    const std::string fresh = FreshResult(params, dir.File(L"fresh"), true, &matches);
    EXPECT_GT(matches, 2500);
    EXPECT_TRUE(ReadBytes(params.resultFile) == fresh) << "the followed result differs";
    EXPECT_EQ(CGrepThread::FollowedMatches(), matches);
    // The status line counted up from the run's matches.
    const std::vector<GrepNotice>& notices = windows.Notices();
    ASSERT_FALSE(notices.empty());
    EXPECT_EQ(notices.front().text, L"Following the log: 11 matches");
    for (const GrepNotice& n : notices)
        EXPECT_EQ(n.text.rfind(L"Following the log: ", 0), 0u) << n.text;
}

// Truncated and rewritten in place, then replaced by another file, then
// deleted: the first two start again from the new start after a separator
// line; the last ends following with its message.
TEST_F(GrepFollowTest, TruncatedReplacedAndDeletedLog)
{
    const CGrepParams params = Params({L"*ERROR:*"}, 1, 1);
    ASSERT_TRUE(WriteBytes(params.logFile, "a\nERROR: 1\nb\nc\n"));
    GrepWindows windows;
    ASSERT_TRUE(windows.Run(params));
    windows.Clear();   // only following's own finished notice ends the wait below
    ASSERT_TRUE(CGrepThread::Follow(windows.Dialog(), windows.Status()));
    std::string expected = ReadBytes(params.resultFile);
    const std::string separator = "=== Tilvo: the log was truncated or replaced; "
                                  "following it again from its start ===\n";
    // Longer than before: only the changed start tells it was rewritten.
    const std::string rewritten = "x\ny\nERROR: 2\nz\nlonger than the log was\n";
    ASSERT_TRUE(WriteBytes(params.logFile, rewritten));
    expected += separator + "/y\nERROR: 2\n\\z\n";
    ASSERT_TRUE(WaitDelivering("the rewritten log's lines",
                               [&] { return ReadBytes(params.resultFile) == expected; }));

    const std::wstring other = dir.File(L"other.log");
    ASSERT_TRUE(WriteBytes(other, "ERROR: 3\nq\n"));
    ASSERT_TRUE(MoveFileExW(other.c_str(), params.logFile.c_str(), MOVEFILE_REPLACE_EXISTING));
    expected += separator + "ERROR: 3\n\\q\n";
    ASSERT_TRUE(WaitDelivering("the replacing log's lines",
                               [&] { return ReadBytes(params.resultFile) == expected; }));

    ASSERT_TRUE(DeleteFileW(params.logFile.c_str()));
    ASSERT_TRUE(WaitDelivering("following to end when the log is gone",
                               [&] { return windows.Finished() && !CGrepThread::IsRunning(); }));
    EXPECT_EQ(windows.Notices().back().wParam, 2u);
    EXPECT_EQ(LastText(windows.Notices()),
              L"The log file is gone: following ended with 3 matches.");
    EXPECT_FALSE(CGrepThread::CanFollow(params.resultFile));
    EXPECT_EQ(ReadBytes(params.resultFile), expected);
}

TEST_F(GrepFollowTest, AResultAnotherInstanceWroteSinceIsNeverAppendedTo)
{
    CGrepParams params = Params({L"*ERROR:*"}, 0, 0);
    std::string log;
    for (int i = 1; i <= 300; ++i)
        log += "line " + std::to_string(i) + (i % 10 == 0 ? " ERROR: x\n" : " fine\n");
    ASSERT_TRUE(WriteBytes(params.logFile, log));
    GrepWindows windows;
    ASSERT_TRUE(windows.Run(params));
    // Following on and off: the session is kept for following again.
    ASSERT_TRUE(CGrepThread::Follow(windows.Dialog(), windows.Status()));
    ASSERT_TRUE(AppendBytes(params.logFile, "ERROR: followed\n"));
    ASSERT_TRUE(WaitDelivering("the appended match", [&] {
        return ReadBytes(params.resultFile).find("ERROR: followed") != std::string::npos;
    }));
    ASSERT_TRUE(CGrepThread::Stop());
    ASSERT_TRUE(CGrepThread::CanFollow(params.resultFile));

    // Another instance runs the same log with other context sizes into the same result.
    const std::string output = OutputOf(L"\"" + WinePath(TILVO_GREPONE_EXE) + L"\" \"" +
                                        params.logFile + L"\" \"" + params.resultFile + L"\" 3 3");
    ASSERT_EQ(output.substr(0, 2), "0 ") << output;
    const std::string theirs = ReadBytes(params.resultFile);
    const std::string theirIndex = ReadBytes(params.resultFile + L".idx");
    ASSERT_GT(theirs.size(), 2000u);

    windows.Clear();
    ASSERT_TRUE(CGrepThread::Follow(windows.Dialog(), windows.Status()));
    ASSERT_TRUE(AppendBytes(params.logFile, "ERROR: after\n"));
    ASSERT_TRUE(WaitDelivering("following to end", [&] {
        return windows.Finished() && !CGrepThread::IsRunning();
    }));
    EXPECT_EQ(windows.Notices().back().wParam, 0u);
    EXPECT_EQ(LastText(windows.Notices()), kGrepResultReplaced);
    EXPECT_FALSE(CGrepThread::CanFollow(params.resultFile));
    EXPECT_EQ(ReadBytes(params.resultFile), theirs) << "their result stays whole";
    EXPECT_EQ(ReadBytes(params.resultFile + L".idx"), theirIndex);
}

TEST_F(GrepFollowTest, AFullDiskWhileFollowingLeavesAWholeResultAndSaysWhy)
{
    const std::wstring small = dir.File(L"small");
    ASSERT_TRUE(CreateDirectoryW(small.c_str(), nullptr));
    CSmallVolume volume(small, 64);
    if (!volume.Ready())
        GTEST_SKIP() << "no small volume can be mounted here";
    CGrepParams params = Params({L"*ERROR:*"}, 0, 0);
    params.resultFile = small + L"\\live.greptmp";
    ASSERT_TRUE(WriteBytes(params.logFile, "ERROR: first\n"));
    GrepWindows windows;
    ASSERT_TRUE(windows.Run(params));
    windows.Clear();   // only following's own finished notice ends the wait below
    ASSERT_TRUE(CGrepThread::Follow(windows.Dialog(), windows.Status()));
    // More matches at once than the volume holds.
    std::string more;
    for (int i = 1; i <= 5000; ++i)
        more += "F" + std::to_string(1000000 + i) + " ERROR: disk\n";
    ASSERT_TRUE(AppendBytes(params.logFile, more));
    ASSERT_TRUE(WaitDelivering("following to end", [&] {
        return windows.Finished() && !CGrepThread::IsRunning();
    }));
    EXPECT_EQ(windows.Notices().back().wParam, 0u);
    const std::wstring text = LastText(windows.Notices());
    const std::wstring named = L"Unable to write next line! " + params.resultFile + L": ";
    EXPECT_EQ(text.compare(0, named.size(), named), 0) << testing::PrintToString(text);
    EXPECT_GT(text.size(), named.size()) << "the system's reason follows";
    const std::string result = ReadBytes(params.resultFile);
    ASSERT_FALSE(result.empty());
    EXPECT_EQ(result.back(), '\n') << "ends with a whole line";
    const std::string fresh = FreshResult(params, dir.File(L"fresh.greptmp"), true);
    EXPECT_EQ(fresh.compare(0, result.size(), result), 0) << "a start of the whole result";
}

TEST_F(GrepFollowTest, ALogRotatedIntoUtf16EndsFollowingWithAMessage)
{
    CGrepParams params = Params({L"*ERROR:*"}, 0, 0);
    ASSERT_TRUE(WriteBytes(params.logFile, "ERROR: 1\n"));
    GrepWindows windows;
    ASSERT_TRUE(windows.Run(params));
    windows.Clear();   // only following's own finished notice ends the wait below
    ASSERT_TRUE(CGrepThread::Follow(windows.Dialog(), windows.Status()));
    const std::wstring rotated = dir.File(L"rotated.log");
    ASSERT_TRUE(WriteBytes(rotated, Utf16Bytes(L"ERROR: 2\nERROR: 3\n", true)));
    ASSERT_TRUE(MoveFileExW(rotated.c_str(), params.logFile.c_str(), MOVEFILE_REPLACE_EXISTING));
    ASSERT_TRUE(WaitDelivering("following to end", [&] {
        return windows.Finished() && !CGrepThread::IsRunning();
    }));
    EXPECT_EQ(windows.Notices().back().wParam, 0u);
    EXPECT_EQ(LastText(windows.Notices()),
              L"The log is now UTF-16 text, which is read whole and cannot be followed: following ended.");
    EXPECT_EQ(ReadBytes(params.resultFile), "ERROR: 1\n");
}

TEST_F(GrepFollowTest, ASetFollowsItsNewestLogAndCountsTheWholeResult)
{
    CGrepParams params = Params({L"*ERROR:*"}, 0, 0);
    const std::wstring older = dir.File(L"live.log.1");
    ASSERT_TRUE(WriteBytes(older, "ERROR: old 1\nx\nERROR: old 2\n"));
    ASSERT_TRUE(WriteBytes(params.logFile, "ERROR: new 1\n"));
    params.logSet = {{older, L"live.log.1"}, {params.logFile, L"live.log"}};
    GrepWindows windows;
    ASSERT_TRUE(windows.Run(params));
    windows.Clear();
    ASSERT_TRUE(CGrepThread::Follow(windows.Dialog(), windows.Status()));
    ASSERT_TRUE(AppendBytes(older, "ERROR: too late for the older log\n"));
    ASSERT_TRUE(AppendBytes(params.logFile, "y\nERROR: new 2\n"));
    ASSERT_TRUE(WaitDelivering("the whole result's count", [&] {
        return LastText(windows.Notices()) == L"Following the log: 4 matches";
    }));
    EXPECT_EQ(ReadBytes(params.resultFile),
              "### live.log.1\nERROR: old 1\nERROR: old 2\n### live.log\nERROR: new 1\nERROR: new 2\n");
    ASSERT_TRUE(CGrepThread::Stop());
    EXPECT_EQ(CGrepThread::FollowedMatches(), 4);
}

} // namespace
