// TilvoCats.dat: "Category", "Filter" and "Check" lines of the key/value file.
#include "categories/CategoryStore.h"

#include "categories/KeyValueFile.h"
#include "categories/SafeSave.h"
#include "engine/FileReader.h"
#include "engine/FileWriter.h"
#include "engine/ModulePath.h"

namespace {

const uint32_t kReadBufferSize = 0xFFFF;

std::wstring& FileInUse()
{
    static std::wstring path;
    return path;
}

// Reads entries into the store until the end of the file or a malformed line.
// Returns false only when a category could not be created; `complete` tells
// whether the whole file was read.
bool ReadCategories(CFileReader& reader, bool& complete)
{
    Category* current = nullptr;
    std::wstring key, value;
    KeyValueRead read;
    while ((read = ReadKeyValueEntry(reader, key, value)) == KeyValueRead::Entry) {
        if (value.empty())
            continue;
        if (key == L"Category") {
            current = AddCategory(value.c_str());
            if (!current)
                return false;
        } else if (key == L"Filter" || key == L"Check") {
            if (!current && !(current = AddCategory(L"Default")))
                return false;
            if (key == L"Filter")
                current->filters.push_back(value);
            else
                SetFilterStates(current, value.c_str());
        }
    }
    complete = read == KeyValueRead::End;
    return true;
}

bool WriteCategories(CFileWriter& writer)
{
    std::vector<std::wstring> texts;
    for (size_t i = 0; i < CategoryCount(); ++i) {
        const Category* c = CategoryAt(i);
        texts.push_back(c->name);
        texts.insert(texts.end(), c->filters.begin(), c->filters.end());
    }
    if (!StartKeyValueFile(writer, texts))
        return false;
    for (size_t i = 0; i < CategoryCount(); ++i) {
        const Category* c = CategoryAt(i);
        // A category without filters is dropped, "Default" included.
        if (c->filters.empty())
            continue;
        if (!WriteKeyValue(writer, L"Category", c->name.c_str()))
            return false;
        for (const std::wstring& filter : c->filters) {
            if (!WriteKeyValue(writer, L"Filter", filter.c_str()))
                return false;
        }
        if (!WriteKeyValue(writer, L"Check", c->checks.c_str()))
            return false;
    }
    return true;
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
    bool complete = false;
    bool loaded = false;
    try {
        CFileReader reader(path.c_str(), kReadBufferSize);
        loaded = ReadCategories(reader, complete);
    } catch (...) {
        // Missing, unreadable, a read error or out of memory: what was read
        // stays, and no "Default" is made up.
    }
    NoteLoadOutcome(path, loaded && complete);
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
        return SaveFileSafely(path, WriteCategories);
    } catch (...) {
        return false;  // out of memory while forming a line
    }
}
