// CGrepThread: the controller of the one grep run a process can have, and the
// protocol between its worker thread and the user-interface thread.
#pragma once

#include "engine/run/GrepEnd.h"
#include "engine/run/GrepParams.h"
#include "engine/run/GrepRun.h"

#include <windows.h>

#include <string>
#include <vector>

// The worker/UI protocol
// ----------------------
// Threads. The user-interface thread (the one that owns `dialog` and `status`)
// calls Start, Follow, Stop and the queries. Start creates one worker thread,
// which runs RunGrep (engine/run/GrepRun.h) on the controller's copy of the
// parameters and then ends; Follow creates one that runs FollowGrep
// (engine/run/GrepFollow.h) until it is stopped. There is never more than one
// worker: a run and following never overlap.
//
// Shared state, all in GrepThread.cpp:
//   running flag   - read and written only while holding RunLock()
//                    (win32/ProcessLocks.h). Set by Start before the worker
//                    exists; cleared by the worker as its very last act, or by
//                    Stop once it has seen the worker end.
//   work done      - an atomic the worker sets, without the lock, just before
//                    it sends its last notice (the finished one), and again
//                    once its work is over, just before it clears the running
//                    flag. From then on the controller counts as idle
//                    (IsRunning, CanFollow): a worker that is slow to clear
//                    its flag on a loaded machine does not hold up Follow. The
//                    next Start or Follow waits for that thread to end first.
//   stop request   - written only under RunLock() (set by Stop, cleared by
//                    Start and by Stop); read by the worker WITHOUT the lock,
//                    as an atomic, once before every line and before every
//                    notice. Taking the lock per line would cost a round trip
//                    to the wine server (or the kernel) for every line of a
//                    multi-gigabyte log.
//   thread handle  - touched by the user-interface thread only. Closed by Stop
//                    after a successful wait, or by the next Start.
//   parameters and the two windows - written by Start or Follow before the
//                    worker exists, then only read, by the worker.
//   session        - the completed run's CGrepSession (its filters, context
//                    and place in the log), from which following goes on.
//                    Stored by a run's worker before its WM_RUN_FINISHED;
//                    used by a following worker while it runs; between
//                    workers, the user-interface thread's alone (CanFollow,
//                    FollowedMatches look at it only once IsRunning() is
//                    false). Start drops it: a new run cannot be followed from
//                    the old one's place. Following that fails or loses its
//                    log drops it too; following that is stopped keeps it.
//   wake event     - set by Stop after the stop request, so a following
//                    worker's wait between two looks at the log ends at once.
// RunLock() is held for a few instructions at a time: never across a window
// message, a file operation or a wait for the worker. The text lock
// (TextLock(), inside CStringException::ToString) is only taken by the worker
// while formatting a failure text, never while RunLock() is held.
//
// Messages, all sent by the worker with SendMessageW (synchronous: the worker
// waits until the user-interface thread has handled each one), never to a
// null window:
//   to `status`: WM_SETTEXT "Processing the file: %d %% (%d matches)" for the
//                first line and then when the whole percentage read changes,
//                at most once every CNoticePace::kEveryMs (engine/run/
//                NoticePace.h), with the figures of that moment (at most 101
//                times; 100 always, once the last line is read);
//   to `dialog`: WM_RUN_PROGRESS (WM_USER + 4, below) right after each of
//                those texts, wParam = the percentage, lParam 0: the dialog
//                shows it on its taskbar button;
//   to `status`: WM_SETTEXT "Completed with %d matches by %d sec." or the
//                failure text, at the end of the run;
//   a set of logs: "%d of %d: %s %d%% (%d matches)" (the log being read, the
//                percentage over the whole set), also at each log's first
//                line, and "Completed with %d matches in %d of %d files by %d
//                sec."; either completed text followed by " (%d lines too
//                complex for an expression)" when an expression filter gave up
//                on some lines; the skipped logs (SkippedLogs) are stored before
//                WM_RUN_FINISHED;
//   to `dialog`: WM_RUN_FINISHED (WM_USER + 2, below), right
//                after that text, wParam 1 = completed (the result file is
//                complete and closed), 0 = failed (the status line holds the
//                reason), lParam 0; FinishedCode (engine/run/GrepEnd.h) gives
//                the wParam of each way a worker ends, FinishedEnd reads it back.
// The running flag is cleared only after WM_RUN_FINISHED has been handled, so
// IsRunning() is still true inside its handler; the worker touches nothing
// after clearing it.
//
// Following (Follow, after a completed run, while its result is shown):
//   to `status`: WM_SETTEXT "Following the log: %d matches" when following
//                starts and whenever the total changes; the total counts the
//                run's matches and those found since;
//   to `dialog`: WM_RESULT_GREW (WM_USER + 3, below) each time
//                lines have been appended to the result file (which is then
//                flushed), wParam = the total match count, lParam 0: the
//                handler tells the viewers of the result to look again;
//   the end:     a stop sends nothing (as for a run), but the worker reads the
//                log one last time first, so that the result file then holds
//                exactly what a run over the log as it stands would write;
//                a log missing for a second ends following with the text
//                "The log file is gone: following ended with %d matches." and
//                WM_RUN_FINISHED wParam 2; a failure (a write, the result
//                file gone) with its text and WM_RUN_FINISHED wParam 0.
// Between two looks at the log (kFollowPollMs) the worker waits on the wake
// event, so Stop is not delayed by the wait; a look at a log that has not
// changed opens nothing else. A last line without a line end is written as a
// run's end writes it and taken again whole once it has its line end.
//
// Stopping. Stop sets the stop request under the lock and then waits for the
// worker to end, for a bounded time: a worker stuck in a read or a write (a
// hung network share, a device) has that call cancelled
// (CancelSynchronousIo), again and again, and one that still has not ended
// after about two seconds is abandoned: Stop returns false, the worker keeps
// its stop request and sends nothing more, IsEnding() is true and Start
// refuses until it has ended by itself. Once the request is set the worker sends nothing more: it
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
// The message a following worker sends to `dialog` each time the result file has grown.
constexpr UINT WM_RESULT_GREW = WM_USER + 3;
// The message a run's worker sends to `dialog` with each new percentage read.
constexpr UINT WM_RUN_PROGRESS = WM_USER + 4;

class CGrepThread {
public:
    // False when a run is already active (nothing changes) or the worker cannot
    // be created. Throws L"Unable to wait for the mutex" or
    // L"Unable to release the mutex" when the run lock fails.
    static bool Start(const CGrepParams& params, HWND dialog, HWND status);
    // Asks the worker to stop and waits for it while delivering its notices;
    // true when a run was active and has ended. Throws the same lock texts.
    // False too when the worker did not end in time and was left to end by
    // itself (IsEnding()).
    static bool Stop();
    static bool IsRunning();
    // True while a worker that was asked to stop has not ended yet.
    static bool IsEnding();

    // Starts following the log of the last completed run, appending to its
    // result file. False when a worker is active, no completed run is kept,
    // or the worker cannot be created. Throws the same lock texts.
    static bool Follow(HWND dialog, HWND status);
    // True when no worker runs and the last completed run wrote `resultFile`.
    static bool CanFollow(const std::wstring& resultFile);
    // True when no worker runs and the last completed run wrote `resultFile` from a UTF-16
    // log, whose result cannot be followed yet.
    static bool IsUtf16Result(const std::wstring& resultFile);
    // True while a worker follows a log (IsRunning() is then true as well).
    static bool IsFollowing();
    // The total match count of the kept run and its following so far, once no
    // worker runs; 0 when nothing is kept.
    static int FollowedMatches();
    // The logs of the last run's set that it skipped, with the reasons; asked
    // by the finished message's handler, or once no worker runs.
    static std::vector<CSkippedLog> SkippedLogs();

private:
    static bool StartWorker(HWND dialog, HWND status);
    static DWORD WINAPI Worker(LPVOID);
};
