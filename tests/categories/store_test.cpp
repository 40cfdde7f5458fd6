// The category store: names, order, and the state digits of the filters.
#include "categories/CategoryStore.h"

#include <gtest/gtest.h>

namespace {

class CategoryStoreTest : public ::testing::Test {
protected:
    void SetUp() override { ClearCategories(); }
    void TearDown() override { ClearCategories(); }
};

TEST_F(CategoryStoreTest, NamesCompareIgnoringAsciiCaseOnly)
{
    Category* def = AddCategory(L"Default");
    ASSERT_NE(def, nullptr);
    EXPECT_EQ(FindCategory(L"default"), def);
    EXPECT_EQ(FindCategory(L"DEFAULT"), def);
    EXPECT_EQ(AddCategory(L"dEfAuLt"), def);
    EXPECT_EQ(CategoryCount(), 1u);
    EXPECT_EQ(def->name, L"Default");
    // Only A-Z fold: these are two names.
    Category* upper = AddCategory(L"\u00C9T\u00C9");
    Category* lower = AddCategory(L"\u00E9t\u00E9");
    EXPECT_NE(upper, lower);
    EXPECT_EQ(FindCategory(L"Defaul"), nullptr);
    EXPECT_EQ(FindCategory(L"Defaults"), nullptr);
}

TEST_F(CategoryStoreTest, NullAndEmptyNamesFindAddAndDeleteNothing)
{
    EXPECT_EQ(AddCategory(nullptr), nullptr);
    EXPECT_EQ(AddCategory(L""), nullptr);
    EXPECT_EQ(FindCategory(nullptr), nullptr);
    EXPECT_FALSE(DeleteCategory(L""));
    EXPECT_FALSE(DeleteCategory(nullptr));
    EXPECT_EQ(CategoryCount(), 0u);
}

TEST_F(CategoryStoreTest, NewCategoriesGoLastAndDeletionClosesTheGap)
{
    AddCategory(L"A");
    AddCategory(L"B");
    AddCategory(L"C");
    EXPECT_TRUE(DeleteCategory(L"b"));
    EXPECT_FALSE(DeleteCategory(L"B"));
    AddCategory(L"D");
    ASSERT_EQ(CategoryCount(), 3u);
    EXPECT_EQ(CategoryAt(0)->name, L"A");
    EXPECT_EQ(CategoryAt(1)->name, L"C");
    EXPECT_EQ(CategoryAt(2)->name, L"D");
    EXPECT_EQ(CategoryAt(3), nullptr);
}

TEST_F(CategoryStoreTest, StateDigitsReadAsTheirBitsAndAnythingElseAsZero)
{
    Category* c = AddCategory(L"C");
    ASSERT_TRUE(SetFilterStates(c, L"012345678x"));
    const int expected[] = {0, 1, 2, 3, 4, 5, 6, 7, 0, 0, 0};
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(GetFilterState(c, i), expected[i]) << "index " << i;
    EXPECT_EQ(GetFilterState(c, -1), 0);

    Category outside;
    outside.checks = L"3";
    EXPECT_EQ(GetFilterState(&outside, 0), 0);
    EXPECT_EQ(GetFilterState(nullptr, 0), 0);
    EXPECT_FALSE(SetFilterStates(&outside, L"1"));
    EXPECT_EQ(outside.checks, L"3");
    EXPECT_FALSE(SetFilterState(&outside, 0, 1));
}

TEST_F(CategoryStoreTest, SetFilterStatePadsChecksToTheFiltersFirst)
{
    struct Case {
        const char* name;
        size_t filters;
        const wchar_t* checks;
        int index;
        int state;
        bool result;
        const wchar_t* after;
    };
    const Case cases[] = {
        {"empty checks padded, third digit set", 3, L"", 2, 3, true, L"003"},
        {"short checks padded", 3, L"1", 1, 2, true, L"120"},
        {"longer checks keep their surplus", 1, L"0000", 3, 1, true, L"0001"},
        {"index past filters and checks", 2, L"", 2, 1, false, L"00"},
        {"negative index changes nothing", 3, L"", -1, 1, false, L""},
        {"other states store 0", 2, L"33", 0, 8, true, L"03"},
        {"an expression's state", 2, L"33", 0, 7, true, L"73"},
        {"state 0", 2, L"33", 1, 0, true, L"30"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        ClearCategories();
        Category* c = AddCategory(L"C");
        c->filters.assign(k.filters, L"*x*");
        c->checks = k.checks;
        EXPECT_EQ(SetFilterState(c, k.index, k.state), k.result);
        EXPECT_EQ(c->checks, k.after);
    }
}

} // namespace
