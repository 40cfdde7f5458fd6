// The reading core against a plain reference: every source (a file, a stream
// handing out bytes in ragged pieces, a set of files split at line
// boundaries), every kind of line end and random buffer sizes give the same
// lines, offsets and candidate lines as a byte-by-byte cut of the whole text,
// and as today's CFileReader::ReadLine.
#include "engine/io/FileReader.h"
#include "engine/io/FileSequence.h"
#include "engine/io/LineBuffer.h"
#include "engine/io/ReadAhead.h"
#include "engine/match/ByteSearch.h"
#include "tests/support/SilentPipe.h"
#include "tests/support/TestFiles.h"
#include "win32/Handle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <random>
#include <string>
#include <vector>

namespace {

struct Line {
    int64_t offset;
    std::string bytes;
    bool candidate;
    bool operator==(const Line& o) const
    {
        return offset == o.offset && bytes == o.bytes && candidate == o.candidate;
    }
};

const char kLiteral[] = "ERROR";

// The reference: LF, CR, a zero byte and CR LF end a line; a last line needs none.
std::vector<Line> PlainCut(const std::string& text)
{
    std::vector<Line> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\n' && c != '\r' && c != '\0')
            continue;
        const std::string bytes = text.substr(start, i - start);
        lines.push_back({int64_t(start), bytes, bytes.find(kLiteral) != std::string::npos});
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size()) {
        const std::string bytes = text.substr(start);
        lines.push_back({int64_t(start), bytes, bytes.find(kLiteral) != std::string::npos});
    }
    return lines;
}

// Lines and candidates as the run's fast scan takes them, from a source read
// on this thread or on one of its own.
template <typename Source>
std::vector<Line> CoreCut(Source& source, size_t bufferSize)
{
    const CAnyOfFinder finder({CByteFinder(kLiteral, false)});
    CLineBuffer buffer(bufferSize);
    buffer.Restart(0);
    std::vector<Line> lines;
    for (;;) {
        const size_t whole = buffer.WholeLinesEnd();
        if (buffer.Pos() >= whole) {
            if (buffer.AtEnd())
                return lines;
            EXPECT_TRUE(buffer.Fill(source));
            continue;
        }
        const size_t start = buffer.Pos();
        const size_t hit = buffer.NextCandidate(finder, whole);
        size_t textEnd = 0;
        const size_t next = buffer.NextLine(start, whole, textEnd);
        lines.push_back({buffer.OffsetOf(start),
                         std::string(reinterpret_cast<const char*>(buffer.Data()) + start,
                                     textEnd - start),
                         hit < textEnd});
        buffer.SetPos(next);
    }
}

// Hands out the bytes of a text in pieces of random sizes, as a stream does.
class CRaggedStream : public CByteSource {
public:
    CRaggedStream(const std::string& text, unsigned seed) : m_text(text), m_random(seed) {}
    bool Read(uint8_t* target, uint32_t size, uint32_t& got) override
    {
        const size_t left = m_text.size() - m_at;
        got = uint32_t(std::min<size_t>({left, size, size_t(m_random() % 7 + 1)}));
        std::copy_n(m_text.data() + m_at, got, target);
        m_at += got;
        return true;
    }

private:
    std::string m_text;
    size_t m_at = 0;
    std::mt19937 m_random;
};

std::string Text(unsigned seed)
{
    static const char* const kEnds[] = {"\n", "\r", "\r\n"};
    std::mt19937 random(seed);
    std::string text;
    for (int i = 0; i < 300; ++i) {
        const int length = int(random() % 40);
        for (int k = 0; k < length; ++k)
            text += char('a' + random() % 26);
        if (random() % 5 == 0)
            text += kLiteral;
        const int end = int(random() % 4);
        text += end == 3 ? std::string(1, '\0') : std::string(kEnds[end]);
    }
    return text;
}

} // namespace

TEST(ReadingCore, EverySourceCutsTheLinesOfAPlainCut)
{
    TempDir dir;
    const struct {
        const char* name;
        std::string text;
    } cases[] = {
        {"LF", "one\ntwo ERROR\nthree\n"},
        {"CR", "one\rtwo ERROR\rthree\r"},
        {"CR LF", "one\r\ntwo ERROR\r\n\r\nthree\r\n"},
        {"zero byte", std::string("one\0two ERROR\0", 14)},
        {"no last line end", "one\ntwo\nERROR last"},
        {"a CR at the very end", "one\r\ntwo ERROR\r"},
        {"CR then LF lines", "\r\n\n\r\r\nERROR\n\r"},
        {"one line longer than any buffer", std::string(5000, 'x') + "ERROR\nshort\n"},
        {"empty", ""},
        {"random mixture 1", Text(1)},
        {"random mixture 2", Text(2)},
    };
    std::mt19937 random(42);
    // Blocks pass from one read-ahead to the next, as between the logs of a
    // set, holding whatever the last one read.
    const auto stock = std::make_shared<CBlockStock>();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<Line> expected = PlainCut(c.text);
        const std::wstring path = dir.File(L"log.txt");
        ASSERT_TRUE(WriteBytes(path, c.text));
        for (int round = 0; round < 4; ++round) {
            const size_t bufferSize = size_t(random() % 64 + 1);
            SCOPED_TRACE(bufferSize);
            {
                CFileReader file(path.c_str(), 0);
                EXPECT_EQ(CoreCut(file, bufferSize), expected) << "plain file";
            }
            CRaggedStream stream(c.text, unsigned(round));
            EXPECT_EQ(CoreCut(stream, bufferSize), expected) << "stream";
            // Blocks handed over from a reading thread: block edges, and lines
            // longer than a block's head room, fall anywhere.
            {
                CFileReader file(path.c_str(), 0);
                CReadAhead ahead(file, uint32_t(random() % 64 + 1), nullptr, stock);
                EXPECT_EQ(CoreCut(ahead, bufferSize), expected) << "file read ahead";
                CRaggedStream pieces(c.text, unsigned(round) + 7);
                CReadAhead aheadOfStream(pieces, uint32_t(random() % 300 + 1), nullptr, stock);
                EXPECT_EQ(CoreCut(aheadOfStream, bufferSize), expected) << "stream read ahead";
            }
            // The same text as a set split at random line boundaries.
            std::vector<std::wstring> parts;
            size_t from = 0;
            for (const Line& line : expected) {
                const size_t end = size_t(line.offset) + line.bytes.size();
                const size_t past = std::min(c.text.size(),
                                             end + (c.text.compare(end, 2, "\r\n") == 0 ? 2 : 1));
                if (random() % 3 == 0 || past == c.text.size()) {
                    parts.push_back(dir.File(L"part" + std::to_wstring(parts.size())));
                    ASSERT_TRUE(WriteBytes(parts.back(), c.text.substr(from, past - from)));
                    from = past;
                }
            }
            CFileSequence set(parts);
            EXPECT_EQ(set.Size(), int64_t(c.text.size()));
            EXPECT_EQ(CoreCut(set, bufferSize), expected) << parts.size() << " files";
        }
        // Today's reader of lines gives the same lines and positions.
        CFileReader reader(path.c_str(), 7);
        std::wstring text;
        size_t n = 0;
        int64_t position = 0;
        while (reader.ReadLine(text)) {
            ASSERT_LT(n, expected.size());
            EXPECT_EQ(text.size(), expected[n].bytes.size()) << "line " << n;
            ++n;
            if (n < expected.size()) {
                reader.GetPosition(position);
                EXPECT_EQ(position, expected[n].offset);
            }
        }
        EXPECT_EQ(n, expected.size());
    }
}

TEST(ReadingCore, AStopIsSeenWhileTheReadingThreadSitsInAReadThatNeverReturns)
{
    // The log of a hung share: the reading thread waits in its read for ever.
    CSilentPipe pipe(L"read-ahead");
    class CPipeSource : public CByteSource {
    public:
        explicit CPipeSource(const std::wstring& path)
            : m_file(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)),
              m_reading(CreateEventW(nullptr, TRUE, FALSE, nullptr))
        {
        }
        bool Read(uint8_t* target, uint32_t size, uint32_t& got) override
        {
            SetEvent(m_reading.Get());
            DWORD read = 0;
            const bool ok = ReadFile(m_file.Get(), target, size, &read, nullptr) != 0;
            got = read;
            return ok;
        }
        CFileHandle m_file;
        CHandle m_reading;
    } source(pipe.Path());
    ASSERT_TRUE(source.m_file.IsOpen());
    std::atomic<bool> stop{false};
    const DWORD start = GetTickCount();
    {
        CReadAhead ahead(source, 1u << 20, [&] { return stop.load(); });
        ASSERT_EQ(WaitForSingleObject(source.m_reading.Get(), 10000), WAIT_OBJECT_0);
        stop = true;
        std::vector<uint8_t> block;
        size_t got = 0;
        EXPECT_FALSE(ahead.Take(block, got));
        EXPECT_TRUE(ahead.Stopped());
    }   // the end cancels the read
    EXPECT_LT(GetTickCount() - start, 2000u) << "a stop waits no longer than a run's stop did";
}
