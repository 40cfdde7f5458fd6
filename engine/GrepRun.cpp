// The grep run as a pipeline of per-line steps: the reader cuts and converts a
// line, the filter set decides whether it is kept, the context writes it with
// its neighbours, and the progress step reports the percentage read.
//
// This per-line path is the reference. A faster search for candidate lines
// (in the raw bytes of the read buffer, before any conversion) can take the
// reading step's place: it must hand the context every line it cannot prove
// irrelevant in log order (each candidate and the lines written around it, and
// at least the last lines-before lines ahead of each candidate, so that the
// before-ring holds what this path would hold), answer the stop check before
// each line it hands on, and report progress as positions pass the same
// thresholds. Its output is then checked byte for byte against this path.
#include "engine/GrepRun.h"

#include "engine/FileWriter.h"
#include "engine/FilterSet.h"
#include "engine/GrepContext.h"
#include "engine/GrepLineReader.h"
#include "engine/StringException.h"

const wchar_t kGrepTokensFailed[] = L"Unable to create tokens array!";
const wchar_t kGrepFileEmpty[] = L"File is empty";
const wchar_t kGrepPrevLineFailed[] = L"Unable to write prev line!";
const wchar_t kGrepNextLineFailed[] = L"Unable to write next line!";
const wchar_t kGrepUnknownError[] = L"Unknown error!";

namespace {

// Reports the whole percentage of the log read each time it changes. The
// position only grows, so the next change lies at a known position: one
// comparison per line instead of a 64-bit division.
class CProgress {
public:
    explicit CProgress(int64_t size) : m_size(size) {}

    void Passed(int64_t position, int matches, CGrepObserver& observer)
    {
        if (position < m_next)
            return;
        const int percent = static_cast<int>(position * 100 / m_size);
        if (percent != m_last) {
            observer.Progress(percent, matches);
            m_last = percent;
        }
        // The first position whose percentage exceeds the last one reported.
        m_next = ((static_cast<int64_t>(m_last) + 1) * m_size + 99) / 100;
    }

private:
    int64_t m_size;
    int m_last = -1;
    int64_t m_next = 0;
};

CGrepOutcome Ended(CGrepOutcome::End end, int matches, const wchar_t* failure = L"")
{
    CGrepOutcome outcome;
    outcome.end = end;
    outcome.matches = matches;
    outcome.failure = failure;
    return outcome;
}

CGrepOutcome Failed(const wchar_t* text)
{
    return Ended(CGrepOutcome::End::Failed, 0, text);
}

CGrepOutcome Run(const CGrepParams& params, CGrepObserver& observer)
{
    // An unopenable log leaves the result file untouched: the reader comes first.
    CGrepLineReader reader(params.logFile.c_str());
    CFileWriter writer(params.resultFile.c_str());
    writer.SetLineDelimiters(params.lfLineEnds ? L"\n" : L"\r\n");
    writer.SetLineBuffer(kGrepResultBuffer);
    CGrepContext context(writer, params.linesBefore, params.linesAfter);
    CFilterSet filters;
    if (!filters.Build(params.filterTexts, params.filterModes, params.ignoreCase))
        return Failed(kGrepTokensFailed);
    const int64_t size = reader.GetSize();
    if (size == 0)
        return Failed(kGrepFileEmpty);

    const bool copyAll = filters.Empty();
    CProgress progress(size);
    CGrepLine line;
    while (reader.ReadLine(line)) {
        if (observer.StopRequested()) {
            writer.Flush();   // whole lines only; nothing is reported after a stop
            return Ended(CGrepOutcome::End::Stopped, context.Matches());
        }
        if (copyAll) {
            if (!writer.WriteLine(nullptr, line.Text(), line.Length()))
                return Failed(kGrepNextLineFailed);
        } else {
            const bool kept = filters.Matches(line.Text(), line.Length());
            switch (context.Take(line, kept)) {
            case CGrepContext::Fault::None:
                break;
            case CGrepContext::Fault::PrevLine:
                return Failed(kGrepPrevLineFailed);
            case CGrepContext::Fault::NextLine:
                return Failed(kGrepNextLineFailed);
            }
        }
        progress.Passed(reader.Position(), context.Matches(), observer);
    }
    if (!writer.Flush())
        return Failed(kGrepNextLineFailed);
    return Ended(CGrepOutcome::End::Completed, context.Matches());
}

} // namespace

std::wstring GrepFailureText()
{
    try {
        throw;
    } catch (const CStringException& e) {
        try {
            return e.ToString();
        } catch (const wchar_t* text) {
            return text ? text : kGrepUnknownError;
        } catch (...) {
            return kGrepUnknownError;
        }
    } catch (const wchar_t* text) {
        return text ? text : kGrepUnknownError;
    } catch (...) {
        return kGrepUnknownError;
    }
}

CGrepOutcome RunGrep(const CGrepParams& params, CGrepObserver& observer)
{
    try {
        return Run(params, observer);
    } catch (...) {
        try {
            return Failed(GrepFailureText().c_str());
        } catch (...) {
            // Out of memory even for the text.
            CGrepOutcome outcome;
            return outcome;
        }
    }
}
