// The Or/And rule over a run's filters. Portable: also built natively.
#include "engine/match/FilterSet.h"

#include <gtest/gtest.h>

namespace {

bool Keeps(CFilterSet& set, const std::wstring& line)
{
    return set.Matches(line.c_str(), line.size());
}

TEST(FilterSet, OrFiltersAndAnAndFilter)
{
    CFilterSet set;
    ASSERT_TRUE(set.Build({L"*P*", L"*Q*", L"*R*"}, {FilterOr, FilterOr, FilterAnd}, false));
    EXPECT_TRUE(Keeps(set, L"R and P"));
    EXPECT_TRUE(Keeps(set, L"Q then R"));
    EXPECT_FALSE(Keeps(set, L"P and Q only"));
    EXPECT_FALSE(Keeps(set, L"R alone"));   // an And filter alone does not keep a line with Or filters
    EXPECT_FALSE(Keeps(set, L""));
}

TEST(FilterSet, AndFiltersOnlyMustAllMatch)
{
    CFilterSet set;
    ASSERT_TRUE(set.Build({L"*a*", L"*b*"}, {FilterAnd, FilterAnd}, false));
    EXPECT_TRUE(Keeps(set, L"a b"));
    EXPECT_FALSE(Keeps(set, L"a"));
    EXPECT_FALSE(Keeps(set, L"b"));
}

TEST(FilterSet, AnyOrFilterKeepsTheLine)
{
    CFilterSet set;
    ASSERT_TRUE(set.Build({L"*x*", L"*y*"}, {FilterOr, FilterOr}, false));
    EXPECT_TRUE(Keeps(set, L"x"));
    EXPECT_TRUE(Keeps(set, L"y"));
    EXPECT_FALSE(Keeps(set, L"z"));
}

TEST(FilterSet, CaseFoldingPerFilterAndPerRun)
{
    CFilterSet set;
    ASSERT_TRUE(set.Build({L"*Error*", L"~*WARN*"}, {FilterOr, FilterOr}, false));
    EXPECT_TRUE(Keeps(set, L"an Error"));
    EXPECT_FALSE(Keeps(set, L"an ERROR"));   // the first filter minds case
    EXPECT_TRUE(Keeps(set, L"a warning"));   // the second carries "~"

    ASSERT_TRUE(set.Build({L"*Error*"}, {FilterOr}, true));
    EXPECT_TRUE(Keeps(set, L"an ERROR"));
}

TEST(FilterSet, AFilterWithoutTokensMatchesNothing)
{
    CFilterSet set;
    ASSERT_TRUE(set.Build({L"\"", L"*a*"}, {FilterAnd, FilterOr}, false));
    EXPECT_FALSE(Keeps(set, L"a"));
    ASSERT_TRUE(set.Build({L"\""}, {FilterOr}, false));
    EXPECT_FALSE(Keeps(set, L"anything"));
}

TEST(FilterSet, TextsAndModesMustPair)
{
    CFilterSet set;
    EXPECT_FALSE(set.Build({L"*a*"}, {}, false));
    EXPECT_TRUE(set.Build({}, {}, false));
    EXPECT_TRUE(set.Empty());
}

} // namespace
