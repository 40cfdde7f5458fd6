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
#include "engine/io/ZipArchive.h"
#include "engine/run/CompressedLog.h"
#include "engine/run/GrepLineReader.h"
#include "engine/run/GrepProgress.h"
#include "engine/run/GrepSession.h"
#include "engine/io/LogLook.h"
#include "win32/StringException.h"

#include <algorithm>
#include <memory>

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

// One log of a set as the run reads it: a file, or a member of a zip archive,
// which counts as a file of its own.
struct CRunPart {
    size_t log = 0;          // in the set: the index records this
    std::wstring name;       // what its header line shows
    std::wstring shown;      // what a warning names: its path, "archive.zip:member" for a member
    LogPacking packing = LogPacking::Plain;
    size_t number = 0;       // of the member in its archive
    std::wstring member;     // its name, empty for a file
    int64_t base = 0;        // compressed bytes of the set before it, for progress
    int64_t size = 0;        // its bytes in the file: what the set was counted with
};

int64_t FileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (int64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The parts of a set in reading order: each zip's readable members in the
// archive's order, in its place. Unreadable archives and members are skipped
// here, and said.
std::vector<CRunPart> SetParts(const CGrepParams& params, std::vector<CSkippedLog>& skipped,
                               int64_t& total)
{
    std::vector<CRunPart> parts;
    total = 0;
    for (size_t i = 0; i < params.logSet.size(); ++i) {
        const CSetLog& log = params.logSet[i];
        const int64_t size = FileSize(log.path);
        CRunPart part;
        part.log = i;
        part.name = log.name;
        part.shown = log.path;
        part.packing = PackingOf(log.path);
        part.base = total;
        part.size = size;
        total += size;
        if (part.packing != LogPacking::Zip) {
            parts.push_back(part);
            continue;
        }
        CZipArchive archive;
        std::wstring problem;
        try {
            if (!archive.Open(std::make_unique<CFileReader>(log.path.c_str(), 0), problem)) {
                skipped.push_back({log.path, problem});
                continue;
            }
        } catch (...) {
            skipped.push_back({log.path, ExceptionText(kGrepUnknownError)});
            continue;
        }
        for (size_t m = 0; m < archive.Members().size(); ++m) {
            const CZipMember& member = archive.Members()[m];
            if (member.IsFolder())
                continue;
            CRunPart one = part;
            one.number = m;
            one.member = member.name;
            one.name = log.name + L":" + member.name;
            one.shown = log.path + L":" + member.name;
            one.base = part.base + member.headerOffset;
            one.size = member.packedSize;
            const std::wstring unreadable = archive.Unreadable(m);
            if (unreadable.empty())
                parts.push_back(one);
            else
                skipped.push_back({one.shown, unreadable});
        }
    }
    return parts;
}

// The reader of a part; `stream` is set for a compressed one. Null with a
// reason in `skipped` when it cannot be read. `archive` keeps the last zip
// open for its next member.
std::unique_ptr<CGrepLineReader> OpenPart(const CGrepParams& params, const CGrepOptions& options,
                                          const CRunPart& part,
                                          std::unique_ptr<CZipArchive>& archive,
                                          size_t& archiveLog, CCountedStream*& stream,
                                          std::vector<CSkippedLog>& skipped)
{
    const std::wstring& path = params.logSet[part.log].path;
    stream = nullptr;
    try {
        std::unique_ptr<CPackedSource> packed;
        if (part.packing == LogPacking::Plain)
            return std::make_unique<CGrepLineReader>(path.c_str(), options.bufferSize,
                                                     params.decoding);
        if (part.packing == LogPacking::Gzip) {
            packed = std::make_unique<CInflateSource>(std::make_unique<CFileReader>(path.c_str(), 0),
                                                      CInflateSource::Format::Gzip);
        } else {
            std::wstring problem;
            if (!archive || archiveLog != part.log) {
                archive = std::make_unique<CZipArchive>();
                archiveLog = part.log;
                if (!archive->Open(std::make_unique<CFileReader>(path.c_str(), 0), problem)) {
                    archive.reset();
                    skipped.push_back({part.shown, problem});
                    return nullptr;
                }
            }
            packed = archive->OpenMember(part.number, problem);
            if (!packed) {
                skipped.push_back({part.shown, problem});
                return nullptr;
            }
        }
        auto counted = std::make_unique<CCountedStream>(std::move(packed));
        stream = counted.get();
        return std::make_unique<CGrepLineReader>(std::move(counted), options.bufferSize,
                                                 params.decoding);
    } catch (...) {
        skipped.push_back({part.shown, ExceptionText(kGrepUnknownError)});
        return nullptr;
    }
}

// The logs of a set, one after the other into one result. Each log has a
// session of its own, so no line of one is context for another; one index
// records which log each stretch came from. A log that cannot be read is
// skipped, and the run goes on; a compressed one that is damaged keeps the
// lines before the damage, and is said too.
CGrepOutcome RunSet(const CGrepParams& params, const CGrepOptions& options,
                    CGrepObserver& observer)
{
    CGrepOutcome outcome = CGrepOutcome::Ended(GrepEnd::Completed, 0);
    int64_t total = 0;
    const std::vector<CRunPart> parts = SetParts(params, outcome.skipped, total);
    CFileWriter writer(params.resultFile.c_str());
    writer.SetLineDelimiters(params.lfLineEnds ? L"\n" : L"\r\n");
    writer.SetLineBuffer(kGrepResultBuffer);
    std::shared_ptr<CGrepIndexWriter> index;
    if (options.writeIndex) {
        // One log of the index per part, so a line of a member leads to that member.
        std::vector<std::wstring> paths, members;
        for (const CRunPart& part : parts) {
            paths.push_back(params.logSet[part.log].path);
            members.push_back(part.member);
        }
        if (paths.empty())   // nothing readable: the index still names the set's first log
            paths.push_back(params.logSet.front().path);
        index = std::make_shared<CGrepIndexWriter>(params.resultFile, paths, params.filters,
                                                   params.ignoreCase, members);
    }
    CGrepProgress progress(total);
    // One stock of read-ahead blocks for every log of the set.
    const auto stock = std::make_shared<CBlockStock>();
    std::unique_ptr<CZipArchive> archive;
    size_t archiveLog = SIZE_MAX;
    for (size_t i = 0; i < parts.size(); ++i) {
        const CRunPart& part = parts[i];
        const CSetLog& log = params.logSet[part.log];
        observer.Reading(i + 1, parts.size(), part.name);
        progress.SetBase(part.base, outcome.matches);
        CCountedStream* stream = nullptr;
        std::unique_ptr<CGrepLineReader> reader =
            OpenPart(params, options, part, archive, archiveLog, stream, outcome.skipped);
        if (!reader)
            continue;
        ++outcome.logsRead;
        // The size it had when the set was counted: lines written since wait
        // for the next run, as in a run over one log. A stream is read to its end.
        const int64_t size = stream ? CFileReader::kStreamSize : std::min(part.size, reader->GetSize());
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
        session.SetReadAhead(options.readAheadBlock, stock);
        session.SetHeader(kSetHeaderMark + part.name);
        if (!stream)
            session.SetIdentity(CLogLook::Of(log.path.c_str()).identity);
        if (index) {
            index->SetFile(static_cast<uint32_t>(i));
            session.SetIndex(index);
        }
        GrepEnd end = GrepEnd::Completed;
        const size_t skippedBefore = outcome.skipped.size();
        const int matchesBefore = outcome.matches;
        try {
            if (stream) {
                CPackedProgress packed(
                    observer, [stream] { return stream->PackedRead(); },
                    [&session, matchesBefore] { return matchesBefore + session.Matches(); },
                    part.base, total);
                CGrepProgress lines(CFileReader::kStreamSize);
                end = session.ReadTo(*reader, writer, size, packed, lines);
            } else {
                end = session.ReadTo(*reader, writer, size, observer, progress);
            }
        } catch (...) {
            // Gone or unreadable half way: what was read of it stays.
            outcome.skipped.push_back({part.shown, ExceptionText(kGrepUnknownError)});
        }
        if (stream && !stream->Damage().empty())
            outcome.skipped.push_back({part.shown, DamageText(*stream)});
        outcome.matches += session.Matches();
        outcome.tooComplexLines += session.TooComplexLines();
        if (session.Matches() > 0)
            ++outcome.logsWithMatches;
        if (end == GrepEnd::Stopped) {
            writer.Flush();
            outcome.end = GrepEnd::Stopped;
            return outcome;
        }
        if (end != GrepEnd::Completed)
            return Failed(GrepFailureText(end));
        if (i + 1 == parts.size() && session.Followable() &&
            outcome.skipped.size() == skippedBefore) {
            kept->SetEarlierMatches(matchesBefore);
            outcome.session = std::move(kept);
        }
    }
    if (!writer.Flush())
        return Failed(kGrepNextLineFailed);
    if (index)
        index->Seal(writer.Written());
    return outcome;
}

// A lone .gz, read as its log would be read alone: no header line, the
// result named after it. Damage keeps the lines before it and is said.
CGrepOutcome RunStream(const CGrepParams& params, const CGrepOptions& options,
                       CGrepObserver& observer)
{
    auto counted = std::make_unique<CCountedStream>(std::make_unique<CInflateSource>(
        std::make_unique<CFileReader>(params.logFile.c_str(), 0), CInflateSource::Format::Gzip));
    CCountedStream& stream = *counted;
    CGrepLineReader reader(std::move(counted), options.bufferSize, params.decoding);
    if (stream.Bytes() == 0 && stream.Damage().empty())
        return Failed(kGrepFileEmpty);
    CFileWriter writer(params.resultFile.c_str());
    if (reader.IsUtf16())
        writer.StartUtf8(false);
    writer.SetLineDelimiters(params.lfLineEnds ? L"\n" : L"\r\n");
    writer.SetLineBuffer(kGrepResultBuffer);
    CGrepSession session;
    session.Build(params, options.allowFastPath, options.bufferSize);
    if (options.writeIndex)
        session.SetIndex(std::make_unique<CGrepIndexWriter>(params.resultFile, params.logFile,
                                                            params.filters, params.ignoreCase));
    CPackedProgress packed(
        observer, [&stream] { return stream.PackedRead(); },
        [&session] { return session.Matches(); }, 0, FileSize(params.logFile));
    CGrepProgress lines(CFileReader::kStreamSize);
    const GrepEnd end = session.ReadTo(reader, writer, CFileReader::kStreamSize, packed, lines);
    if (end == GrepEnd::Stopped) {
        writer.Flush();
        return CGrepOutcome::Ended(GrepEnd::Stopped, session.Matches());
    }
    if (end != GrepEnd::Completed)
        return Failed(GrepFailureText(end));
    CGrepOutcome outcome = CGrepOutcome::Ended(GrepEnd::Completed, session.Matches());
    outcome.tooComplexLines = session.TooComplexLines();
    if (!stream.Damage().empty())
        outcome.skipped.push_back({params.logFile, DamageText(stream)});
    return outcome;
}

CGrepOutcome Run(const CGrepParams& params, const CGrepOptions& options, CGrepObserver& observer)
{
    if (!params.logSet.empty())
        return RunSet(params, options, observer);
    const LogPacking packing = PackingOf(params.logFile);
    if (packing == LogPacking::Zip) {
        // An archive is a set: each member a log with its header line.
        CGrepParams set = params;
        const size_t slash = params.logFile.find_last_of(L"\\/");
        set.logSet.push_back(
            {params.logFile, slash == std::wstring::npos ? params.logFile : params.logFile.substr(slash + 1)});
        return RunSet(set, options, observer);
    }
    if (packing == LogPacking::Gzip)
        return RunStream(params, options, observer);
    // An unopenable log leaves the result file untouched: the reader comes first.
    CGrepLineReader reader(params.logFile.c_str(), options.bufferSize, params.decoding);
    CFileWriter writer(params.resultFile.c_str());
    // Lines of an 8-bit log keep their bytes; a UTF-16 log's become UTF-8.
    if (reader.IsUtf16())
        writer.StartUtf8(false);
    writer.SetLineDelimiters(params.lfLineEnds ? L"\n" : L"\r\n");
    writer.SetLineBuffer(kGrepResultBuffer);
    auto session = std::make_unique<CGrepSession>();
    session->Build(params, options.allowFastPath, options.bufferSize);
    // Its stock serves the looks of following too.
    session->SetReadAhead(options.readAheadBlock, std::make_shared<CBlockStock>());
    // Made with the result, so an older index never outlives it.
    if (options.writeIndex)
        session->SetIndex(std::make_unique<CGrepIndexWriter>(params.resultFile, params.logFile,
                                                            params.filters, params.ignoreCase));
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
    outcome.tooComplexLines = session->TooComplexLines();
    if (session->Followable())
        outcome.session = std::move(session);
    return outcome;
}

} // namespace

uint32_t DefaultReadAheadBlock()
{
    static const uint32_t block = GetActiveProcessorCount(ALL_PROCESSOR_GROUPS) > 1 ? 1u << 20 : 0;
    return block;
}

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
