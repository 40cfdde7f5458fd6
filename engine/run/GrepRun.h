// RunGrep: one grep run from start to end on the calling thread, free of
// windows and threads; the controller (CGrepThread) runs it on its worker and
// turns what it reports into window messages.
#pragma once

#include "engine/run/GrepEnd.h"
#include "engine/run/GrepObserver.h"
#include "engine/run/GrepParams.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CGrepSession;

// A log of a set that a run could not read, and why.
struct CSkippedLog {
    std::wstring path;
    std::wstring reason;
};

struct CGrepOutcome {
    // Completed, Stopped, LogGone or Failed: a failed write is told by its
    // text, like every other failure.
    GrepEnd end = GrepEnd::Failed;
    int matches = 0;
    std::wstring failure;   // the status text of a failed run
    // A completed run's state, from which following its log goes on.
    std::shared_ptr<CGrepSession> session;
    // A run over a set: the logs read, those with a match, and those left
    // out (cannot be opened, gone) with the reason for each.
    size_t logsRead = 0;
    size_t logsWithMatches = 0;
    std::vector<CSkippedLog> skipped;
    // Lines an expression filter gave up on; they count as not matching.
    size_t tooComplexLines = 0;

    static CGrepOutcome Ended(GrepEnd end, int matches, const wchar_t* failure = L"")
    {
        CGrepOutcome outcome;
        outcome.end = end;
        outcome.matches = matches;
        outcome.failure = failure;
        return outcome;
    }
};

// Failure texts of a run.
extern const wchar_t kGrepFileEmpty[];       // "File is empty"
extern const wchar_t kGrepPrevLineFailed[];  // "Unable to write prev line!"
extern const wchar_t kGrepNextLineFailed[];  // "Unable to write next line!"
extern const wchar_t kGrepUnknownError[];    // "Unknown error!"
// Following found the result file changed by someone else since it last wrote.
extern const wchar_t kGrepResultReplaced[];
// The failure text of an end that is a failed write.
const wchar_t* GrepFailureText(GrepEnd end);

// The line before the kept lines of each log in the result of a set: this
// mark and the log's name. The index, not this text, tells such lines.
extern const wchar_t kSetHeaderMark[];      // "### "

// The result file's writer hands lines to the file in pieces of this size.
constexpr uint32_t kGrepResultBuffer = 1u << 20;

// Reads the log, writes the result file and reports to the observer. Never
// throws: whatever is thrown inside becomes a failure text. Reader and writer
// are closed (the result file flushed) before it returns.
CGrepOutcome RunGrep(const CGrepParams& params, CGrepObserver& observer);

// The read-ahead block of a run: 1 MiB where the machine has more than one
// processor, else 0 (nothing to overlap).
uint32_t DefaultReadAheadBlock();

// How a run reads: the fast way through the log where the filters allow it
// (the default), or line by line, the reference the fast way is tested
// against; the size of the read buffer; and whether it writes an index.
struct CGrepOptions {
    bool allowFastPath = true;
    // The index beside the result (engine/run/GrepIndex.h), where each written
    // stretch came from in the log.
    bool writeIndex = true;
    uint32_t bufferSize = 1048575;   // one byte less than 1 MiB
    // A log of at least two such blocks is read on a thread of its own while
    // the run scans what was read before (0: read on the run's thread only).
    // Blocks of 1 MiB, a few of them waiting, stay in the shared cache, and
    // the reader rarely waits for the scan nor the scan for the reader. The
    // plain way read-then-scan on one thread measured slower on two quiet
    // cores (bench_grep stages LOG overlap BLOCK compares the ways).
    uint32_t readAheadBlock = DefaultReadAheadBlock();
};
CGrepOutcome RunGrep(const CGrepParams& params, CGrepObserver& observer,
                     const CGrepOptions& options);

