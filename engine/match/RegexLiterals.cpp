// Reads the required literals out of a regular expression's text.
#include "engine/match/RegexLiterals.h"

#include <algorithm>
#include <cstddef>
#include <cwctype>

namespace {

constexpr size_t kNone = static_cast<size_t>(-1);

bool IsAsciiAlnum(wchar_t c)
{
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }

// Escapes that stand for one thing of one character's width or for an
// assertion, and take no argument after their letter.
bool IsPlainEscape(wchar_t c, wchar_t next)
{
    if (c == L'N')
        return next != L'{';   // \N{U+...} names a character
    for (const wchar_t* e = L"dDwWsShHvVRXbBAZzGKaefnrt"; *e; ++e)
        if (*e == c)
            return true;
    return false;
}

// The scanner over one expression. Positions index UTF-16 units.
class CLiteralReader {
public:
    CLiteralReader(std::wstring pattern, bool folds) : m_p(std::move(pattern)), m_folds(folds) {}

    // Fills `out` (whose foldsCase the caller sets); false for no literals.
    bool Read(RegexLiterals& out);

private:
    // The branches of an outer-level alternation, or the whole as one.
    bool SplitAlternatives(std::vector<std::wstring>& branches) const;
    bool ReadSequence();
    // True when the quantifier at `i`, if any, lets what precedes it be absent.
    bool OptionalAt(size_t i) const;
    // Each returns false when the expression holds something the reader does
    // not follow, which means: no literals.
    bool SkipClass(size_t& i) const;
    bool SkipGroup(size_t& i) const;
    bool ReadQuantifier(size_t& i, size_t& minimum) const;

    void AddChar(size_t i, size_t units);
    void EndRun();

    const std::wstring m_p;
    const bool m_folds;
    std::wstring m_run;
    size_t m_lastChar = kNone;   // where in m_run the last literal character starts
    bool m_atom = false;         // something a quantifier can apply to came last
    std::vector<std::wstring> m_found;
    std::vector<std::vector<std::wstring>> m_sets;
};

void CLiteralReader::AddChar(size_t i, size_t units)
{
    m_lastChar = m_run.size();
    for (size_t u = 0; u < units; ++u) {
        const wchar_t c = m_p[i + u];
        m_run += m_folds && c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + (L'a' - L'A')) : c;
    }
}

void CLiteralReader::EndRun()
{
    if (!m_run.empty())
        m_found.push_back(m_run);
    m_run.clear();
    m_lastChar = kNone;
}

bool CLiteralReader::SkipClass(size_t& i) const
{
    size_t j = i + 1;
    if (j < m_p.size() && m_p[j] == L'^')
        ++j;
    if (j < m_p.size() && m_p[j] == L']')   // a "]" first is a member
        ++j;
    while (j < m_p.size() && m_p[j] != L']') {
        if (m_p[j] == L'\\') {
            if (j + 1 < m_p.size() && m_p[j + 1] == L'Q')
                return false;
            j += 2;
        } else if (m_p[j] == L'[' && j + 1 < m_p.size() && m_p[j + 1] == L':') {
            const size_t end = m_p.find(L":]", j + 2);
            if (end == std::wstring::npos)
                return false;
            j = end + 2;
        } else {
            ++j;
        }
    }
    if (j >= m_p.size())
        return false;
    i = j + 1;
    return true;
}

bool CLiteralReader::SkipGroup(size_t& i) const
{
    size_t depth = 0;
    size_t j = i;
    while (j < m_p.size()) {
        const wchar_t c = m_p[j];
        if (c == L'\\') {
            if (j + 1 < m_p.size() && m_p[j + 1] == L'Q')
                return false;
            j += 2;
        } else if (c == L'[') {
            if (!SkipClass(j))
                return false;
        } else if (c == L'(') {
            if (m_p.compare(j, 3, L"(?#") == 0) {   // a comment ends at the first ")"
                const size_t end = m_p.find(L')', j);
                if (end == std::wstring::npos)
                    return false;
                j = end + 1;
                if (depth == 0) {
                    i = j;
                    return true;
                }
                continue;
            }
            // Extended mode inside a group makes "#" start a comment that may
            // hide a ")", and the group's end can no longer be found here.
            if (m_p.compare(j, 2, L"(?") == 0) {
                for (size_t k = j + 2; k < m_p.size() && (std::iswalpha(m_p[k]) || m_p[k] == L'-' || m_p[k] == L'^'); ++k)
                    if (m_p[k] == L'x')
                        return false;
            }
            ++depth;
            ++j;
        } else if (c == L')') {
            ++j;
            if (--depth == 0) {
                i = j;
                return true;
            }
        } else {
            ++j;
        }
    }
    return false;
}

bool CLiteralReader::ReadQuantifier(size_t& i, size_t& minimum) const
{
    const wchar_t c = m_p[i];
    if (c == L'*' || c == L'?') {
        minimum = 0;
        ++i;
    } else if (c == L'+') {
        minimum = 1;
        ++i;
    } else {
        // Only the forms that are a quantifier in every case: {n}, {n,}, {n,m}.
        // Any other brace is a literal to the engine, but not worth the doubt.
        size_t j = i + 1;
        size_t digits = 0;
        minimum = 0;
        while (j < m_p.size() && m_p[j] >= L'0' && m_p[j] <= L'9' && digits < 6) {
            minimum = minimum * 10 + (m_p[j] - L'0');
            ++j;
            ++digits;
        }
        if (digits == 0 || j >= m_p.size())
            return false;
        if (m_p[j] == L',') {
            ++j;
            while (j < m_p.size() && m_p[j] >= L'0' && m_p[j] <= L'9')
                ++j;
        }
        if (j >= m_p.size() || m_p[j] != L'}')
            return false;
        i = j + 1;
    }
    if (i < m_p.size() && (m_p[i] == L'+' || m_p[i] == L'?'))   // possessive or lazy
        ++i;
    return true;
}

bool CLiteralReader::SplitAlternatives(std::vector<std::wstring>& branches) const
{
    size_t from = 0;
    size_t i = 0;
    while (i < m_p.size()) {
        if (m_p[i] == L'\\') {
            if (i + 1 < m_p.size() && m_p[i + 1] == L'Q')
                return false;
            i += 2;
        } else if (m_p[i] == L'[') {
            if (!SkipClass(i))
                return false;
        } else if (m_p[i] == L'(') {
            if (!SkipGroup(i))
                return false;
        } else if (m_p[i] == L'|') {
            branches.push_back(m_p.substr(from, i - from));
            from = ++i;
        } else {
            ++i;
        }
    }
    branches.push_back(m_p.substr(from));
    return true;
}

bool CLiteralReader::Read(RegexLiterals& out)
{
    std::vector<std::wstring> branches;
    if (!SplitAlternatives(branches))
        return false;
    if (branches.size() == 1) {
        if (!ReadSequence())
            return false;
        out.required.insert(out.required.end(), m_found.begin(), m_found.end());
        out.anyOf.insert(out.anyOf.end(), m_sets.begin(), m_sets.end());
        return true;
    }
    // Each branch must hold a literal for the set to cover every match; its
    // longest one is the least likely to occur by chance.
    std::vector<std::wstring> set;
    for (std::wstring& branch : branches) {
        CLiteralReader reader(std::move(branch), m_folds);
        RegexLiterals literals;
        if (!reader.Read(literals) || literals.required.empty())
            return false;
        set.push_back(*std::max_element(literals.required.begin(), literals.required.end(),
                                        [](const std::wstring& a, const std::wstring& b) { return a.size() < b.size(); }));
    }
    out.anyOf.push_back(std::move(set));
    return true;
}

bool CLiteralReader::OptionalAt(size_t i) const
{
    if (i >= m_p.size() || (m_p[i] != L'*' && m_p[i] != L'?' && m_p[i] != L'{'))
        return false;
    size_t minimum = 0;
    return !ReadQuantifier(i, minimum) || minimum == 0;
}

bool CLiteralReader::ReadSequence()
{
    size_t i = 0;
    while (i < m_p.size()) {
        const wchar_t c = m_p[i];
        switch (c) {
        case L'|':
        case L')':
            return false;
        case L'*':
        case L'+':
        case L'?':
        case L'{': {
            size_t minimum = 0;
            if (!m_atom || !ReadQuantifier(i, minimum))
                return false;
            if (m_lastChar != kNone && minimum == 0)
                m_run.resize(m_lastChar);
            EndRun();
            m_atom = false;
            continue;
        }
        case L'[':
            if (!SkipClass(i))
                return false;
            EndRun();
            m_atom = true;
            continue;
        case L'(':
            // Options set at the outer level change how everything after them
            // reads, and "(*" verbs change the rules before the expression.
            if (m_p.compare(i, 2, L"(*") == 0)
                return false;
            if (m_p.compare(i, 2, L"(?") == 0 && i + 2 < m_p.size() &&
                (std::iswalpha(m_p[i + 2]) || m_p[i + 2] == L'-' || m_p[i + 2] == L'^')) {
                size_t k = i + 2;
                while (k < m_p.size() && (std::iswalpha(m_p[k]) || m_p[k] == L'-' || m_p[k] == L'^'))
                    ++k;
                if (k < m_p.size() && m_p[k] == L')')
                    return false;
            }
        {
            const size_t open = i;
            if (!SkipGroup(i))
                return false;
            EndRun();
            m_atom = true;
            // A plain or non-capturing group that must be there stands for
            // its content; other groups (look-arounds, named, atomic) are
            // passed over.
            const size_t from = m_p[open + 1] != L'?' ? open + 1
                                : m_p.compare(open, 3, L"(?:") == 0 ? open + 3 : kNone;
            if (from != kNone && !OptionalAt(i)) {
                CLiteralReader inner(m_p.substr(from, i - 1 - from), m_folds);
                RegexLiterals literals;
                if (inner.Read(literals)) {
                    m_found.insert(m_found.end(), literals.required.begin(), literals.required.end());
                    m_sets.insert(m_sets.end(), literals.anyOf.begin(), literals.anyOf.end());
                }
            }
            continue;
        }
        case L'.':
        case L'^':
        case L'$':
            EndRun();
            m_atom = c == L'.';
            ++i;
            continue;
        case L'\\': {
            if (i + 1 >= m_p.size())
                return false;
            const wchar_t e = m_p[i + 1];
            const wchar_t next = i + 2 < m_p.size() ? m_p[i + 2] : L'\0';
            if (IsAsciiAlnum(e)) {
                if (!IsPlainEscape(e, next))
                    return false;
                EndRun();
                m_atom = true;
                i += 2;
                continue;
            }
            ++i;   // an escaped sign stands for itself
            break;
        }
        default:
            break;
        }
        // A literal character at m_p[i].
        const size_t units = IsHighSurrogate(m_p[i]) && i + 1 < m_p.size() ? 2 : 1;
        // Ignoring case in UTF mode, "k" also matches the Kelvin sign and "s"
        // the long s, and letters beyond ASCII have other cases that a byte
        // search folding ASCII would miss: such a character ends the literal.
        const wchar_t c2 = m_p[i];
        if (m_folds && (c2 >= 0x80 || c2 == L'k' || c2 == L'K' || c2 == L's' || c2 == L'S')) {
            EndRun();
        } else {
            AddChar(i, units);
        }
        m_atom = true;
        i += units;
    }
    EndRun();
    return true;
}

} // namespace

RegexLiterals RequiredRegexLiterals(const std::wstring& pattern)
{
    RegexLiterals literals;
    literals.foldsCase = pattern.compare(0, 4, L"(?i)") == 0;
    // (*ACCEPT) ends the match where it stands, even inside a group, and
    // whatever follows is then not required.
    if (pattern.find(L"(*ACCEPT") != std::wstring::npos)
        return literals;
    CLiteralReader reader(literals.foldsCase ? pattern.substr(4) : pattern, literals.foldsCase);
    if (!reader.Read(literals))
        return RegexLiterals{{}, {}, literals.foldsCase};
    return literals;
}
