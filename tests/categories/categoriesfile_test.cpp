// TilvoCats.dat: the example file byte for byte, the load edge cases, long
// entries, and the backup of a file whose reading stopped early.
#include "categories/CategoryStore.h"
#include "engine/match/Filter.h"
#include "engine/text/CodePage.h"
#include "store/LoadReport.h"
#include "store/SafeSave.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace {

struct Expected {
    std::wstring name;
    std::vector<std::wstring> filters;
    std::wstring checks;
};

void ExpectStore(const std::vector<Expected>& expected)
{
    ASSERT_EQ(CategoryCount(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        const Category* c = CategoryAt(i);
        EXPECT_EQ(c->name, expected[i].name);
        EXPECT_EQ(c->filters, expected[i].filters);
        EXPECT_EQ(c->checks, expected[i].checks);
    }
}

const char kExample[] =
    "Category = Default\n"
    "Filter = *ERROR:*\n"
    "Filter = ~*error*-config\n"
    "Check = 13\n"
    "Category = Network\n"
    "Filter = *12:51:2?*\n"
    "Check = 0\n";

class CategoriesFileTest : public ::testing::Test {
protected:
    void SetUp() override { ClearCategories(); }
    void TearDown() override { ClearCategories(); }
    std::wstring Write(const std::string& bytes)
    {
        EXPECT_TRUE(WriteBytes(path, bytes));
        return path;
    }
    TempDir dir;
    std::wstring path = dir.File(L"TilvoCats.dat");
};

TEST_F(CategoriesFileTest, ExampleStoreIsWrittenByteForByteAndReadBack)
{
    Category* def = AddCategory(L"Default");
    def->filters = {L"*ERROR:*", L"~*error*-config"};
    ASSERT_TRUE(SetFilterState(def, 0, 1));
    ASSERT_TRUE(SetFilterState(def, 1, 3));
    Category* net = AddCategory(L"Network");
    net->filters = {L"*12:51:2?*"};
    ASSERT_TRUE(SetFilterState(net, 0, 0));

    ASSERT_TRUE(SaveCategories(path));
    EXPECT_EQ(ReadBytes(path), kExample);
    EXPECT_FALSE(FileExists(TemporaryFileFor(path)));

    ClearCategories();
    ASSERT_TRUE(LoadCategories(path));
    ExpectStore({{L"Default", {L"*ERROR:*", L"~*error*-config"}, L"13"},
                 {L"Network", {L"*12:51:2?*"}, L"0"}});
    EXPECT_EQ(GetFilterState(CategoryAt(0), 1), 3);
}

TEST_F(CategoriesFileTest, LoadEdgeCases)
{
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<Expected> expected;
    };
    const Case cases[] = {
        {"empty file gives one empty Default", "", {{L"Default", {}, L""}}},
        {"comments only give one empty Default", "# a\n#Category = X\n\n",
         {{L"Default", {}, L""}}},
        {"filters before the first Category go into Default, first",
         "Filter = a\nCheck = 1\nCategory = X\nFilter = b\n",
         {{L"Default", {L"a"}, L"1"}, {L"X", {L"b"}, L""}}},
        {"a lower-case default merges into Default, later Check replaces",
         "Category = Default\nFilter = a\nCheck = 1\nCategory = default\nFilter = b\nCheck = 01\n",
         {{L"Default", {L"a", L"b"}, L"01"}}},
        {"short Check leaves the other filters unchecked Or",
         "Category = C\nFilter = a\nFilter = b\nFilter = c\nCheck = 1\n",
         {{L"C", {L"a", L"b", L"c"}, L"1"}}},
        {"value with a further = is kept whole and trimmed",
         "Category = C\n  Filter  =  *a=b*  \n", {{L"C", {L"*a=b*"}, L""}}},
        {"a blank before # without = ends the load there",
         "Category = C\nFilter = a\n #Filter b\nFilter = c\n", {{L"C", {L"a"}, L""}}},
        {"a blank before # with = is an unknown key, skipped",
         "Category = C\nFilter = a\n #Filter = b\nFilter = c\n", {{L"C", {L"a", L"c"}, L""}}},
        {"empty values and unknown or lower-case keys are skipped",
         "Category =\nFilter = \nfilter = x\nName = y\nCategory = C\nFilter = a\n",
         {{L"C", {L"a"}, L""}}},
        {"a Category without filters is kept in memory", "Category = Empty\n",
         {{L"Empty", {}, L""}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ClearCategories();
        Write(c.bytes);
        EXPECT_TRUE(LoadCategories(path));
        ExpectStore(c.expected);
    }
}

TEST_F(CategoriesFileTest, MissingFileFailsWithoutMakingDefault)
{
    EXPECT_FALSE(LoadCategories(dir.File(L"absent.dat")));
    EXPECT_EQ(CategoryCount(), 0u);
}

TEST_F(CategoriesFileTest, CategoryWithoutFiltersIsNotSavedAndDefaultComesBack)
{
    Category* only = AddCategory(L"Mine");
    only->filters = {L"*x*"};
    only->checks = L"1";
    ASSERT_TRUE(SaveCategories(path));
    only->filters.clear();
    ASSERT_TRUE(SaveCategories(path));
    EXPECT_EQ(ReadBytes(path), "");

    ClearCategories();
    ASSERT_TRUE(LoadCategories(path));
    ExpectStore({{L"Default", {}, L""}});
}

TEST_F(CategoriesFileTest, EmptyChecksAreWrittenAsAnEmptyCheckLine)
{
    AddCategory(L"C")->filters = {L"a"};
    ASSERT_TRUE(SaveCategories(path));
    EXPECT_EQ(ReadBytes(path), "Category = C\nFilter = a\nCheck = \n");
}

// Entries longer than the dialog's 1023-character fields, and longer than the
// reader's buffer, are kept whole and written back unchanged.
TEST_F(CategoriesFileTest, LongNamesAndFiltersSurviveWhole)
{
    const std::string name(5000, 'N');
    const std::string filter = "*" + std::string(70000, 'f') + "*";
    const std::string bytes =
        "Category = " + name + "\nFilter = " + filter + "\nFilter = short\nCheck = 10\n";
    Write(bytes);
    ASSERT_TRUE(LoadCategories(path));
    ASSERT_EQ(CategoryCount(), 1u);
    EXPECT_EQ(CategoryAt(0)->name.size(), 5000u);
    ASSERT_EQ(CategoryAt(0)->filters.size(), 2u);
    EXPECT_EQ(CategoryAt(0)->filters[0].size(), filter.size());
    ASSERT_TRUE(SaveCategories(path));
    EXPECT_EQ(ReadBytes(path), bytes);
}

TEST_F(CategoriesFileTest, TextStaysAnsiWhenItCanAndBecomesUtf8WithAMarkWhenItMust)
{
    // Code page 1252 under the test locale: e-acute, the euro sign and 0x81
    // are one byte each, so the file is exactly what it always was.
    AddCategory(L"Caf\u00E9")->filters = {L"*\u20AC\u0081*"};
    ASSERT_TRUE(SaveCategories(path));
    EXPECT_EQ(ReadBytes(path), "Category = Caf\xE9\nFilter = *\x80\x81*\nCheck = \n");
    ClearCategories();
    ASSERT_TRUE(LoadCategories(path));
    ExpectStore({{L"Caf\u00E9", {L"*\u20AC\u0081*"}, L""}});

    // Cyrillic and Japanese have no byte there: the whole file turns UTF-8
    // behind a mark, in the same layout, and reads back unchanged.
    ClearCategories();
    AddCategory(L"Caf\u00E9")->filters = {L"*\u043E\u0448\u0438\u0431\u043A\u0430*",
                                          L"~*\u30A8\u30E9\u30FC*"};
    ASSERT_TRUE(SaveCategories(path));
    EXPECT_EQ(ReadBytes(path), "\xEF\xBB\xBF" "Category = Caf\xC3\xA9\n"
                               "Filter = *\xD0\xBE\xD1\x88\xD0\xB8\xD0\xB1\xD0\xBA\xD0\xB0*\n"
                               "Filter = ~*\xE3\x82\xA8\xE3\x83\xA9\xE3\x83\xBC*\nCheck = \n");
    ClearCategories();
    ASSERT_TRUE(LoadCategories(path));
    ExpectStore({{L"Caf\u00E9",
                  {L"*\u043E\u0448\u0438\u0431\u043A\u0430*", L"~*\u30A8\u30E9\u30FC*"},
                  L""}});
}

TEST_F(CategoriesFileTest, FileSavedAsUnicodeByNotepadIsRead)
{
    // UTF-16LE with its mark and CR LF line ends.
    const std::wstring text = L"Category = \u0416\r\nFilter = *\u0436*\r\nCheck = 1\r\n";
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    Write(bytes);
    ASSERT_TRUE(LoadCategories(path));
    ExpectStore({{L"\u0416", {L"*\u0436*"}, L"1"}});
}

TEST_F(CategoriesFileTest, FileReadOnlyUpToAMalformedLineIsKeptAsBackupWhenWritten)
{
    const std::string original =
        "# mine\nCategory = A\nFilter = a\nthis line has no equals sign\nCategory = B\nFilter = b\n";
    Write(original);
    ASSERT_TRUE(LoadCategories(path));
    ExpectStore({{L"A", {L"a"}, L""}});
    EXPECT_EQ(LoadStopLine(path), 4u);

    // Nothing changed: the file, with what its reading never reached, stays.
    ASSERT_TRUE(SaveCategories(path));
    EXPECT_EQ(ReadBytes(path), original);
    EXPECT_FALSE(FileExists(BackupFileFor(path)));

    CategoryAt(0)->filters.push_back(L"c");
    ASSERT_TRUE(SaveCategories(path));
    EXPECT_EQ(ReadBytes(BackupFileFor(path)), original);
    EXPECT_EQ(ReadBytes(path), "# mine\nCategory = A\nFilter = a\nFilter = c\nCheck = \n");

    // The file is whole now: a later save replaces it but never the backup.
    CategoryAt(0)->filters.push_back(L"d");
    ASSERT_TRUE(SaveCategories(path));
    EXPECT_EQ(ReadBytes(BackupFileFor(path)), original);
    ClearCategories();
    ASSERT_TRUE(LoadCategories(path));
    EXPECT_EQ(LoadStopLine(path), 0u);
}

// Two instances of the program on one file: this store was loaded from
// `loaded`, changed by `change`, and meanwhile another instance saved `other`.
TEST_F(CategoriesFileTest, SaveMergesPerCategoryAndPerFilterWithWhatAnotherInstanceSaved)
{
    const std::string a = "Category = A\nFilter = a\nCheck = 1\n";
    const std::string a2 = "Category = A\nFilter = a\nFilter = a2\nCheck = 1\n";
    const std::string b = "Category = B\nFilter = b\nCheck = \n";
    const std::string c = "Category = C\nFilter = c\nCheck = \n";
    auto addB = [] { AddCategory(L"B")->filters = {L"b"}; };
    auto checkA = [] { SetFilterStates(FindCategory(L"A"), L"3"); };
    auto dropA = [] { FindCategory(L"A")->filters.clear(); };
    auto dropA2 = [] {
        Category* c = FindCategory(L"A");
        c->filters = {L"a"};
        c->checks = L"1";
    };
    auto addA3 = [] {
        Category* c = FindCategory(L"A");
        c->filters.push_back(L"a3");
        c->checks = L"101";
    };
    struct Case {
        const char* name;
        std::string loaded;
        std::function<void()> change;
        std::string other;
        std::string expected;
    };
    const Case cases[] = {
        {"both add a set: both are kept, this one's last", a, addB, a + c, a + c + b},
        {"only the other changed A: its A stands", a, addB, a2, a2 + b},
        {"both changed A: the other's new filter and this one's check", a, checkA, a2,
         "Category = A\nFilter = a\nFilter = a2\nCheck = 30\n"},
        {"this one deleted a filter the other left, the other added one", a2, dropA2,
         "Category = A\nFilter = a\nFilter = a2\nFilter = a3\nCheck = 1\n",
         "Category = A\nFilter = a\nFilter = a3\nCheck = 10\n"},
        {"this one deleted a filter the other checked: it stays, checked", a2, dropA2,
         "Category = A\nFilter = a\nFilter = a2\nCheck = 13\n",
         "Category = A\nFilter = a\nFilter = a2\nCheck = 13\n"},
        {"the other deleted a filter this one left, this one added one", a2, addA3,
         "Category = A\nFilter = a\nCheck = 1\n",
         "Category = A\nFilter = a\nFilter = a3\nCheck = 11\n"},
        {"both changed the same check: this later save wins", a2, checkA,
         "Category = A\nFilter = a\nFilter = a2\nCheck = 00\n",
         "Category = A\nFilter = a\nFilter = a2\nCheck = 30\n"},
        {"the other deleted A, this one left it: A stays deleted", a + c, addB, c, c + b},
        {"this one deleted A, the other added C: C stays", a, dropA, a + c, c},
        {"the other deleted A, this one changed it: A comes back", a, checkA, c,
         c + "Category = A\nFilter = a\nCheck = 3\n"},
        {"nothing changed here: the other's file keeps its text", a, [] {},
         "# theirs\n\n" + c + "Category = a\nFilter = x\n", "# theirs\n\n" + c + "Category = a\nFilter = x\n"},
        {"the same change on both sides: the file keeps its text", a, addB, "# theirs\n" + a + b,
         "# theirs\n" + a + b},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        ClearCategories();
        Write(test.loaded);
        ASSERT_TRUE(LoadCategories(path));
        test.change();
        Write(test.other);
        ASSERT_TRUE(SaveCategories(path));
        EXPECT_EQ(ReadBytes(path), test.expected);
        EXPECT_FALSE(FileExists(BackupFileFor(path)));
    }
}

// Lines the load does not use survive a save beside the entry below them; a file whose bytes
// are not all text is named with its line at load and kept as its backup before a write.
TEST_F(CategoriesFileTest, SaveKeepsTheLinesTheLoadLeavesAndBacksUpBytesThatAreNotText)
{
    auto add = [](const wchar_t* set, const wchar_t* filter) {
        return [=] { AddCategory(set)->filters.push_back(filter); };
    };
    const std::string mark = "\xEF\xBB\xBF";
    // Without a mark, an ANSI code page of UTF-8 reads "\xE9" as U+FFFD; a single-byte one keeps it.
    // A file that needs UTF-8 is written with a mark, unless UTF-8 is the ANSI code page.
    const bool utf8Ansi = CCodePage::Ansi().IsUtf8();
    const std::string written = utf8Ansi ? "" : mark;
    struct Case {
        const char* name;
        std::string loaded;
        std::function<void()> change;
        std::string other;   // what another instance saved meanwhile; empty: nothing
        std::string expected;
        size_t notTextLine;
        bool backup;
    };
    const Case cases[] = {
        {"comments, blank lines, other keys and empty values stay in place",
         "# sets\n\nCategory = A\n; Owner = me\nFilter =\nFilter = a\n\nCheck = 1\n# end\n",
         add(L"A", L"b"), "",
         "# sets\n\nCategory = A\n; Owner = me\nFilter =\nFilter = a\nFilter = b\n\nCheck = 1\n# end\n", 0,
         false},
        {"a deleted set takes the comments above it",
         "# A\nCategory = A\nFilter = a\nCheck = 1\n# B\nCategory = B\nFilter = b\nCheck = 0\n",
         [] { FindCategory(L"A")->filters.clear(); }, "", "# B\nCategory = B\nFilter = b\nCheck = 0\n", 0,
         false},
        {"a sorted filter takes its comment along, a deleted one takes it away",
         "Category = A\n# z first\nFilter = z\n# gone\nFilter = y\nFilter = a\nCheck = 101\n",
         [] {
             Category* c = FindCategory(L"A");
             c->filters = {L"a", L"z"};
             c->checks = L"11";
         },
         "", "Category = A\nFilter = a\n# z first\nFilter = z\nCheck = 11\n", 0, false},
        {"merged with another instance's save, each side's comments stay with their sets",
         "# A\nCategory = A\nFilter = a\nCheck = 1\n", add(L"B", L"b"),
         "# A\nCategory = A\n# a2\nFilter = a2\nFilter = a\nCheck = 01\n# C\nCategory = C\nFilter = c\n",
         "# A\nCategory = A\n# a2\nFilter = a2\nFilter = a\nCheck = 01\n# C\nCategory = C\nFilter = c\n"
         "Check = \nCategory = B\nFilter = b\nCheck = \n",
         0, false},
        {"without such lines the file is what it always was",
         "Category = A\nFilter = a\nCheck = 1\n", add(L"A", L"b"), "",
         "Category = A\nFilter = a\nFilter = b\nCheck = 1\n", 0, false},
        {"valid UTF-8 after a mark needs no backup", mark + "Category = \xD0\x96\nFilter = a\n",
         add(L"\u0416", L"b"), "", written + "Category = \xD0\x96\nFilter = a\nFilter = b\nCheck = \n", 0,
         false},
        {"bytes that are not UTF-8 after a mark", mark + "Category = A\nFilter = caf\xE9\nCheck = 1\n",
         add(L"A", L"b"), "", written + "Category = A\nFilter = caf\xEF\xBF\xBD\nFilter = b\nCheck = 1\n", 2,
         true},
        {"a letter without a mark", "Category = caf\xE9\nFilter = a\n", add(L"A", L"b"), "",
         std::string("Category = caf") + (utf8Ansi ? "\xEF\xBF\xBD" : "\xE9") +
             "\nFilter = a\nCheck = \nCategory = A\nFilter = b\nCheck = \n",
         utf8Ansi ? 1u : 0u, utf8Ansi},
        {"a lone surrogate in UTF-16, which only UTF-8 with a mark holds",
         Utf16Bytes(L"Category = A\n# \xD800!\nFilter = a\nCheck = 1\n", true), add(L"A", L"b"), "",
         mark + "Category = A\n# \xEF\xBF\xBD!\nFilter = a\nFilter = b\nCheck = 1\n", 2, true},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        ClearCategories();
        DeleteFileW(BackupFileFor(path).c_str());
        Write(test.loaded);
        ASSERT_TRUE(LoadCategories(path));
        EXPECT_EQ(LineNotText(path), test.notTextLine);
        test.change();
        if (!test.other.empty())
            Write(test.other);
        ASSERT_TRUE(SaveCategories(path));
        EXPECT_EQ(ReadBytes(path), test.expected);
        bool backedUp = false;
        const std::string backup = ReadBytes(BackupFileFor(path), &backedUp);
        EXPECT_EQ(backedUp, test.backup);
        if (test.backup) {
            EXPECT_EQ(backup, test.loaded);
        }
        // The written file is text again: the next load names nothing.
        ClearCategories();
        ASSERT_TRUE(LoadCategories(path));
        EXPECT_EQ(LineNotText(path), 0u);
    }
}

TEST_F(CategoriesFileTest, FileReadToTheEndMakesNoBackup)
{
    Write(kExample);
    ASSERT_TRUE(LoadCategories(path));
    ASSERT_TRUE(SaveCategories(path));
    EXPECT_FALSE(FileExists(BackupFileFor(path)));
    EXPECT_EQ(ReadBytes(path), kExample);
}

TEST_F(CategoriesFileTest, DefaultPlaceIsBesideTheExecutable)
{
    EXPECT_EQ(CategoriesFilePath(), BesideTestExe(L"TilvoCats.dat"));
}

TEST_F(CategoriesFileTest, FileInUseFollowsTheLastLoadOrSave)
{
    LoadCategories(path);
    EXPECT_EQ(CategoriesFileInUse(), path);
    const std::wstring other = dir.File(L"other.dat");
    SaveCategories(other);
    EXPECT_EQ(CategoriesFileInUse(), other);
}

} // namespace

// Regular expressions: their kind in a "Kind" line after "Check", whose digits stay those
// of checked and And; blanks at either end escaped, as PCRE2 reads them. An older reader
// skips "Kind" and so sees the same states, with each expression as a mask of its stored
// text.
TEST_F(CategoriesFileTest, ExpressionsKeepTheirKindAndBlanksAndAnOlderReaderSeesMasks)
{
    Category* def = AddCategory(L"Default");
    def->filters = {L" t=\\d+ ", L"*ERROR*", L"\tx\\\\x20", L"(?i)a\\\\"};
    ASSERT_TRUE(SetFilterStates(def, L"5346"));
    AddCategory(L"Masks")->filters = {L"*a*"};
    ASSERT_TRUE(SetFilterState(FindCategory(L"Masks"), 0, 1));
    const std::string expected =
        "Category = Default\n"
        "Filter = \\x20t=\\d+\\x20\n"
        "Filter = *ERROR*\n"
        "Filter = \\x09x\\\\x20\n"
        "Filter = (?i)a\\\\\n"
        "Check = 1302\n"
        "Kind = 1011\n"
        "Category = Masks\n"
        "Filter = *a*\n"
        "Check = 1\n";
    ASSERT_TRUE(SaveCategories(path));
    EXPECT_EQ(ReadBytes(path), expected);

    struct Row {
        const char* what;
        std::string bytes;
        std::vector<Expected> store;
    } rows[] = {
        {"round trip", expected,
         {{L"Default", {L" t=\\d+ ", L"*ERROR*", L"\tx\\\\x20", L"(?i)a\\\\"}, L"5346"}, {L"Masks", {L"*a*"}, L"1"}}},
        {"older reader, Kind skipped", "Category = D\nFilter = \\x20a \nCheck = 1\n",
         {{L"D", {L"\\x20a"}, L"1"}}},
        {"a digit above 3 in Check is no expression", "Category = D\nFilter = a\nCheck = 5\n",
         {{L"D", {L"a"}, L"0"}}},
        {"Kind longer than Check", "Category = D\nFilter = \\x20a\nFilter = b\nCheck = 3\nKind = 11\n",
         {{L"D", {L" a", L"b"}, L"74"}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ClearCategories();
        Write(row.bytes);
        ASSERT_TRUE(LoadCategories(path));
        ExpectStore(row.store);
    }
    // The kind reaches the filter the list and a run are given.
    EXPECT_TRUE(CFilter::FromState(L"b", GetFilterState(CategoryAt(0), 1)).IsRegex());
    EXPECT_FALSE(CFilter::FromState(L"a", 3).IsRegex());
}
