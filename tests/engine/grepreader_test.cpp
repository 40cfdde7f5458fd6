// CGrepLineReader against the plain CFileReader: the same lines and the same
// positions for every line-end form, every byte value and every buffer size.
#include "engine/run/GrepLineReader.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

struct ReadResult {
    std::vector<std::wstring> lines;
    std::vector<int64_t> positions;
    bool endOfFile = false;
};

ReadResult ReadPlain(const std::wstring& path, uint32_t bufferSize)
{
    CFileReader reader(path.c_str(), bufferSize);
    ReadResult r;
    std::wstring line;
    int64_t position = 0;
    while (reader.ReadLine(line)) {
        r.lines.push_back(line);
        reader.GetPosition(position);
        r.positions.push_back(position);
    }
    r.endOfFile = reader.IsEndOfFile();
    return r;
}

ReadResult ReadGrep(const std::wstring& path, uint32_t bufferSize)
{
    CGrepLineReader reader(path.c_str(), bufferSize);
    ReadResult r;
    CGrepLine line;
    int64_t position = 0;
    while (reader.ReadLine(line)) {
        EXPECT_EQ(line.Text()[line.Length()], L'\0');
        r.lines.emplace_back(line.Text(), line.Length());
        reader.GetPosition(position);
        EXPECT_EQ(reader.Position(), position);
        r.positions.push_back(position);
    }
    EXPECT_FALSE(reader.ReadLine(line));
    EXPECT_EQ(line.Length(), 0u);
    r.endOfFile = reader.IsEndOfFile();
    return r;
}

// A seeded mixture: ASCII runs long enough for the sixteen-byte steps, bytes
// above 127, every line-end form, empty lines and long lines.
std::string Mixture(unsigned seed, size_t size)
{
    std::mt19937 random(seed);
    std::string bytes;
    while (bytes.size() < size) {
        switch (random() % 8) {
        case 0: bytes += "\r\n"; break;
        case 1: bytes += static_cast<char>("\n\r\0"[random() % 3]); break;
        case 2: bytes += static_cast<char>(128 + random() % 128); break;
        case 3: bytes += std::string(random() % 300, static_cast<char>('a' + random() % 26)); break;
        default: bytes += std::string(1 + random() % 40, static_cast<char>(' ' + random() % 95)); break;
        }
    }
    return bytes;
}

TEST(GrepLineReader, SameLinesAndPositionsAsThePlainReader)
{
    TempDir dir;
    std::vector<std::string> inputs = {
        "", "a", "a\r\nb", "a\n\rb", "a\rb", "a\nb\n", "a\r\n", "\r\n\r\n", "\n",
        std::string("a\0b", 3), std::string(100, 'L') + "\r\n" + std::string(33, 'M'),
        std::string(31, 'x') + "\r" + "\n" + std::string(17, 'y'),
    };
    for (unsigned seed = 1; seed <= 4; ++seed)
        inputs.push_back(Mixture(seed, 20000));
    const uint32_t sizes[] = {1, 2, 3, 15, 16, 17, 31, 33, 4096, 1048575};
    for (size_t i = 0; i < inputs.size(); ++i) {
        const std::wstring path = dir.File(L"in" + std::to_wstring(i) + L".txt");
        ASSERT_TRUE(WriteBytes(path, inputs[i]));
        for (uint32_t size : sizes) {
            SCOPED_TRACE("input " + std::to_string(i) + ", buffer " + std::to_string(size));
            const ReadResult plain = ReadPlain(path, size);
            const ReadResult grep = ReadGrep(path, size);
            EXPECT_TRUE(grep.lines == plain.lines);
            EXPECT_EQ(grep.positions, plain.positions);
            EXPECT_EQ(grep.endOfFile, plain.endOfFile);
        }
    }
}

TEST(GrepLineReader, EveryByteBecomesTheCodePagesCharacter)
{
    TempDir dir;
    std::string bytes;
    std::wstring expected;
    for (int b = 1; b < 256; ++b) {
        if (b == '\n' || b == '\r')
            continue;
        const char c = static_cast<char>(b);
        bytes += c;
        wchar_t wide = 0;
        ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, &c, 1, &wide, 1), 1);
        expected += wide;
    }
    const std::wstring path = dir.File(L"bytes.txt");
    ASSERT_TRUE(WriteBytes(path, bytes + bytes));
    CGrepLineReader reader(path.c_str());
    CGrepLine line;
    ASSERT_TRUE(reader.ReadLine(line));
    EXPECT_TRUE(std::wstring(line.Text(), line.Length()) == expected + expected);
}

TEST(GrepLineReader, AMissingFileThrowsTheReadersText)
{
    TempDir dir;
    const wchar_t* thrown = nullptr;
    try {
        CGrepLineReader reader(dir.File(L"missing.txt").c_str());
    } catch (const wchar_t* text) {
        thrown = text;
    }
    ASSERT_NE(thrown, nullptr);
    EXPECT_STREQ(thrown, L"CFileReader::CFileReader: unable to open the file");
}

TEST(GrepLine, SwapExchangesBuffersAndKeepsTheZero)
{
    CGrepLine a, b;
    wchar_t* out = a.Extend(3);
    out[0] = L'a'; out[1] = L'b'; out[2] = L'c';
    a.Commit(3);
    b.Extend(0);
    b.Commit(0);
    a.Swap(b);
    EXPECT_EQ(std::wstring(b.Text()), L"abc");
    EXPECT_EQ(a.Length(), 0u);
    EXPECT_EQ(std::wstring(a.Text()), L"");
    b.Clear();
    EXPECT_EQ(std::wstring(b.Text()), L"");
}

} // namespace
