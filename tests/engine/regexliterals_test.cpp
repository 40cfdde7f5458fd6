// The literals read out of a regular expression for the prefilter.
#include "engine/match/RegexFilter.h"
#include "engine/match/RegexLiterals.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using L = std::vector<std::wstring>;

TEST(RegexLiterals, EachRequiredLiteralAndNothingInDoubt)
{
    const struct {
        const wchar_t* pattern;
        L required;
        bool folds;
        std::vector<L> anyOf;
    } rows[] = {
        {L"ERROR: .*timeout=[0-9]+", {L"ERROR: ", L"timeout="}, false, {}},
        {L"[0-9]{2}:[0-9]{2} (ERROR|WARN)", {L":", L" "}, false, {{L"ERROR", L"WARN"}}},
        {L"(?i)Disk FULL", {L"di", L" full"}, true, {}},   // k and s end a folded literal
        {L"(?i)caf\u00e9", {L"caf"}, true, {}},
        {L"ab?c", {L"a", L"c"}, false, {}},
        {L"abc+d", {L"abc", L"d"}, false, {}},
        {L"ab{0,2}c", {L"a", L"c"}, false, {}},
        {L"ab{2}?c", {L"ab", L"c"}, false, {}},
        {L"a\\.b\\d+ms", {L"a.b", L"ms"}, false, {}},
        {L"[]a]bc[[:digit:]]z", {L"bc", L"z"}, false, {}},
        {L"x(?#a(b)yz", {L"x", L"yz"}, false, {}},
        {L"\U0001F600+\u00e9?", {L"\U0001F600"}, false, {}},
        {L"(a|bc)d(?:e(f|g))+", {L"d", L"e"}, false, {{L"a", L"bc"}, {L"f", L"g"}}},
        {L"(?i)ab|x\\d*yz|[|]Q", {}, true, {{L"ab", L"yz", L"q"}}},
        {L"(abc)?d(?=ef)(?<n>gh)", {L"d"}, false, {}},
        {L"ab{0,2}c|", {}, false, {}},
        {L"\\Qa|b\\E", {}, false, {}},
        {L"abc(?x) d", {}, false, {}},
        {L"((?x)#)\n)abc", {}, false, {}},
        {L"(*UCP)abc", {}, false, {}},
        {L"\\x41bc\\cAd", {}, false, {}},
        {L"ab\\E*", {}, false, {}},
        {L"a{,3}", {}, false, {}},
        {L"(?:x(*ACCEPT)y)z", {}, false, {}},
    };
    for (const auto& row : rows) {
        const RegexLiterals literals = RequiredRegexLiterals(row.pattern);
        EXPECT_EQ(literals.required, row.required) << testing::PrintToString(std::wstring(row.pattern));
        EXPECT_EQ(literals.anyOf, row.anyOf) << testing::PrintToString(std::wstring(row.pattern));
        if (!row.required.empty() || !row.anyOf.empty()) {
            EXPECT_EQ(literals.foldsCase, row.folds);
        }
    }
}

// Ignoring case, PCRE2 lets some ASCII letters match characters beyond ASCII
// (the Kelvin sign for "k"): a byte search folding ASCII would miss those
// lines, so the reader must never put such a letter into a folded literal.
TEST(RegexLiterals, NoFoldedLiteralHoldsALetterThatMatchesBeyondAscii)
{
    std::wstring everything;
    for (wchar_t c = 0x80; c < 0xFFFF; ++c)
        if (c < 0xD800 || c > 0xDFFF)
            everything += c;
    everything += L"\U00010400\U00010428\U0001E900";   // letters with cases beyond the BMP
    std::set<wchar_t> widened;
    for (wchar_t letter = L'a'; letter <= L'z'; ++letter) {
        RegexError error;
        auto filter = CRegexFilter::Compile(std::wstring(L"(?i)") + letter, error);
        ASSERT_TRUE(filter);
        if (!filter->Spans(everything.data(), everything.size()).empty())
            widened.insert(letter);
    }
    EXPECT_FALSE(widened.empty()) << "PCRE2 no longer folds beyond ASCII: the test sees nothing";
    for (wchar_t letter : widened) {
        for (const std::wstring& literal :
             RequiredRegexLiterals(std::wstring(L"(?i)a") + letter + L"b").required)
            EXPECT_EQ(literal.find(letter), std::wstring::npos) << static_cast<char>(letter);
    }
}

} // namespace
