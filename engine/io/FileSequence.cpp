// CFileSequence: each read stays inside one file, so a read never spans two
// handles and a file that shrank is read only up to the size it had.
#include "engine/io/FileSequence.h"

#include "engine/io/FileReader.h"

#include <algorithm>

CFileSequence::CFileSequence(std::vector<std::wstring> paths) : m_paths(std::move(paths))
{
    m_starts.push_back(0);
    for (const std::wstring& path : m_paths) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        int64_t size = 0;
        if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
            size = (int64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        m_starts.push_back(m_starts.back() + size);
    }
}

CFileSequence::~CFileSequence() = default;

size_t CFileSequence::FileAt(int64_t offset) const
{
    // The last file whose start is at or before the offset and that holds bytes.
    const auto after = std::upper_bound(m_starts.begin(), m_starts.end() - 1, offset);
    size_t file = after == m_starts.begin() ? 0 : size_t(after - m_starts.begin()) - 1;
    return std::min(file, m_paths.empty() ? 0 : m_paths.size() - 1);
}

bool CFileSequence::Open(size_t file)
{
    if (m_open == file)
        return true;
    m_file.reset();
    m_open = SIZE_MAX;
    try {
        m_file = std::make_unique<CFileReader>(m_paths[file].c_str(), 0);
    } catch (...) {
        return false;
    }
    m_open = file;
    return true;
}

bool CFileSequence::SeekTo(int64_t offset)
{
    if (offset < 0 || offset > Size())
        return false;
    m_position = offset;
    return true;
}

bool CFileSequence::Read(uint8_t* target, uint32_t size, uint32_t& got)
{
    got = 0;
    while (m_position < Size()) {
        const size_t file = FileAt(m_position);
        const int64_t end = m_starts[file + 1];
        if (m_position >= end)
            return true;
        if (!Open(file))
            return false;
        const int64_t inFile = m_position - m_starts[file];
        const uint32_t want = uint32_t(std::min<int64_t>(size, end - m_position));
        size_t part = 0;
        if (!ReadAt(*m_file, inFile, target, want, part))
            return false;
        if (part == 0) {
            // The file shrank since its size was taken: what it lost is not read.
            m_position = end;
            continue;
        }
        m_position += int64_t(part);
        got = uint32_t(part);
        return true;
    }
    return true;
}
