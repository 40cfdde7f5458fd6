// A log that the program writing it still holds open, as a second process
// (tilvo_loghold) does here with either sharing, and that grows or shrinks
// while a run reads it: the run opens it, ends, and writes whole lines only.
#include "engine/run/GrepRun.h"
#include "tests/support/LogHolder.h"
#include "tests/support/TestFiles.h"
#include "tests/support/GrepObservers.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

namespace {

// One log line of fixed shape, so a cut one is seen at once.
std::string LogLine(int n)
{
    char text[80];
    std::snprintf(text, sizeof text, "L%06d %s the service says something here|", n,
                  n % 7 == 0 ? "ERROR:" : "info: ");
    return text;
}

std::string LogLines(int first, int last)
{
    std::string bytes;
    for (int n = first; n <= last; ++n)
        bytes += LogLine(n) + "\n";
    return bytes;
}

// Calls `change` once, when the run first reports half of the log read.
class CChangeHalfway : public CGrepObserver {
public:
    explicit CChangeHalfway(std::function<void()> change) : m_change(std::move(change)) {}
    bool StopRequested() override { return false; }
    void Progress(int percent, int) override
    {
        if (percent >= 50 && m_change) {
            m_change();
            m_change = nullptr;
        }
    }
    bool Changed() const { return !m_change; }

private:
    std::function<void()> m_change;
};

// The line a result line shows (its context prefix dropped), or -1 when it
// is not a whole log line.
int LineNumberOf(std::string line)
{
    if (!line.empty() && (line[0] == '/' || line[0] == '\\'))
        line.erase(0, 1);
    int n = 0;
    if (std::sscanf(line.c_str(), "L%6d", &n) != 1 || line != LogLine(n))
        return -1;
    return n;
}

const int kLines = 2000;
const std::string kHalfLine = "L002001 ERROR: this line is being written";
// The rest of that line: more than one percent of the log, so the run reads
// well past the size it took at open.
const std::string kRestOfLine = " and goes on " + std::string(3000, 'x');

struct LiveCase {
    const char* name;
    std::string atOpen;                       // the log when the run opens it
    std::function<bool(CLogHolder&)> change;  // made when half of it is read
    std::string still;   // the run equals a run over this log; empty: any whole lines
};

std::vector<LiveCase> Cases()
{
    return {
        {"grows: the line the file ended in is read to its end, nothing after it",
         LogLines(1, kLines) + kHalfLine,
         [](CLogHolder& h) {
             return h.Append(kRestOfLine + "\n" + LogLines(kLines + 2, kLines + 500));
         },
         LogLines(1, kLines) + kHalfLine + kRestOfLine + "\n"},
        {"grows without ending its last line: that line is left out",
         LogLines(1, kLines) + kHalfLine,
         [](CLogHolder& h) { return h.Append(kRestOfLine); }, LogLines(1, kLines)},
        {"shrinks behind the reader: the run ends with the lines it had whole",
         LogLines(1, kLines),
         [](CLogHolder& h) { return h.Cut(static_cast<long long>(LogLines(1, 500).size()) + 9); },
         ""},
    };
}

class LiveLogTest : public ::testing::Test {
protected:
    CGrepParams Params(const std::wstring& log, const std::wstring& result)
    {
        CGrepParams params;
        params.logFile = log;
        params.resultFile = result;
        params.filters = CheckedFilters({L"*ERROR:*"});
        params.linesBefore = 2;
        params.linesAfter = 3;
        return params;
    }
    TempDir dir;
};

TEST_F(LiveLogTest, ARunOverALogHeldOpenForWritingEndsWithWholeLines)
{
    for (CLogHolder::Sharing sharing : {CLogHolder::Sharing::ReadWrite, CLogHolder::Sharing::ReadOnly}) {
        for (bool fast : {true, false}) {
            for (const LiveCase& c : Cases()) {
                SCOPED_TRACE(std::string(c.name) +
                             (sharing == CLogHolder::Sharing::ReadOnly ? ", holder shares reading"
                                                                       : ", holder shares reading and writing") +
                             (fast ? ", fast path" : ", line path"));
                const std::wstring log = dir.File(L"live.log");
                const std::wstring result = dir.File(L"live.log.greptmp");
                ASSERT_TRUE(WriteBytes(log, c.atOpen));
                CLogHolder holder(log, sharing);
                ASSERT_TRUE(holder.Ready()) << "the holder did not open the log";

                CGrepOptions options;
                options.allowFastPath = fast;
                options.bufferSize = 4096;   // many reads, so the change falls between two
                // Read on a thread of its own too, in blocks about that size.
                options.readAheadBlock = sharing == CLogHolder::Sharing::ReadOnly ? 4000 : 0;
                bool changed = false;
                CChangeHalfway observer([&] { changed = c.change(holder); });
                const CGrepOutcome outcome = RunGrep(Params(log, result), observer, options);
                ASSERT_EQ(outcome.end, GrepEnd::Completed) << outcome.failure.c_str();
                ASSERT_TRUE(observer.Changed() && changed) << "the log was not changed mid-run";
                const std::string bytes = ReadBytes(result);

                if (!c.still.empty()) {
                    // Byte for byte a run over a log that held still.
                    const std::wstring still = dir.File(L"still.log");
                    const std::wstring stillResult = dir.File(L"still.log.greptmp");
                    ASSERT_TRUE(WriteBytes(still, c.still));
                    CQuietObserver quiet;
                    ASSERT_EQ(RunGrep(Params(still, stillResult), quiet, options).end,
                              GrepEnd::Completed);
                    EXPECT_TRUE(bytes == ReadBytes(stillResult));
                } else {
                    // Whole lines in log order, and some lines past the cut.
                    int last = 0;
                    size_t start = 0;
                    for (size_t end; (end = bytes.find('\n', start)) != std::string::npos;
                         start = end + 1) {
                        const int n = LineNumberOf(bytes.substr(start, end - start));
                        ASSERT_GT(n, last) << bytes.substr(start, end - start);
                        last = n;
                    }
                    EXPECT_EQ(start, bytes.size()) << "the result ends inside a line";
                    EXPECT_GT(last, 500);
                }
            }
        }
    }
}

} // namespace
