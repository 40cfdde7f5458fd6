// The process-wide category store: named filter sets with one state digit per
// filter, and the categories file TilvoCats.dat. UI thread only, no lock.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// A named filter set. `checks` holds one digit per filter, by position: bit 0
// checked, bit 1 And mode, bit 2 a regular expression ("0" to "7"); missing or
// other characters read as 0. The file keeps bit 2 in a "Kind" line of its own.
struct Category {
    std::wstring name;
    std::vector<std::wstring> filters;
    std::wstring checks;
};

// Category names compare ASCII-case-insensitively.
bool SameCategoryName(const std::wstring& a, const std::wstring& b);

void ClearCategories();
size_t CategoryCount();
// Store order: creation order, file order after a load. Null past the end.
Category* CategoryAt(size_t index);
// Names compare ASCII-case-insensitively; null for a null or empty name.
Category* FindCategory(const wchar_t* name);
// The existing category of that name, or a new empty one at the end.
Category* AddCategory(const wchar_t* name);
bool DeleteCategory(const wchar_t* name);
// 0 to 7; 0 for an index outside `checks` or a category not in the store.
int GetFilterState(const Category* c, int index);
// Pads `checks` with "0" up to the number of filters, then sets one digit.
bool SetFilterState(Category* c, int index, int state);
bool SetFilterStates(Category* c, const wchar_t* text);

// TilvoCats.dat beside the executable.
bool LoadCategories();
bool SaveCategories();
// The same for any path. A load that stops at a line without "=" keeps what it
// read and its usual result, and notes the line (LoadStopLine); it notes the
// first line whose bytes are not text too (LineNotText).
// A save merges the store into the file as it is now, per category, taking the
// file as this process last loaded or saved it as the base: categories another
// instance saved meanwhile survive unless this store changed or deleted them
// too. It writes only when that changes what the file holds; then a file that
// now stops before its end, or holds bytes that are not text, is kept as
// "<path>.bak" first. Comments, blank lines and lines of other keys stay with
// the set, filter or "Check" line below them, and go when it goes. The file is
// replaced only once every line was written; any failure returns false and
// leaves the old file as it was.
bool LoadCategories(const std::wstring& path);
bool SaveCategories(const std::wstring& path);

// TilvoCats.dat beside the executable.
std::wstring CategoriesFilePath();
// The file the store was last loaded from or saved to; the default path before
// either happened. The one-time registry import saves the store there.
std::wstring CategoriesFileInUse();
