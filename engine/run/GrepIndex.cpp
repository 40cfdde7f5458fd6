// The index file: a header (a mark, whether the run finished it, the record
// count, the result's size and the log's path), then fixed-size records in
// result order, so a record is found by halving without reading them all.
#include "engine/run/GrepIndex.h"

#include "engine/io/FileReader.h"
#include "engine/text/LineScan.h"

#include <algorithm>
#include <cstring>

namespace {

const char kMark[8] = {'T', 'I', 'L', 'V', 'O', 'I', 'X', '2'};
constexpr size_t kPendingRecords = 4096;
constexpr uint32_t kChunk = 64 * 1024;
constexpr uint32_t kLongestLogPath = 32768;

#pragma pack(push, 1)
struct Header {
    char mark[8];
    uint32_t finished;
    uint32_t logPathLength;   // characters, written after the header
    uint64_t count;
    uint64_t resultSize;
};
#pragma pack(pop)
static_assert(sizeof(Header) == 32);
static_assert(sizeof(CStretchPlace) == 16);

uint64_t RecordsAt(uint32_t logPathLength)
{
    return (sizeof(Header) + uint64_t(logPathLength) * 2 + 7) / 8 * 8;
}

bool WriteAll(HANDLE file, const void* bytes, size_t size)
{
    DWORD written = 0;
    return WriteFile(file, bytes, DWORD(size), &written, nullptr) && written == size;
}

} // namespace

CGrepIndexWriter::CGrepIndexWriter(const std::wstring& resultFile, const std::wstring& logFile)
    : m_path(GrepIndexFileName(resultFile)), m_logFile(logFile)
{
    m_file = CreateFileW(m_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    if (m_file == INVALID_HANDLE_VALUE || m_logFile.size() >= kLongestLogPath) {
        Drop();
        return;
    }
    Header header{};
    std::memcpy(header.mark, kMark, sizeof(kMark));
    header.logPathLength = uint32_t(m_logFile.size());
    m_recordsAt = RecordsAt(header.logPathLength);
    std::vector<char> head(m_recordsAt, 0);
    std::memcpy(head.data(), &header, sizeof(header));
    std::memcpy(head.data() + sizeof(header), m_logFile.data(), m_logFile.size() * 2);
    if (!WriteAll(m_file, head.data(), head.size()))
        Drop();
    m_pending.reserve(kPendingRecords);
}

CGrepIndexWriter::~CGrepIndexWriter()
{
    if (m_sealed && m_file != INVALID_HANDLE_VALUE) {
        CloseHandle(m_file);   // it describes the result: it stays
        m_file = INVALID_HANDLE_VALUE;
        return;
    }
    Drop();
}

void CGrepIndexWriter::Drop()
{
    if (m_file != INVALID_HANDLE_VALUE) {
        CloseHandle(m_file);
        m_file = INVALID_HANDLE_VALUE;
    }
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
    const bool written =
        WriteAll(m_file, m_pending.data(), m_pending.size() * sizeof(CStretchPlace));
    m_count += m_pending.size();
    m_pending.clear();
    return written;
}

void CGrepIndexWriter::Add(const CStretchPlace& place)
{
    if (m_file == INVALID_HANDLE_VALUE)
        return;
    m_pending.push_back(place);
    if (m_pending.size() >= kPendingRecords && !FlushRecords())
        Drop();
}

void CGrepIndexWriter::TakeBack(uint64_t count)
{
    if (m_file == INVALID_HANDLE_VALUE || count >= Count())
        return;
    if (count >= m_count) {
        m_pending.resize(size_t(count - m_count));
        return;
    }
    m_pending.clear();
    LARGE_INTEGER at;
    at.QuadPart = int64_t(m_recordsAt + count * sizeof(CStretchPlace));
    if (!SetFilePointerEx(m_file, at, nullptr, FILE_BEGIN) || !SetEndOfFile(m_file)) {
        Drop();
        return;
    }
    m_count = count;
}

void CGrepIndexWriter::Seal(int64_t resultSize)
{
    if (m_file == INVALID_HANDLE_VALUE)
        return;
    Header header{};
    std::memcpy(header.mark, kMark, sizeof(kMark));
    header.finished = 1;
    header.logPathLength = uint32_t(m_logFile.size());
    header.resultSize = uint64_t(resultSize);
    if (!FlushRecords()) {
        Drop();
        return;
    }
    header.count = m_count;
    // The header goes over the old one; records go on after the last.
    LARGE_INTEGER start{}, end;
    end.QuadPart = int64_t(m_recordsAt + m_count * sizeof(CStretchPlace));
    if (!SetFilePointerEx(m_file, start, nullptr, FILE_BEGIN) ||
        !WriteAll(m_file, &header, sizeof(header)) ||
        !SetFilePointerEx(m_file, end, nullptr, FILE_BEGIN)) {
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
}

CGrepIndex::State CGrepIndex::Open(const std::wstring& resultFile)
{
    Close();
    m_resultFile = resultFile;
    const std::wstring path = GrepIndexFileName(resultFile);
    try {
        m_file = std::make_unique<CFileReader>(path.c_str(), 0);
    } catch (...) {
        return State::Missing;
    }
    Header header{};
    if (!ReadIndex(0, &header, sizeof(header)) ||
        std::memcmp(header.mark, kMark, sizeof(kMark)) != 0 || header.finished != 1 ||
        header.logPathLength == 0 || header.logPathLength >= kLongestLogPath) {
        Close();
        return State::Stale;
    }
    // The result as it is now: a later run, or an edit, leaves another size.
    WIN32_FILE_ATTRIBUTE_DATA result{};
    if (!GetFileAttributesExW(resultFile.c_str(), GetFileExInfoStandard, &result) ||
        ((uint64_t(result.nFileSizeHigh) << 32) | result.nFileSizeLow) != header.resultSize) {
        Close();
        return State::Stale;
    }
    std::wstring log(header.logPathLength, L'\0');
    if (!ReadIndex(sizeof(header), log.data(), header.logPathLength * 2)) {
        Close();
        return State::Stale;
    }
    m_logFile = log;
    m_count = header.count;
    m_recordsAt = RecordsAt(header.logPathLength);
    return State::Ready;
}

bool CGrepIndex::ReadIndex(int64_t offset, void* target, size_t size) const
{
    size_t got = 0;
    return ReadAt(*m_file, offset, static_cast<uint8_t*>(target), size, got) && got == size;
}

bool CGrepIndex::Record(uint64_t index, CStretchPlace& place) const
{
    return ReadIndex(int64_t(m_recordsAt + index * sizeof(CStretchPlace)), &place, sizeof(place));
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
    return Record(low, place) && place.resultOffset <= resultOffset;
}

bool CGrepIndex::Locate(int64_t resultOffset, int64_t& logOffset) const
{
    CStretchPlace stretch;
    if (!Find(resultOffset, stretch))
        return false;
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
        CFileReader log(m_logFile.c_str(), kChunk);
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
