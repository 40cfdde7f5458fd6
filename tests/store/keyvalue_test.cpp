// The key/value line file: what counts as an entry, a comment, and the line
// that ends the reading; the exact bytes of a written entry.
#include "store/KeyValueFile.h"
#include "engine/io/FileReader.h"
#include "engine/io/FileWriter.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using Entries = std::vector<std::pair<std::wstring, std::wstring>>;

struct ReadResult {
    Entries entries;
    KeyValueRead stop;
};

ReadResult ReadAll(const std::wstring& path)
{
    CFileReader reader(path.c_str(), 0xFFFF);
    ReadResult result;
    std::wstring key, value;
    while ((result.stop = ReadKeyValueEntry(reader, key, value)) == KeyValueRead::Entry)
        result.entries.emplace_back(key, value);
    return result;
}

struct KeyValueCase {
    const char* name;
    std::string bytes;
    Entries expected;
    KeyValueRead stop;
};

TEST(KeyValueFile, ReadsEntriesAndStopsWhereTheFormatSays)
{
    const KeyValueCase cases[] = {
        {"empty file", "", {}, KeyValueRead::End},
        {"comments and empty lines only", "# one\n\n#two=2\n\r\n", {}, KeyValueRead::End},
        {"plain entry", "Category = Default\n", {{L"Category", L"Default"}}, KeyValueRead::End},
        {"no line end on the last line", "a=b", {{L"a", L"b"}}, KeyValueRead::End},
        {"value holds = and #", "Filter = x=y # z\n", {{L"Filter", L"x=y # z"}},
         KeyValueRead::End},
        {"blanks around key and value dropped", " \tFilter \t=\t *a*  \n",
         {{L"Filter", L"*a*"}}, KeyValueRead::End},
        {"empty key and value kept as entries", "=\n", {{L"", L""}}, KeyValueRead::End},
        {"CR, CR LF and zero byte end lines", std::string("a=1\rb=2\r\nc=3\0d=4", 16),
         {{L"a", L"1"}, {L"b", L"2"}, {L"c", L"3"}, {L"d", L"4"}}, KeyValueRead::End},
        {"blank before # is no comment and ends the reading", "a=1\n #note\nb=2\n",
         {{L"a", L"1"}}, KeyValueRead::Malformed},
        {"blank before # with = is an entry", " #k = v\n", {{L"#k", L"v"}}, KeyValueRead::End},
        {"line of blanks ends the reading", "a=1\n   \nb=2\n", {{L"a", L"1"}},
         KeyValueRead::Malformed},
        {"line without = ends the reading", "a=1\nnonsense\nb=2\n", {{L"a", L"1"}},
         KeyValueRead::Malformed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::wstring path = dir.File(L"kv.txt");
        ASSERT_TRUE(WriteBytes(path, c.bytes));
        const ReadResult result = ReadAll(path);
        EXPECT_EQ(result.entries, c.expected);
        EXPECT_EQ(result.stop, c.stop);
    }
}

TEST(KeyValueFile, ReadKeyValueIsFalseBothAtTheEndAndAtAMalformedLine)
{
    TempDir dir;
    const std::wstring path = dir.File(L"kv.txt");
    ASSERT_TRUE(WriteBytes(path, "a = 1\nbroken\nb = 2\n"));
    CFileReader reader(path.c_str(), 0xFFFF);
    std::wstring key, value;
    ASSERT_TRUE(ReadKeyValue(reader, key, value));
    EXPECT_EQ(key, L"a");
    EXPECT_EQ(value, L"1");
    EXPECT_FALSE(ReadKeyValue(reader, key, value));
}

TEST(KeyValueFile, WritesKeySpaceEqualsSpaceValueAndOneLineFeed)
{
    TempDir dir;
    const std::wstring path = dir.File(L"kv.txt");
    {
        CFileWriter writer(path.c_str());
        EXPECT_TRUE(WriteKeyValue(writer, L"Filter", L"~*error*-config"));
        EXPECT_TRUE(WriteKeyValue(writer, L"Check", L""));
        EXPECT_FALSE(WriteKeyValue(writer, nullptr, L"x"));
        EXPECT_FALSE(WriteKeyValue(writer, L"x", nullptr));
    }
    EXPECT_EQ(ReadBytes(path), "Filter = ~*error*-config\nCheck = \n");
}

} // namespace
