// TilvoCats.dat: "Category", "Filter" and "Check" lines of the key/value file.
#include "categories/CategoryStore.h"

#include "store/EntryMerge.h"
#include "store/KeyValueFile.h"
#include "store/LoadReport.h"
#include "engine/io/FileReader.h"
#include "engine/io/FileWriter.h"
#include "win32/ModulePath.h"
#include "win32/PathRules.h"

#include <algorithm>
#include <deque>
#include <functional>
#include <optional>
#include <utility>

namespace {

const uint32_t kReadBufferSize = 0xFFFF;

using Categories = std::vector<Category>;

std::wstring& FileInUse()
{
    static std::wstring path;
    return path;
}

// What the file held as this process last loaded or saved it: the base that a
// save merges against.
struct Synced {
    std::wstring path;
    Categories held;
};

std::optional<Synced>& LastSynced()
{
    static std::optional<Synced> synced;
    return synced;
}

// Reads entries until the end of the file or a malformed line, making or
// finding each category through `add` (the store's AddCategory, or a list of
// the reader's own). Returns false only when a category could not be created;
// `read` says why reading stopped and `line` counts the lines read.
bool ReadCategories(CFileReader& reader, const std::function<Category*(const wchar_t*)>& add,
                    KeyValueRead& read, size_t& line)
{
    Category* current = nullptr;
    std::wstring key, value;
    while ((read = ReadKeyValueEntry(reader, key, value, line)) == KeyValueRead::Entry) {
        if (value.empty())
            continue;
        if (key == L"Category") {
            current = add(value.c_str());
            if (!current)
                return false;
        } else if (key == L"Filter" || key == L"Check") {
            if (!current && !(current = add(L"Default")))
                return false;
            if (key == L"Filter")
                current->filters.push_back(value);
            else
                current->checks = value;
        }
    }
    return true;
}

// What a file of these categories holds: those with filters, the only ones written.
Categories Held(const std::vector<const Category*>& categories)
{
    Categories held;
    for (const Category* c : categories) {
        if (!c->filters.empty())
            held.push_back(*c);
    }
    return held;
}

Categories HeldInStore()
{
    std::vector<const Category*> all;
    for (size_t i = 0; i < CategoryCount(); ++i)
        all.push_back(CategoryAt(i));
    return Held(all);
}

// The file as it is now, read by the load's rules without touching the store.
FileNow ReadFileNow(const std::wstring& path, Categories& held)
{
    std::deque<Category> read;
    auto add = [&read](const wchar_t* name) -> Category* {
        for (Category& c : read) {
            if (SameCategoryName(c.name, name))
                return &c;
        }
        read.push_back(Category{name, {}, {}});
        return &read.back();
    };
    FileNow now = FileNow::Unreadable;
    try {
        CFileReader reader(path.c_str(), kReadBufferSize);
        now = FileNow::Stopped;
        KeyValueRead stop = KeyValueRead::End;
        size_t line = 0;
        if (ReadCategories(reader, add, stop, line) && stop == KeyValueRead::End)
            now = FileNow::Whole;
    } catch (const wchar_t*) {
        // Not there or not readable, or a read failed part-way (Stopped).
    }
    std::vector<const Category*> all;
    for (const Category& c : read)
        all.push_back(&c);
    held = Held(all);
    return now;
}

bool WriteCategories(CFileWriter& writer, const Categories& held)
{
    std::vector<std::wstring> texts;
    for (const Category& c : held) {
        texts.push_back(c.name);
        texts.insert(texts.end(), c.filters.begin(), c.filters.end());
    }
    if (!StartKeyValueFile(writer, texts))
        return false;
    for (const Category& c : held) {
        if (!WriteKeyValue(writer, L"Category", c.name.c_str()))
            return false;
        for (const std::wstring& filter : c.filters) {
            if (!WriteKeyValue(writer, L"Filter", filter.c_str()))
                return false;
        }
        if (!WriteKeyValue(writer, L"Check", c.checks.c_str()))
            return false;
    }
    return true;
}

bool SameKey(const Category& a, const Category& b)
{
    return SameCategoryName(a.name, b.name);
}

// The state digit of a filter as the store reads it: a missing or other character is 0.
wchar_t StateDigit(const Category& c, size_t index)
{
    const wchar_t digit = index < c.checks.size() ? c.checks[index] : L'0';
    return digit >= L'1' && digit <= L'3' ? digit : L'0';
}

// Each filter with its state, in text order.
std::vector<std::pair<std::wstring, wchar_t>> FiltersWithStates(const Category& c)
{
    std::vector<std::pair<std::wstring, wchar_t>> pairs;
    for (size_t i = 0; i < c.filters.size(); ++i)
        pairs.emplace_back(c.filters[i], StateDigit(c, i));
    std::sort(pairs.begin(), pairs.end());
    return pairs;
}

// Equal as the program uses them. The filter list shows a category's filters
// sorted and reads them back in that order, and "Check = " holds the same
// unchecked Or filters as "Check = 00": neither counts as a change, so a file
// edited by hand keeps its own order and text.
bool SameContent(const Category& a, const Category& b)
{
    return a.name == b.name && a.filters.size() == b.filters.size() &&
           FiltersWithStates(a) == FiltersWithStates(b);
}

} // namespace

std::wstring CategoriesFilePath()
{
    return FileBesideExecutable(L"TilvoCats.dat");
}

std::wstring CategoriesFileInUse()
{
    return FileInUse().empty() ? CategoriesFilePath() : FileInUse();
}

bool LoadCategories()
{
    return LoadCategories(CategoriesFilePath());
}

bool SaveCategories()
{
    return SaveCategories(CategoriesFilePath());
}

bool LoadCategories(const std::wstring& path)
{
    FileInUse() = path;
    KeyValueRead stop = KeyValueRead::End;
    size_t line = 0;
    bool loaded = false;
    try {
        CFileReader reader(path.c_str(), kReadBufferSize);
        loaded = ReadCategories(reader, AddCategory, stop, line);
    } catch (...) {
        // Missing, unreadable, a read error or out of memory: what was read
        // stays, and no "Default" is made up.
    }
    NoteLoadStop(path, loaded && stop == KeyValueRead::Malformed ? line : 0);
    try {
        LastSynced() = Synced{path, HeldInStore()};
    } catch (...) {
        LastSynced().reset();   // out of memory: a save then writes the store as it is
    }
    if (!loaded)
        return false;
    if (CategoryCount() == 0 && !AddCategory(L"Default"))
        return false;
    return true;
}

bool SaveCategories(const std::wstring& path)
{
    FileInUse() = path;
    try {
        const std::optional<Synced>& synced = LastSynced();
        const Categories* base = synced && SamePath(synced->path, path) ? &synced->held : nullptr;
        Categories mine = HeldInStore();
        if (!SaveMerged(path, base, mine, [&path](Categories& held) { return ReadFileNow(path, held); },
                        WriteCategories, SameKey, SameContent))
            return false;
        // From here on, what differs between the file and this store is another instance's doing.
        LastSynced() = Synced{path, std::move(mine)};
        return true;
    } catch (...) {
        return false;  // out of memory while forming a line
    }
}
