// CFileWriter: the exact bytes of lines and pieces, the code page conversion
// against the system's own, and line buffering.
#include "engine/text/CodePage.h"
#include "engine/io/FileWriter.h"
#include "tests/support/FullDevice.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class FileWriterTest : public ::testing::Test {
protected:
    std::wstring Path() const { return dir.File(L"out.txt"); }
    TempDir dir;
};

// What the system makes of a text in the ANSI code page.
std::string SystemBytes(const std::wstring& text)
{
    std::string bytes(text.size() * 3 + 1, '\0');
    const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                      bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr);
    bytes.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return bytes;
}

TEST_F(FileWriterTest, LinesPiecesAndDelimiters)
{
    struct Case {
        const char* name;
        void (*write)(CFileWriter&);
        std::string expected;
    };
    const Case cases[] = {
        {"an empty line is the delimiter alone", [](CFileWriter& w) { EXPECT_TRUE(w.WriteLine(L"")); }, "\n"},
        {"prefix, text and CR LF",
         [](CFileWriter& w) {
             EXPECT_TRUE(w.SetLineDelimiters(L"\r\n"));
             EXPECT_TRUE(w.WriteLine(L"/", std::wstring(L"abc")));
         },
         "/abc\r\n"},
        {"prefix, text and suffix",
         [](CFileWriter& w) { EXPECT_TRUE(w.WriteLine(L"<p>", std::wstring(L"x"), L"</p>")); },
         "<p>x</p>\n"},
        {"an empty line between prefix and suffix",
         [](CFileWriter& w) { EXPECT_TRUE(w.WriteLine(L"<", std::wstring(), L">")); }, "<>\n"},
        {"text without a delimiter, up to its zero",
         [](CFileWriter& w) {
             EXPECT_TRUE(w.WriteText(L"abc\0def", 7));
             EXPECT_TRUE(w.WriteText(L"xyz", 2));
         },
         "abcxy"},
        {"a null or zero-length text writes nothing and succeeds",
         [](CFileWriter& w) {
             EXPECT_TRUE(w.WriteText(nullptr, 3));
             EXPECT_TRUE(w.WriteText(L"abc", 0));
         },
         ""},
        {"a text that starts with its zero fails",
         [](CFileWriter& w) { EXPECT_FALSE(w.WriteText(L"", 3)); }, ""},
        {"a null delimiter keeps the previous one",
         [](CFileWriter& w) {
             EXPECT_TRUE(w.SetLineDelimiters(L"\r\n"));
             EXPECT_FALSE(w.SetLineDelimiters(nullptr));
             EXPECT_TRUE(w.WriteLine(std::wstring(L"a")));
         },
         "a\r\n"},
        {"no delimiter: a line fails after its text",
         [](CFileWriter& w) {
             EXPECT_TRUE(w.SetLineDelimiters(L""));
             EXPECT_FALSE(w.WriteDelimiter());
             EXPECT_FALSE(w.WriteLine(std::wstring(L"a")));
         },
         "a"},
        {"a long ASCII line with a few other characters",
         [](CFileWriter& w) {
             std::wstring line(1000, L'x');
             line[17] = L'\u00e9';
             line[500] = L'\u20ac';
             EXPECT_TRUE(w.WriteLine(line));
         },
         std::string(17, 'x') + "\xe9" + std::string(482, 'x') + "\x80" + std::string(499, 'x') + "\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        {
            CFileWriter writer(Path().c_str());
            c.write(writer);
        }
        EXPECT_EQ(ReadBytes(Path()), c.expected);
    }
}

TEST_F(FileWriterTest, EveryCharacterAsTheSystemConvertsIt)
{
    // One text of every UTF-16 unit but the zero and the surrogates, and a
    // valid surrogate pair: the file must hold what the system's own call
    // gives, the default character for what the code page lacks included.
    std::wstring text;
    for (unsigned c = 1; c < 0x10000; ++c)
        if (c < 0xD800 || c > 0xDFFF)
            text += static_cast<wchar_t>(c);
    text += L"\U0001F600 pair";
    {
        CFileWriter writer(Path().c_str());
        ASSERT_TRUE(writer.WriteText(text.c_str(), static_cast<uint32_t>(text.size())));
    }
    EXPECT_TRUE(ReadBytes(Path()) == SystemBytes(text));
}

TEST_F(FileWriterTest, AMissingCharacterBecomesTheDefaultCharacter)
{
    CPINFO info{};
    ASSERT_TRUE(GetCPInfo(CP_ACP, &info));
    {
        CFileWriter writer(Path().c_str());
        EXPECT_TRUE(writer.WriteLine(std::wstring(L"a\u4e00b")));
    }
    EXPECT_EQ(ReadBytes(Path()), std::string("a") + static_cast<char>(info.DefaultChar[0]) + "b\n");
}

TEST_F(FileWriterTest, CreatingTruncatesAnExistingFile)
{
    ASSERT_TRUE(WriteBytes(Path(), "old contents"));
    { CFileWriter writer(Path().c_str()); }
    bool ok = false;
    EXPECT_EQ(ReadBytes(Path(), &ok), "");
    EXPECT_TRUE(ok);
}

TEST_F(FileWriterTest, AFileThatCannotBeCreatedThrowsTheWideText)
{
    const wchar_t* thrown = nullptr;
    try {
        CFileWriter writer(dir.File(L"missing\\out.txt").c_str());
    } catch (const wchar_t* text) {
        thrown = text;
    }
    ASSERT_NE(thrown, nullptr);
    EXPECT_STREQ(thrown, L"CFileWriter::CFileWriter: unable to create the file");
}

TEST_F(FileWriterTest, UnbufferedEveryPieceIsInTheFileAtOnce)
{
    CFileWriter writer(Path().c_str());
    EXPECT_TRUE(writer.WriteText(L"ab", 2));
    EXPECT_EQ(ReadBytes(Path()), "ab");
    EXPECT_TRUE(writer.WriteLine(L"/", std::wstring(L"c")));
    EXPECT_EQ(ReadBytes(Path()), "ab/c\n");
}

TEST_F(FileWriterTest, BufferedOnlyWholeLinesReachTheFile)
{
    CFileWriter writer(Path().c_str());
    writer.SetLineBuffer(8);
    EXPECT_TRUE(writer.WriteLine(L"/", L"abc", 3));
    EXPECT_EQ(ReadBytes(Path()), "");          // 5 bytes held
    EXPECT_TRUE(writer.WriteText(L"xyzw", 4));
    EXPECT_EQ(ReadBytes(Path()), "");          // never part of a line
    EXPECT_TRUE(writer.WriteDelimiter());
    EXPECT_EQ(ReadBytes(Path()), "/abc\nxyzw\n");
    EXPECT_TRUE(writer.WriteLine(L"\\", L"d", 1));
    EXPECT_EQ(ReadBytes(Path()), "/abc\nxyzw\n");
    EXPECT_TRUE(writer.Flush());
    EXPECT_EQ(ReadBytes(Path()), "/abc\nxyzw\n\\d\n");
    EXPECT_TRUE(writer.WriteLine(nullptr, L"e", 1));
    EXPECT_TRUE(writer.SetLineBuffer(0));      // turning it off flushes
    EXPECT_EQ(ReadBytes(Path()), "/abc\nxyzw\n\\d\ne\n");
}

// A line longer than the buffer goes to the file from where it lies, after
// the lines held before it; on a disk that fills up part way, none of it stays.
TEST_F(FileWriterTest, ALineLongerThanTheBufferIsWrittenWholeOrNotAtAll)
{
    const std::string longLine(100 * 1024, 'x');
    const std::wstring small = dir.File(L"small");
    ASSERT_TRUE(CreateDirectoryW(small.c_str(), nullptr));
    CSmallVolume volume(small, 64);
    if (!volume.Ready())
        GTEST_SKIP() << "no small volume can be mounted here";
    const std::wstring path = small + L"\\out.txt";
    {
        CFileWriter writer(path.c_str());
        writer.SetLineBuffer(8);
        EXPECT_TRUE(writer.WriteLineBytes(nullptr, reinterpret_cast<const uint8_t*>("ab"), 2));
        EXPECT_FALSE(writer.WriteLineBytes(L"/", reinterpret_cast<const uint8_t*>(longLine.data()),
                                           longLine.size()));
        EXPECT_NE(writer.LastError(), 0u);
        EXPECT_EQ(writer.Written(), 3);
    }
    EXPECT_EQ(ReadBytes(path), "ab\n");
}

TEST_F(FileWriterTest, BufferedLinesAreWrittenAtDestruction)
{
    {
        CFileWriter writer(Path().c_str());
        writer.SetLineBuffer(1 << 20);
        for (int i = 0; i < 3; ++i)
            EXPECT_TRUE(writer.WriteLine(nullptr, L"line", 4));
    }
    EXPECT_EQ(ReadBytes(Path()), "line\nline\nline\n");
}

// Not a FileWriterTest: it runs under every code page the engine tests run
// under, where a character may take more bytes than one.
TEST(AnsiFileWriter, TextOfMoreBytesThanCharactersIsWrittenWhole)
{
    TempDir dir;
    const std::wstring path = dir.File(L"ansi.txt");
    int written = 0;
    for (const wchar_t* text : {L"Caf\u00E9 \u20AC", L"\u30A8\u30E9\u30FC \u30BD",
                                L"\u043E\u0448\u0438\u0431\u043A\u0430 \u00FC"}) {
        if (!CCodePage::Ansi().CanHold(text))
            continue;
        {
            CFileWriter writer(path.c_str());
            EXPECT_TRUE(writer.WriteLine(L"> ", std::wstring(text)));
        }
        EXPECT_EQ(ReadBytes(path), SystemBytes(std::wstring(L"> ") + text + L"\n"))
            << "ANSI code page " << GetACP();
        ++written;
    }
    EXPECT_GT(written, 0) << "ANSI code page " << GetACP();
}

} // namespace
