// LoadSettings and SaveSettings: the record, the recent lists and the one-time
// import of the old "RecentFilters" layout.
#include "settings/Settings.h"

#include "categories/CategoryStore.h"
#include "settings/RegistryKey.h"

#include <variant>

const wchar_t* const kSettingsKey = L"SOFTWARE\\Osmi\\Tilvo";
const wchar_t* const kFindWildcards = L"Wildcards";
const wchar_t* const kFindPlainText = L"Plain text";
const wchar_t* const kFindRegex = L"Regular expression";

namespace {

const wchar_t* const kFilePrefix = L"File";
const wchar_t* const kSearchPrefix = L"Search";
const wchar_t* const kLegacyFilterPrefix = L"Filter";

std::wstring SubKey(const wchar_t* keyPath, const wchar_t* name)
{
    return std::wstring(keyPath) + L"\\" + name;
}

using TextMember = std::wstring Settings::*;
using DwordMember = DWORD Settings::*;
using IntMember = int Settings::*;

// One value of the program's key. Its type follows the member's: a text is
// REG_SZ, a number REG_DWORD (an int member keeps a negative number's bits).
struct SettingRow {
    constexpr SettingRow(const wchar_t* name, TextMember member, const wchar_t* text)
        : name(name), member(member), text(text) {}
    constexpr SettingRow(const wchar_t* name, DwordMember member, DWORD number)
        : name(name), member(member), number(number) {}
    constexpr SettingRow(const wchar_t* name, IntMember member, int number)
        : name(name), member(member), number(static_cast<DWORD>(number)) {}

    const wchar_t* name;
    std::variant<TextMember, DwordMember, IntMember> member;
    const wchar_t* text = L"";   // the default of a text
    DWORD number = 0;            // the default of a number
};

// In the order the values are read, created and written.
constexpr SettingRow kSettingRows[] = {
    // name               member                      default
    {L"LastFolder",       &Settings::LastFolder,      L"C:\\"},
    {L"LastFile",         &Settings::LastFile,        L""},
    {L"LastSearch",       &Settings::LastSearch,      L""},
    {L"LinesBefore",      &Settings::LinesBefore,     DWORD{0}},
    {L"LinesAfter",       &Settings::LinesAfter,      DWORD{8}},
    {L"ViewFontFamily",   &Settings::ViewFontFamily,  L"Courier New"},
    {L"ViewFontSize",     &Settings::ViewFontSize,    15},
    {L"ViewFontWeight",   &Settings::ViewFontWeight,  400},
    {L"RecentLimit",      &Settings::RecentLimit,     25},
    {L"Utf8Lines",        &Settings::Utf8Lines,       1},
};

// Texts the program keeps for itself: read when there, never created, written once set.
constexpr struct {
    const wchar_t* name;
    TextMember member;
} kOwnRows[] = {
    {L"MainPlace", &Settings::MainPlace},
    {L"ViewerPlace", &Settings::ViewerPlace},
    {L"FindMode", &Settings::FindMode},
};

// A missing value is created with the setting's current value.
void ReadValues(CRegistryKey& key, Settings& s)
{
    for (const SettingRow& row : kSettingRows) {
        if (const TextMember* text = std::get_if<TextMember>(&row.member)) {
            key.ReadString(row.name, s.*(*text), true, (s.*(*text)).c_str());
        } else if (const DwordMember* dword = std::get_if<DwordMember>(&row.member)) {
            key.ReadDword(row.name, s.*(*dword), s.*(*dword));
        } else {
            int& setting = s.*std::get<IntMember>(row.member);
            DWORD value = static_cast<DWORD>(setting);
            if (key.ReadDword(row.name, value, value))
                setting = static_cast<int>(value);
        }
    }
    for (const auto& row : kOwnRows)
        key.ReadString(row.name, s.*row.member, false, nullptr);
}

// A recent list holds at most `RecentLimit` entries when it is loaded, the
// first ones in list order. (Go may add one more.)
void KeepRecentLimit(std::vector<std::wstring>& list, const Settings& s)
{
    if (list.size() > s.RecentBound())
        list.resize(s.RecentBound());
}

void WriteValues(CRegistryKey& key, const Settings& s)
{
    for (const SettingRow& row : kSettingRows) {
        if (const TextMember* text = std::get_if<TextMember>(&row.member))
            key.WriteString(row.name, s.*(*text));
        else if (const DwordMember* dword = std::get_if<DwordMember>(&row.member))
            key.WriteDword(row.name, s.*(*dword));
        else
            key.WriteDword(row.name, static_cast<DWORD>(s.*std::get<IntMember>(row.member)));
    }
    for (const auto& row : kOwnRows)
        if (!(s.*row.member).empty())
            key.WriteString(row.name, s.*row.member);
}

// The legacy filters go to "Default" with the states of "LastFilter". When
// "Default" already holds filters they stay first and the legacy ones follow,
// so the move never drops filters the user has.
void MergeLegacyFilters(Category* target, std::vector<std::wstring>& legacy,
                        const std::wstring* legacyChecks)
{
    if (target->filters.empty()) {
        target->filters.swap(legacy);
        if (legacyChecks)
            SetFilterStates(target, legacyChecks->c_str());
        return;
    }
    std::wstring checks = target->checks;
    checks.resize(target->filters.size(), L'0');
    if (legacyChecks)
        checks += *legacyChecks;
    target->filters.insert(target->filters.end(), legacy.begin(), legacy.end());
    SetFilterStates(target, checks.c_str());
}

// The legacy key is open in `key`. Moves its "Filter" values into "Default",
// removes the key and "LastFilter", and saves the categories.
void ImportLegacyFilters(CRegistryKey& key, const wchar_t* keyPath,
                         const std::wstring& categoriesPath)
{
    std::vector<std::wstring> legacy;
    if (!key.ReadList(legacy, kLegacyFilterPrefix))
        return;
    key.DeleteValues(kLegacyFilterPrefix);

    std::wstring lastFilter;
    const bool hasLastFilter =
        key.Open(keyPath, false) && key.ReadString(L"LastFilter", lastFilter, false, nullptr);

    // An empty legacy key has nothing to move: "Default" keeps what it holds,
    // and the states in "LastFilter" belong to no filter.
    const bool moved = !legacy.empty();
    if (moved) {
        Category* target = AddCategory(L"Default");
        if (!target)
            return;
        MergeLegacyFilters(target, legacy, hasLastFilter ? &lastFilter : nullptr);
    }
    if (hasLastFilter)
        key.DeleteValue(L"LastFilter");
    key.Close();
    RegDeleteKeyW(HKEY_CURRENT_USER, SubKey(keyPath, L"RecentFilters").c_str());
    if (moved)
        SaveCategories(categoriesPath);
}

} // namespace

Settings::Settings()
{
    for (const SettingRow& row : kSettingRows) {
        if (const TextMember* text = std::get_if<TextMember>(&row.member))
            this->*(*text) = row.text;
        else if (const DwordMember* dword = std::get_if<DwordMember>(&row.member))
            this->*(*dword) = row.number;
        else
            this->*std::get<IntMember>(row.member) = static_cast<int>(row.number);
    }
}

size_t Settings::RecentBound() const
{
    return RecentLimit > 0 ? static_cast<size_t>(RecentLimit) : 0;
}

const Settings& DefaultSettings()
{
    static const Settings defaults;
    return defaults;
}

Settings& AppSettings()
{
    static Settings settings;
    return settings;
}

bool LoadSettings()
{
    return LoadSettings(kSettingsKey);
}

bool SaveSettings()
{
    return SaveSettings(kSettingsKey);
}

bool LoadSettings(const wchar_t* keyPath)
{
    return LoadSettings(keyPath, CategoriesFileInUse());
}

bool LoadSettings(const wchar_t* keyPath, const std::wstring& categoriesPath)
{
    try {
        Settings& s = AppSettings();
        CRegistryKey key;
        if (!key.Open(keyPath, true))
            return false;
        ReadValues(key, s);

        if (!key.Open(SubKey(keyPath, L"RecentFiles").c_str(), true))
            return false;
        key.ReadList(s.RecentFiles, kFilePrefix);
        KeepRecentLimit(s.RecentFiles, s);

        if (key.Open(SubKey(keyPath, L"RecentFilters").c_str(), false))
            ImportLegacyFilters(key, keyPath, categoriesPath);

        if (!key.Open(SubKey(keyPath, L"RecentSearches").c_str(), true))
            return false;
        key.ReadList(s.RecentSearches, kSearchPrefix);
        KeepRecentLimit(s.RecentSearches, s);
        return true;
    } catch (...) {
        return false;  // out of memory
    }
}

bool SaveSettings(const wchar_t* keyPath)
{
    try {
        const Settings& s = AppSettings();
        CRegistryKey key;
        if (!key.Open(keyPath, true))
            return false;
        WriteValues(key, s);

        if (!key.Open(SubKey(keyPath, L"RecentFiles").c_str(), true))
            return false;
        key.DeleteValues(kFilePrefix);
        key.WriteList(s.RecentFiles, kFilePrefix);

        if (!key.Open(SubKey(keyPath, L"RecentSearches").c_str(), true))
            return false;
        key.DeleteValues(kSearchPrefix);
        key.WriteList(s.RecentSearches, kSearchPrefix);
        return true;
    } catch (...) {
        return false;
    }
}

LineDecoding AppLineDecoding()
{
    return AppSettings().Utf8Lines != 0 ? LineDecoding::Utf8WhereValid : LineDecoding::Ansi;
}
