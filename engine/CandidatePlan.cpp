// Derives the byte literals a kept line must contain from a run's filters.
#include "engine/CandidatePlan.h"

#include <map>

namespace {

bool IsMarker(const std::wstring& t)
{
    return t.size() == 1 && (t[0] == L'*' || t[0] == L'?' || t[0] == L'-' || t[0] == L'~');
}

} // namespace

std::vector<std::wstring> CCandidatePlan::RequiredLiterals(const TokenList& tokens)
{
    // A literal right after "-" must be absent. A literal that follows such a
    // literal with no marker between them is required on some matches and
    // skipped on others, so it is not counted; a marker starts afresh.
    std::vector<std::wstring> required;
    bool excluded = false;
    for (const std::wstring& t : tokens) {
        if (IsMarker(t)) {
            if (t[0] != L'~')
                excluded = t[0] == L'-';
            continue;
        }
        if (!excluded && !t.empty())
            required.push_back(t);
    }
    return required;
}

bool CCandidatePlan::Build(const std::vector<CandidateFilter>& filters,
                           const wchar_t* toWide)
{
    m_anyOf.clear();
    m_keepsNothing = false;

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

    auto toBytes = [&](const std::wstring& literal, std::string& bytes) {
        bytes.clear();
        for (wchar_t c : literal) {
            // No line holds a line end, so such a literal is no guide.
            if (c == L'\n' || c == L'\r' || c == L'\0')
                return false;
            auto it = byteOf.find(c);
            if (it == byteOf.end() || it->second < 0)
                return false;
            bytes.push_back(static_cast<char>(it->second));
        }
        return true;
    };
    // The longest required literal of a filter that converts to bytes.
    auto best = [&](const CandidateFilter& f, std::string& bytes) {
        bytes.clear();
        std::string candidate;
        for (const std::wstring& literal : RequiredLiterals(*f.tokens)) {
            if (toBytes(literal, candidate) && candidate.size() > bytes.size())
                bytes = candidate;
        }
        return !bytes.empty();
    };

    bool anyOr = false;
    for (const CandidateFilter& f : filters)
        anyOr |= !f.isAnd;

    std::string bytes;
    if (anyOr) {
        for (const CandidateFilter& f : filters) {
            if (f.isAnd) {
                if (f.tokens->empty())
                    m_keepsNothing = true;
                continue;
            }
            if (f.tokens->empty())
                continue;   // matches no line, so it keeps none
            if (!best(f, bytes)) {
                m_anyOf.clear();
                return false;
            }
            m_anyOf.emplace_back(bytes, f.foldsCase);
        }
        if (m_anyOf.empty())
            m_keepsNothing = true;
        return true;
    }
    // And filters only: every one must match, so the longest literal of any
    // of them will do.
    std::string longest;
    bool longestFolds = false;
    for (const CandidateFilter& f : filters) {
        if (f.tokens->empty()) {
            m_keepsNothing = true;
            return true;
        }
        if (best(f, bytes) && bytes.size() > longest.size()) {
            longest = bytes;
            longestFolds = f.foldsCase;
        }
    }
    if (longest.empty())
        return false;
    m_anyOf.emplace_back(longest, longestFolds);
    return true;
}
