// CGrepThread: starts the worker, stops it, and turns what the run reports
// into the status texts and the finished message (protocol in GrepThread.h).
#include "engine/GrepThread.h"

#include "engine/GrepRun.h"
#include "engine/ProcessLocks.h"

#include <atomic>

namespace {

const wchar_t kLockFailed[] = L"Unable to wait for the mutex";
const wchar_t kUnlockFailed[] = L"Unable to release the mutex";
const wchar_t kProgressFormat[] = L"Processing the file: %d %% (%d matches)";
const wchar_t kCompletedFormat[] = L"Completed with %d matches by %d sec.";
const int kTextLength = 1024;

// The controller's state; see the protocol in GrepThread.h for who touches what.
struct CRunState {
    bool running = false;                   // under RunLock()
    std::atomic<bool> stopRequested{false}; // written under RunLock(), read freely
    HANDLE thread = nullptr;                // user-interface thread only
    CGrepParams params;
    HWND dialog = nullptr;
    HWND status = nullptr;
};

CRunState& State()
{
    static CRunState state;
    return state;
}

// Runs `step` (a few assignments, which cannot throw) while holding the run
// lock and returns what it returns. The user-interface side must not go on
// without the lock, so a failed lock or unlock throws, here and never from a
// destructor.
template <typename Step>
bool UnderRunLock(Step step)
{
    if (!RunLock().Lock())
        throw kLockFailed;
    const bool result = step();
    if (!RunLock().Unlock())
        throw kUnlockFailed;
    return result;
}

// The worker's side of the protocol: notices only while no stop is requested.
class CNotices : public CGrepObserver {
public:
    explicit CNotices(CRunState& state) : m_state(state) {}

    bool StopRequested() override { return m_state.stopRequested.load(std::memory_order_acquire); }

    void Progress(int percent, int matches) override
    {
        wchar_t text[kTextLength];
        wsprintfW(text, kProgressFormat, percent, matches);
        SetStatus(text);
    }

    void SetStatus(const wchar_t* text)
    {
        if (m_state.status && !StopRequested())
            SendMessageW(m_state.status, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    }

    void Finished(bool completed)
    {
        if (m_state.dialog && !StopRequested())
            SendMessageW(m_state.dialog, WM_RUN_FINISHED, completed ? 1 : 0, 0);
    }

    // The worker's last act. A lock failure leaves the flag as it is (the run
    // then stays "running" until Stop has seen the thread end).
    void ClearRunning()
    {
        if (!RunLock().Lock())
            return;
        m_state.running = false;
        RunLock().Unlock();
    }

private:
    CRunState& m_state;
};

// Waits for the thread to end, delivering the messages other threads send to
// this one meanwhile: the worker may be inside SendMessageW to our windows.
// A notice that arrived before the wait and was already seen by a look at the
// queue would not wake a plain MsgWaitForMultipleObjects: deliver first, and
// wait with MWMO_INPUTAVAILABLE.
bool WaitDelivering(HANDLE thread)
{
    for (;;) {
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        const DWORD r =
            MsgWaitForMultipleObjectsEx(1, &thread, INFINITE, QS_SENDMESSAGE, MWMO_INPUTAVAILABLE);
        if (r == WAIT_OBJECT_0)
            return true;
        if (r != WAIT_OBJECT_0 + 1)
            return false;
    }
}

} // namespace

bool CGrepThread::Start(const CGrepParams& params, HWND dialog, HWND status)
{
    CRunState& state = State();
    if (UnderRunLock([&] { return state.running; }))
        return false;
    if (state.thread) {
        CloseHandle(state.thread);   // a worker that ended by itself
        state.thread = nullptr;
    }
    state.params = params;
    state.dialog = dialog;
    state.status = status;
    UnderRunLock([&] {
        state.running = true;
        state.stopRequested.store(false, std::memory_order_release);
        return true;
    });
    state.thread = CreateThread(nullptr, 0, &CGrepThread::Worker, nullptr, 0, nullptr);
    if (!state.thread) {
        UnderRunLock([&] { return state.running = false; });
        return false;
    }
    return true;
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
    // Called from the handler of one of the worker's own notices, the worker
    // would wait for this handler while we wait for the worker.
    if (InSendMessage())
        ReplyMessage(0);
    if (!state.thread || !WaitDelivering(state.thread))
        return false;
    UnderRunLock([&] {
        state.stopRequested.store(false, std::memory_order_release);
        return state.running = false;
    });
    CloseHandle(state.thread);
    state.thread = nullptr;
    return true;
}

bool CGrepThread::IsRunning()
{
    return UnderRunLock([] { return State().running; });
}

DWORD WINAPI CGrepThread::Worker(LPVOID)
{
    CRunState& state = State();
    CNotices notices(state);
    DWORD exitCode = 1;
    // Nothing thrown may leave the thread; RunGrep itself never throws, the
    // formatting below cannot, and this is the last line of defence.
    try {
        const DWORD start = GetTickCount();
        const CGrepOutcome outcome = RunGrep(state.params, notices);
        if (outcome.end == CGrepOutcome::End::Completed) {
            // Unsigned subtraction: a wrap of the tick counter does no harm.
            const DWORD seconds = (GetTickCount() - start) / 1000;
            wchar_t text[kTextLength];
            wsprintfW(text, kCompletedFormat, outcome.matches, static_cast<int>(seconds));
            notices.SetStatus(text);
            notices.Finished(true);
            exitCode = 0;
        } else if (outcome.end == CGrepOutcome::End::Failed) {
            notices.SetStatus(outcome.failure.empty() ? kGrepUnknownError : outcome.failure.c_str());
            notices.Finished(false);
        }
    } catch (...) {
    }
    notices.ClearRunning();
    return exitCode;
}
