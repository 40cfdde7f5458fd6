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
const wchar_t kLogNowUtf16[] =
    L"The log is now UTF-16 text, which is read whole and cannot be followed: following ended.";

// Reading while following is never stopped half way and reports no percentage:
// a stop ends following only after one last complete reading.
class CQuietObserver : public CGrepObserver {
public:
    bool StopRequested() override { return false; }
    void Progress(int, int) override {}
};

// The run's fault text, then which file and why: following ends in a box
// long after it started, where "Unable to write next line!" alone says little.
std::wstring FaultText(GrepEnd end, const CFileWriter& writer, const std::wstring& file)
{
    std::wstring text = GrepFailureText(end);
    text += L" " + file;
    wchar_t* reason = nullptr;
    if (writer.LastError() != 0 &&
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                           FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, writer.LastError(), 0, reinterpret_cast<wchar_t*>(&reason), 0,
                       nullptr) != 0 &&
        reason) {
        std::wstring why = reason;
        LocalFree(reason);
        while (!why.empty() && (why.back() == L'\n' || why.back() == L'\r' || why.back() == L' '))
            why.pop_back();
        text += L": " + why;
    }
    return text;
}

// One look at the log and, when it has changed, one reading of it, of at most
// kFollowStretch bytes (`more` then says that more is waiting). A last line
// without a line end waits for it, unless this is the `last` look: following
// then leaves what a run over the log writes. False with `failure` set when
// following cannot go on.
bool ReadChanges(CGrepSession& session, CFileWriter& writer, const CLogLook& look, bool last,
                 bool& wrote, bool& more, std::wstring& failure)
{
    wrote = false;
    more = false;
    const CGrepParams& params = session.Params();
    const bool replaced = look.identity != session.Identity();
    const bool finish = last && session.HoldsUnfinished();
    if (!replaced && look.size == session.Seen() && !finish)
        return true;
    CGrepLineReader reader(params.logFile.c_str(), session.BufferSize(), params.decoding);
    // A log rotated into UTF-16 text would be read as bytes, and its matches lost.
    if (reader.IsUtf16()) {
        failure = kLogNowUtf16;
        return false;
    }
    if (replaced || look.size < session.Seen() || !session.SameStart(reader)) {
        if (!session.Restart(writer, kFollowRestartedLine)) {
            failure = FaultText(GrepEnd::NextLineFailed, writer, params.resultFile);
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
    if (size < session.Seen() || (size == session.Seen() && !finish))
        return true;
    CQuietObserver quiet;
    CGrepProgress progress(size);
    // A look that only saw a long line grow leaves the result as it was.
    const int64_t before = writer.Written();
    const GrepEnd end = session.ReadTo(reader, writer, size, quiet, progress, last);
    if (end != GrepEnd::Completed) {
        failure = FaultText(end, writer, params.resultFile);
        return false;
    }
    wrote = wrote || writer.Written() != before;
    return true;
}

CGrepOutcome Follow(CGrepSession& session, CFollowObserver& observer)
{
    const CGrepParams& params = session.Params();
    // Another run (in this instance or another) may have written the result
    // since: appending to it would mix two results. While following, the
    // writer keeps others from writing it.
    if (CFileState::Of(params.resultFile.c_str()) != session.ResultState())
        return CGrepOutcome::Ended(GrepEnd::Failed, session.Matches(),
                                   kGrepResultReplaced);
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
            std::wstring failure;
            if (!ReadChanges(session, writer, look, stopping, wrote, more, failure))
                return CGrepOutcome::Ended(GrepEnd::Failed, session.Matches(), failure.c_str());
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
        const CGrepOutcome outcome = Follow(session, observer);
        // The writer has closed; following may go on from here later.
        if (outcome.end == GrepEnd::Stopped)
            session.SetResultState(CFileState::Of(session.Params().resultFile.c_str()));
        return outcome;
    } catch (...) {
        try {
            return CGrepOutcome::Ended(GrepEnd::Failed, session.Matches(),
                                       ExceptionText(kGrepUnknownError));
        } catch (...) {
            return CGrepOutcome();
        }
    }
}
