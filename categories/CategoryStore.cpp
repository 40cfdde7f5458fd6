// The category store: an ordered list of owned categories.
#include "categories/CategoryStore.h"

#include "engine/text/ByteRules.h"

#include <algorithm>
#include <memory>

namespace {

std::vector<std::unique_ptr<Category>>& Store()
{
    static std::vector<std::unique_ptr<Category>> categories;
    return categories;
}

bool SameName(const std::wstring& a, const wchar_t* b)
{
    size_t i = 0;
    for (; i < a.size(); ++i) {
        if (b[i] == L'\0' || FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    }
    return b[i] == L'\0';
}

bool InStore(const Category* c)
{
    if (!c)
        return false;
    const auto& store = Store();
    return std::any_of(store.begin(), store.end(),
                       [c](const std::unique_ptr<Category>& p) { return p.get() == c; });
}

} // namespace

bool SameCategoryName(const std::wstring& a, const std::wstring& b)
{
    return SameName(a, b.c_str());
}

void ClearCategories()
{
    Store().clear();
}

size_t CategoryCount()
{
    return Store().size();
}

Category* CategoryAt(size_t index)
{
    auto& store = Store();
    return index < store.size() ? store[index].get() : nullptr;
}

Category* FindCategory(const wchar_t* name)
{
    if (!name || name[0] == L'\0')
        return nullptr;
    for (const auto& c : Store()) {
        if (SameName(c->name, name))
            return c.get();
    }
    return nullptr;
}

Category* AddCategory(const wchar_t* name)
{
    if (!name || name[0] == L'\0')
        return nullptr;
    if (Category* existing = FindCategory(name))
        return existing;
    auto category = std::make_unique<Category>();
    category->name = name;
    Store().push_back(std::move(category));
    return Store().back().get();
}

bool DeleteCategory(const wchar_t* name)
{
    Category* c = FindCategory(name);
    if (!c)
        return false;
    auto& store = Store();
    store.erase(std::find_if(store.begin(), store.end(),
                             [c](const std::unique_ptr<Category>& p) { return p.get() == c; }));
    return true;
}

int GetFilterState(const Category* c, int index)
{
    if (index < 0 || !InStore(c) || static_cast<size_t>(index) >= c->checks.size())
        return 0;
    const wchar_t digit = c->checks[static_cast<size_t>(index)];
    return digit >= L'1' && digit <= L'7' ? digit - L'0' : 0;
}

bool SetFilterState(Category* c, int index, int state)
{
    if (index < 0 || !InStore(c))
        return false;
    // A longer `checks` keeps its surplus digits.
    if (c->filters.size() >= c->checks.size())
        c->checks.resize(c->filters.size(), L'0');
    if (static_cast<size_t>(index) >= c->checks.size())
        return false;
    c->checks[static_cast<size_t>(index)] = (state >= 1 && state <= 7) ? wchar_t(L'0' + state) : L'0';
    return true;
}

bool SetFilterStates(Category* c, const wchar_t* text)
{
    if (!InStore(c))
        return false;
    c->checks = text ? text : L"";
    return true;
}
