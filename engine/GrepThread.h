// CGrepThread: the controller of the one grep run a process can have, and the
// protocol between its worker thread and the user-interface thread.
#pragma once

#include "engine/GrepParams.h"

#include <windows.h>

// The worker/UI protocol
// ----------------------
// Threads. The user-interface thread (the one that owns `dialog` and `status`)
// calls Start, Stop and IsRunning. Start creates one worker thread, which runs
// RunGrep (engine/GrepRun.h) on the controller's copy of the parameters and
// then ends. There is never more than one worker.
//
// Shared state, all in GrepThread.cpp:
//   running flag   - read and written only while holding RunLock()
//                    (engine/ProcessLocks.h). Set by Start before the worker
//                    exists; cleared by the worker as its very last act, or by
//                    Stop once it has seen the worker end.
//   stop request   - written only under RunLock() (set by Stop, cleared by
//                    Start and by Stop); read by the worker WITHOUT the lock,
//                    as an atomic, once before every line and before every
//                    notice. Taking the lock per line would cost a round trip
//                    to the wine server (or the kernel) for every line of a
//                    multi-gigabyte log.
//   thread handle  - touched by the user-interface thread only. Closed by Stop
//                    after a successful wait, or by the next Start.
//   parameters and the two windows - written by Start before the worker
//                    exists, then only read, by the worker.
// RunLock() is held for a few instructions at a time: never across a window
// message, a file operation or a wait for the worker. The text lock
// (TextLock(), inside CStringException::ToString) is only taken by the worker
// while formatting a failure text, never while RunLock() is held.
//
// Messages, all sent by the worker with SendMessageW (synchronous: the worker
// waits until the user-interface thread has handled each one), never to a
// null window:
//   to `status`: WM_SETTEXT "Processing the file: %d %% (%d matches)" for the
//                first line and then whenever the whole percentage read
//                changes (at most 101 times; 100 once the last line is read);
//   to `status`: WM_SETTEXT "Completed with %d matches by %d sec." or the
//                failure text, at the end of the run;
//   to `dialog`: WM_RUN_FINISHED (WM_USER + 2, below), right
//                after that text, wParam 1 = completed (the result file is
//                complete and closed), 0 = failed (the status line holds the
//                reason), lParam 0.
// The running flag is cleared only after WM_RUN_FINISHED has been handled, so
// IsRunning() is still true inside its handler; the worker touches nothing
// after clearing it.
//
// Stopping. Stop sets the stop request under the lock and then waits for the
// worker to end. Once the request is set the worker sends nothing more: it
// checks the request before each notice, so the only notice that can still
// arrive is one the worker was already inside SendMessageW for. Because that
// notice waits for the user-interface thread, Stop's wait delivers messages
// sent to this thread (MsgWaitForMultipleObjectsEx + PeekMessage with
// PM_QS_SENDMESSAGE) while it waits; posted messages and input stay queued
// until Stop returns. When Stop is called from inside the handler of one of
// the worker's notices, it first releases the worker with ReplyMessage(0). The
// worker then stops before the next line: a stopped run sends no status text
// and no WM_RUN_FINISHED, even when the end of the log was reached meanwhile.
//
// The result file. The worker hands the result file whole lines only, in
// writes of about 1 MiB, and flushes on every way out (completed, failed,
// stopped), before any end notice, so the file on disk always ends with a
// whole line and holds everything the run wrote once the run has ended.
// The finished message the worker sends to `dialog` at the end of a completed or failed run.
constexpr UINT WM_RUN_FINISHED = WM_USER + 2;

class CGrepThread {
public:
    // False when a run is already active (nothing changes) or the worker cannot
    // be created. Throws L"Unable to wait for the mutex" or
    // L"Unable to release the mutex" when the run lock fails.
    static bool Start(const CGrepParams& params, HWND dialog, HWND status);
    // Asks the worker to stop and waits for it while delivering its notices;
    // true when a run was active and has ended. Throws the same lock texts.
    static bool Stop();
    static bool IsRunning();

private:
    static DWORD WINAPI Worker(LPVOID);
};
