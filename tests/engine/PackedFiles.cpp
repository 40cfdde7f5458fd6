// Test inputs for compressed logs, made with zlib in the test itself.
#include "tests/engine/PackedFiles.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>

namespace {
void Put16(std::string& s, uint32_t v) { s += char(v & 0xff); s += char((v >> 8) & 0xff); }
void Put32(std::string& s, uint32_t v) { Put16(s, v & 0xffff); Put16(s, v >> 16); }
void Put64(std::string& s, uint64_t v) { Put32(s, uint32_t(v)); Put32(s, uint32_t(v >> 32)); }
}  // namespace

std::string RandomLog(uint32_t seed, size_t size)
{
    std::mt19937 random(seed);
    const char* ends[] = {"\n", "\r\n", "\r"};
    std::string log;
    while (log.size() < size) {
        const size_t length = random() % 120;
        for (size_t i = 0; i < length; ++i)
            log += char('a' + random() % 26);
        log += ends[random() % 3];
    }
    return log;
}

std::string Deflate(const std::string& data, int windowBits)
{
    z_stream stream{};
    EXPECT_EQ(deflateInit2(&stream, 6, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string out(deflateBound(&stream, uLong(data.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}


std::string Zip(const std::vector<ZipEntry>& entries, bool zip64)
{
    std::string archive;
    std::string directory;
    for (const ZipEntry& entry : entries) {
        const std::string packed = entry.method == 8 ? Deflate(entry.data, -15) : entry.data;
        const uint32_t crc = crc32(0, reinterpret_cast<const Bytef*>(entry.data.data()),
                                   uInt(entry.data.size()));
        const uint64_t offset = archive.size();
        std::string extra;
        if (zip64) {
            Put16(extra, 1);
            Put16(extra, 24);
            Put64(extra, entry.data.size());
            Put64(extra, packed.size());
            Put64(extra, offset);
        }
        const uint32_t small = zip64 ? 0xffffffffu : 0;
        archive += "PK\3\4";
        Put16(archive, 45), Put16(archive, entry.flags), Put16(archive, entry.method);
        Put32(archive, 0), Put32(archive, crc);
        Put32(archive, small ? small : uint32_t(packed.size()));
        Put32(archive, small ? small : uint32_t(entry.data.size()));
        Put16(archive, uint16_t(entry.name.size())), Put16(archive, 0);
        archive += entry.name + packed;
        directory += "PK\1\2";
        Put16(directory, 45), Put16(directory, 45), Put16(directory, entry.flags);
        Put16(directory, entry.method), Put32(directory, 0), Put32(directory, crc);
        Put32(directory, small ? small : uint32_t(packed.size()));
        Put32(directory, small ? small : uint32_t(entry.data.size()));
        Put16(directory, uint16_t(entry.name.size())), Put16(directory, uint16_t(extra.size()));
        Put16(directory, 0), Put16(directory, 0), Put16(directory, 0), Put32(directory, 0);
        Put32(directory, small ? small : uint32_t(offset));
        directory += entry.name + extra;
    }
    const uint64_t directoryAt = archive.size();
    archive += directory;
    if (zip64) {
        const uint64_t end64At = archive.size();
        archive += "PK\6\6";
        Put64(archive, 44), Put16(archive, 45), Put16(archive, 45), Put32(archive, 0);
        Put32(archive, 0), Put64(archive, entries.size()), Put64(archive, entries.size());
        Put64(archive, directory.size()), Put64(archive, directoryAt);
        archive += "PK\6\7";
        Put32(archive, 0), Put64(archive, end64At), Put32(archive, 1);
    }
    archive += "PK\5\6";
    Put16(archive, 0), Put16(archive, 0);
    Put16(archive, zip64 ? 0xffff : uint16_t(entries.size()));
    Put16(archive, zip64 ? 0xffff : uint16_t(entries.size()));
    Put32(archive, zip64 ? 0xffffffffu : uint32_t(directory.size()));
    Put32(archive, zip64 ? 0xffffffffu : uint32_t(directoryAt));
    Put16(archive, 5);
    archive += "note.";   // a comment, which the end record's search must step over
    return archive;
}

