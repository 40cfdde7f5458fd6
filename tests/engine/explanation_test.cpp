// The words under a mask's text box, held against the matcher's decisions on sample lines.
#include "engine/match/MaskExplanation.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Row {
    const wchar_t* mask;
    bool ignoreCase;
    const wchar_t* said;
    std::vector<const wchar_t*> matching;
    std::vector<const wchar_t*> notMatching;
};

} // namespace

TEST(MaskExplanation, SaysWhatTheMatcherDecides)
{
    const Row rows[] = {
        {L"2026-05-09", false, L"Line needs \"2026\" anywhere, no \"05\" after \"2026\", no \"09\" after \"2026\". Case matters.",
         {L"2026 was a year", L"x 2026-11-01"}, {L"2026-05-09 start", L"2026-12-09", L"2025"}},
        {L"liberror-perl", false, L"Line needs \"liberror\" anywhere, no \"perl\" after \"liberror\". Case matters.",
         {L"liberror-prone-java", L"perl liberror"}, {L"liberror-perl"}},
        {L"configure", false, L"Line needs \"configure\" anywhere, and must end with that first \"configure\". Case matters.",
         {L"run configure"}, {L"configure --prefix", L"configure then configure"}},
        {L"*configure*", false, L"Line needs \"configure\" anywhere. Case matters.",
         {L"configure --prefix", L"a configure"}, {L"Configure"}},
        {L"~*error*-config", false, L"Line needs \"error\" anywhere, no \"config\" after \"error\". Case is ignored.",
         {L"Error in module", L"config error"}, {L"error in config"}},
        {L"ERROR", true, L"Line needs \"error\" anywhere, and must end with that first \"error\". Case is ignored.",
         {L"disk Error"}, {L"ERROR disk"}},
        {L"-config", false, L"Line needs no \"config\" anywhere. Case matters.", {L"abc"}, {L"a config", L""}},
        {L"*12:51:2?*", false, L"Line needs \"12:51:2\" anywhere, with a character after \"12:51:2\". Case matters.",
         {L"12:51:23 start"}, {L"ends 12:51:2"}},
        {L"k?m", false, L"Line needs \"k\" anywhere, \"m\" exactly one character after \"k\", and must end with that first \"m\". Case matters.",
         {L"kxm"}, {L"kxxm"}},
        {L"*k?m", false, L"Line needs \"k\" anywhere, \"m\" at least one character after \"k\", and must end with that first \"m\". Case matters.",
         {L"zkxxm"}, {L"zkm"}},
        {L"?x", false, L"Line needs \"x\" from the line's second character, and must end with that first \"x\". Case matters.",
         {L"ax"}, {L"x", L"aax"}},
        {L"*", false, L"Matches every line that is not empty. Case matters.", {L"a"}, {L""}},
        {L"~", false, L"Matches no line. Case is ignored.", {}, {L"a"}},
        {L"a?", false, L"Matches no line: a final ? looks for a character after the line's end. Case matters.", {},
         {L"a", L"ab"}},
        {L"-x-", false, L"Matches no line: nothing is looked for after the exclusion. Case matters.", {}, {L"a", L"x"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(row.mask)));
        EXPECT_EQ(ExplainMask(row.mask, row.ignoreCase), row.said);
        TokenList tokens;
        ASSERT_TRUE(CUtils::Tokenize(tokens, row.mask, row.ignoreCase));
        for (const wchar_t* line : row.matching)
            EXPECT_TRUE(CUtils::MatchLine(row.ignoreCase, tokens, line)) << testing::PrintToString(std::wstring(line));
        for (const wchar_t* line : row.notMatching)
            EXPECT_FALSE(CUtils::MatchLine(row.ignoreCase, tokens, line)) << testing::PrintToString(std::wstring(line));
    }
}

TEST(MaskExplanation, TheContainsOfferAndPlainText)
{
    EXPECT_TRUE(OffersContains(L"configure"));
    EXPECT_EQ(ContainsForm(L"configure"), L"*configure*");
    for (const wchar_t* special : {L"a*", L"a?", L"~a", L"2026-05-09", L"\"a\"", L""})
        EXPECT_FALSE(OffersContains(special)) << testing::PrintToString(std::wstring(special));
    // Plain text finds the text as typed, "-" and all, anywhere.
    const TokenList plain = PlainTextTokens(L"2026-05-09", false);
    EXPECT_TRUE(CUtils::MatchLine(false, plain, L"at 2026-05-09 10:00"));
    EXPECT_FALSE(CUtils::MatchLine(false, plain, L"at 2026-05-10"));
    const TokenList folded = PlainTextTokens(L"LibError-Perl", true);
    EXPECT_TRUE(CUtils::MatchLine(true, folded, L"Unpacking liberror-perl (0.17)"));
    EXPECT_FALSE(CUtils::MatchLine(true, folded, L"liberror-prone-java"));
}
