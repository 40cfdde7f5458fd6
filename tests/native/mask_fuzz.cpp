// A bounded random run of masks against lines: it must never crash or read
// out of bounds (the sanitizers watch), and the matcher's forms must agree.
// Usage: native_mask_fuzz SEED SECONDS
#include "engine/match/FilterSet.h"
#include "engine/match/Utils.h"
#include "engine/text/ByteRules.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace {

std::wstring RandomText(std::mt19937& rng, const wchar_t* alphabet, size_t maxLength)
{
    const size_t alphabetSize = wcslen(alphabet);
    std::wstring text(rng() % (maxLength + 1), L' ');
    for (wchar_t& c : text)
        c = alphabet[rng() % alphabetSize];
    return text;
}

int Fail(const char* what, unsigned long long n)
{
    std::fprintf(stderr, "case %llu: %s\n", n, what);
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    const unsigned seed = argc > 1 ? static_cast<unsigned>(std::strtoul(argv[1], nullptr, 10)) : 1;
    const double seconds = argc > 2 ? std::atof(argv[2]) : 2.0;
    std::mt19937 rng(seed);
    const auto start = std::chrono::steady_clock::now();
    unsigned long long n = 0;
    const wchar_t* maskAlphabet = L"abAB*?-~\" x";
    const wchar_t* lineAlphabet = L"abAB x-*?~\"\u00e9";
    while (std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() < seconds) {
        for (int batch = 0; batch < 1000; ++batch, ++n) {
            const std::wstring mask = RandomText(rng, maskAlphabet, 12);
            const std::wstring line = RandomText(rng, lineAlphabet, 40);
            const bool ignoreCase = rng() & 1;
            TokenList tokens;
            CUtils::Tokenize(tokens, mask.c_str(), ignoreCase);
            int position = -2;
            const bool matched = CUtils::StrMaskCompare(line.c_str(), tokens, position, ignoreCase);
            if (matched != CUtils::MatchLine(ignoreCase, tokens, line.c_str()))
                return Fail("MatchLine and StrMaskCompare disagree", n);
            if (position < -1 || position >= static_cast<int>(line.size()) + 1)
                return Fail("position out of range", n);
            // Matching a lower-cased line with the same tokens gives the same answer.
            if (CUtils::FoldsCase(tokens, ignoreCase)) {
                std::wstring folded = line;
                for (wchar_t& c : folded)
                    c = FoldAscii(c);
                if (CUtils::MatchTokens(folded.data(), folded.size(), tokens, nullptr) != matched)
                    return Fail("folded match differs", n);
            }
            // A set of one Or filter decides as the filter does.
            CFilterSet set;
            set.Build({CFilter(mask)}, ignoreCase);
            if (set.Matches(line.data(), line.size()) != matched)
                return Fail("single filter set differs", n);
            // Larger sets must not crash.
            FilterList filters;
            for (unsigned k = rng() % 4; k > 0; --k)
                filters.emplace_back(RandomText(rng, maskAlphabet, 8), rng() & 1 ? FilterAnd : FilterOr);
            set.Build(filters, ignoreCase);
            std::vector<CMatchSpan> spans;
            set.OrSpans(line.data(), line.size(), spans);
            for (const CMatchSpan& span : spans)
                if (span.length == 0 || span.begin + span.length > line.size())
                    return Fail("span out of the line", n);
            (void)set.Matches(line.data(), line.size());
            std::wstring trimmed = line;
            CUtils::Trim(trimmed);
            std::wstring replaced = line;
            CUtils::ReplaceAll(replaced, mask.c_str(), L"<>");
        }
    }
    std::printf("%llu random cases in %.1f s, seed %u: no fault\n", n, seconds, seed);
    return 0;
}
