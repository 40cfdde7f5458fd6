// The literals a kept line must contain. Portable: also built natively.
#include "engine/match/CandidatePlan.h"
#include "engine/match/FilterSet.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// A Latin-1 style table: each byte is the character of the same code.
struct Latin1 {
    wchar_t table[256];
    Latin1()
    {
        for (int b = 0; b < 256; ++b)
            table[b] = static_cast<wchar_t>(b);
    }
};

std::vector<std::wstring> Required(const wchar_t* text)
{
    return CFilterMatcher(text, false).RequiredLiterals();
}

TEST(CandidatePlan, RequiredLiteralsSkipExclusions)
{
    using L = std::vector<std::wstring>;
    EXPECT_EQ(Required(L"*ERROR:*"), L{L"ERROR:"});
    EXPECT_EQ(Required(L"~*error*-config"), L{L"error"});
    EXPECT_EQ(Required(L"-config"), L{});
    EXPECT_EQ(Required(L"a-b*c"), (L{L"a", L"c"}));
    // After an excluded literal, a literal with no marker between is not counted.
    EXPECT_EQ(Required(L"-\"b\"\"c\"*d"), L{L"d"});
    EXPECT_EQ(Required(L"k?m"), (L{L"k", L"m"}));
}

TEST(CandidatePlan, AHitKeepsTheLineOnlyWhenEveryFilterAsksForOneAsciiLiteral)
{
    // Each row: Or filters (a leading '&' makes an And filter), whether a
    // line holding one of the literals is kept without matching it.
    struct Row {
        std::vector<const wchar_t*> masks;
        bool utf8Lines;
        bool hitKeeps;
    };
    const Row rows[] = {
        {{L"*ERROR:*", L"*WARN*", L"~*timeout*"}, true, true},
        {{L"*ERROR:*"}, false, true},
        {{L"*ERROR:*", L"&-heartbeat"}, true, false},   // an And filter must match too
        {{L"*ERROR:*", L"*WARN:*timeout*"}, true, false},
        {{L"ERROR:*"}, true, false},                     // anchored at the line start
        {{L"*ERROR:"}, true, false},
        {{L"*ERROR:*-x"}, true, false},
        {{L"*?ERROR:*"}, true, false},
        {{L"*\u00e9t\u00e9*"}, false, false},          // not ASCII: the line's reading decides
        {{L"*ERROR:*", L"*\u043E\u0448*"}, true, false},
    };
    Latin1 cp;
    for (const Row& row : rows) {
        std::vector<CFilterMatcher> matchers;
        for (const wchar_t* mask : row.masks)
            matchers.emplace_back(mask[0] == L'&' ? mask + 1 : mask, false);
        std::vector<CandidateFilter> filters;
        for (size_t i = 0; i < matchers.size(); ++i)
            filters.push_back({&matchers[i], row.masks[i][0] == L'&'});
        CCandidatePlan plan;
        ASSERT_TRUE(plan.Build(filters, cp.table, true, row.utf8Lines)) << row.masks[0];
        EXPECT_EQ(plan.HitKeeps(), row.hitKeeps) << row.masks[0] << " " << row.masks.size();
    }
}

TEST(CandidatePlan, PlansByFilterKind)
{
    Latin1 cp;
    const CFilterMatcher error(L"*ERROR:*", false), timeout(L"~*Timeout*", false),
        star(L"*", false), none;
    CCandidatePlan plan;
    ASSERT_TRUE(plan.Build({{&error, false}, {&timeout, false}}, cp.table));
    ASSERT_EQ(plan.AnyOf().size(), 2u);
    EXPECT_EQ(plan.AnyOf()[0].Needle(), "ERROR:");
    EXPECT_EQ(plan.AnyOf()[1].Needle(), "timeout");
    EXPECT_TRUE(plan.AnyOf()[1].FoldsAscii());
    // "*" alone gives no literal: every line must be matched.
    EXPECT_FALSE(plan.Build({{&error, false}, {&star, false}}, cp.table));
    // And filters only: one literal of them suffices.
    ASSERT_TRUE(plan.Build({{&star, true}, {&timeout, true}}, cp.table));
    ASSERT_EQ(plan.AnyOf().size(), 1u);
    EXPECT_EQ(plan.AnyOf()[0].Needle(), "timeout");
    // A filter without tokens keeps nothing.
    ASSERT_TRUE(plan.Build({{&none, true}, {&error, false}}, cp.table));
    EXPECT_TRUE(plan.KeepsNothing());
    ASSERT_TRUE(plan.Build({{&none, false}}, cp.table));
    EXPECT_TRUE(plan.KeepsNothing());
    // A code page whose letters are not ASCII cannot be searched as bytes.
    Latin1 odd;
    odd.table['E'] = L'\u0395';
    EXPECT_FALSE(plan.Build({{&error, false}}, odd.table));
}

// Soundness on random filters and lines: a line the filters keep always holds
// one of the planned literals, and a plan that keeps nothing keeps nothing.
TEST(CandidatePlan, NeverDropsALineTheFiltersKeep)
{
    Latin1 cp;
    std::mt19937 rng(11);
    const wchar_t maskChars[] = L"abAB*?-~\" ";
    const wchar_t lineChars[] = L"abAB -";
    int planned = 0;
    for (int round = 0; round < 20000; ++round) {
        FilterList list;
        for (int k = 1 + rng() % 3; k > 0; --k) {
            std::wstring t(1 + rng() % 6, L' ');
            for (wchar_t& c : t)
                c = maskChars[rng() % 10];
            list.emplace_back(t, rng() % 3 == 0 ? FilterAnd : FilterOr);
        }
        const bool ignoreCase = rng() % 4 == 0;
        CFilterSet set;
        set.Build(list, ignoreCase);
        CCandidatePlan plan;
        if (!plan.Build(set.CandidateFilters(), cp.table))
            continue;
        ++planned;
        for (int l = 0; l < 20; ++l) {
            std::wstring line(rng() % 12, L' ');
            for (wchar_t& c : line)
                c = lineChars[rng() % 6];
            if (!set.Matches(line.c_str(), line.size()))
                continue;
            ASSERT_FALSE(plan.KeepsNothing()) << "round " << round;
            std::string bytes(line.begin(), line.end());
            bool found = false;
            for (const CByteFinder& f : plan.AnyOf())
                found |= f.Find(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), 0) <
                         bytes.size();
            ASSERT_TRUE(found) << "round " << round;
        }
    }
    EXPECT_GT(planned, 1000);
}

} // namespace
