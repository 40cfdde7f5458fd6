// Regular-expression filters on PCRE2: the prefiltered path against the JIT
// on every line against the interpreter, hostile expressions, match spans.
#include "engine/match/ByteSearch.h"
#include "engine/match/RegexFilter.h"
#include "engine/text/TextCodec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

std::unique_ptr<CRegexFilter> Compile(const std::wstring& pattern, RegexEngine engine = RegexEngine::Jit)
{
    RegexError error;
    auto filter = CRegexFilter::Compile(pattern, error, engine);
    EXPECT_TRUE(filter) << testing::PrintToString(pattern) << " refused at " << error.position;
    return filter;
}

std::string Utf8(const std::wstring& text)
{
    std::string bytes;
    AppendUtf8(text.data(), text.size(), bytes);
    return bytes;
}

// The fast path's question: do the line's bytes hold every required literal
// and one of each set.
bool HoldsLiterals(const RegexLiterals& literals, const std::string& line)
{
    const auto holds = [&](const std::wstring& literal) {
        const CByteFinder finder(Utf8(literal), literals.foldsCase);
        return finder.Find(reinterpret_cast<const uint8_t*>(line.data()), line.size(), 0) < line.size();
    };
    for (const std::wstring& literal : literals.required)
        if (!holds(literal))
            return false;
    for (const auto& set : literals.anyOf)
        if (std::none_of(set.begin(), set.end(), holds))
            return false;
    return true;
}

using SpanList = std::vector<std::pair<size_t, size_t>>;

SpanList SpansOf(CRegexFilter& filter, const std::wstring& line)
{
    SpanList spans;
    for (const RegexSpan& span : filter.Spans(line.data(), line.size()))
        spans.emplace_back(span.start, span.length);
    return spans;
}

template <size_t N>
std::wstring Pick(std::mt19937& rng, const wchar_t* const (&pieces)[N], int count)
{
    std::wstring text;
    for (int i = 0; i < count; ++i)
        text += pieces[rng() % N];
    return text;
}

TEST(RegexFilter, PrefilteredPathJitAndInterpreterAgreeOnRandomLines)
{
    // Pieces of UTF-8 log lines, with the characters that ignoring case ties
    // to ASCII letters (Kelvin sign, long s) and text beyond the BMP.
    const wchar_t* const text[] = {L"ERROR", L"error", L"WARN", L" ", L"timeout=", L"12", L"7", L":",
                                   L"k", L"K", L"\u212a", L"s", L"S", L"\u017f", L"\u00e9", L"\u00c9",
                                   L"\u03a9", L"\U0001F600", L"ab", L"x", L"."};
    const wchar_t* const atoms[] = {L"ERROR", L"(?:error|warn)", L"timeout=\\d+", L"[0-9]{2}", L":",
                                    L".*", L"(ERROR|WARN)", L"k+s", L"x?", L"\u00e9", L"\\s", L"S{2}",
                                    L"\\.", L"ab*c", L"\u03a9+", L"\U0001F600", L"\\bwarn\\b", L"K",
                                    L"[^a-z]", L"\\d{1,3}$", L"^E", L"(?:x(*ACCEPT)y)"};
    std::mt19937 rng(25);
    size_t withLiterals = 0, matched = 0;
    for (int p = 0; p < 300; ++p) {
        std::wstring pattern = Pick(rng, atoms, 1 + rng() % 4);
        if (rng() % 5 == 0)
            pattern += L"|" + Pick(rng, atoms, 1 + rng() % 2);
        if (rng() % 3 == 0)
            pattern = L"(?i)" + pattern;
        auto jit = Compile(pattern);
        auto reference = Compile(pattern, RegexEngine::Interpreter);
        ASSERT_TRUE(jit && reference);
        ASSERT_TRUE(jit->HasUtf8() && jit->UsesJit() && !reference->UsesJit());
        withLiterals += !jit->Literals().required.empty() || !jit->Literals().anyOf.empty();
        for (int l = 0; l < 60; ++l) {
            const std::wstring line = Pick(rng, text, rng() % 12);
            const std::string bytes = Utf8(line);
            const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
            const bool expected = reference->Matches(line.data(), line.size());
            matched += expected;
            const auto where = testing::PrintToString(pattern) + " on " + testing::PrintToString(bytes);
            EXPECT_EQ(jit->Matches(line.data(), line.size()), expected) << where;
            EXPECT_EQ(jit->MatchesUtf8(data, bytes.size()), expected) << where;
            EXPECT_EQ(HoldsLiterals(jit->Literals(), bytes) && jit->MatchesUtf8(data, bytes.size()), expected)
                << where;
            EXPECT_EQ(SpansOf(*jit, line), SpansOf(*reference, line)) << where;
        }
        EXPECT_EQ(jit->TooComplexLines() + reference->TooComplexLines(), 0u) << testing::PrintToString(pattern);
    }
    // The generator must exercise both sides of each question.
    EXPECT_GT(withLiterals, 100u);
    EXPECT_GT(matched, 2000u);
    EXPECT_LT(matched, 16000u);
}

TEST(RegexFilter, BadAndHostileExpressionsEndWithAMessageOrTooComplex)
{
    const std::wstring as(100000, L'a');
    const std::wstring tenMegabytes = std::wstring(10 << 20, L'a');
    enum Outcome { Refused, TooComplex, Match, NoMatch };
    const struct {
        std::wstring pattern;
        std::wstring line;
        Outcome outcome;
        const wchar_t* message;   // the start of PCRE2's message, when refused
        size_t position;
    } rows[] = {
        {L"(abc", L"", Refused, L"missing closing parenthesis", 4},
        {L"a{2,1}", L"", Refused, L"numbers out of order in {} quantifier", 5},
        {L"[z-a]", L"", Refused, L"range out of order in character class", 3},
        {L"ab\\", L"", Refused, L"\\ at end of pattern", 3},
        {L"a\\C", L"", Refused, L"using \\C is disabled", 3},
        {L"a\xDC00", L"", Refused, L"UTF-16 error: isolated low surrogate", 1},
        {L"(a+)+$", as + L"!", TooComplex, nullptr, 0},
        {L"(x+x+)+[yz]", std::wstring(5000, L'x'), TooComplex, nullptr, 0},
        {L"^(\\w+\\s?)*$", std::wstring(3000, L'w') + L" w!", TooComplex, nullptr, 0},
        {L"(a|aa)*[bc]", as, TooComplex, nullptr, 0},
        {L"(a+)+$", tenMegabytes + L"!", TooComplex, nullptr, 0},
        {L"ERROR.*timeout=\\d+", tenMegabytes + L"ERROR: timeout=5", Match, nullptr, 0},
        {L"\\d{2}:\\d{2}", tenMegabytes, NoMatch, nullptr, 0},
    };
    for (const auto& row : rows) {
        for (RegexEngine engine : {RegexEngine::Jit, RegexEngine::Interpreter}) {
            const auto where = testing::PrintToString(row.pattern.substr(0, 20)) +
                               (engine == RegexEngine::Jit ? " (JIT)" : " (interpreter)");
            RegexError error;
            auto filter = CRegexFilter::Compile(row.pattern, error, engine);
            if (row.outcome == Refused) {
                ASSERT_FALSE(filter) << where;
                EXPECT_EQ(error.message.rfind(row.message, 0), 0u) << where << ": " << testing::PrintToString(error.message);
                EXPECT_EQ(error.position, row.position) << where;
                continue;
            }
            ASSERT_TRUE(filter) << where;
            EXPECT_EQ(filter->Matches(row.line.data(), row.line.size()), row.outcome == Match) << where;
            EXPECT_EQ(filter->TooComplexLines(), row.outcome == TooComplex ? 1u : 0u) << where;
        }
    }
}

TEST(RegexFilter, SpansCoverEachMatchInUnitsOfTheDecodedLine)
{
    const struct {
        const wchar_t* pattern;
        std::wstring line;
        SpanList spans;
    } rows[] = {
        {L"\\d+", L"a12b345", {{1, 2}, {4, 3}}},
        {L"x*", L"axxb", {{1, 2}}},
        {L"(?:|ab)", L"ab", {{0, 2}}},   // a longer match where an empty one came first
        {L".", L"\U0001F600a", {{0, 2}, {2, 1}}},
        {L"a.b", std::wstring(L"a\xD800" L"b\xDC00" L"a"), {{0, 3}}},   // lone surrogates count as one unit
        {L"(?i)stra\u00dfe", L"STRASSE Stra\u00dfe", {{8, 6}}},
    };
    for (const auto& row : rows) {
        auto filter = Compile(row.pattern);
        ASSERT_TRUE(filter);
        EXPECT_EQ(SpansOf(*filter, row.line), row.spans) << testing::PrintToString(std::wstring(row.pattern));
        EXPECT_EQ(filter->Matches(row.line.data(), row.line.size()), !row.spans.empty());
    }
}

} // namespace
