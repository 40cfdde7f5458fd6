// Derives the byte literals a kept line must contain from a run's filters.
#include "engine/match/CandidatePlan.h"

#include "engine/text/TextCodec.h"

#include <algorithm>
#include <cstdint>
#include <map>

bool CCandidatePlan::Build(const std::vector<CandidateFilter>& filters, const wchar_t* toWide,
                           bool ansiLines, bool utf8Lines)
{
    m_wideLines = false;
    const bool built = BuildLiterals(filters, toWide, ansiLines, utf8Lines);
    m_finder = CAnyOfFinder(m_anyOf);
    return built;
}

bool CCandidatePlan::BuildWide(const std::vector<CandidateFilter>& filters, const wchar_t* toWide)
{
    m_wideLines = true;
    const bool built = BuildLiterals(filters, toWide, false, false);
    m_finder = CAnyOfFinder(m_anyOf);
    return built;
}

bool CCandidatePlan::BuildLiterals(const std::vector<CandidateFilter>& filters,
                                   const wchar_t* toWide, bool ansiLines, bool utf8Lines)
{
    m_anyOf.clear();
    m_keepsNothing = false;
    m_hitKeeps = false;

    // Bytes of the code page: each character of a literal must come from
    // exactly one byte, and the ASCII letters must be themselves so that
    // folding bytes folds characters.
    std::map<wchar_t, int> byteOf;
    for (int b = 1; b < 256; ++b) {
        const wchar_t c = toWide[b];
        if (c == L'\0')
            continue;
        if (byteOf.count(c))
            byteOf[c] = -1;   // two bytes for one character
        else
            byteOf[c] = b;
    }
    for (int b = 'A'; b <= 'z'; ++b)
        if ((b <= 'Z' || b >= 'a') && toWide[b] != static_cast<wchar_t>(b))
            return false;

    // The byte forms a literal takes in the lines that hold it; none when no
    // line can hold it. False when it cannot be searched as bytes.
    auto formsOf = [&](const std::wstring& literal, bool folds, std::vector<std::string>& forms) {
        forms.clear();
        for (wchar_t c : literal) {
            // No line holds a line end; a replacement character or a
            // surrogate may stand for bytes the literal does not show.
            if (c == L'\n' || c == L'\r' || c == L'\0' || c == 0xFFFD ||
                (c >= 0xD800 && c <= 0xDFFF))
                return false;
        }
        if (m_wideLines) {
            std::string bytes;
            for (wchar_t c : literal) {
                bytes.push_back(static_cast<char>(c & 0xFF));
                bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
            }
            // Folding compares haystack bytes folded with the needle's: a
            // needle byte in 'A'-'Z' (of a unit beyond ASCII) would never fit.
            if (folds)
                for (char b : bytes)
                    if (b >= 'A' && b <= 'Z')
                        return false;
            forms.push_back(bytes);
            return true;
        }
        if (ansiLines) {
            std::string bytes;
            bool held = true;
            for (wchar_t c : literal) {
                auto it = byteOf.find(c);
                if (it == byteOf.end()) {
                    held = false;   // no ANSI line holds it
                    break;
                }
                if (it->second < 0)
                    return false;
                bytes.push_back(static_cast<char>(it->second));
            }
            if (held)
                forms.push_back(bytes);
        }
        if (utf8Lines) {
            std::string bytes;
            AppendUtf8(literal.data(), literal.size(), bytes);
            if (forms.empty() || forms[0] != bytes)
                forms.push_back(bytes);
        }
        return true;
    };
    // The required literal of a filter whose shortest form is longest.
    enum class Found { Literal, NoLine, Nothing };
    auto best = [&](const CandidateFilter& f, std::vector<std::string>& chosen) {
        chosen.clear();
        size_t chosenLength = 0;
        std::vector<std::string> forms;
        for (const std::wstring& literal : f.matcher->RequiredLiterals()) {
            if (!formsOf(literal, f.matcher->LiteralsFoldCase(), forms))
                continue;
            if (forms.empty())
                return Found::NoLine;   // a required literal no line holds
            size_t shortest = forms[0].size();
            for (const std::string& form : forms)
                shortest = std::min(shortest, form.size());
            if (shortest > chosenLength) {
                chosen = forms;
                chosenLength = shortest;
            }
        }
        // A set of which every matching line holds one will do too, each
        // member searched, when its shortest member is longer than the
        // single literal ("(ERROR|WARN)" rather than the ":" of a time). A
        // member no line holds drops out.
        for (const std::vector<std::wstring>& set : f.matcher->AnyOfLiterals()) {
            std::vector<std::string> all;
            size_t shortest = SIZE_MAX;
            bool usable = true;
            for (const std::wstring& literal : set) {
                if (!formsOf(literal, f.matcher->LiteralsFoldCase(), forms)) {
                    usable = false;
                    break;
                }
                for (const std::string& form : forms)
                    shortest = std::min(shortest, form.size());
                all.insert(all.end(), forms.begin(), forms.end());
            }
            if (!usable)
                continue;
            if (all.empty())
                return Found::NoLine;
            if (shortest > chosenLength) {
                chosen = all;
                chosenLength = shortest;
            }
        }
        return chosen.empty() ? Found::Nothing : Found::Literal;
    };

    bool anyOr = false;
    bool anyAnd = false;
    for (const CandidateFilter& f : filters) {
        anyOr |= !f.isAnd;
        anyAnd |= f.isAnd;
    }

    std::vector<std::string> forms;
    if (anyOr) {
        m_hitKeeps = !anyAnd;
        for (const CandidateFilter& f : filters) {
            if (f.isAnd) {
                if (f.matcher->Empty() || best(f, forms) == Found::NoLine)
                    m_keepsNothing = true;
                continue;
            }
            if (f.matcher->Empty())
                continue;   // matches no line, so it keeps none
            const Found found = best(f, forms);
            if (found == Found::NoLine)
                continue;
            if (found == Found::Nothing) {
                m_anyOf.clear();
                m_hitKeeps = false;
                return false;
            }
            // ASCII bytes are those characters however a line is read, and
            // folding them folds the characters: such a literal's one form
            // found in a line is the filter matched.
            const std::wstring* literal = f.matcher->ContainedLiteral();
            const bool ascii = literal && forms.size() == 1 &&
                               std::equal(literal->begin(), literal->end(), forms[0].begin(),
                                          forms[0].end(), [](wchar_t c, char b) {
                                              return c < 0x80 && c == static_cast<uint8_t>(b);
                                          });
            m_hitKeeps = m_hitKeeps && ascii;
            for (const std::string& form : forms)
                m_anyOf.emplace_back(form, f.matcher->LiteralsFoldCase());
        }
        if (m_anyOf.empty())
            m_keepsNothing = true;
        return true;
    }
    // And filters only: every one must match, so the best literal of any of
    // them will do.
    std::vector<std::string> longest;
    size_t longestLength = 0;
    bool longestFolds = false;
    for (const CandidateFilter& f : filters) {
        const Found found = f.matcher->Empty() ? Found::NoLine : best(f, forms);
        if (found == Found::NoLine) {
            m_keepsNothing = true;
            return true;
        }
        if (found != Found::Literal)
            continue;
        size_t shortest = forms[0].size();
        for (const std::string& form : forms)
            shortest = std::min(shortest, form.size());
        if (shortest > longestLength) {
            longest = forms;
            longestLength = shortest;
            longestFolds = f.matcher->LiteralsFoldCase();
        }
    }
    if (longest.empty())
        return false;
    for (const std::string& form : longest)
        m_anyOf.emplace_back(form, longestFolds);
    return true;
}
