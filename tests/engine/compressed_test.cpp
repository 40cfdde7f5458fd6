// Compressed logs: the same random log read back through every compressed
// form gives the same bytes, and damaged inputs end early, say why and never hang.
#include "engine/io/FileReader.h"
#include "engine/io/InflateSource.h"
#include "engine/io/ZipArchive.h"
#include "tests/engine/PackedFiles.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

std::unique_ptr<CFileReader> OpenFile(const std::wstring& path)
{
    return std::make_unique<CFileReader>(path.c_str(), 0);
}

// Everything the source gives, in reads of `piece` bytes; a source that
// gives more than `most` bytes has lost its end.
std::string ReadAll(CByteSource& source, uint32_t piece, size_t most = 64u << 20)
{
    std::string all;
    std::vector<uint8_t> buffer(piece);
    uint32_t got = 0;
    while (source.Read(buffer.data(), piece, got) && got > 0 && all.size() <= most)
        all.append(reinterpret_cast<const char*>(buffer.data()), got);
    return all;
}

// The log of a .gz file read through the inflater: its bytes and its damage.
std::string ReadGzip(const std::wstring& path, uint32_t piece, std::wstring& damage)
{
    CInflateSource source(OpenFile(path), CInflateSource::Format::Gzip);
    const std::string all = ReadAll(source, piece);
    damage = source.Damage();
    EXPECT_EQ(source.EndedEarly(), !damage.empty());
    return all;
}

// Member `index` of the zip file; `problem` says why it could not be opened,
// `damage` why it ended early.
std::string ReadZipMember(const std::wstring& path, size_t index, std::wstring& problem,
                          std::wstring& damage)
{
    CZipArchive archive;
    damage.clear();
    if (!archive.Open(OpenFile(path), problem))
        return std::string();
    std::unique_ptr<CZipMemberSource> member = archive.OpenMember(index, problem);
    if (!member)
        return std::string();
    const std::string all = ReadAll(*member, 65536);
    damage = member->Damage();
    return all;
}

TEST(CompressedLogs, EveryFormGivesTheLogsBytes)
{
    TempDir dir;
    const std::string log = RandomLog(23, 600000);
    std::mt19937 random(7);
    // Several members, cut at random places, inside lines too.
    std::string members;
    for (size_t from = 0; from < log.size();) {
        const size_t length = std::min<size_t>(log.size() - from, 1 + random() % 150000);
        members += Gzip(log.substr(from, length));
        from += length;
    }
    struct Form {
        const char* name;
        std::string bytes;
        bool zip;
    } forms[] = {
        {"one gzip member", Gzip(log), false},
        {"several gzip members", members, false},
        {"a gzip member padded with zeros", Gzip(log) + std::string(700, '\0'), false},
        {"a member of one byte and an empty one", Gzip("x") + Gzip("") + Gzip(log), false},
        {"a stored zip member", Zip({{"a.log", "ab\n", 0}, {"dir/app.log", log, 0}}, false), true},
        {"a deflated zip member", Zip({{"a.log", "ab\n", 8}, {"dir/app.log", log, 8}}, false), true},
        {"a zip64 member", Zip({{"a.log", "ab\n", 0}, {"dir/app.log", log, 8}}, true), true},
    };
    for (const Form& form : forms) {
        SCOPED_TRACE(form.name);
        const std::wstring path = dir.File(L"form");
        ASSERT_TRUE(WriteBytes(path, form.bytes));
        std::wstring problem, damage;
        if (!form.zip) {
            const std::string expected =
                std::string(form.name).find("one byte") != std::string::npos ? "x" + log : log;
            for (uint32_t piece : {1u, 4099u, 1u << 20}) {
                if (piece == 1 && std::string(form.name) != "several gzip members")
                    continue;   // byte by byte once: slow, and one form shows it
                EXPECT_EQ(ReadGzip(path, piece, damage), expected);
                EXPECT_EQ(damage, L"");
            }
            continue;
        }
        CZipArchive archive;
        ASSERT_TRUE(archive.Open(OpenFile(path), problem)) << problem;
        ASSERT_EQ(archive.Members().size(), 2u);
        EXPECT_EQ(archive.Members()[1].name, L"dir/app.log");
        EXPECT_EQ(archive.Members()[1].size, int64_t(log.size()));
        EXPECT_EQ(ReadZipMember(path, 1, problem, damage), log);
        EXPECT_EQ(damage, L"");
        EXPECT_EQ(ReadZipMember(path, 0, problem, damage), "ab\n");
    }
}

TEST(CompressedLogs, ProgressFollowsTheCompressedBytes)
{
    TempDir dir;
    const std::string log = RandomLog(5, 3000000);
    const std::string packed = Gzip(log) + Gzip(log);
    ASSERT_TRUE(WriteBytes(dir.File(L"a.gz"), packed));
    CInflateSource source(OpenFile(dir.File(L"a.gz")), CInflateSource::Format::Gzip);
    std::vector<uint8_t> buffer(65536);
    uint32_t got = 0;
    int64_t last = 0;
    size_t total = 0;
    bool moved = false;
    while (source.Read(buffer.data(), uint32_t(buffer.size()), got) && got > 0) {
        total += got;
        EXPECT_GE(source.PackedRead(), last);
        moved |= source.PackedRead() > last && last > 0;
        last = source.PackedRead();
    }
    EXPECT_EQ(total, 2 * log.size());
    EXPECT_TRUE(moved) << "the compressed count stood still until the end";
    EXPECT_EQ(source.PackedRead(), int64_t(packed.size()));
}

TEST(CompressedLogs, DamagedInputsEndEarlyAndSaySo)
{
    TempDir dir;
    const std::string log = RandomLog(11, 400000);
    const std::string gz = Gzip(log);
    std::mt19937 random(99);
    std::string flipped = gz;
    flipped[gz.size() / 2] ^= 0x5a;
    std::string badCrc = gz;
    badCrc[gz.size() - 8] ^= 1;   // the CRC stands before the size, at the member's end
    const std::string zip = Zip({{"one.log", log, 8}, {"two.log", log, 0}}, false);
    std::string zipBadCrc = zip;
    zipBadCrc[zip.find("PK\1\2") + 16] ^= 1;
    std::string zipFlipped = zip;
    zipFlipped[zip.size() / 4] ^= 0x5a;   // inside the deflated member
    std::string zipBadDirectory = zip;
    zipBadDirectory[zip.find("PK\1\2") + 1] = 'X';
    std::string zipBadEnd = zip;
    zipBadEnd.resize(zip.size() - 40);   // the end record is lost with the tail
    struct Case {
        std::string name;
        std::string bytes;
        bool zip;
        bool prefix;                  // what came out is the log's start
        std::wstring openProblem;     // zip: the archive or member cannot be opened
        bool damaged;
    };
    std::vector<Case> cases = {
        {"a flipped byte", flipped, false, false, L"", true},
        {"a bad CRC", badCrc, false, true, L"", true},
        {"garbage after a whole member", gz + "garbage", false, true, L"", true},
        {"a zip member with a bad CRC", zipBadCrc, true, true, L"", true},
        {"a zip member with a flipped byte", zipFlipped, true, false, L"", true},
        {"a zip with a damaged directory", zipBadDirectory, true, true,
         L"it is not a zip archive, or its list of members is damaged", false},
        {"a zip without its end record", zipBadEnd, true, true,
         L"it is not a zip archive, or its list of members is damaged", false},
        {"an encrypted zip member", Zip({{"one.log", log, 8, 1}}, false), true, true,
         L"it is encrypted", false},
        {"a zip member of another method", Zip({{"one.log", log, 12}}, false), true, true,
         L"it is compressed in a way this program cannot read (method 12)", false},
        {"an empty zip member", Zip({{"one.log", "", 8}}, false), true, true, L"", false},
    };
    for (int i = 0; i < 6; ++i) {
        const size_t cut = 1 + random() % (gz.size() - 9);
        cases.push_back({"gzip cut at " + std::to_string(cut), gz.substr(0, cut), false, true,
                         L"", true});
    }
    cases.push_back({"a zip cut inside its first member", zip.substr(0, zip.size() / 3), true,
                     true, L"it is not a zip archive, or its list of members is damaged", false});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring path = dir.File(L"case");
        ASSERT_TRUE(WriteBytes(path, c.bytes));
        std::wstring problem, damage;
        const std::string read =
            c.zip ? ReadZipMember(path, 0, problem, damage) : ReadGzip(path, 65536, damage);
        EXPECT_EQ(problem, c.openProblem);
        EXPECT_EQ(!damage.empty(), c.damaged) << std::string(damage.begin(), damage.end());
        EXPECT_LE(read.size(), log.size() + 1000);
        if (c.prefix) {
            EXPECT_EQ(read, log.substr(0, read.size()));
        }
        const bool checkOnly = c.name.find("CRC") != std::string::npos ||
                               c.name.find("garbage") != std::string::npos;
        if (checkOnly) {
            EXPECT_EQ(read, log);   // every byte came out; only the check failed
        } else if (c.damaged && c.prefix) {
            EXPECT_LT(read.size(), log.size());
        }
    }
}

TEST(CompressedLogs, OnlyGzipLooksLikeGzip)
{
    const std::string gz = Gzip("a\n");
    struct Row {
        std::string head;
        bool gzip;
    } rows[] = {{gz, true}, {"\x1f\x8b", false}, {"\x1f\x8b\x07rest", false},
                {"plain log line\n", false}, {"", false}};
    for (const Row& row : rows)
        EXPECT_EQ(CInflateSource::LooksLikeGzip(reinterpret_cast<const uint8_t*>(row.head.data()),
                                                row.head.size()),
                  row.gzip)
            << row.head;
}

}  // namespace
