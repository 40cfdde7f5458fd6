// FollowGrep: a look at the log every kFollowPollMs; only a log that has
// changed is opened and read, so an idle log costs one open and close per look.
#include "engine/run/GrepFollow.h"

#include "engine/io/FileWriter.h"
#include "engine/run/GrepLineReader.h"
#include "engine/run/GrepProgress.h"
#include "engine/run/ResultLine.h"
#include "engine/run/GrepSession.h"
#include "engine/io/LogLook.h"
#include "win32/StringException.h"

#include <algorithm>

namespace {

const wchar_t kLogGone[] = L"The log file is gone.";

// Reading while following is never stopped half way and reports no percentage:
// a stop ends following only after one last complete reading.
class CQuietObserver : public CGrepObserver {
public:
    bool StopRequested() override { return false; }
    void Progress(int, int) override {}
};

// One look at the log and, when it has changed, one reading of it, of at most
// kFollowStretch bytes (`more` then says that more is waiting). False with
// `failure` set when following cannot go on.
bool ReadChanges(CGrepSession& session, CFileWriter& writer, const CLogLook& look, bool& wrote,
                 bool& more, const wchar_t*& failure)
{
    wrote = false;
    more = false;
    const CGrepParams& params = session.Params();
    const bool replaced = look.identity != session.Identity();
    if (!replaced && look.size == session.Seen())
        return true;
    CGrepLineReader reader(params.logFile.c_str(), session.BufferSize(), params.decoding);
    if (replaced || look.size < session.Seen() || !session.SameStart(reader)) {
        if (!session.Restart(writer, kFollowRestartedLine)) {
            failure = kGrepNextLineFailed;
            return false;
        }
        session.SetIdentity(look.identity);
        wrote = true;
    }
    // The size of the look, not the reader's: the reader may already see more,
    // which the next look takes. A long way behind (following started long
    // after the run), the log is read in stretches, so a stop is never kept
    // waiting for long.
    const int64_t size =
        std::min<int64_t>({look.size, reader.GetSize(), session.Seen() + kFollowStretch});
    more = size < look.size;
    if (size <= session.Seen())
        return true;
    CQuietObserver quiet;
    CGrepProgress progress(size);
    const GrepEnd end = session.ReadTo(reader, writer, size, quiet, progress);
    if (end != GrepEnd::Completed) {
        failure = GrepFailureText(end);
        return false;
    }
    wrote = true;
    return true;
}

CGrepOutcome Follow(CGrepSession& session, CFollowObserver& observer)
{
    const CGrepParams& params = session.Params();
    // Opening cuts off the part of an unfinished last line written before.
    CFileWriter writer(params.resultFile.c_str(), session.Mark());
    writer.SetLineDelimiters(params.lfLineEnds ? L"\n" : L"\r\n");
    writer.SetLineBuffer(kGrepResultBuffer);
    DWORD missingSince = 0;
    bool missing = false;
    // The stamp of the log when a look last found nothing left to read: while
    // it stays the same, a look costs one query of the name and opens nothing.
    CLogStamp quiet;
    for (;;) {
        const bool stopping = observer.StopRequested();
        const CLogStamp stamp = CLogStamp::Of(params.logFile.c_str());
        if (!stopping && stamp.valid && stamp == quiet) {
            observer.Wait(kFollowPollMs);
            continue;
        }
        quiet = CLogStamp();
        bool more = false;
        const CLogLook look = CLogLook::Of(params.logFile.c_str());
        if (!look.readable) {
            // Being replaced, or gone for good: only time tells.
            if (!missing) {
                missing = true;
                missingSince = GetTickCount();
            } else if (!look.exists && GetTickCount() - missingSince >= kFollowGoneMs) {
                return CGrepOutcome::Ended(GrepEnd::LogGone, session.Matches(), kLogGone);
            }
        } else {
            missing = false;
            bool wrote = false;
            const wchar_t* failure = nullptr;
            if (!ReadChanges(session, writer, look, wrote, more, failure))
                return CGrepOutcome::Ended(GrepEnd::Failed, session.Matches(), failure);
            if (wrote && !stopping)
                observer.Grew(session.Matches());
            if (!more)
                quiet = stamp;
        }
        if (stopping)
            return CGrepOutcome::Ended(GrepEnd::Stopped, session.Matches());
        if (!more)
            observer.Wait(kFollowPollMs);
    }
}

} // namespace

CGrepOutcome FollowGrep(CGrepSession& session, CFollowObserver& observer)
{
    try {
        return Follow(session, observer);
    } catch (...) {
        try {
            return CGrepOutcome::Ended(GrepEnd::Failed, session.Matches(),
                                       ExceptionText(kGrepUnknownError));
        } catch (...) {
            return CGrepOutcome();
        }
    }
}
