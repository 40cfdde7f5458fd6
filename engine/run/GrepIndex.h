// The index of a result file: where each stretch of consecutive log lines in
// the result came from in its log, kept in a small file beside the result.
#pragma once

#include "engine/match/Filter.h"
#include "win32/Handle.h"
#include "win32/PathRules.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The start of a stretch: its first line's offset in the result and that
// line's offset in the log. Long stretches are cut into pieces, so a line is
// never far from its record. Line numbers are not kept: counting them during
// the run would cost it a second pass over every byte of the log, and a
// number is counted at disk speed when a command asks for one.
// In a result of several logs, `file` numbers the log (in reading order), and
// a header line that names it is a place of its own.
struct CStretchPlace {
    int64_t resultOffset = 0;
    int64_t logOffset = 0;
    uint32_t file = 0;
    bool header = false;
};

// A stretch gets a new record once it holds this many result bytes.
constexpr int64_t kStretchPiece = 256 * 1024;

// Writes the index while a run writes the result. Any failure drops the
// index (the run itself goes on); an index that was never sealed is removed,
// so a result never keeps the index of an earlier run. Following seals it
// again after each look at the log, and may first take back the records of
// the unfinished last line.
class CGrepIndexWriter {
public:
    // `filters` are the checked filters of the run, kept so that a viewer of
    // the result can show what they matched.
    CGrepIndexWriter(const std::wstring& resultFile, const std::wstring& logFile,
                     const FilterList& filters = {}, bool ignoreCase = false);
    // The index of a result of several logs, in the order they are read. A
    // member of a zip archive is a log of its own: the archive's path, with
    // the member's name at the same place in `members` (empty for a file).
    CGrepIndexWriter(const std::wstring& resultFile, const std::vector<std::wstring>& logFiles,
                     const FilterList& filters = {}, bool ignoreCase = false,
                     const std::vector<std::wstring>& members = {});
    ~CGrepIndexWriter();
    CGrepIndexWriter(const CGrepIndexWriter&) = delete;
    CGrepIndexWriter& operator=(const CGrepIndexWriter&) = delete;

    // Records of places in the log numbered `file` from now on.
    void SetFile(uint32_t file) { m_currentFile = file; }
    void Add(const CStretchPlace& place);
    // The header line that names the current log starts at `resultOffset`.
    void AddHeader(int64_t resultOffset);
    // Records so far, and dropping those added after such a count.
    uint64_t Count() const { return m_count + m_pending.size(); }
    void TakeBack(uint64_t count);
    // The result, `resultSize` bytes long, is whole as it stands: the index
    // describes it and stays when this writer goes.
    void Seal(int64_t resultSize);

private:
    bool FlushRecords();
    void Drop();

    void Create(const std::wstring& resultFile);
    bool WriteHeader(bool finished, int64_t resultSize);

    CFileHandle m_file;
    std::wstring m_path;
    std::vector<std::wstring> m_logFiles;
    std::vector<std::wstring> m_members;
    FilterList m_filters;
    bool m_ignoreCase = false;
    uint32_t m_currentFile = 0;
    std::vector<CStretchPlace> m_pending;
    uint64_t m_count = 0;   // records in the file
    uint64_t m_recordsAt = 0;
    uint64_t m_filtersAt = 0;
    uint64_t m_membersAt = 0;
    bool m_sealed = false;
};


// The index of one result, opened for the commands that lead from a result
// line to the log. Looks records up in the file, never loads them all.
class CFileReader;

class CGrepIndex {
public:
    enum class State { Ready, Missing, Stale, Damaged };

    CGrepIndex() = default;
    ~CGrepIndex();
    CGrepIndex(const CGrepIndex&) = delete;
    CGrepIndex& operator=(const CGrepIndex&) = delete;

    // Ready when the index exists, was finished and describes the result as
    // it is now (same size); Missing when there is none; Damaged when it is not
    // an index as a run writes one (zeroed, cut short); Stale otherwise.
    // Every version of the index file is read, the first one without a
    // version number too.
    State Open(const std::wstring& resultFile);
    // As Open, but a finished index of a result that has grown since (one being
    // followed, a step behind it) stays open, still Stale: its records hold
    // for the result up to where it was sealed, which is all the log's map needs.
    State OpenGrown(const std::wstring& resultFile);
    // Records counted, and up to `count` of them from `first` read in one go.
    uint64_t Count() const { return m_count; }
    bool Places(uint64_t first, size_t count, std::vector<CStretchPlace>& places) const;
    // The log of the last place found (Find, Locate); the first log before.
    const std::wstring& LogFile() const { return m_logFile; }
    // The member of the zip archive LogFile() that the last place found is
    // in; empty for a file of its own, and in an index older than members.
    const std::wstring& Member() const { return m_member; }
    // The checked filters of the run that made the result, and whether it
    // ignored case; none from an index written before they were kept. Known
    // once Open says Ready or Stale.
    const FilterList& Filters() const { return m_filters; }
    bool IgnoreCase() const { return m_ignoreCase; }
    size_t LogCount() const { return m_logFiles.size(); }

    // The record of the stretch holding the result byte at `resultOffset`.
    bool Find(int64_t resultOffset, CStretchPlace& place) const;
    // True when the result line at `resultOffset` is the header line that
    // names a log of a set.
    bool IsHeaderAt(int64_t resultOffset) const
    {
        CStretchPlace place;
        return Find(resultOffset, place) && place.header && place.resultOffset == resultOffset;
    }
    // The log offset of the result line that starts at `resultOffset`: the
    // lines from the stretch's start counted in the result, and as many
    // stepped over in the log. False when a file cannot be read. A header
    // line leads to its log's start, with `header` set. The log's lines are
    // read from `copy` when it is given (a compressed log, decompressed).
    bool Locate(int64_t resultOffset, int64_t& logOffset, bool* header = nullptr,
                const std::wstring& copy = {}) const;

private:
    bool Record(uint64_t index, CStretchPlace& place) const;
    bool ReadIndex(int64_t offset, void* target, size_t size) const;
    State OpenUnversioned(int64_t resultSize);
    State OpenVersioned(int64_t resultSize);
    State OpenAny(const std::wstring& resultFile, bool grown);
    bool ReadFilters(int64_t at, uint32_t count, int64_t end);
    bool ReadNames(int64_t at, int64_t end, std::vector<std::wstring>& names) const;
    bool HoldsRecords(uint64_t count) const;
    void Close();

    // Shared for writing: following seals the index again as the result grows.
    std::unique_ptr<CFileReader> m_file;
    std::wstring m_resultFile;
    std::vector<std::wstring> m_logFiles;
    std::vector<std::wstring> m_members;   // one per log, empty for a file
    FilterList m_filters;
    bool m_ignoreCase = false;
    mutable std::wstring m_logFile;
    mutable std::wstring m_member;
    uint64_t m_count = 0;
    uint64_t m_recordsAt = 0;
    uint32_t m_recordSize = 16;   // the unversioned index's records are shorter
    bool m_grown = false;   // finished, but for a shorter result
};
