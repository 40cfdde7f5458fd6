// CLogMap: the index's stretches of one log, binned to the strip's rows.
#include "viewer/LogMap.h"

#include "engine/io/FileReader.h"
#include "engine/run/GrepIndex.h"
#include "settings/Settings.h"

#include <algorithm>

namespace {
// Records read from the index in one go.
constexpr size_t kBatch = 64 * 1024;
// The first line of a stretch is read for its colour: a reader with the usual buffer.
constexpr uint32_t kLineBuffer = 64 * 1024;
// The lines of a stretch looked at for its colour.
constexpr int kColorLines = 32;
} // namespace

bool CLogMap::Load(const std::wstring& resultFile, uint32_t log, LineColorFunction color)
{
    m_result = resultFile;
    m_color = color;
    m_stretches.clear();
    m_rows.clear();
    m_rowsLogSize = -1;
    m_stamp = IndexStamp();
    CGrepIndex index;
    const CGrepIndex::State state = index.OpenGrown(resultFile);
    if (state != CGrepIndex::State::Ready && state != CGrepIndex::State::Stale)
        return false;
    // Each record's bytes run to the next record's start; the last to where
    // the index was sealed, at most the result's size now.
    std::vector<CStretchPlace> places, batch;
    for (uint64_t first = 0; first < index.Count(); first += kBatch) {
        if (!index.Places(first, kBatch, batch))
            return false;
        places.insert(places.end(), batch.begin(), batch.end());
    }
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(resultFile.c_str(), GetFileExInfoStandard, &data))
        return false;
    const int64_t resultSize = int64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
    for (size_t i = 0; i < places.size(); ++i) {
        const CStretchPlace& place = places[i];
        if (place.header || place.file != log)
            continue;
        const int64_t end = i + 1 < places.size() ? places[i + 1].resultOffset : resultSize;
        m_stretches.push_back(
            {place.logOffset, std::max<int64_t>(end - place.resultOffset, 1), place.resultOffset});
    }
    return true;
}

uint64_t CLogMap::IndexStamp() const
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(GrepIndexFileName(m_result).c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32 |
            data.ftLastWriteTime.dwLowDateTime) ^
           (uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow);
}

bool CLogMap::Outdated() const
{
    return !m_result.empty() && IndexStamp() != m_stamp;
}

int CLogMap::RowOfOffset(int64_t offset, int height, int64_t logSize)
{
    if (height <= 0 || logSize <= 0)
        return 0;
    return int(std::clamp<int64_t>(offset, 0, logSize - 1) * height / logSize);
}

COLORREF CLogMap::ColorOf(const Stretch& stretch) const
{
    // A stretch starts with its lines of context, which seldom have a colour:
    // the first coloured line of the stretch gives it, among its first few.
    if (!m_color)
        return 0;
    try {
        CFileReader result(m_result.c_str(), kLineBuffer, AppLineDecoding());
        std::wstring text;
        if (!result.Seek(stretch.resultOffset))
            return 0;
        int64_t at = stretch.resultOffset;
        for (int line = 0; line < kColorLines && at < stretch.resultOffset + stretch.bytes &&
                           result.ReadLine(text);
             ++line) {
            if (const COLORREF color = m_color(text.c_str()))
                return color;
            if (!result.GetPosition(at))
                break;
        }
    } catch (...) {
    }
    return 0;
}

const std::vector<COLORREF>& CLogMap::Rows(int height, int64_t logSize)
{
    if (int(m_rows.size()) == std::max(height, 0) && m_rowsLogSize == logSize)
        return m_rows;
    m_rows.assign(size_t(std::max(height, 0)), kNoMapMark);
    m_rowsLogSize = logSize;
    for (const Stretch& stretch : m_stretches) {
        if (stretch.logOffset >= logSize)
            continue;   // a log cut short since the run
        const int first = RowOfOffset(stretch.logOffset, height, logSize);
        const int last = RowOfOffset(stretch.logOffset + stretch.bytes - 1, height, logSize);
        const COLORREF color = m_rows[size_t(first)] == kNoMapMark || m_rows[size_t(last)] ==
                                   kNoMapMark ? ColorOf(stretch) : 0;
        for (int y = first; y <= last; ++y)
            if (m_rows[size_t(y)] == kNoMapMark)
                m_rows[size_t(y)] = color;
    }
    return m_rows;
}

int64_t CLogMap::OffsetAtRow(int y, int height, int64_t logSize) const
{
    for (const Stretch& stretch : m_stretches) {
        if (stretch.logOffset >= logSize)
            continue;
        const int first = RowOfOffset(stretch.logOffset, height, logSize);
        const int last = RowOfOffset(stretch.logOffset + stretch.bytes - 1, height, logSize);
        if (first <= y && y <= last)
            return stretch.logOffset;
    }
    return height > 0 ? logSize * std::clamp(y, 0, height - 1) / height : 0;
}
