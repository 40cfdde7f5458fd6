// A compressed log written out whole for the viewer, a piece at a time, with
// the disk's free space asked before each piece.
#include "engine/run/LogUnpack.h"

#include "engine/io/FileReader.h"
#include "engine/io/ZipArchive.h"
#include "engine/run/CompressedLog.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr uint32_t kPiece = 1024 * 1024;
constexpr int64_t kMiB = 1024 * 1024;

int64_t FileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return (int64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Whether `bytes` more can be written to the disk of `folder` with its
// reserve kept. A disk that does not say its space is taken as full.
bool Fits(const std::wstring& folder, int64_t bytes)
{
    ULARGE_INTEGER available{}, total{};
    if (!GetDiskFreeSpaceExW(folder.c_str(), &available, &total, nullptr))
        return false;
    return int64_t(available.QuadPart) - bytes >= UnpackReserve(int64_t(total.QuadPart));
}

// Fills `buffer` from the stream as far as it goes; false when a read fails.
bool FillPiece(CCountedStream& stream, std::vector<uint8_t>& buffer, uint32_t& filled)
{
    filled = 0;
    while (filled < buffer.size()) {
        uint32_t got = 0;
        if (!stream.Read(buffer.data() + filled, uint32_t(buffer.size()) - filled, got))
            return false;
        if (got == 0)
            break;
        filled += got;
    }
    return true;
}

// The member of the archive named `name`, its stream set in `stream` and
// its compressed size in `size`. The archive stays open in `archive` while
// the stream is read.
bool OpenMember(const std::wstring& packed, const std::wstring& name,
                std::unique_ptr<CZipArchive>& archive, std::unique_ptr<CCountedStream>& stream,
                int64_t& size)
{
    std::wstring problem;
    archive = std::make_unique<CZipArchive>();
    if (!archive->Open(std::make_unique<CFileReader>(packed.c_str(), 0), problem))
        return false;
    const std::vector<CZipMember>& members = archive->Members();
    for (size_t i = 0; i < members.size(); ++i) {
        if (members[i].name != name)
            continue;
        std::unique_ptr<CZipMemberSource> source = archive->OpenMember(i, problem);
        if (!source)
            return false;
        size = members[i].packedSize;
        stream = std::make_unique<CCountedStream>(std::move(source));
        return true;
    }
    return false;
}

}  // namespace

int64_t UnpackReserve(int64_t total)
{
    return std::clamp<int64_t>(total / 20, kMiB, 256 * kMiB);
}

CUnpackOutcome UnpackLog(const std::wstring& packed, const std::wstring& member, HANDLE target,
                         const std::wstring& folder, const CUnpackWatch& watch)
{
    CUnpackOutcome outcome;
    std::unique_ptr<CZipArchive> archive;
    std::unique_ptr<CCountedStream> stream;
    int64_t size = 0;
    try {
        if (!member.empty()) {
            if (!OpenMember(packed, member, archive, stream, size))
                return outcome;
        } else {
            stream = std::make_unique<CCountedStream>(std::make_unique<CInflateSource>(
                std::make_unique<CFileReader>(packed.c_str(), 0), CInflateSource::Format::Gzip));
            size = FileSize(packed);
        }
    } catch (...) {
        return outcome;
    }
    std::vector<uint8_t> buffer(kPiece);
    int last = -1;
    for (;;) {
        if (watch.stopRequested && watch.stopRequested()) {
            outcome.end = UnpackEnd::Stopped;
            return outcome;
        }
        uint32_t filled = 0;
        if (!FillPiece(*stream, buffer, filled))
            return outcome;
        if (filled == 0)
            break;
        if (!Fits(folder, filled)) {
            outcome.end = UnpackEnd::DiskLow;
            return outcome;
        }
        DWORD wrote = 0;
        if (!WriteFile(target, buffer.data(), filled, &wrote, nullptr) || wrote != filled)
            return outcome;
        outcome.written += filled;
        const int percent =
            size <= 0 ? 100 : int(std::min<int64_t>(100, stream->PackedRead() * 100 / size));
        if (percent != last && watch.progress)
            watch.progress(last = percent);
    }
    if (!stream->Damage().empty())
        outcome.damage = DamageText(*stream);
    outcome.end = UnpackEnd::Completed;
    return outcome;
}
