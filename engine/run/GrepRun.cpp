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
#include "engine/run/GrepRun.h"

#include "engine/io/FileWriter.h"
#include "engine/run/GrepLineReader.h"
#include "engine/run/GrepProgress.h"
#include "engine/run/GrepSession.h"
#include "engine/io/LogLook.h"
#include "win32/StringException.h"

#include <algorithm>
#include <memory>

const wchar_t kGrepTokensFailed[] = L"Unable to create tokens array!";
const wchar_t kGrepFileEmpty[] = L"File is empty";
const wchar_t kGrepPrevLineFailed[] = L"Unable to write prev line!";
const wchar_t kGrepNextLineFailed[] = L"Unable to write next line!";
const wchar_t kGrepUnknownError[] = L"Unknown error!";
const wchar_t kGrepResultReplaced[] =
    L"The result file has been written by another run or program since: following ended.";
const wchar_t kSetHeaderMark[] = L"### ";

const wchar_t* GrepFailureText(GrepEnd end)
{
    switch (end) {
    case GrepEnd::PrevLineFailed:
        return kGrepPrevLineFailed;
    case GrepEnd::NextLineFailed:
        return kGrepNextLineFailed;
    default:
        return kGrepUnknownError;
    }
}

namespace {

CGrepOutcome Failed(const wchar_t* text)
{
    return CGrepOutcome::Ended(GrepEnd::Failed, 0, text);
}

// The logs of a set, one after the other into one result. Each log has a
// session of its own, so no line of one is context for another; one index
// records which log each stretch came from. A log that cannot be read is
// skipped, and the run goes on.
CGrepOutcome RunSet(const CGrepParams& params, const CGrepOptions& options,
                    CGrepObserver& observer)
{
    std::vector<int64_t> sizes;
    int64_t total = 0;
    for (const CSetLog& log : params.logSet) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        int64_t size = 0;
        if (GetFileAttributesExW(log.path.c_str(), GetFileExInfoStandard, &data))
            size = (int64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        sizes.push_back(size);
        total += size;
    }
    CFileWriter writer(params.resultFile.c_str());
    writer.SetLineDelimiters(params.lfLineEnds ? L"\n" : L"\r\n");
    writer.SetLineBuffer(kGrepResultBuffer);
    {
        CFilterSet check;
        if (!check.Build(params.filterTexts, params.filterModes, params.ignoreCase))
            return Failed(kGrepTokensFailed);
    }
    std::shared_ptr<CGrepIndexWriter> index;
    if (options.writeIndex) {
        std::vector<std::wstring> paths;
        for (const CSetLog& log : params.logSet)
            paths.push_back(log.path);
        index = std::make_shared<CGrepIndexWriter>(params.resultFile, paths);
    }
    CGrepOutcome outcome = CGrepOutcome::Ended(GrepEnd::Completed, 0);
    CGrepProgress progress(total);
    int64_t base = 0;
    for (size_t i = 0; i < params.logSet.size(); ++i) {
        const CSetLog& log = params.logSet[i];
        const int64_t expected = sizes[i];
        observer.Reading(i + 1, params.logSet.size(), log.name);
        progress.SetBase(base, outcome.matches);
        base += expected;
        std::unique_ptr<CGrepLineReader> reader;
        try {
            reader = std::make_unique<CGrepLineReader>(log.path.c_str(), options.bufferSize,
                                                       params.decoding);
        } catch (...) {
            outcome.skipped.push_back({log.path, ExceptionText(kGrepUnknownError)});
            continue;
        }
        ++outcome.logsRead;
        // The size it had when the set was counted: lines written since wait
        // for the next run, as in a run over one log.
        const int64_t size = std::min(expected, reader->GetSize());
        if (size == 0)
            continue;
        // Each log as a run over it alone would read it, so the newest one,
        // read last, can be followed on from where the run left it.
        CGrepParams alone = params;
        alone.logFile = log.path;
        alone.logSet.clear();
        auto kept = std::make_shared<CGrepSession>();
        CGrepSession& session = *kept;
        session.Build(alone, options.allowFastPath, options.bufferSize);
        session.SetHeader(kSetHeaderMark + log.name);
        session.SetIdentity(CLogLook::Of(log.path.c_str()).identity);
        if (index) {
            index->SetFile(static_cast<uint32_t>(i));
            session.SetIndex(index);
        }
        GrepEnd end = GrepEnd::Completed;
        const size_t skippedBefore = outcome.skipped.size();
        try {
            end = session.ReadTo(*reader, writer, size, observer, progress);
        } catch (...) {
            // Gone or unreadable half way: what was read of it stays.
            outcome.skipped.push_back({log.path, ExceptionText(kGrepUnknownError)});
        }
        outcome.matches += session.Matches();
        if (session.Matches() > 0)
            ++outcome.logsWithMatches;
        if (end == GrepEnd::Stopped) {
            writer.Flush();
            outcome.end = GrepEnd::Stopped;
            return outcome;
        }
        if (end != GrepEnd::Completed)
            return Failed(GrepFailureText(end));
        if (i + 1 == params.logSet.size() && session.Followable() &&
            outcome.skipped.size() == skippedBefore)
            outcome.session = std::move(kept);
    }
    if (!writer.Flush())
        return Failed(kGrepNextLineFailed);
    if (index)
        index->Seal(writer.Written());
    return outcome;
}

CGrepOutcome Run(const CGrepParams& params, const CGrepOptions& options, CGrepObserver& observer)
{
    if (!params.logSet.empty())
        return RunSet(params, options, observer);
    // An unopenable log leaves the result file untouched: the reader comes first.
    CGrepLineReader reader(params.logFile.c_str(), options.bufferSize, params.decoding);
    CFileWriter writer(params.resultFile.c_str());
    // Lines of an 8-bit log keep their bytes; a UTF-16 log's become UTF-8.
    if (reader.IsUtf16())
        writer.StartUtf8(false);
    writer.SetLineDelimiters(params.lfLineEnds ? L"\n" : L"\r\n");
    writer.SetLineBuffer(kGrepResultBuffer);
    auto session = std::make_unique<CGrepSession>();
    if (!session->Build(params, options.allowFastPath, options.bufferSize))
        return Failed(kGrepTokensFailed);
    // Made with the result, so an older index never outlives it.
    if (options.writeIndex)
        session->SetIndex(std::make_unique<CGrepIndexWriter>(params.resultFile, params.logFile));
    const int64_t size = reader.GetSize();
    if (size == 0)
        return Failed(kGrepFileEmpty);
    session->SetIdentity(CLogLook::Of(params.logFile.c_str()).identity);

    CGrepProgress progress(size);
    const GrepEnd end = session->ReadTo(reader, writer, size, observer, progress);
    if (end == GrepEnd::Stopped) {
        writer.Flush();   // whole lines only; nothing is reported after a stop
        return CGrepOutcome::Ended(GrepEnd::Stopped, session->Matches());
    }
    if (end != GrepEnd::Completed)
        return Failed(GrepFailureText(end));
    CGrepOutcome outcome = CGrepOutcome::Ended(GrepEnd::Completed, session->Matches());
    if (session->Followable())
        outcome.session = std::move(session);
    return outcome;
}

} // namespace

CGrepOutcome RunGrep(const CGrepParams& params, CGrepObserver& observer)
{
    return RunGrep(params, observer, CGrepOptions());
}

CGrepOutcome RunGrep(const CGrepParams& params, CGrepObserver& observer,
                     const CGrepOptions& options)
{
    try {
        CGrepOutcome outcome = Run(params, options, observer);
        // The writer has closed: this is the result following will go on from.
        if (outcome.session)
            outcome.session->SetResultState(CFileState::Of(params.resultFile.c_str()));
        return outcome;
    } catch (...) {
        try {
            return Failed(ExceptionText(kGrepUnknownError));
        } catch (...) {
            // Out of memory even for the text.
            CGrepOutcome outcome;
            return outcome;
        }
    }
}
