// TilvoCats.dat: "Category", "Filter", "Check" and "Kind" lines of the key/value file.
#include "categories/CategoryStore.h"

#include "store/EntryMerge.h"
#include "store/KeyValueFile.h"
#include "store/KeyValueReader.h"
#include "store/LoadReport.h"
#include "store/RegexBlanks.h"
#include "engine/io/FileWriter.h"
#include "engine/text/ByteRules.h"
#include "win32/ModulePath.h"
#include "win32/PathRules.h"

#include <algorithm>
#include <deque>
#include <functional>
#include <optional>
#include <utility>

namespace {

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

// The names the kept lines of the file go by: a set by its name as the store
// compares it, a filter and the "Check" line within their set.
std::wstring SetAnchor(const Category& c)
{
    std::wstring anchor = L"Category\n";
    for (wchar_t ch : c.name)
        anchor += FoldAscii(ch);
    return anchor;
}

std::wstring FilterAnchor(const Category& c, const std::wstring& filter)
{
    return SetAnchor(c) + L"\nFilter\n" + filter;
}

std::wstring CheckAnchor(const Category& c)
{
    return SetAnchor(c) + L"\nCheck";
}

std::wstring KindAnchor(const Category& c)
{
    return SetAnchor(c) + L"\nKind";
}

bool IsRegexDigit(wchar_t digit)
{
    return digit >= L'4' && digit <= L'7';
}

// The "Check" digits as the file holds them: checked and And only, so that a
// reader that skips "Kind" sees the same states; other characters stay.
std::wstring FileChecks(const std::wstring& checks)
{
    std::wstring digits = checks;
    for (wchar_t& digit : digits) {
        if (IsRegexDigit(digit))
            digit = wchar_t(digit - 4);
    }
    return digits;
}

// The "Check" digits as the store takes them: a digit above 3, which never meant
// more than 0 there, must not read as an expression's state.
std::wstring FileStates(const std::wstring& checks)
{
    std::wstring digits = checks;
    for (wchar_t& digit : digits) {
        if (IsRegexDigit(digit))
            digit = L'0';
    }
    return digits;
}

// "Kind = 0100": 1 for each regular expression, by position; empty when the
// set holds none, so that a file of masks stays as it was.
std::wstring FileKinds(const Category& c)
{
    std::wstring kinds(c.filters.size(), L'0');
    bool any = false;
    for (size_t i = 0; i < kinds.size() && i < c.checks.size(); ++i) {
        if (IsRegexDigit(c.checks[i]))
            kinds[i] = L'1', any = true;
    }
    return any ? kinds : std::wstring();
}

// Puts the "Kind" digits into the state digits read from "Check" before it.
void TakeKinds(Category& c, const std::wstring& kinds)
{
    if (c.checks.size() < kinds.size())
        c.checks.resize(kinds.size(), L'0');
    for (size_t i = 0; i < kinds.size(); ++i) {
        wchar_t& digit = c.checks[i];
        if (kinds[i] != L'1' || IsRegexDigit(digit))
            continue;
        digit = digit >= L'1' && digit <= L'3' ? wchar_t(digit + 4) : L'4';
        if (i < c.filters.size())
            c.filters[i] = UnescapeRegexBlanks(c.filters[i]);
    }
}

// Reads entries until the end of the file or a malformed line, making or
// finding each category through `add` (the store's AddCategory, or a list of
// the reader's own). Returns false only when a category could not be created;
// `read` says why reading stopped. Lines the store does not take are kept, with
// the set, filter or "Check" line below them.
bool ReadCategories(CKeyValueReader& reader, const std::function<Category*(const wchar_t*)>& add,
                    KeyValueRead& read)
{
    Category* current = nullptr;
    while ((read = reader.Next()) == KeyValueRead::Entry) {
        const std::wstring& key = reader.Key();
        const std::wstring& value = reader.Value();
        const bool known = key == L"Category" || key == L"Filter" || key == L"Check" || key == L"Kind";
        // An empty "Check" is what the save writes for a set without states.
        const bool emptyCheck = key == L"Check" && value.empty() && current;
        if (!known || (value.empty() && !emptyCheck)) {
            reader.KeepEntryLine();
            continue;
        }
        if (key == L"Category") {
            current = add(value.c_str());
            if (!current)
                return false;
            reader.UseEntry(SetAnchor(*current));
            continue;
        }
        if (!current && !(current = add(L"Default")))
            return false;
        if (key == L"Filter") {
            current->filters.push_back(value);
            reader.UseEntry(FilterAnchor(*current, value));
        } else if (key == L"Kind") {
            TakeKinds(*current, value);
            reader.UseEntry(KindAnchor(*current));
        } else {
            if (!value.empty())
                current->checks = FileStates(value);
            reader.UseEntry(CheckAnchor(*current));
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

// The file as it is now, read by the load's rules without touching the store,
// with the lines the load leaves.
FileNow ReadFileNow(const std::wstring& path, Categories& held, CKeptLines& kept)
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
        CKeyValueReader reader(path);
        now = FileNow::Stopped;
        KeyValueRead stop = KeyValueRead::End;
        if (ReadCategories(reader, add, stop) && stop == KeyValueRead::End)
            now = reader.FirstLineNotText() ? FileNow::WholeNotText : FileNow::Whole;
        kept = std::move(reader.Kept());
    } catch (const wchar_t*) {
        // Not there or not readable, or a read failed part-way (Stopped).
    }
    std::vector<const Category*> all;
    for (const Category& c : read)
        all.push_back(&c);
    held = Held(all);
    return now;
}

// The sets in the order given, each with the lines kept above its entries,
// which it uses up.
bool WriteCategories(CFileWriter& writer, const Categories& held, CKeptLines& kept)
{
    std::vector<std::wstring> texts;
    for (const Category& c : held) {
        texts.push_back(c.name);
        texts.insert(texts.end(), c.filters.begin(), c.filters.end());
    }
    if (!StartKeyValueFile(writer, texts, kept))
        return false;
    for (const Category& c : held) {
        if (!kept.WriteBefore(writer, SetAnchor(c)) ||
            !WriteKeyValue(writer, L"Category", c.name.c_str()))
            return false;
        for (size_t i = 0; i < c.filters.size(); ++i) {
            const bool regex = i < c.checks.size() && IsRegexDigit(c.checks[i]);
            const std::wstring filter = regex ? EscapeRegexBlanks(c.filters[i]) : c.filters[i];
            if (!kept.WriteBefore(writer, FilterAnchor(c, filter)) ||
                !WriteKeyValue(writer, L"Filter", filter.c_str()))
                return false;
        }
        if (!kept.WriteBefore(writer, CheckAnchor(c)) ||
            !WriteKeyValue(writer, L"Check", FileChecks(c.checks).c_str()))
            return false;
        const std::wstring kinds = FileKinds(c);
        if (!kinds.empty() && (!kept.WriteBefore(writer, KindAnchor(c)) ||
                               !WriteKeyValue(writer, L"Kind", kinds.c_str())))
            return false;
    }
    return kept.WriteTail(writer);
}

bool SameKey(const Category& a, const Category& b)
{
    return SameCategoryName(a.name, b.name);
}

// The state digit of a filter as the store reads it: a missing or other character is 0.
wchar_t StateDigit(const Category& c, size_t index)
{
    const wchar_t digit = index < c.checks.size() ? c.checks[index] : L'0';
    return digit >= L'1' && digit <= L'7' ? digit : L'0';
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

// A set both instances changed, merged filter by filter with the set as loaded
// as the base. A filter is known by its text: one added on either side is
// kept; a deletion wins only over a filter the other side left unchanged; a
// check mark or Or/And changed here, by the later save, wins. The file's order
// stands, with this instance's new filters after it.
Category MergeFilters(const Category& loaded, const Category& mine, const Category& theirs)
{
    auto stateIn = [](const Category& c, const std::wstring& filter) -> int {
        const auto at = std::find(c.filters.begin(), c.filters.end(), filter);
        return at == c.filters.end() ? -1 : StateDigit(c, size_t(at - c.filters.begin()));
    };
    Category merged;
    merged.name = mine.name;
    auto keep = [&](const std::wstring& filter, wchar_t state) {
        merged.filters.push_back(filter);
        merged.checks.push_back(state);
    };
    for (size_t i = 0; i < theirs.filters.size(); ++i) {
        const std::wstring& filter = theirs.filters[i];
        const wchar_t theirState = StateDigit(theirs, i);
        const int base = stateIn(loaded, filter);
        const int held = stateIn(mine, filter);
        if (held < 0 && base >= 0 && base == theirState)
            continue;   // deleted here, left as it was there
        if (held >= 0 && held != base)
            keep(filter, wchar_t(held));   // changed or added here
        else
            keep(filter, theirState);
    }
    for (size_t i = 0; i < mine.filters.size(); ++i) {
        const std::wstring& filter = mine.filters[i];
        if (stateIn(theirs, filter) >= 0)
            continue;
        const int base = stateIn(loaded, filter);
        // Added here, or deleted there after a change here.
        if (base < 0 || base != StateDigit(mine, i))
            keep(filter, StateDigit(mine, i));
    }
    return merged;
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
    bool loaded = false;
    std::optional<CKeyValueReader> reader;
    try {
        reader.emplace(path);
        loaded = ReadCategories(*reader, AddCategory, stop);
    } catch (...) {
        // Missing, unreadable, a read error or out of memory: what was read
        // stays, and no "Default" is made up.
    }
    NoteLoadStop(path, loaded && stop == KeyValueRead::Malformed ? reader->LineNumber() : 0);
    NoteLineNotText(path, reader ? reader->FirstLineNotText() : 0);
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
        CKeptLines kept;
        auto readNow = [&](Categories& held) { return ReadFileNow(path, held, kept); };
        auto write = [&](CFileWriter& writer, const Categories& held) {
            return WriteCategories(writer, held, kept);
        };
        if (!SaveMerged(path, base, mine, readNow, write, SameKey, SameContent, MergeFilters))
            return false;
        // From here on, what differs between the file and this store is another instance's doing.
        LastSynced() = Synced{path, std::move(mine)};
        return true;
    } catch (...) {
        return false;  // out of memory while forming a line
    }
}
