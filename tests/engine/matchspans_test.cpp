// Where a match lies: the compiled matcher's spans against a span finder
// written apart from it, on random masks and lines, and the Or filters' spans
// of a filter set. Portable: also built natively.
#include "engine/match/FilterSet.h"
#include "engine/text/ByteRules.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

struct Found {
    bool matched = false;
    std::vector<CMatchSpan> spans;
};

// The mask's rules read off the language, one token at a time: each literal
// is the first occurrence from where the previous one ended, "-" asks that the
// next literal be absent, "?" pins the next literal one character further
// unless a "*" came before it, and a match needs the line consumed or a
// closing "*". Marks each literal's text, and the character a pinned "?"
// stood for.
Found Reference(const std::wstring& mask, bool ignoreCase, std::wstring line)
{
    Found out;
    TokenList tokens;
    if (!CUtils::Tokenize(tokens, mask.c_str(), ignoreCase) || line.empty())
        return out;
    if (ignoreCase || tokens[0] == L"~")
        for (wchar_t& c : line)
            c = FoldAscii(c);
    std::vector<std::pair<size_t, size_t>> marks;
    size_t at = 0;
    bool consumed = false;
    // The last two markers seen ("*", "?" or "-"); a found literal leaves
    // them, an absent excluded one ends the exclusion.
    std::wstring last, before;
    for (size_t t = 0; t < tokens.size(); ++t) {
        const std::wstring& token = tokens[t];
        const bool lastToken = t + 1 == tokens.size();
        if (token == L"~")
            continue;
        if (token == L"*" || token == L"-" || token == L"?") {
            if ((token == L"*" && lastToken) || (token == L"?" && consumed)) {
                out.matched = token == L"*";
                break;
            }
            before = last;
            last = token;
            continue;
        }
        if (consumed) {
            if (last == L"-")
                continue;
            return Found{};
        }
        const size_t hit = line.find(token, at);
        if (hit == std::wstring::npos) {
            if (last != L"-")
                return Found{};
            before = last;
            last.clear();
            if (lastToken) {
                out.matched = true;
                break;
            }
            continue;
        }
        if (last == L"-")
            return Found{};
        if (last == L"?") {
            const bool pair = line[at] >= 0xD800 && line[at] < 0xDC00 && at + 1 < line.size() &&
                              line[at + 1] >= 0xDC00 && line[at + 1] < 0xE000;
            if (before == L"*" ? hit <= at : hit != at + (pair ? 2 : 1))
                return Found{};
            if (before != L"*")
                marks.push_back({at, hit});
        }
        marks.push_back({hit, hit + token.size()});
        at = hit + token.size();
        consumed = at == line.size();
        out.matched = out.matched || consumed;
    }
    if (!out.matched)
        return out;
    for (const auto& [begin, end] : marks) {
        if (end == begin)
            continue;
        if (!out.spans.empty() && out.spans.back().begin + out.spans.back().length == begin)
            out.spans.back().length += end - begin;
        else
            out.spans.push_back({begin, end - begin});
    }
    return out;
}

std::wstring Random(std::mt19937& rng, const wchar_t* alphabet, size_t most)
{
    const size_t n = std::wcslen(alphabet);
    std::wstring text(rng() % (most + 1), L' ');
    for (wchar_t& c : text)
        c = alphabet[rng() % n];
    return text;
}

TEST(MatchSpans, AgreeWithAnIndependentFinder)
{
    std::mt19937 rng(24);
    int matched = 0;
    for (int round = 0; round < 60000; ++round) {
        const std::wstring mask = Random(rng, L"abAB*?-~\"", 9);
        const std::wstring line = Random(rng, L"abAB -\xD83D\xDE00", 14);
        const bool ignoreCase = rng() % 3 == 0;
        const Found want = Reference(mask, ignoreCase, line);
        TokenList tokens;
        CUtils::Tokenize(tokens, mask.c_str(), ignoreCase);
        // Today's matcher decides the line; the compiled one must agree.
        const bool today = !line.empty() && CUtils::MatchLine(ignoreCase, tokens, line.c_str());
        ASSERT_EQ(want.matched, today) << "mask [" << mask.size() << "] round " << round;
        CFilterMatcher matcher(mask, ignoreCase);
        std::vector<CMatchSpan> spans;
        ASSERT_EQ(matcher.Spans(line.data(), line.size(), spans), today) << "round " << round;
        ASSERT_EQ(matcher.Matches(line.data(), line.size()), today) << "round " << round;
        ASSERT_EQ(spans, want.spans) << "round " << round;
        matched += today;
    }
    EXPECT_GT(matched, 3000);   // enough matching lines to compare spans on
}

TEST(MatchSpans, OrFiltersOfASet)
{
    using S = std::vector<CMatchSpan>;
    struct Row {
        FilterList filters;
        bool ignoreCase;
        const wchar_t* line;
        S spans;
    } rows[] = {
        {{{L"*ERROR*"}}, false, L"an ERROR here", S{{3, 5}}},
        {{{L"~*error*"}}, false, L"an ErRoR here", S{{3, 5}}},
        {{{L"*err*"}}, true, L"ERR", S{{0, 3}}},
        {{{L"a?c*"}}, false, L"xxabcx", S{{2, 3}}},        // "?" marks its character
        {{{L"*a*c*"}}, false, L"xxabbcx", S{{2, 1}, {5, 1}}},   // "*" never
        {{{L"*a*"}, {L"*b*", FilterAnd}}, false, L"a b", S{{0, 1}}},   // And filters unmarked
        {{{L"*abc*"}, {L"*bcd*"}}, false, L"abcd", S{{0, 4}}},       // overlaps joined
        {{{L"*zz*"}, {L"*c*"}}, false, L"abc", S{{2, 1}}},           // only filters that match
        {{{L"*x*-y"}}, false, L"x then y", S{}},
        {{{L"*x*", FilterOr, false}}, false, L"x", S{}},             // unchecked
    };
    for (const Row& row : rows) {
        CFilterSet set;
        set.Build(row.filters, row.ignoreCase);
        S spans{{99, 1}};
        set.OrSpans(row.line, std::wcslen(row.line), spans);
        EXPECT_EQ(spans, row.spans) << row.filters[0].text.size() << " " << std::wcslen(row.line);
    }
}

} // namespace
