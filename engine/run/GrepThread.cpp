// CGrepThread: starts the worker, stops it, and turns what the run reports
// into the status texts and the finished message (protocol in GrepThread.h).
#include "engine/run/GrepThread.h"

#include "engine/run/GrepFollow.h"
#include "engine/run/GrepRun.h"
#include "engine/run/GrepSession.h"
#include "engine/run/NoticePace.h"
#include "win32/FailureWords.h"
#include "win32/PathRules.h"
#include "win32/ProcessLocks.h"

#include <algorithm>
#include <atomic>

namespace {

const wchar_t kLockFailed[] = L"Unable to wait for the mutex";
const wchar_t kUnlockFailed[] = L"Unable to release the mutex";
const wchar_t kProgressFormat[] = L"Processing the file: %d %% (%d matches)";
const wchar_t kCompletedFormat[] = L"Completed with %d matches by %d sec.";
const wchar_t kSetProgressFormat[] = L"%d of %d: %s %d%% (%d matches)";
const wchar_t kSetCompletedFormat[] = L"Completed with %d matches in %d of %d files by %d sec.";
// Added to the completed status only when some line was too complex.
const wchar_t kTooComplexFormat[] = L" (%d lines too complex for an expression)";
const wchar_t kFollowingFormat[] = L"Following the log: %d matches";
const wchar_t kLogGoneFormat[] = L"The log file is gone: following ended with %d matches.";
const int kTextLength = 1024;
// Stop's patience. A worker between two lines sees the request within
// kStopGraceMs; one stuck in a read or write (a hung share, a device) has its
// call cancelled every kCancelEveryMs after that; one that still has not
// ended after kStopLimitMs is left to end by itself, so Stop never hangs.
const DWORD kStopGraceMs = 200;
const DWORD kCancelEveryMs = 100;
const DWORD kStopLimitMs = 2000;

// The event Stop sets to end a following worker's wait between looks at once.
class CWakeEvent {
public:
    CWakeEvent() : m_event(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    void Set() { if (m_event.IsOpen()) SetEvent(m_event.Get()); }
    void Reset() { if (m_event.IsOpen()) ResetEvent(m_event.Get()); }
    void Wait(DWORD ms)
    {
        if (m_event.IsOpen())
            WaitForSingleObject(m_event.Get(), ms);
        else
            Sleep(ms);
    }

private:
    CHandle m_event;
};

// The controller's state; see the protocol in GrepThread.h for who touches what.
struct CRunState {
    bool running = false;                   // under RunLock()
    std::atomic<bool> stopRequested{false}; // written under RunLock(), read freely
    // Set by the worker once its work and notices are over, before it clears
    // the running flag: only the flag is left, so the controller counts as idle.
    std::atomic<bool> workDone{false};
    CHandle thread;                         // user-interface thread only
    bool following = false;                 // what the worker does: run, or follow
    CGrepParams params;
    HWND dialog = nullptr;
    HWND status = nullptr;
    // The last completed run's session, kept for following its log.
    std::shared_ptr<CGrepSession> session;
    // The logs of the last run's set that it could not read.
    std::vector<CSkippedLog> skipped;
    // The last completed run, when its session could not be kept: a UTF-16 log's result.
    std::wstring unfollowableResult;
    CWakeEvent wake;
};

CRunState& State()
{
    static CRunState state;
    return state;
}

// Runs `step` (a few assignments, which cannot throw) while holding the run
// lock and returns what it returns. The user-interface side must not go on
// without the lock, so a failed lock or unlock throws, here and never from a
// destructor: the release is explicit.
template <typename Step>
bool UnderRunLock(Step step)
{
    CMutexLock lock(RunLock());
    if (!lock.Held())
        throw kLockFailed;
    const bool result = step();
    if (!lock.Unlock())
        throw kUnlockFailed;
    return result;
}

// The worker's side of the protocol: notices only while no stop is requested.
class CNotices : public CGrepObserver, public CFollowObserver {
public:
    explicit CNotices(CRunState& state) : m_state(state) {}

    bool StopRequested() override { return m_state.stopRequested.load(std::memory_order_acquire); }

    void Wait(DWORD ms) override { m_state.wake.Wait(ms); }

    void Grew(int matches) override
    {
        if (matches != m_shownMatches)
            Following(matches);
        if (m_state.dialog && !StopRequested())
            SendMessageW(m_state.dialog, WM_RESULT_GREW, static_cast<WPARAM>(matches), 0);
    }

    void Following(int matches)
    {
        wchar_t text[kTextLength];
        wsprintfW(text, kFollowingFormat, matches);
        SetStatus(text);
        m_shownMatches = matches;
    }

    void Progress(int percent, int matches) override
    {
        if (!m_pace.Due(percent, GetTickCount()))
            return;
        wchar_t text[kTextLength];
        if (m_setCount > 0)
            wsprintfW(text, kSetProgressFormat, static_cast<int>(m_setNumber),
                      static_cast<int>(m_setCount), m_setName.c_str(), percent, matches);
        else
            wsprintfW(text, kProgressFormat, percent, matches);
        SetStatus(text);
        if (m_state.dialog && !StopRequested())
            SendMessageW(m_state.dialog, WM_RUN_PROGRESS, static_cast<WPARAM>(percent), 0);
    }

    void Reading(size_t number, size_t count, const std::wstring& name) override
    {
        m_setNumber = number;
        m_setCount = count;
        m_pace.Restart();
        // wsprintfW writes at most 1024 characters: a long name is cut.
        m_setName = name.substr(0, 200);
    }

    void SetStatus(const wchar_t* text)
    {
        if (m_state.status && !StopRequested())
            SendMessageW(m_state.status, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    }

    // The last notice, for how the worker ended; a stop sends none. The work is over
    // before it is sent: its handler may follow the result at once, and must not find
    // the worker still counted busy.
    void Finished(GrepEnd end)
    {
        m_state.workDone.store(true, std::memory_order_release);
        const int code = FinishedCode(end);
        if (code >= 0 && m_state.dialog && !StopRequested())
            SendMessageW(m_state.dialog, WM_RUN_FINISHED, static_cast<WPARAM>(code), 0);
    }

    // The worker's last act. A lock failure leaves the flag as it is (the run
    // then stays "running" until Stop has seen the thread end).
    void ClearRunning()
    {
        const CMutexLock lock(RunLock());
        if (lock.Held())
            m_state.running = false;
    }

private:
    CRunState& m_state;
    int m_shownMatches = -1;
    CNoticePace m_pace;
    size_t m_setNumber = 0;
    size_t m_setCount = 0;
    std::wstring m_setName;
};

// Waits up to `limit` ms for the thread to end, delivering the messages other
// threads send to this one meanwhile: the worker may be inside SendMessageW to
// our windows. A notice that arrived before the wait and was already seen by a
// look at the queue would not wake a plain MsgWaitForMultipleObjects: deliver
// first, and wait with MWMO_INPUTAVAILABLE. After the grace time, the
// worker's pending read or write is cancelled again and again: it may enter a
// new one just after a cancel.
bool WaitEnding(HANDLE thread, DWORD limit)
{
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD spent = GetTickCount() - start;
        if (spent >= limit)
            return false;
        if (spent >= kStopGraceMs)
            CancelSynchronousIo(thread);
        const DWORD slice = spent < kStopGraceMs ? kStopGraceMs - spent
                                                 : std::min(kCancelEveryMs, limit - spent);
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        const DWORD r =
            MsgWaitForMultipleObjectsEx(1, &thread, slice, QS_SENDMESSAGE, MWMO_INPUTAVAILABLE);
        if (r == WAIT_OBJECT_0)
            return true;
        if (r == WAIT_FAILED)
            return false;
    }
}

DWORD RunWork(CRunState& state, CNotices& notices)
{
    const DWORD start = GetTickCount();
    CGrepOutcome outcome = RunGrep(state.params, notices);
    // Read by the user-interface thread once the finished message comes.
    state.skipped = std::move(outcome.skipped);
    if (outcome.end == GrepEnd::Completed) {
        // Kept before the finished notice, whose handler may offer following.
        state.session = std::move(outcome.session);
        if (!state.session)
            state.unfollowableResult = state.params.resultFile;
        // Unsigned subtraction: a wrap of the tick counter does no harm.
        const DWORD seconds = (GetTickCount() - start) / 1000;
        wchar_t text[kTextLength];
        if (state.params.logSet.empty())
            wsprintfW(text, kCompletedFormat, outcome.matches, static_cast<int>(seconds));
        else
            wsprintfW(text, kSetCompletedFormat, outcome.matches,
                      static_cast<int>(outcome.logsWithMatches),
                      static_cast<int>(state.params.logSet.size()), static_cast<int>(seconds));
        if (outcome.tooComplexLines > 0) {
            const size_t used = wcslen(text);
            wsprintfW(text + used, kTooComplexFormat, static_cast<int>(outcome.tooComplexLines));
        }
        notices.SetStatus(text);
        notices.Finished(outcome.end);
        return 0;
    }
    if (outcome.end == GrepEnd::Failed) {
        notices.SetStatus(FailureWords(outcome.failure.empty() ? kGrepUnknownError : outcome.failure).c_str());
        notices.Finished(outcome.end);
    }
    return 1;
}

DWORD FollowWork(CRunState& state, CNotices& notices)
{
    notices.Following(state.session->Matches());
    const CGrepOutcome outcome = FollowGrep(*state.session, notices);
    if (outcome.end == GrepEnd::Stopped)
        return 0;   // the session stays, for following again
    state.session.reset();
    if (outcome.end == GrepEnd::LogGone) {
        wchar_t text[kTextLength];
        wsprintfW(text, kLogGoneFormat, outcome.matches);
        notices.SetStatus(text);
        notices.Finished(outcome.end);
    } else {
        notices.SetStatus(FailureWords(outcome.failure.empty() ? kGrepUnknownError : outcome.failure).c_str());
        notices.Finished(outcome.end);
    }
    return 1;
}

} // namespace

namespace {

// True while a worker has work to do: running, and not yet past its last notice.
bool Busy(CRunState& state)
{
    return UnderRunLock([&] { return state.running; }) &&
           !state.workDone.load(std::memory_order_acquire);
}

} // namespace

bool CGrepThread::Start(const CGrepParams& params, HWND dialog, HWND status)
{
    CRunState& state = State();
    if (Busy(state))
        return false;
    state.params = params;
    state.skipped.clear();
    state.session.reset();   // a new run: the last one can no longer be followed
    state.unfollowableResult.clear();
    state.following = false;
    return StartWorker(dialog, status);
}

bool CGrepThread::Follow(HWND dialog, HWND status)
{
    CRunState& state = State();
    if (Busy(state))
        return false;
    if (!state.session)
        return false;
    state.following = true;
    return StartWorker(dialog, status);
}

bool CGrepThread::StartWorker(HWND dialog, HWND status)
{
    CRunState& state = State();
    if (state.thread.IsOpen()) {
        // Asked from the handler of the worker's finished notice, the worker waits for
        // this handler while we would wait for the worker.
        if (InSendMessage())
            ReplyMessage(0);
        // A worker that ended by itself, or one past its last notice that only
        // has the running flag left to clear: it must be gone before the flag
        // is set again for the next one.
        if (WaitForSingleObject(state.thread.Get(), kStopLimitMs) != WAIT_OBJECT_0)
            return false;
        state.thread.Close();
    }
    state.dialog = dialog;
    state.status = status;
    state.wake.Reset();
    UnderRunLock([&] {
        state.running = true;
        state.stopRequested.store(false, std::memory_order_release);
        state.workDone.store(false, std::memory_order_release);
        return true;
    });
    state.thread.Reset(CreateThread(nullptr, 0, &CGrepThread::Worker, nullptr, 0, nullptr));
    if (!state.thread.IsOpen()) {
        UnderRunLock([&] { return state.running = false; });
        return false;
    }
    return true;
}

bool CGrepThread::CanFollow(const std::wstring& resultFile)
{
    // Only once no worker works is the session the user-interface thread's.
    CRunState& state = State();
    if (Busy(state))
        return false;
    return state.session && SamePath(state.session->Params().resultFile, resultFile);
}

std::vector<CSkippedLog> CGrepThread::SkippedLogs()
{
    // Written by the worker before its finished message, read after it.
    return State().skipped;
}

bool CGrepThread::IsUtf16Result(const std::wstring& resultFile)
{
    if (IsRunning())
        return false;
    const std::wstring& last = State().unfollowableResult;
    return !last.empty() && SamePath(last, resultFile);
}

bool CGrepThread::IsFollowing()
{
    return IsRunning() && State().following;
}

int CGrepThread::FollowedMatches()
{
    CRunState& state = State();
    if (Busy(state))
        return 0;
    return state.session ? state.session->Matches() : 0;
}

bool CGrepThread::Stop()
{
    CRunState& state = State();
    const bool wasRunning = UnderRunLock([&] {
        if (state.running)
            state.stopRequested.store(true, std::memory_order_release);
        return state.running;
    });
    if (!wasRunning)
        return false;
    state.wake.Set();
    // Called from the handler of one of the worker's own notices, the worker
    // would wait for this handler while we wait for the worker.
    if (InSendMessage())
        ReplyMessage(0);
    // A worker that does not end in time is left running with its stop
    // request set: it sends nothing more, and Start refuses until it has gone.
    if (!state.thread.IsOpen() || !WaitEnding(state.thread.Get(), kStopLimitMs))
        return false;
    UnderRunLock([&] {
        state.stopRequested.store(false, std::memory_order_release);
        return state.running = false;
    });
    state.thread.Close();
    return true;
}

bool CGrepThread::IsRunning()
{
    return Busy(State());
}

bool CGrepThread::IsEnding()
{
    CRunState& state = State();
    return Busy(state) && state.stopRequested.load(std::memory_order_acquire);
}

DWORD WINAPI CGrepThread::Worker(LPVOID)
{
    CRunState& state = State();
    CNotices notices(state);
    DWORD exitCode = 1;
    // Nothing thrown may leave the thread; RunGrep and FollowGrep never throw,
    // the formatting below cannot, and this is the last line of defence.
    try {
        exitCode = state.following ? FollowWork(state, notices) : RunWork(state, notices);
    } catch (...) {
    }
    state.workDone.store(true, std::memory_order_release);
    notices.ClearRunning();
    return exitCode;
}
