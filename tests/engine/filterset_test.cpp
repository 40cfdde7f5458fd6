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
    set.Build({{L"*P*"}, {L"*Q*"}, {L"*R*", FilterAnd}}, false);
    EXPECT_TRUE(Keeps(set, L"R and P"));
    EXPECT_TRUE(Keeps(set, L"Q then R"));
    EXPECT_FALSE(Keeps(set, L"P and Q only"));
    EXPECT_FALSE(Keeps(set, L"R alone"));   // an And filter alone does not keep a line with Or filters
    EXPECT_FALSE(Keeps(set, L""));
}

TEST(FilterSet, AndFiltersOnlyMustAllMatch)
{
    CFilterSet set;
    set.Build({{L"*a*", FilterAnd}, {L"*b*", FilterAnd}}, false);
    EXPECT_TRUE(Keeps(set, L"a b"));
    EXPECT_FALSE(Keeps(set, L"a"));
    EXPECT_FALSE(Keeps(set, L"b"));
}

TEST(FilterSet, AnyOrFilterKeepsTheLine)
{
    CFilterSet set;
    set.Build({{L"*x*"}, {L"*y*"}}, false);
    EXPECT_TRUE(Keeps(set, L"x"));
    EXPECT_TRUE(Keeps(set, L"y"));
    EXPECT_FALSE(Keeps(set, L"z"));
}

TEST(FilterSet, CaseFoldingPerFilterAndPerRun)
{
    CFilterSet set;
    set.Build({{L"*Error*"}, {L"~*WARN*"}}, false);
    EXPECT_TRUE(Keeps(set, L"an Error"));
    EXPECT_FALSE(Keeps(set, L"an ERROR"));   // the first filter minds case
    EXPECT_TRUE(Keeps(set, L"a warning"));   // the second carries "~"

    set.Build({{L"*Error*"}}, true);
    EXPECT_TRUE(Keeps(set, L"an ERROR"));
}

TEST(FilterSet, AFilterWithoutTokensMatchesNothing)
{
    CFilterSet set;
    set.Build({{L"\"", FilterAnd}, {L"*a*"}}, false);
    EXPECT_FALSE(Keeps(set, L"a"));
    set.Build({{L"\""}}, false);
    EXPECT_FALSE(Keeps(set, L"anything"));
}

TEST(FilterSet, UncheckedFiltersAreLeftOut)
{
    CFilterSet set;
    set.Build({CFilter(L"*a*", FilterAnd, false), {L"*b*"}}, false);
    EXPECT_EQ(set.Count(), 1u);
    EXPECT_TRUE(Keeps(set, L"b"));
    set.Build({}, false);
    EXPECT_TRUE(set.Empty());
}

} // namespace
