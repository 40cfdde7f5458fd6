// CZipArchive: the members of a zip archive, listed from its central
// directory (zip64 included), each readable as a byte source.
#pragma once

#include "engine/io/InflateSource.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct CZipMember {
    std::wstring name;             // as the archive spells it, with forward slashes
    uint16_t method = 0;           // 0 stored, 8 deflated
    bool encrypted = false;
    uint32_t crc = 0;
    int64_t packedSize = 0;
    int64_t size = 0;
    int64_t headerOffset = 0;      // of its local header in the archive
    bool IsFolder() const { return !name.empty() && name.back() == L'/'; }
};

// A member being read: its bytes, checked against the size and CRC the
// directory gives when its end comes; what it has read is counted in bytes
// of the archive.
using CZipMemberSource = CPackedSource;

class CZipArchive {
public:
    // Reads the directory of the archive that `archive` holds, which it keeps.
    // False with `problem` set when there is no readable directory.
    bool Open(std::unique_ptr<CSeekableSource> archive, std::wstring& problem);
    const std::vector<CZipMember>& Members() const { return m_members; }
    // The bytes of member `index`, or null with `problem` set when it cannot be
    // read (encrypted, a method other than stored and deflated, a damaged
    // header). One member is read at a time: opening another ends the last.
    std::unique_ptr<CZipMemberSource> OpenMember(size_t index, std::wstring& problem);
    // Why member `index` cannot be read at all (encrypted, another method), or empty.
    std::wstring Unreadable(size_t index) const;
    int64_t Size() const { return m_archive ? m_archive->Size() : 0; }

private:
    bool ReadDirectory(int64_t offset, int64_t size, uint64_t count, std::wstring& problem);

    std::shared_ptr<CSeekableSource> m_archive;
    std::vector<CZipMember> m_members;
};
