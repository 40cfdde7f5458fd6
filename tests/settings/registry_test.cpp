// Settings in the registry, checked through the registry API: the first start,
// values of the wrong type or size, the recent lists and the legacy import.
#include "categories/CategoryStore.h"
#include "settings/RegistryKey.h"
#include "settings/Settings.h"
#include "tests/settings/RegistryFixture.h"
#include "tests/support/TestFiles.h"

#include <functional>

namespace {

using Strings = std::vector<std::wstring>;

class SettingsTest : public RegistryTest {
protected:
    bool Load() { return LoadSettings(key.c_str(), categories); }
    bool Save() { return SaveSettings(key.c_str()); }
    // A fresh process: defaults, then the load.
    bool Restart()
    {
        AppSettings() = Settings{};
        return Load();
    }

    TempDir dir;
    std::wstring categories = dir.File(L"TilvoCats.dat");
};

TEST_F(SettingsTest, FirstStartCreatesTheKeyTwoSubKeysAndNineDefaults)
{
    ASSERT_FALSE(KeyExists(L""));
    EXPECT_TRUE(Load());
    EXPECT_TRUE(KeyExists(L""));
    EXPECT_TRUE(KeyExists(L"RecentFiles"));
    EXPECT_TRUE(KeyExists(L"RecentSearches"));
    EXPECT_FALSE(KeyExists(L"RecentFilters"));

    struct Expected {
        const wchar_t* name;
        DWORD type;
        std::vector<BYTE> data;
    };
    const Expected values[] = {
        {L"LastFolder", REG_SZ, SzBytes(L"C:\\")},
        {L"LastFile", REG_SZ, SzBytes(L"")},
        {L"LastSearch", REG_SZ, SzBytes(L"")},
        {L"LinesBefore", REG_DWORD, DwordBytes(0)},
        {L"LinesAfter", REG_DWORD, DwordBytes(8)},
        {L"ViewFontFamily", REG_SZ, SzBytes(L"Courier New")},
        {L"ViewFontSize", REG_DWORD, DwordBytes(15)},
        {L"ViewFontWeight", REG_DWORD, DwordBytes(400)},
        {L"RecentLimit", REG_DWORD, DwordBytes(25)},
        {L"Utf8Lines", REG_DWORD, DwordBytes(1)},
    };
    EXPECT_EQ(ValueNames(L"").size(), 10u);
    for (const auto& v : values) {
        SCOPED_TRACE(v.name);
        const RawValue raw = Value(L"", v.name);
        EXPECT_TRUE(raw.exists);
        EXPECT_EQ(raw.type, v.type);
        EXPECT_EQ(raw.data, v.data);
    }
    EXPECT_TRUE(ValueNames(L"RecentFiles").empty());
    EXPECT_TRUE(ValueNames(L"RecentSearches").empty());
    EXPECT_TRUE(AppSettings().RecentFiles.empty());
    EXPECT_TRUE(AppSettings().RecentSearches.empty());
    EXPECT_FALSE(FileExists(categories));
}

TEST_F(SettingsTest, StoredValuesAreReadAndADeletedOneComesBackWithItsDefault)
{
    SetValue(L"", L"LastFolder", REG_SZ, SzBytes(L"D:\\logs\\"));
    SetValue(L"", L"LinesBefore", REG_DWORD, DwordBytes(3));
    SetValue(L"", L"ViewFontSize", REG_DWORD, DwordBytes(20));
    SetValue(L"", L"RecentLimit", REG_DWORD, DwordBytes(5));
    ASSERT_TRUE(Restart());
    EXPECT_EQ(AppSettings().LastFolder, L"D:\\logs\\");
    EXPECT_EQ(AppSettings().LinesBefore, 3u);
    EXPECT_EQ(AppSettings().ViewFontSize, 20);
    EXPECT_EQ(AppSettings().RecentLimit, 5);

    DeleteValue(L"", L"RecentLimit");
    ASSERT_TRUE(Restart());
    EXPECT_EQ(AppSettings().RecentLimit, 25);
    EXPECT_EQ(Value(L"", L"RecentLimit").type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(Value(L"", L"RecentLimit").data, DwordBytes(25));
}

TEST_F(SettingsTest, ValuesOfTheWrongTypeOrSize)
{
    const std::wstring multi(L"D:\\\0E:\\\0", 8);
    const std::wstring unterminated = L"Arial";
    struct Case {
        const char* name;
        const wchar_t* value;
        DWORD type;
        std::vector<BYTE> data;
        std::function<bool(const Settings&)> settingAfterLoad;
        DWORD typeAfterLoad;
        std::vector<BYTE> dataAfterLoad;
        DWORD typeAfterSave;
    };
    const Case cases[] = {
        {"one-digit text in a number stays until the save", L"LinesBefore", REG_SZ, SzBytes(L"5"),
         [](const Settings& s) { return s.LinesBefore == 0; }, REG_SZ, SzBytes(L"5"), REG_DWORD},
        {"two-digit text is too long for a number: replaced at once", L"LinesBefore", REG_SZ,
         SzBytes(L"12"), [](const Settings& s) { return s.LinesBefore == 0; }, REG_DWORD,
         DwordBytes(0), REG_DWORD},
        {"eight-byte number replaced at once", L"ViewFontWeight", REG_QWORD,
         std::vector<BYTE>{0xBC, 0x02, 0, 0, 0, 0, 0, 0},
         [](const Settings& s) { return s.ViewFontWeight == 400; }, REG_DWORD, DwordBytes(400),
         REG_DWORD},
        {"two-byte binary number stays until the save", L"ViewFontSize", REG_BINARY,
         std::vector<BYTE>{9, 0}, [](const Settings& s) { return s.ViewFontSize == 15; },
         REG_BINARY, std::vector<BYTE>{9, 0}, REG_DWORD},
        {"number in a text setting stays until the save", L"LastFolder", REG_DWORD, DwordBytes(7),
         [](const Settings& s) { return s.LastFolder == L"C:\\"; }, REG_DWORD, DwordBytes(7),
         REG_SZ},
        {"text without data stays until the save", L"LastFile", REG_SZ, {},
         [](const Settings& s) { return s.LastFile.empty(); }, REG_SZ, {}, REG_SZ},
        {"expandable text is taken as it stands", L"LastFolder", REG_EXPAND_SZ,
         SzBytes(L"%TEMP%\\x\\"), [](const Settings& s) { return s.LastFolder == L"%TEMP%\\x\\"; },
         REG_EXPAND_SZ, SzBytes(L"%TEMP%\\x\\"), REG_SZ},
        {"of a multi-string only the first string is taken", L"LastFolder", REG_MULTI_SZ,
         SzBytes(multi), [](const Settings& s) { return s.LastFolder == L"D:\\"; }, REG_MULTI_SZ,
         SzBytes(multi), REG_SZ},
        {"text without its terminating zero is read whole", L"ViewFontFamily", REG_SZ,
         std::vector<BYTE>(reinterpret_cast<const BYTE*>(unterminated.c_str()),
                           reinterpret_cast<const BYTE*>(unterminated.c_str()) + 10),
         [](const Settings& s) { return s.ViewFontFamily == L"Arial"; }, REG_SZ,
         std::vector<BYTE>(reinterpret_cast<const BYTE*>(unterminated.c_str()),
                           reinterpret_cast<const BYTE*>(unterminated.c_str()) + 10),
         REG_SZ},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
        SetValue(L"", c.value, c.type, c.data);
        ASSERT_TRUE(Restart());
        EXPECT_TRUE(c.settingAfterLoad(AppSettings()));
        const RawValue loaded = Value(L"", c.value);
        EXPECT_EQ(loaded.type, c.typeAfterLoad);
        EXPECT_EQ(loaded.data, c.dataAfterLoad);
        ASSERT_TRUE(Save());
        EXPECT_EQ(Value(L"", c.value).type, c.typeAfterSave);
    }
}

TEST_F(SettingsTest, SaveWritesBackEverySettingOverRegistryEdits)
{
    ASSERT_TRUE(Load());
    SetValue(L"", L"ViewFontSize", REG_DWORD, DwordBytes(30));
    AppSettings().LastFile = L"C:\\logs\\app.log";
    AppSettings().LinesAfter = 12;
    ASSERT_TRUE(Save());
    EXPECT_EQ(Value(L"", L"ViewFontSize").data, DwordBytes(15));
    EXPECT_EQ(Value(L"", L"LastFile").data, SzBytes(L"C:\\logs\\app.log"));
    EXPECT_EQ(Value(L"", L"LinesAfter").data, DwordBytes(12));
}

TEST_F(SettingsTest, ListsTakeOnlyTextValuesWithTheExactPrefix)
{
    SetValue(L"RecentFiles", L"File001", REG_SZ, SzBytes(L"C:\\a.log"));
    SetValue(L"RecentFiles", L"File002", REG_SZ, SzBytes(L"C:\\b.log"));
    SetValue(L"RecentFiles", L"File003", REG_DWORD, DwordBytes(3));
    SetValue(L"RecentFiles", L"Filename", REG_SZ, SzBytes(L"C:\\n.log"));
    SetValue(L"RecentFiles", L"file004", REG_SZ, SzBytes(L"C:\\lower.log"));
    ASSERT_TRUE(Restart());
    EXPECT_EQ(AppSettings().RecentFiles, (Strings{L"C:\\a.log", L"C:\\b.log", L"C:\\n.log"}));

    AppSettings().RecentFiles = {L"C:\\x.log", L"C:\\y.log"};
    ASSERT_TRUE(Save());
    EXPECT_EQ(Value(L"RecentFiles", L"File001").data, SzBytes(L"C:\\x.log"));
    EXPECT_EQ(Value(L"RecentFiles", L"File002").data, SzBytes(L"C:\\y.log"));
    EXPECT_EQ(Value(L"RecentFiles", L"File003").type, static_cast<DWORD>(REG_DWORD));
    EXPECT_FALSE(Value(L"RecentFiles", L"Filename").exists);
    EXPECT_TRUE(Value(L"RecentFiles", L"file004").exists);
}

TEST_F(SettingsTest, SavedListsComeBackInTheirOrder)
{
    Strings files, searches;
    for (int i = 0; i < 26; ++i)
        files.push_back(L"C:\\logs\\" + std::wstring(1, wchar_t(L'z' - i)) + L".log");
    for (int i = 0; i < 25; ++i)
        searches.push_back(std::to_wstring((i * 7) % 25) + L" error");
    ASSERT_TRUE(Load());
    AppSettings().RecentFiles = files;
    AppSettings().RecentSearches = searches;
    ASSERT_TRUE(Save());
    EXPECT_TRUE(Value(L"RecentFiles", L"File026").exists);
    EXPECT_EQ(Value(L"RecentSearches", L"Search025").data, SzBytes(searches[24]));
    ASSERT_TRUE(Restart());
    // Go lets the file box reach RecentLimit + 1; loading keeps the first RecentLimit.
    EXPECT_EQ(AppSettings().RecentFiles, Strings(files.begin(), files.begin() + 25));
    EXPECT_EQ(AppSettings().RecentSearches, searches);

    // A shorter list replaces the longer one entirely; an empty one leaves none.
    AppSettings().RecentFiles = {L"C:\\only.log"};
    AppSettings().RecentSearches.clear();
    ASSERT_TRUE(Save());
    EXPECT_EQ(ValueNames(L"RecentFiles"), (Strings{L"File001"}));
    EXPECT_TRUE(ValueNames(L"RecentSearches").empty());
}

TEST_F(SettingsTest, KeyThatCannotBeCreatedLeavesTheDefaults)
{
    // Key names are limited to 255 characters.
    const std::wstring badKey = key + L"\\" + std::wstring(300, L'k');
    AppSettings().LinesAfter = 3;
    EXPECT_FALSE(LoadSettings(badKey.c_str(), categories));
    EXPECT_EQ(AppSettings().LinesAfter, 3u);
    EXPECT_EQ(AppSettings().LastFolder, L"C:\\");
    EXPECT_FALSE(SaveSettings(badKey.c_str()));
    EXPECT_FALSE(KeyExists(std::wstring(300, L'k')));
}

TEST(RegistryKey, ListValueNamesHaveAtLeastThreeDigits)
{
    EXPECT_EQ(CRegistryKey::ListValueName(L"File", 1), L"File001");
    EXPECT_EQ(CRegistryKey::ListValueName(L"File", 10), L"File010");
    EXPECT_EQ(CRegistryKey::ListValueName(L"Search", 999), L"Search999");
    EXPECT_EQ(CRegistryKey::ListValueName(L"File", 1000), L"File1000");
}

TEST(RegistryKey, NothingWorksWithoutAnOpenKey)
{
    CRegistryKey key;
    std::wstring text = L"kept";
    DWORD number = 5;
    Strings list{L"kept"};
    EXPECT_FALSE(key.ReadString(L"x", text, true, L"default"));
    EXPECT_FALSE(key.ReadDword(L"x", number, 1));
    EXPECT_FALSE(key.WriteString(L"x", L"y"));
    EXPECT_FALSE(key.WriteDword(L"x", 1));
    EXPECT_FALSE(key.ReadList(list, L"File"));
    EXPECT_FALSE(key.WriteList(list, L"File"));
    EXPECT_FALSE(key.DeleteValues(L"File"));
    EXPECT_EQ(text, L"kept");
    EXPECT_EQ(number, 5u);
    EXPECT_EQ(list, Strings{L"kept"});
    EXPECT_FALSE(key.Open(L"SOFTWARE\\Osmi\\TilvoTest-no-such-key", false));
    EXPECT_FALSE(key.IsOpen());
}

TEST_F(SettingsTest, LegacyFiltersMoveIntoDefaultOnce)
{
    SetValue(L"RecentFilters", L"Filter001", REG_SZ, SzBytes(L"*ERROR:*"));
    SetValue(L"RecentFilters", L"Filter002", REG_SZ, SzBytes(L"~*error*-config"));
    SetValue(L"", L"LastFilter", REG_SZ, SzBytes(L"10"));
    ASSERT_TRUE(Load());

    Category* def = FindCategory(L"Default");
    ASSERT_NE(def, nullptr);
    EXPECT_EQ(def->filters, (Strings{L"*ERROR:*", L"~*error*-config"}));
    EXPECT_EQ(GetFilterState(def, 0), 1);
    EXPECT_EQ(GetFilterState(def, 1), 0);
    EXPECT_EQ(ReadBytes(categories),
              "Category = Default\nFilter = *ERROR:*\nFilter = ~*error*-config\nCheck = 10\n");
    EXPECT_FALSE(KeyExists(L"RecentFilters"));
    EXPECT_FALSE(Value(L"", L"LastFilter").exists);
    EXPECT_EQ(ValueNames(L"").size(), 10u);   // the nine values and "Utf8Lines"

    // Nothing left to import at the next start.
    ASSERT_TRUE(WriteBytes(categories, "Category = Default\nFilter = mine\n"));
    ClearCategories();
    ASSERT_TRUE(LoadCategories(categories));
    ASSERT_TRUE(Restart());
    EXPECT_EQ(FindCategory(L"Default")->filters, Strings{L"mine"});
}

TEST_F(SettingsTest, LegacyFiltersFollowTheFiltersDefaultAlreadyHas)
{
    Category* def = AddCategory(L"Default");
    def->filters = {L"*mine*", L"*other*"};
    def->checks = L"3";
    SetValue(L"RecentFilters", L"Filter001", REG_SZ, SzBytes(L"*old*"));
    SetValue(L"", L"LastFilter", REG_SZ, SzBytes(L"1"));
    ASSERT_TRUE(Load());
    EXPECT_EQ(def->filters, (Strings{L"*mine*", L"*other*", L"*old*"}));
    EXPECT_EQ(def->checks, L"301");
    EXPECT_FALSE(KeyExists(L"RecentFilters"));
}

TEST_F(SettingsTest, EmptyLegacyKeyLeavesDefaultAloneButIsRemoved)
{
    Category* def = AddCategory(L"Default");
    def->filters = {L"*mine*"};
    def->checks = L"1";
    SetValue(L"RecentFilters", L"Other", REG_SZ, SzBytes(L"not a filter"));
    SetValue(L"", L"LastFilter", REG_SZ, SzBytes(L"0"));
    ASSERT_TRUE(Load());
    EXPECT_EQ(def->filters, Strings{L"*mine*"});
    EXPECT_EQ(def->checks, L"1");
    EXPECT_FALSE(FileExists(categories));
    EXPECT_FALSE(Value(L"", L"LastFilter").exists);
    EXPECT_FALSE(KeyExists(L"RecentFilters"));
}

TEST_F(SettingsTest, ImportWithoutACategoriesPathSavesToTheFileInUse)
{
    ASSERT_TRUE(WriteBytes(categories, "Category = Net\nFilter = *net*\n"));
    ASSERT_TRUE(LoadCategories(categories));
    SetValue(L"RecentFilters", L"Filter001", REG_SZ, SzBytes(L"*old*"));
    ASSERT_TRUE(LoadSettings(key.c_str()));
    EXPECT_EQ(ReadBytes(categories),
              "Category = Net\nFilter = *net*\nCheck = \nCategory = Default\nFilter = *old*\n"
              "Check = \n");
}

} // namespace

namespace {

TEST_F(SettingsTest, RecentListsKeepRecentLimitEntriesOnLoad)
{
    // Whatever put them there, far more values than the limit: the first
    // RecentLimit of each list are loaded, and only those are saved back.
    wchar_t name[32];
    for (int i = 1; i <= 10000; ++i) {
        wsprintfW(name, L"File%03d", i);
        SetValue(L"RecentFiles", name, REG_SZ, SzBytes(L"C:\\logs\\" + std::to_wstring(i) + L".log"));
    }
    for (int i = 1; i <= 40; ++i) {
        wsprintfW(name, L"Search%03d", i);
        SetValue(L"RecentSearches", name, REG_SZ, SzBytes(std::to_wstring(i) + L" error"));
    }
    const struct {
        const wchar_t* limit;   // null: the value is missing, so the default 25
        size_t files, searches;
    } cases[] = {{L"3", 3, 3}, {L"0", 0, 0}, {L"-1", 0, 0}, {L"100", 100, 40}, {nullptr, 25, 25}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.limit ? c.limit : L"default");
        if (c.limit)
            SetValue(L"", L"RecentLimit", REG_DWORD,
                     DwordBytes(static_cast<DWORD>(std::stoi(c.limit))));
        else
            DeleteValue(L"", L"RecentLimit");
        ASSERT_TRUE(Restart());
        ASSERT_EQ(AppSettings().RecentFiles.size(), c.files);
        ASSERT_EQ(AppSettings().RecentSearches.size(), c.searches);
        if (c.files > 0) {
            EXPECT_EQ(AppSettings().RecentFiles.front(), L"C:\\logs\\1.log");
            EXPECT_EQ(AppSettings().RecentFiles.back(),
                      L"C:\\logs\\" + std::to_wstring(c.files) + L".log");
        }
    }
    ASSERT_TRUE(Save());
    EXPECT_EQ(ValueNames(L"RecentFiles").size(), 25u);
}

} // namespace
