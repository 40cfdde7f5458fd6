// CZipArchive: the end record is found from the back (it may be followed by
// a comment), the directory is read whole, and a member's bytes are a range
// of the archive, inflated when deflated and checked against its CRC.
#include "engine/io/ZipArchive.h"

#include "engine/io/InflateSource.h"

#include <windows.h>
#include <zlib.h>

#include <algorithm>

namespace {

constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kEnd64Signature = 0x06064b50;
constexpr uint32_t kLocator64Signature = 0x07064b50;
constexpr uint32_t kEntrySignature = 0x02014b50;
constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr size_t kEndSize = 22;
constexpr size_t kLocatorSize = 20;
constexpr size_t kEnd64Size = 56;
constexpr size_t kEntrySize = 46;
constexpr size_t kLocalSize = 30;
constexpr size_t kLongestComment = 0xffff;
constexpr uint32_t kFlagEncrypted = 1;
constexpr uint32_t kFlagUtf8Names = 1u << 11;

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) { return uint32_t(U16(p)) | (uint32_t(U16(p + 2)) << 16); }
uint64_t U64(const uint8_t* p) { return uint64_t(U32(p)) | (uint64_t(U32(p + 4)) << 32); }

bool ReadExactly(CSeekableSource& source, int64_t offset, std::string& bytes, size_t count)
{
    bytes.assign(count, '\0');
    size_t got = 0;
    return offset >= 0 &&
           ReadAt(source, offset, reinterpret_cast<uint8_t*>(bytes.data()), count, got) &&
           got == count;
}

// Names are UTF-8 when the entry says so, else in the DOS code page zip began with.
std::wstring MemberName(const uint8_t* bytes, size_t size, bool utf8)
{
    if (size == 0)
        return std::wstring();
    const UINT page = utf8 ? CP_UTF8 : 437;
    const char* text = reinterpret_cast<const char*>(bytes);
    std::wstring name(MultiByteToWideChar(page, 0, text, int(size), nullptr, 0), L'\0');
    MultiByteToWideChar(page, 0, text, int(size), name.data(), int(name.size()));
    return name;
}

// A stretch of the archive, read from wherever the archive stands, since
// reading the directory or another member may have moved it.
class CRangeSource : public CByteSource {
public:
    CRangeSource(std::shared_ptr<CSeekableSource> archive, int64_t start, int64_t end)
        : m_archive(std::move(archive)), m_position(start), m_end(end)
    {
    }
    bool Read(uint8_t* target, uint32_t size, uint32_t& got) override
    {
        got = 0;
        const int64_t left = m_end - m_position;
        if (left <= 0)
            return true;
        if (!m_archive->SeekTo(m_position) ||
            !m_archive->Read(target, uint32_t(std::min<int64_t>(left, size)), got))
            return false;
        m_position += got;
        return true;
    }

private:
    std::shared_ptr<CSeekableSource> m_archive;
    int64_t m_position;
    int64_t m_end;
};

class CCheckedMember : public CZipMemberSource {
public:
    CCheckedMember(const CZipMember& member, std::unique_ptr<CByteSource> bytes,
                   CInflateSource* inflater, int64_t start)
        : m_member(member), m_bytes(std::move(bytes)), m_inflater(inflater), m_start(start)
    {
    }
    bool Read(uint8_t* target, uint32_t size, uint32_t& got) override
    {
        got = 0;
        if (!m_damage.empty())
            return true;
        if (!m_bytes->Read(target, size, got))
            return false;
        m_crc = crc32(m_crc, target, got);
        m_count += got;
        if (got == 0)
            CheckEnd();
        return true;
    }
    bool EndedEarly() const override { return !m_damage.empty(); }
    const std::wstring& Damage() const override { return m_damage; }
    int64_t PackedRead() const override
    {
        return m_inflater ? std::min(m_inflater->PackedRead(), m_member.packedSize)
                          : std::min(m_count, m_member.packedSize);
    }

private:
    void CheckEnd()
    {
        if (m_inflater && !m_inflater->Damage().empty())
            m_damage = m_inflater->Damage();
        else if (m_count < m_member.size)
            m_damage = L"the data ends before its end";
        else if (m_count != m_member.size)
            m_damage = L"its size does not match the archive's list";
        else if (m_crc != m_member.crc)
            m_damage = L"its data does not match its check sum";
    }

    CZipMember m_member;
    std::unique_ptr<CByteSource> m_bytes;
    CInflateSource* m_inflater;
    int64_t m_start;
    uint32_t m_crc = 0;
    int64_t m_count = 0;
    std::wstring m_damage;
};

}  // namespace

bool CZipArchive::Open(std::unique_ptr<CSeekableSource> archive, std::wstring& problem)
{
    m_archive = std::move(archive);
    m_members.clear();
    problem = L"it is not a zip archive, or its list of members is damaged";
    const int64_t size = m_archive->Size();
    const size_t tailSize = size_t(std::min<int64_t>(size, kEndSize + kLongestComment));
    std::string tail;
    if (tailSize < kEndSize || !ReadExactly(*m_archive, size - int64_t(tailSize), tail, tailSize))
        return false;
    const uint8_t* t = reinterpret_cast<const uint8_t*>(tail.data());
    size_t end = tailSize - kEndSize + 1;
    do {
        --end;
        if (U32(t + end) == kEndSignature && end + kEndSize + U16(t + end + 20) <= tailSize)
            break;
    } while (end > 0);
    if (U32(t + end) != kEndSignature)
        return false;
    const int64_t endOffset = size - int64_t(tailSize) + int64_t(end);
    uint64_t count = U16(t + end + 10);
    uint64_t directorySize = U32(t + end + 12);
    uint64_t directoryOffset = U32(t + end + 16);
    // Zip64: a locator right before the end record points at the larger one.
    std::string locator;
    if (endOffset >= int64_t(kLocatorSize) &&
        ReadExactly(*m_archive, endOffset - int64_t(kLocatorSize), locator, kLocatorSize) &&
        U32(reinterpret_cast<const uint8_t*>(locator.data())) == kLocator64Signature) {
        std::string end64;
        const uint64_t at = U64(reinterpret_cast<const uint8_t*>(locator.data()) + 8);
        if (at > uint64_t(size) || !ReadExactly(*m_archive, int64_t(at), end64, kEnd64Size))
            return false;
        const uint8_t* e = reinterpret_cast<const uint8_t*>(end64.data());
        if (U32(e) != kEnd64Signature)
            return false;
        count = U64(e + 32);
        directorySize = U64(e + 40);
        directoryOffset = U64(e + 48);
    }
    if (directoryOffset > uint64_t(size) || directorySize > uint64_t(size) - directoryOffset ||
        count > directorySize / kEntrySize)
        return false;
    return ReadDirectory(int64_t(directoryOffset), int64_t(directorySize), count, problem);
}

bool CZipArchive::ReadDirectory(int64_t offset, int64_t size, uint64_t count,
                                std::wstring& problem)
{
    std::string directory;
    if (!ReadExactly(*m_archive, offset, directory, size_t(size)))
        return false;
    const uint8_t* d = reinterpret_cast<const uint8_t*>(directory.data());
    size_t at = 0;
    for (uint64_t i = 0; i < count; ++i) {
        if (at + kEntrySize > directory.size() || U32(d + at) != kEntrySignature)
            return false;
        const uint8_t* e = d + at;
        const size_t nameSize = U16(e + 28);
        const size_t extraSize = U16(e + 30);
        const size_t next = at + kEntrySize + nameSize + extraSize + U16(e + 32);
        if (next > directory.size())
            return false;
        CZipMember member;
        const uint16_t flags = U16(e + 8);
        member.encrypted = (flags & kFlagEncrypted) != 0;
        member.method = U16(e + 10);
        member.crc = U32(e + 16);
        uint64_t packed = U32(e + 20);
        uint64_t unpacked = U32(e + 24);
        uint64_t header = U32(e + 42);
        member.name = MemberName(e + kEntrySize, nameSize, (flags & kFlagUtf8Names) != 0);
        // Zip64's extra field holds, in this order, each size that did not fit.
        for (const uint8_t* x = e + kEntrySize + nameSize; x + 4 <= e + kEntrySize + nameSize + extraSize;) {
            const uint16_t id = U16(x);
            const uint16_t length = U16(x + 2);
            const uint8_t* value = x + 4;
            const uint8_t* valuesEnd = value + length;
            if (valuesEnd > e + kEntrySize + nameSize + extraSize)
                return false;
            if (id == 1) {
                for (uint64_t* field : {&unpacked, &packed, &header}) {
                    if (*field != 0xffffffffu)
                        continue;
                    if (value + 8 > valuesEnd)
                        return false;
                    *field = U64(value);
                    value += 8;
                }
            }
            x = valuesEnd;
        }
        if (packed > uint64_t(INT64_MAX) || unpacked > uint64_t(INT64_MAX) ||
            header > uint64_t(m_archive->Size()))
            return false;
        member.packedSize = int64_t(packed);
        member.size = int64_t(unpacked);
        member.headerOffset = int64_t(header);
        m_members.push_back(std::move(member));
        at = next;
    }
    problem.clear();
    return true;
}

std::wstring CZipArchive::Unreadable(size_t index) const
{
    const CZipMember& member = m_members.at(index);
    if (member.encrypted)
        return L"it is encrypted";
    if (member.method != 0 && member.method != 8)
        return L"it is compressed in a way this program cannot read (method " +
               std::to_wstring(member.method) + L")";
    return std::wstring();
}

std::unique_ptr<CZipMemberSource> CZipArchive::OpenMember(size_t index, std::wstring& problem)
{
    const CZipMember& member = m_members.at(index);
    problem = Unreadable(index);
    if (!problem.empty())
        return nullptr;
    std::string local;
    if (!ReadExactly(*m_archive, member.headerOffset, local, kLocalSize) ||
        U32(reinterpret_cast<const uint8_t*>(local.data())) != kLocalSignature) {
        problem = L"its header in the archive is damaged";
        return nullptr;
    }
    const uint8_t* l = reinterpret_cast<const uint8_t*>(local.data());
    const int64_t start = member.headerOffset + int64_t(kLocalSize) + U16(l + 26) + U16(l + 28);
    auto range = std::make_unique<CRangeSource>(m_archive, start, start + member.packedSize);
    if (member.method == 0)
        return std::make_unique<CCheckedMember>(member, std::move(range), nullptr, start);
    auto inflater =
        std::make_unique<CInflateSource>(std::move(range), CInflateSource::Format::Deflate);
    CInflateSource* raw = inflater.get();
    return std::make_unique<CCheckedMember>(member, std::move(inflater), raw, start);
}
