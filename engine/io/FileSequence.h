// CFileSequence: several files read as one byte source, laid end to end in
// the order given; an offset of the sequence is the sum of the sizes before
// its file plus the offset in it.
#pragma once

#include "engine/io/ByteSource.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CFileReader;

class CFileSequence : public CSeekableSource {
public:
    // Sizes are taken now; each file is opened when it is first read and
    // closed when the reading moves on, so a long set holds one handle.
    explicit CFileSequence(std::vector<std::wstring> paths);
    ~CFileSequence() override;

    bool Read(uint8_t* target, uint32_t size, uint32_t& got) override;
    bool SeekTo(int64_t offset) override;
    int64_t Size() const override { return m_starts.empty() ? 0 : m_starts.back(); }
    // The file that holds sequence offset `offset` (the last file at the end).
    size_t FileAt(int64_t offset) const;
    int64_t StartOf(size_t file) const { return m_starts[file]; }
    size_t Count() const { return m_paths.size(); }

private:
    bool Open(size_t file);

    std::vector<std::wstring> m_paths;
    std::vector<int64_t> m_starts;   // one more than files: the last is the size
    std::unique_ptr<CFileReader> m_file;
    size_t m_open = SIZE_MAX;
    int64_t m_position = 0;
};
