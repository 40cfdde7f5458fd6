// LoadSettings and SaveSettings: the record, the recent lists and the one-time
// import of the old "RecentFilters" layout.
#include "settings/Settings.h"

#include "categories/CategoryStore.h"
#include "settings/RegistryKey.h"

const wchar_t* const kSettingsKey = L"SOFTWARE\\Osmi\\Tilvo";
const wchar_t* const kFindWildcards = L"Wildcards";
const wchar_t* const kFindPlainText = L"Plain text";

namespace {

const wchar_t* const kFilePrefix = L"File";
const wchar_t* const kSearchPrefix = L"Search";
const wchar_t* const kLegacyFilterPrefix = L"Filter";

std::wstring SubKey(const wchar_t* keyPath, const wchar_t* name)
{
    return std::wstring(keyPath) + L"\\" + name;
}

// A missing value is created with the setting's current value.
void ReadInt(CRegistryKey& key, const wchar_t* name, int& setting)
{
    DWORD value = static_cast<DWORD>(setting);
    if (key.ReadDword(name, value, value))
        setting = static_cast<int>(value);
}

void ReadValues(CRegistryKey& key, Settings& s)
{
    key.ReadString(L"LastFolder", s.LastFolder, true, s.LastFolder.c_str());
    key.ReadString(L"LastFile", s.LastFile, true, s.LastFile.c_str());
    key.ReadString(L"LastSearch", s.LastSearch, true, s.LastSearch.c_str());
    key.ReadDword(L"LinesBefore", s.LinesBefore, s.LinesBefore);
    key.ReadDword(L"LinesAfter", s.LinesAfter, s.LinesAfter);
    key.ReadString(L"ViewFontFamily", s.ViewFontFamily, true, s.ViewFontFamily.c_str());
    ReadInt(key, L"ViewFontSize", s.ViewFontSize);
    ReadInt(key, L"ViewFontWeight", s.ViewFontWeight);
    ReadInt(key, L"RecentLimit", s.RecentLimit);
    ReadInt(key, L"Utf8Lines", s.Utf8Lines);
    // Written by the windows themselves: never created for them.
    key.ReadString(L"MainPlace", s.MainPlace, false, nullptr);
    key.ReadString(L"ViewerPlace", s.ViewerPlace, false, nullptr);
    key.ReadString(L"FindMode", s.FindMode, false, nullptr);
}

// A recent list holds at most `RecentLimit` entries when it is loaded, the
// first ones in list order; a limit below 0 counts as 0. (Go may add one more.)
void KeepRecentLimit(std::vector<std::wstring>& list, int limit)
{
    const size_t keep = limit > 0 ? static_cast<size_t>(limit) : 0;
    if (list.size() > keep)
        list.resize(keep);
}

void WriteValues(CRegistryKey& key, const Settings& s)
{
    key.WriteString(L"LastFolder", s.LastFolder);
    key.WriteString(L"LastFile", s.LastFile);
    key.WriteString(L"LastSearch", s.LastSearch);
    key.WriteDword(L"LinesBefore", s.LinesBefore);
    key.WriteDword(L"LinesAfter", s.LinesAfter);
    key.WriteString(L"ViewFontFamily", s.ViewFontFamily);
    key.WriteDword(L"ViewFontSize", static_cast<DWORD>(s.ViewFontSize));
    key.WriteDword(L"ViewFontWeight", static_cast<DWORD>(s.ViewFontWeight));
    key.WriteDword(L"RecentLimit", static_cast<DWORD>(s.RecentLimit));
    key.WriteDword(L"Utf8Lines", static_cast<DWORD>(s.Utf8Lines));
    if (!s.MainPlace.empty())
        key.WriteString(L"MainPlace", s.MainPlace);
    if (!s.ViewerPlace.empty())
        key.WriteString(L"ViewerPlace", s.ViewerPlace);
    if (!s.FindMode.empty())
        key.WriteString(L"FindMode", s.FindMode);
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
        KeepRecentLimit(s.RecentFiles, s.RecentLimit);

        if (key.Open(SubKey(keyPath, L"RecentFilters").c_str(), false))
            ImportLegacyFilters(key, keyPath, categoriesPath);

        if (!key.Open(SubKey(keyPath, L"RecentSearches").c_str(), true))
            return false;
        key.ReadList(s.RecentSearches, kSearchPrefix);
        KeepRecentLimit(s.RecentSearches, s.RecentLimit);
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
