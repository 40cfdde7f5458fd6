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

#include "engine/CodePage.h"
#include "engine/FileWriter.h"
#include "engine/FilterSet.h"
#include "engine/GrepContext.h"
#include "engine/GrepFastScan.h"
#include "engine/GrepIndex.h"
#include "engine/GrepProgress.h"
#include "engine/GrepLineReader.h"
#include "engine/StringException.h"

#include <memory>

const wchar_t kGrepTokensFailed[] = L"Unable to create tokens array!";
const wchar_t kGrepFileEmpty[] = L"File is empty";
const wchar_t kGrepPrevLineFailed[] = L"Unable to write prev line!";
const wchar_t kGrepNextLineFailed[] = L"Unable to write next line!";
const wchar_t kGrepUnknownError[] = L"Unknown error!";

namespace {

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

// The line-by-line path knows each line's number: it counts them as it reads.
class CCountedLines : public CGrepLineNumbers {
public:
    int64_t NumberAt(int64_t) override { return number; }
    int64_t number = 0;
};

// The fast way through the log, when the filters give literals to search for
// in the raw bytes; false when the line-by-line path must do the run.
bool RunFast(CGrepLineReader& reader, CFilterSet& filters, CFileWriter& writer,
             CGrepIndexWriter* index, const CGrepParams& params, const CGrepOptions& options,
             CGrepObserver& observer, CGrepProgress& progress, CGrepFastScan::End& end,
             int& matches)
{
    if (!options.allowFastPath || filters.Empty() || reader.IsUtf16() ||
        !CGrepFastScan::CodePageAllows())
        return false;
    CCandidatePlan plan;
    const CLineDecoder& decoder = reader.Decoder();
    if (!plan.Build(filters.CandidateFilters(), CCodePage::Ansi().Table(), decoder.MayReadAnsi(),
                    decoder.MayReadUtf8()))
        return false;
    CGrepByteContext context(writer, params.linesBefore, params.linesAfter);
    CGrepFastScan scan(reader, filters, plan, context, params.linesBefore, options.bufferSize);
    if (index) {
        scan.CountLines();
        context.Record(*index, scan);
    }
    end = scan.Run(observer, progress);
    matches = context.Matches();
    return true;
}

CGrepOutcome Run(const CGrepParams& params, const CGrepOptions& options, CGrepObserver& observer)
{
    // An unopenable log leaves the result file untouched: the reader comes first.
    CGrepLineReader reader(params.logFile.c_str(), options.bufferSize, params.decoding);
    CFileWriter writer(params.resultFile.c_str());
    // Lines of an 8-bit log keep their bytes; a UTF-16 log's become UTF-8.
    if (reader.IsUtf16())
        writer.StartUtf8(false);
    writer.SetLineDelimiters(params.lfLineEnds ? L"\n" : L"\r\n");
    writer.SetLineBuffer(kGrepResultBuffer);
    // Created with the result, so an older index never outlives it.
    std::unique_ptr<CGrepIndexWriter> index;
    if (options.writeIndex)
        index = std::make_unique<CGrepIndexWriter>(params.resultFile, params.logFile);
    CGrepContext context(writer, params.linesBefore, params.linesAfter);
    CCountedLines lineNumbers;
    if (index)
        context.Record(*index, lineNumbers);
    CFilterSet filters;
    if (!filters.Build(params.filterTexts, params.filterModes, params.ignoreCase))
        return Failed(kGrepTokensFailed);
    const int64_t size = reader.GetSize();
    if (size == 0)
        return Failed(kGrepFileEmpty);

    CGrepProgress progress(size);
    CGrepFastScan::End fastEnd;
    int fastMatches = 0;
    const auto finishIndex = [&] {
        if (index)
            index->Finish(writer.Written());
    };
    if (RunFast(reader, filters, writer, index.get(), params, options, observer, progress,
                fastEnd, fastMatches)) {
        switch (fastEnd) {
        case CGrepFastScan::End::Completed:
            break;
        case CGrepFastScan::End::Stopped:
            writer.Flush();   // whole lines only; nothing is reported after a stop
            finishIndex();
            return Ended(CGrepOutcome::End::Stopped, fastMatches);
        case CGrepFastScan::End::PrevLineFault:
            return Failed(kGrepPrevLineFailed);
        case CGrepFastScan::End::NextLineFault:
            return Failed(kGrepNextLineFailed);
        }
        if (!writer.Flush())
            return Failed(kGrepNextLineFailed);
        finishIndex();
        return Ended(CGrepOutcome::End::Completed, fastMatches);
    }

    const bool copyAll = filters.Empty();
    CGrepLine line;
    int64_t lineStart = reader.Position();
    int64_t pieceStart = 0;
    while (reader.ReadLine(line)) {
        ++lineNumbers.number;
        if (observer.StopRequested()) {
            writer.Flush();   // whole lines only; nothing is reported after a stop
            finishIndex();
            return Ended(CGrepOutcome::End::Stopped, context.Matches());
        }
        if (copyAll) {
            // One stretch, recorded in pieces.
            if (index && (lineNumbers.number == 1 || writer.Written() - pieceStart >= kStretchPiece)) {
                pieceStart = writer.Written();
                index->Add(CStretchPlace{pieceStart, lineStart, lineNumbers.number});
            }
            if (!WriteContextLine(writer, nullptr, line))
                return Failed(kGrepNextLineFailed);
        } else {
            const bool kept = filters.Matches(line.Text(), line.Length());
            switch (context.Take(line, kept, lineStart)) {
            case CGrepContext::Fault::None:
                break;
            case CGrepContext::Fault::PrevLine:
                return Failed(kGrepPrevLineFailed);
            case CGrepContext::Fault::NextLine:
                return Failed(kGrepNextLineFailed);
            }
        }
        lineStart = reader.Position();
        progress.Passed(lineStart, context.Matches(), observer);
    }
    if (!writer.Flush())
        return Failed(kGrepNextLineFailed);
    finishIndex();
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
    return RunGrep(params, observer, CGrepOptions());
}

CGrepOutcome RunGrep(const CGrepParams& params, CGrepObserver& observer,
                     const CGrepOptions& options)
{
    try {
        return Run(params, options, observer);
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
