// The filter language: tokens, masks, positions, Trim and ReplaceAll.
// Portable: also built natively with the sanitizers.
#include "engine/match/Utils.h"

#include <gtest/gtest.h>

namespace {

TokenList Tokens(const wchar_t* text, bool ignoreCase = false)
{
    TokenList tokens;
    CUtils::Tokenize(tokens, text, ignoreCase);
    return tokens;
}

struct TokenCase {
    const wchar_t* text;
    bool ignoreCase;
    TokenList expected;
};

TEST(Tokenize, SplitsTextIntoTokens)
{
    const TokenCase cases[] = {
        {L"*ERROR:*", false, {L"*", L"ERROR:", L"*"}},
        {L"*12:51:2?*", false, {L"*", L"12:51:2", L"?", L"*"}},
        {L"~*NoCase*", false, {L"~", L"*", L"nocase", L"*"}},
        {L"~*error*-config", false, {L"~", L"*", L"error", L"*", L"-", L"config"}},
        // Several "~" give one, at the front, wherever they stand.
        {L"a~B~", false, {L"~", L"a", L"b"}},
        {L"*Error~", false, {L"~", L"*", L"error"}},
        // Quotes only cut tokens apart; the quote characters are dropped.
        {L"p\"q r\"s", false, {L"pq r", L"s"}},
        {L"\"\"", false, {L""}},
        {L"\"*\"", false, {L"*"}},   // "*" clears the open quote
        // The ignore-case argument lower-cases without adding a marker.
        {L"*ABC*", true, {L"*", L"abc", L"*"}},
        {L"a-b", false, {L"a", L"-", L"b"}},
        // Only ASCII letters are folded.
        {L"~\u00C4B", false, {L"~", L"\u00C4b"}},
    };
    for (const TokenCase& c : cases) {
        TokenList tokens;
        EXPECT_TRUE(CUtils::Tokenize(tokens, c.text, c.ignoreCase)) << c.text;
        EXPECT_EQ(tokens, c.expected) << c.text;
    }
}

TEST(Tokenize, FailsOnNullOrEmpty)
{
    TokenList tokens = {L"kept"};
    EXPECT_FALSE(CUtils::Tokenize(tokens, nullptr, false));
    EXPECT_EQ(tokens, TokenList{L"kept"});   // a null text leaves the list alone
    EXPECT_FALSE(CUtils::Tokenize(tokens, L"", false));
    EXPECT_TRUE(tokens.empty());
    EXPECT_FALSE(CUtils::Tokenize(tokens, L"\"", false));   // an open quote, nothing in it
}

struct MatchCase {
    const wchar_t* mask;
    const wchar_t* line;
    bool expected;
};

TEST(MatchLine, TheMaskLanguage)
{
    const MatchCase cases[] = {
        {L"*ERROR:*", L"10:01 ERROR: disk full", true},
        {L"*ERROR:*", L"10:01 error: disk full", false},
        {L"~*NoCase*", L"NOCASE here", true},
        {L"~*NoCase*", L"a nocase b", true},
        {L"*12:51:2?*", L"12:51:23 start", true},
        {L"*12:51:2?*", L"stamp 12:51:2", false},   // "?" finds the cursor at the end
        {L"~*error*-config", L"Error in module", true},
        {L"~*error*-config", L"error in config", false},
        {L"~*error*-config", L"config error", true},   // the exclusion looks after the word only
        {L"-config", L"plain line", true},
        {L"-config", L"a config line", false},
        {L"-config", L"", false},
        {L"ERROR", L"disk ERROR", true},   // no wildcard: must end the line
        {L"ERROR", L"ERROR disk", false},
        {L"*12", L"12x12", false},          // the first 12 is taken, never backtracks
        {L"k?m", L"kxm", true},
        {L"k?m", L"kxxm", false},
        {L"*k?m", L"zkxxm", true},
        {L"*k?m", L"zkm", false},           // after "*", "?" needs one character skipped
        {L"*", L"", false},
        {L"*", L"x", true},
        {L"~", L"abc", false},
        {L"*a?", L"ab", false},             // a trailing "?" never matches
        {L"a*b", L"axxb", true},
        {L"a*b", L"axxbc", false},
        {L"*-*x", L"abc", false},           // "-" before "*" has no effect
        {L"*a*-b", L"ab", false},
        {L"*a*-b", L"a", true},             // the literal reached the end: the exclusion is passed
        {L"*a*-b*", L"a b", false},
        {L"*a*-b*", L"a c", true},
        {L"\"\"", L"x", false},             // an empty literal does not reach the end
        {L"*x\"\"", L"ax", true},
        // "?" is one character in any script, a pair of surrogates included.
        {L"k?m", L"k\u0436m", true},
        {L"k?m", L"k\U0001F600m", true},
        {L"k?m", L"k\u0436\u0436m", false},
        {L"*\u043e\u0448\u0438\u0431\u043a\u0430*", L"12 \u043e\u0448\u0438\u0431\u043a\u0430 x", true},
        // "~" folds ASCII letters only: Cyrillic capitals stay as they are.
        {L"~*ERR \u043e\u0448*", L"err \u043e\u0448", true},
        {L"~*\u041e\u0428*", L"\u043e\u0448", false},
    };
    for (const MatchCase& c : cases) {
        const TokenList tokens = Tokens(c.mask);
        EXPECT_EQ(CUtils::MatchLine(false, tokens, c.line), c.expected)
            << "mask '" << std::string(c.mask, c.mask + wcslen(c.mask)) << "' line '"
            << std::string(c.line, c.line + wcslen(c.line)) << "'";
    }
}

TEST(MatchLine, IgnoreCaseArgumentNeedsLowerCasedTokens)
{
    EXPECT_TRUE(CUtils::MatchLine(true, Tokens(L"*Error*", true), L"an ERROR here"));
    EXPECT_FALSE(CUtils::MatchLine(false, Tokens(L"*Error*", false), L"an ERROR here"));
}

TEST(MatchLine, BadInputIsNoMatch)
{
    EXPECT_FALSE(CUtils::MatchLine(false, TokenList{}, L"abc"));
    EXPECT_FALSE(CUtils::MatchLine(false, Tokens(L"*"), nullptr));
}

TEST(StrMaskCompare, ReportsTheLastLiteralFound)
{
    int position = 99;
    EXPECT_TRUE(CUtils::StrMaskCompare(L"10:01 ERROR: disk", Tokens(L"*ERROR:*"), position, false));
    EXPECT_EQ(position, 6);
    EXPECT_TRUE(CUtils::StrMaskCompare(L"xaxb", Tokens(L"*a*b"), position, false));
    EXPECT_EQ(position, 3);
    EXPECT_FALSE(CUtils::StrMaskCompare(L"nothing", Tokens(L"*ERROR*"), position, false));
    EXPECT_EQ(position, -1);
    EXPECT_TRUE(CUtils::StrMaskCompare(L"An Error", Tokens(L"*error*", true), position, true));
    EXPECT_EQ(position, 3);
    EXPECT_FALSE(CUtils::StrMaskCompare(L"", Tokens(L"*"), position, false));
    EXPECT_EQ(position, -1);
}

TEST(Trim, RemovesBlanksAndControlsFromBothEnds)
{
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"  \t a b \r\n\v\f", L"a b"},
        {L"   ", L""},
        {L"", L""},
        {L"x", L"x"},
        {L"\u00A0x", L"\u00A0x"},   // only space and codes 9 to 13 are blanks
    };
    for (auto [in, out] : cases) {
        CUtils::Trim(in);
        EXPECT_EQ(in, out);
    }
}

TEST(ReplaceAll, ReplacesUntilNoneIsLeft)
{
    std::wstring text = L"<a href>x</a>";
    EXPECT_TRUE(CUtils::ReplaceAll(text, L">", L"&gt;"));
    EXPECT_TRUE(CUtils::ReplaceAll(text, L"<", L"&lt;"));
    EXPECT_EQ(text, L"&lt;a href&gt;x&lt;/a&gt;");

    // Each search starts again at the start, so replacements can make new
    // occurrences that are replaced in turn.
    text = L"aab";
    EXPECT_TRUE(CUtils::ReplaceAll(text, L"ab", L"a"));
    EXPECT_EQ(text, L"aa");
    text = L"aabb";
    EXPECT_TRUE(CUtils::ReplaceAll(text, L"ab", L""));
    EXPECT_EQ(text, L"");

    text = L"none";
    EXPECT_FALSE(CUtils::ReplaceAll(text, L"x", L"y"));
    EXPECT_FALSE(CUtils::ReplaceAll(text, nullptr, L"y"));
    EXPECT_FALSE(CUtils::ReplaceAll(text, L"n", nullptr));
    EXPECT_FALSE(CUtils::ReplaceAll(text, L"", L"y"));   // an empty pattern would never end
    EXPECT_EQ(text, L"none");

    // A replacement holding the pattern would never end either: each
    // occurrence is then replaced once.
    text = L"xa";
    EXPECT_TRUE(CUtils::ReplaceAll(text, L"a", L"aa"));
    EXPECT_EQ(text, L"xaa");
}

} // namespace
