// The index file: a header (a mark, a version, whether the run finished it, the
// record count, the result's size), the paths of the logs, the run's filters, then fixed-size
// records in result order, so a record is found by halving without reading them all.
#include "engine/run/GrepIndex.h"

#include "engine/io/FileReader.h"
#include "engine/text/LineScan.h"

#include <algorithm>
#include <cstring>

namespace {

// The index before it had a version: one log, 16-byte records. Still read.
const char kUnversionedMark[8] = {'T', 'I', 'L', 'V', 'O', 'I', 'X', '2'};
// Every later index: the mark, a version and the header's own size. A field
// added later goes at the header's end with a new version; a reader takes
// the fields it knows and finds the rest by the offsets the header gives.
const char kMark[8] = {'T', 'I', 'L', 'V', 'O', 'I', 'D', 'X'};
constexpr uint32_t kVersion = 3;
constexpr size_t kPendingRecords = 4096;
constexpr uint32_t kChunk = 64 * 1024;
constexpr uint32_t kLongestLogPath = 32768;
constexpr uint32_t kMostLogs = 1u << 20;
constexpr uint32_t kMostFilters = 1u << 16;

#pragma pack(push, 1)
struct UnversionedHeader {
    char mark[8];
    uint32_t finished;
    uint32_t logPathLength;   // characters, written after the header
    uint64_t count;
    uint64_t resultSize;
};
// Version 1: the logs' paths (each a 32-bit length in characters and the
// characters) from `logsAt`, then the records from `recordsAt`.
struct Header {
    char mark[8];
    uint32_t version;
    uint32_t headerSize;
    uint32_t finished;
    uint32_t logCount;
    uint64_t count;
    uint64_t resultSize;
    uint64_t logsAt;
    uint64_t recordsAt;
    uint32_t recordSize;
    uint32_t reserved;
};
// Version 2 adds the run's checked filters from `filtersAt`, before the
// records: each a 32-bit mode (0 Or, 1 And), a 32-bit kind (0 mask, 1 regular expression), a 32-bit
// length in characters and the characters.
struct FilterHeader {
    uint64_t filtersAt;
    uint32_t filterCount;
    uint32_t ignoreCase;
};
struct HeaderV2 {
    Header first;
    FilterHeader filters;
};
// Version 3 adds, from `membersAt`, one name per log (a 32-bit length in
// characters and the characters): the member of a zip archive the log is,
// empty for a file of its own. An archive's members are logs of their own,
// each with the archive's path.
struct MemberHeader {
    uint64_t membersAt;
    uint32_t memberCount;
    uint32_t reserved;
};
struct HeaderV3 {
    HeaderV2 second;
    MemberHeader members;
};
struct IndexRecord {
    int64_t resultOffset;
    int64_t logOffset;
    uint32_t file;
    uint32_t kind;   // 0 a stretch of log lines, 1 the header line of a log
};
#pragma pack(pop)
static_assert(sizeof(UnversionedHeader) == 32);
static_assert(sizeof(Header) == 64);
static_assert(sizeof(HeaderV2) == 80);
static_assert(sizeof(HeaderV3) == 96);
static_assert(sizeof(IndexRecord) == 24);

uint64_t UnversionedRecordsAt(uint32_t logPathLength)
{
    return (sizeof(UnversionedHeader) + uint64_t(logPathLength) * 2 + 7) / 8 * 8;
}

bool WriteAll(HANDLE file, const void* bytes, size_t size)
{
    DWORD written = 0;
    return WriteFile(file, bytes, DWORD(size), &written, nullptr) && written == size;
}

IndexRecord ToRecord(const CStretchPlace& place)
{
    return IndexRecord{place.resultOffset, place.logOffset, place.file, place.header ? 1u : 0u};
}

} // namespace

CGrepIndexWriter::CGrepIndexWriter(const std::wstring& resultFile, const std::wstring& logFile,
                                   const FilterList& filters, bool ignoreCase)
    : m_logFiles{logFile}, m_filters(filters), m_ignoreCase(ignoreCase)
{
    Create(resultFile);
}

CGrepIndexWriter::CGrepIndexWriter(const std::wstring& resultFile,
                                   const std::vector<std::wstring>& logFiles,
                                   const FilterList& filters, bool ignoreCase,
                                   const std::vector<std::wstring>& members)
    : m_logFiles(logFiles), m_members(members), m_filters(filters), m_ignoreCase(ignoreCase)
{
    Create(resultFile);
}

void CGrepIndexWriter::Create(const std::wstring& resultFile)
{
    m_path = GrepIndexFileName(resultFile);
    m_file.Reset(CreateFileW(m_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    m_members.resize(m_logFiles.size());
    bool fits = m_logFiles.size() < kMostLogs && m_filters.size() < kMostFilters;
    for (size_t i = 0; i < m_logFiles.size(); ++i)
        fits = fits && m_logFiles[i].size() < kLongestLogPath &&
               m_members[i].size() < kLongestLogPath;
    for (const CFilter& filter : m_filters)
        fits = fits && filter.text.size() < kLongestLogPath;
    if (!m_file.IsOpen() || !fits) {
        Drop();
        return;
    }
    std::vector<char> head(sizeof(HeaderV3), 0);
    auto put = [&head](const void* data, size_t size) {
        const char* bytes = static_cast<const char*>(data);
        head.insert(head.end(), bytes, bytes + size);
    };
    for (const std::wstring& log : m_logFiles) {
        const uint32_t length = uint32_t(log.size());
        put(&length, sizeof(length));
        put(log.data(), log.size() * 2);
    }
    // Only the filters that took part in the run.
    std::erase_if(m_filters, [](const CFilter& filter) { return !filter.checked; });
    m_filtersAt = head.size();
    for (const CFilter& filter : m_filters) {
        const uint32_t fields[3] = {filter.IsAnd() ? 1u : 0u, filter.IsRegex() ? 1u : 0u,
                                    uint32_t(filter.text.size())};
        put(fields, sizeof(fields));
        put(filter.text.data(), filter.text.size() * 2);
    }
    m_membersAt = head.size();
    for (const std::wstring& member : m_members) {
        const uint32_t length = uint32_t(member.size());
        put(&length, sizeof(length));
        put(member.data(), member.size() * 2);
    }
    head.resize((head.size() + 7) / 8 * 8, 0);
    m_recordsAt = head.size();
    if (!SetFilePointerEx(m_file.Get(), LARGE_INTEGER{}, nullptr, FILE_BEGIN) ||
        !WriteAll(m_file.Get(), head.data(), head.size()) || !WriteHeader(false, 0))
        Drop();
    m_pending.reserve(kPendingRecords);
}

bool CGrepIndexWriter::WriteHeader(bool finished, int64_t resultSize)
{
    HeaderV3 whole{};
    HeaderV2& full = whole.second;
    Header& header = full.first;
    std::memcpy(header.mark, kMark, sizeof(kMark));
    header.version = kVersion;
    header.headerSize = sizeof(HeaderV3);
    header.finished = finished ? 1 : 0;
    header.logCount = uint32_t(m_logFiles.size());
    header.count = m_count;
    header.resultSize = uint64_t(resultSize);
    header.logsAt = sizeof(HeaderV3);
    header.recordsAt = m_recordsAt;
    header.recordSize = sizeof(IndexRecord);
    full.filters.filtersAt = m_filtersAt;
    full.filters.filterCount = uint32_t(m_filters.size());
    full.filters.ignoreCase = m_ignoreCase ? 1 : 0;
    whole.members.membersAt = m_membersAt;
    whole.members.memberCount = uint32_t(m_members.size());
    // The header goes over the old one; records go on after the last.
    LARGE_INTEGER start{}, end;
    end.QuadPart = int64_t(m_recordsAt + m_count * sizeof(IndexRecord));
    return SetFilePointerEx(m_file.Get(), start, nullptr, FILE_BEGIN) &&
           WriteAll(m_file.Get(), &whole, sizeof(whole)) &&
           SetFilePointerEx(m_file.Get(), end, nullptr, FILE_BEGIN);
}

CGrepIndexWriter::~CGrepIndexWriter()
{
    if (m_sealed && m_file.IsOpen()) {
        m_file.Close();   // it describes the result: it stays
        return;
    }
    Drop();
}

void CGrepIndexWriter::Drop()
{
    m_file.Close();
    // Never sealed, or failed: an older index must not outlive its result.
    if (!m_path.empty())
        DeleteFileW(m_path.c_str());
    m_path.clear();
    m_pending.clear();
    m_sealed = false;
}

bool CGrepIndexWriter::FlushRecords()
{
    if (m_pending.empty())
        return true;
    std::vector<IndexRecord> records;
    records.reserve(m_pending.size());
    for (const CStretchPlace& place : m_pending)
        records.push_back(ToRecord(place));
    const bool written = WriteAll(m_file.Get(), records.data(), records.size() * sizeof(IndexRecord));
    m_count += m_pending.size();
    m_pending.clear();
    return written;
}

void CGrepIndexWriter::AddHeader(int64_t resultOffset)
{
    CStretchPlace place;
    place.resultOffset = resultOffset;
    place.header = true;
    Add(place);
}

void CGrepIndexWriter::Add(const CStretchPlace& place)
{
    if (!m_file.IsOpen())
        return;
    m_pending.push_back(place);
    m_pending.back().file = m_currentFile;
    if (m_pending.size() >= kPendingRecords && !FlushRecords())
        Drop();
}

void CGrepIndexWriter::TakeBack(uint64_t count)
{
    if (!m_file.IsOpen() || count >= Count())
        return;
    if (count >= m_count) {
        m_pending.resize(size_t(count - m_count));
        return;
    }
    m_pending.clear();
    LARGE_INTEGER at;
    at.QuadPart = int64_t(m_recordsAt + count * sizeof(IndexRecord));
    if (!SetFilePointerEx(m_file.Get(), at, nullptr, FILE_BEGIN) || !SetEndOfFile(m_file.Get())) {
        Drop();
        return;
    }
    m_count = count;
}

void CGrepIndexWriter::Seal(int64_t resultSize)
{
    if (!m_file.IsOpen())
        return;
    if (!FlushRecords() || !WriteHeader(true, resultSize)) {
        Drop();
        return;
    }
    m_sealed = true;
}

CGrepIndex::~CGrepIndex()
{
    Close();
}

void CGrepIndex::Close()
{
    m_file.reset();
    m_count = 0;
    m_logFile.clear();
    m_logFiles.clear();
    m_members.clear();
    m_member.clear();
    m_filters.clear();
    m_ignoreCase = false;
    m_grown = false;
}

CGrepIndex::State CGrepIndex::Open(const std::wstring& resultFile)
{
    return OpenAny(resultFile, false);
}

CGrepIndex::State CGrepIndex::OpenGrown(const std::wstring& resultFile)
{
    return OpenAny(resultFile, true);
}

CGrepIndex::State CGrepIndex::OpenAny(const std::wstring& resultFile, bool grown)
{
    Close();
    m_resultFile = resultFile;
    const std::wstring path = GrepIndexFileName(resultFile);
    try {
        m_file = std::make_unique<CFileReader>(path.c_str(), 0);
    } catch (...) {
        return State::Missing;
    }
    // The result as it is now: a later run, or an edit, leaves another size.
    WIN32_FILE_ATTRIBUTE_DATA result{};
    const int64_t resultSize =
        GetFileAttributesExW(resultFile.c_str(), GetFileExInfoStandard, &result)
            ? (int64_t(result.nFileSizeHigh) << 32) | result.nFileSizeLow
            : -1;
    // Not an index as a run writes one (zeroed, cut short, overwritten): the
    // commands say the index is damaged, not that the result or the log changed.
    char mark[8] = {};
    State state = State::Damaged;
    if (ReadIndex(0, mark, sizeof(mark))) {
        if (std::memcmp(mark, kMark, sizeof(kMark)) == 0)
            state = OpenVersioned(resultSize);
        else if (std::memcmp(mark, kUnversionedMark, sizeof(kUnversionedMark)) == 0)
            state = OpenUnversioned(resultSize);
    }
    if (state == State::Ready || (grown && state == State::Stale && m_grown))
        m_logFile = m_logFiles.front();
    else
        Close();
    return state;
}

CGrepIndex::State CGrepIndex::OpenUnversioned(int64_t resultSize)
{
    UnversionedHeader header{};
    if (!ReadIndex(0, &header, sizeof(header)) || header.logPathLength == 0 ||
        header.logPathLength >= kLongestLogPath)
        return State::Damaged;
    std::wstring log(header.logPathLength, L'\0');
    if (!ReadIndex(sizeof(header), log.data(), header.logPathLength * 2))
        return State::Damaged;
    m_recordsAt = UnversionedRecordsAt(header.logPathLength);
    m_recordSize = 16;
    if (header.finished == 1 && !HoldsRecords(header.count))
        return State::Damaged;
    if (header.finished != 1 || header.resultSize != uint64_t(resultSize))
        return State::Stale;
    m_logFiles = {log};
    m_count = header.count;
    return State::Ready;
}

CGrepIndex::State CGrepIndex::OpenVersioned(int64_t resultSize)
{
    Header header{};
    if (!ReadIndex(0, &header, sizeof(header)) || header.version < 1)
        return State::Damaged;
    // Only the versions this reader knows; a later one is not damaged, only
    // not for this reader.
    if (header.version > kVersion)
        return State::Stale;
    // Each version's header is at least as long as the first one's.
    if (header.headerSize < sizeof(Header) || header.logCount == 0 ||
        header.logCount >= kMostLogs || header.recordSize < sizeof(IndexRecord) ||
        header.logsAt < header.headerSize || header.recordsAt < header.logsAt)
        return State::Damaged;
    std::vector<std::wstring> logs;
    int64_t at = int64_t(header.logsAt);
    for (uint32_t i = 0; i < header.logCount; ++i) {
        uint32_t length = 0;
        if (!ReadIndex(at, &length, sizeof(length)) || length == 0 || length >= kLongestLogPath)
            return State::Damaged;
        std::wstring log(length, L'\0');
        if (!ReadIndex(at + 4, log.data(), size_t(length) * 2))
            return State::Damaged;
        logs.push_back(std::move(log));
        at += 4 + int64_t(length) * 2;
    }
    if (uint64_t(at) > header.recordsAt)
        return State::Damaged;
    m_filters.clear();
    m_ignoreCase = false;
    if (header.version >= 2) {
        FilterHeader filters{};
        if (header.headerSize < sizeof(HeaderV2) ||
            !ReadIndex(sizeof(Header), &filters, sizeof(filters)) ||
            filters.filterCount >= kMostFilters || filters.filtersAt < uint64_t(at) ||
            !ReadFilters(int64_t(filters.filtersAt), filters.filterCount, int64_t(header.recordsAt)))
            return State::Damaged;
        m_ignoreCase = filters.ignoreCase == 1;
    }
    std::vector<std::wstring> members(logs.size());
    if (header.version >= 3) {
        MemberHeader table{};
        if (header.headerSize < sizeof(HeaderV3) ||
            !ReadIndex(sizeof(HeaderV2), &table, sizeof(table)) ||
            table.memberCount != logs.size() ||
            !ReadNames(int64_t(table.membersAt), int64_t(header.recordsAt), members))
            return State::Damaged;
    }
    m_recordsAt = header.recordsAt;
    m_recordSize = header.recordSize;
    if (header.finished == 1 && !HoldsRecords(header.count))
        return State::Damaged;
    m_grown = false;
    if (header.finished != 1 || header.resultSize != uint64_t(resultSize)) {
        if (header.finished == 1 && header.resultSize < uint64_t(resultSize)) {
            m_grown = true;
            m_logFiles = std::move(logs);
            m_count = header.count;
        }
        return State::Stale;
    }
    m_logFiles = std::move(logs);
    m_members = std::move(members);
    m_count = header.count;
    return State::Ready;
}

bool CGrepIndex::ReadFilters(int64_t at, uint32_t count, int64_t end)
{
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t fields[3] = {};
        if (at + int64_t(sizeof(fields)) > end || !ReadIndex(at, fields, sizeof(fields)) ||
            fields[0] > 1 || fields[1] > 1 || fields[2] >= kLongestLogPath)
            return false;
        at += sizeof(fields);
        std::wstring text(fields[2], L'\0');
        if (at + int64_t(fields[2]) * 2 > end || !ReadIndex(at, text.data(), size_t(fields[2]) * 2))
            return false;
        at += int64_t(fields[2]) * 2;
        CFilter& filter = m_filters.emplace_back(std::move(text), fields[0] == 1 ? FilterAnd : FilterOr);
        filter.kind = fields[1] == 1 ? FilterKind::Regex : FilterKind::Mask;
    }
    return true;
}

bool CGrepIndex::ReadNames(int64_t at, int64_t end, std::vector<std::wstring>& names) const
{
    for (std::wstring& name : names) {
        uint32_t length = 0;
        if (at + 4 > end || !ReadIndex(at, &length, 4) || length >= kLongestLogPath ||
            at + 4 + int64_t(length) * 2 > end)
            return false;
        name.assign(length, L'\0');
        if (!ReadIndex(at + 4, name.data(), size_t(length) * 2))
            return false;
        at += 4 + int64_t(length) * 2;
    }
    return true;
}

// A finished index holds every record its header counts.
bool CGrepIndex::HoldsRecords(uint64_t count) const
{
    const uint64_t size = uint64_t(m_file->Size());
    return size >= m_recordsAt && count <= (size - m_recordsAt) / m_recordSize;
}

bool CGrepIndex::ReadIndex(int64_t offset, void* target, size_t size) const
{
    size_t got = 0;
    return ReadAt(*m_file, offset, static_cast<uint8_t*>(target), size, got) && got == size;
}

bool CGrepIndex::Record(uint64_t index, CStretchPlace& place) const
{
    IndexRecord record{};
    const size_t size = m_recordSize == 16 ? 16 : sizeof(IndexRecord);
    if (!ReadIndex(int64_t(m_recordsAt + index * m_recordSize), &record, size))
        return false;
    place.resultOffset = record.resultOffset;
    place.logOffset = record.logOffset;
    place.file = record.file;
    place.header = record.kind == 1;
    return place.file < m_logFiles.size();
}

bool CGrepIndex::Places(uint64_t first, size_t count, std::vector<CStretchPlace>& places) const
{
    places.clear();
    if (!m_file || first >= m_count)
        return true;
    count = size_t(std::min<uint64_t>(count, m_count - first));
    std::vector<uint8_t> bytes(count * m_recordSize);
    if (!ReadIndex(int64_t(m_recordsAt + first * m_recordSize), bytes.data(), bytes.size()))
        return false;
    places.resize(count);
    for (size_t i = 0; i < count; ++i) {
        IndexRecord record{};
        std::memcpy(&record, bytes.data() + i * m_recordSize,
                    m_recordSize == 16 ? 16 : sizeof(IndexRecord));
        places[i] = CStretchPlace{record.resultOffset, record.logOffset, record.file,
                                  record.kind == 1};
    }
    return true;
}

bool CGrepIndex::Find(int64_t resultOffset, CStretchPlace& place) const
{
    if (!m_file || m_count == 0)
        return false;
    // The last record at or before the offset.
    uint64_t low = 0;
    uint64_t high = m_count;
    while (high - low > 1) {
        const uint64_t middle = low + (high - low) / 2;
        CStretchPlace probe;
        if (!Record(middle, probe))
            return false;
        if (probe.resultOffset <= resultOffset)
            low = middle;
        else
            high = middle;
    }
    if (!Record(low, place) || place.resultOffset > resultOffset)
        return false;
    m_logFile = m_logFiles[place.file];
    m_member = place.file < m_members.size() ? m_members[place.file] : std::wstring();
    return true;
}

bool CGrepIndex::Locate(int64_t resultOffset, int64_t& logOffset, bool* header,
                        const std::wstring& copy) const
{
    CStretchPlace stretch;
    if (!Find(resultOffset, stretch))
        return false;
    if (header)
        *header = stretch.header;
    if (stretch.header) {
        logOffset = 0;   // the line names its log: it leads to the log's start
        return stretch.resultOffset == resultOffset;
    }
    std::vector<uint8_t> chunk(kChunk);
    // Lines of the stretch above this one, counted in the result; the range
    // ends where a line starts, so no CR LF pair is cut.
    std::unique_ptr<CFileReader> result;
    try {
        result = std::make_unique<CFileReader>(m_resultFile.c_str(), 0);
    } catch (...) {
        return false;
    }
    CLineEndCounter counter;
    for (int64_t at = stretch.resultOffset; at < resultOffset;) {
        size_t got = 0;
        const size_t want = size_t(std::min<int64_t>(kChunk, resultOffset - at));
        if (!ReadAt(*result, at, chunk.data(), want, got) || got == 0)
            return false;
        counter.Add(chunk.data(), got);
        at += int64_t(got);
    }
    const int64_t lines = int64_t(counter.Count());
    // As many lines stepped over in the log, by the log reader's own rules
    // (a UTF-16 log's line ends are two bytes, a mark starts its first line).
    try {
        CFileReader log((copy.empty() ? m_logFile : copy).c_str(), kChunk);
        std::wstring text;
        if (!log.Seek(stretch.logOffset))
            return false;
        for (int64_t k = 0; k < lines; ++k) {
            if (!log.ReadLine(text))
                return false;
        }
        if (!log.GetPosition(logOffset))
            return false;
    } catch (...) {
        return false;
    }
    return true;
}
