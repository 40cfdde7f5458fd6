// CRegexFilter on PCRE2: the compiled forms it owns, the limits that keep a
// hostile expression from stalling a run, and the 8-bit and 16-bit matching.
#include "engine/match/RegexFilter.h"

#include "engine/text/TextCodec.h"

#define PCRE2_CODE_UNIT_WIDTH 0
#include <pcre2.h>

#include <algorithm>

namespace {

// Per starting place in a line, the work and backtracking depth allowed
// before the line is given up as too complex: about ten milliseconds of JIT
// work, far more than an expression that does not backtrack wildly needs.
constexpr uint32_t kMatchLimit = 1000000;
constexpr uint32_t kDepthLimit = 100000;
constexpr uint32_t kHeapLimitKib = 64 * 1024;
// The JIT's own stack, which bounds the depth of its backtracking.
constexpr size_t kJitStackStart = 32 * 1024;
constexpr size_t kJitStackMax = 4 * 1024 * 1024;

// UTF: a character is a code point in both widths, so the 8-bit and the 16-bit
// forms agree. "\C" (one code unit) would split characters differently in
// each, so it is refused.
constexpr uint32_t kCompileOptions = PCRE2_UTF | PCRE2_NEVER_BACKSLASH_C;

template <typename T, void (*Free)(T*)>
struct FreeWith {
    void operator()(T* p) const { Free(p); }
};
template <typename T, void (*Free)(T*)>
using Owned = std::unique_ptr<T, FreeWith<T, Free>>;

// Everything one code-unit width needs, each part freed by its own call.
struct Width16 {
    Owned<pcre2_code_16, pcre2_code_free_16> code;
    Owned<pcre2_match_data_16, pcre2_match_data_free_16> data;
    Owned<pcre2_match_context_16, pcre2_match_context_free_16> context;
    Owned<pcre2_jit_stack_16, pcre2_jit_stack_free_16> stack;
};
struct Width8 {
    Owned<pcre2_code_8, pcre2_code_free_8> code;
    Owned<pcre2_match_data_8, pcre2_match_data_free_8> data;
    Owned<pcre2_match_context_8, pcre2_match_context_free_8> context;
    Owned<pcre2_jit_stack_8, pcre2_jit_stack_free_8> stack;
};

// Sets up the match side of a compiled expression; false when memory runs out.
bool Prepare16(Width16& w, bool jit)
{
    w.data.reset(pcre2_match_data_create_16(1, nullptr));
    w.context.reset(pcre2_match_context_create_16(nullptr));
    if (!w.data || !w.context)
        return false;
    pcre2_set_match_limit_16(w.context.get(), kMatchLimit);
    pcre2_set_depth_limit_16(w.context.get(), kDepthLimit);
    pcre2_set_heap_limit_16(w.context.get(), kHeapLimitKib);
    if (jit && pcre2_jit_compile_16(w.code.get(), PCRE2_JIT_COMPLETE) == 0) {
        w.stack.reset(pcre2_jit_stack_create_16(kJitStackStart, kJitStackMax, nullptr));
        if (w.stack)
            pcre2_jit_stack_assign_16(w.context.get(), nullptr, w.stack.get());
    }
    return true;
}

bool Prepare8(Width8& w, bool jit)
{
    w.data.reset(pcre2_match_data_create_8(1, nullptr));
    w.context.reset(pcre2_match_context_create_8(nullptr));
    if (!w.data || !w.context)
        return false;
    pcre2_set_match_limit_8(w.context.get(), kMatchLimit);
    pcre2_set_depth_limit_8(w.context.get(), kDepthLimit);
    pcre2_set_heap_limit_8(w.context.get(), kHeapLimitKib);
    if (jit && pcre2_jit_compile_8(w.code.get(), PCRE2_JIT_COMPLETE) == 0) {
        w.stack.reset(pcre2_jit_stack_create_8(kJitStackStart, kJitStackMax, nullptr));
        if (w.stack)
            pcre2_jit_stack_assign_8(w.context.get(), nullptr, w.stack.get());
    }
    return true;
}

// The first lone surrogate of the text, or `length`: PCRE2's UTF mode refuses
// such text, while the masks see the unit like any other.
size_t FirstLoneSurrogate(const wchar_t* text, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        const wchar_t c = text[i];
        if (c < 0xD800 || c > 0xDFFF)
            continue;
        if (c <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
            ++i;
        else
            return i;
    }
    return length;
}

} // namespace

struct CRegexFilter::Compiled {
    Width16 wide;
    Width8 utf8;           // its code is null when the 8-bit form did not compile
    uint32_t matchOptions = 0;   // PCRE2_NO_JIT for the interpreter
};

std::unique_ptr<CRegexFilter> CRegexFilter::Compile(const std::wstring& pattern, RegexError& error,
                                                    RegexEngine engine)
{
    static_assert(sizeof(wchar_t) == sizeof(PCRE2_UCHAR16), "wide text is UTF-16");
    auto compiled = std::make_unique<Compiled>();
    const bool jit = engine == RegexEngine::Jit;
    compiled->matchOptions = jit ? 0 : PCRE2_NO_JIT;

    int code = 0;
    PCRE2_SIZE at = 0;
    compiled->wide.code.reset(pcre2_compile_16(reinterpret_cast<PCRE2_SPTR16>(pattern.data()),
                                               pattern.size(), kCompileOptions, &code, &at, nullptr));
    if (!compiled->wide.code) {
        PCRE2_UCHAR16 message[256];
        const int length = pcre2_get_error_message_16(code, message, 256);
        error.message.assign(message, message + std::max(length, 0));
        error.position = at;
        return nullptr;
    }
    if (!Prepare16(compiled->wide, jit)) {
        error.message = L"Not enough memory for the expression";
        error.position = 0;
        return nullptr;
    }

    // The same expression in UTF-8, for lines that are UTF-8 bytes already.
    std::string utf8;
    AppendUtf8(pattern.data(), pattern.size(), utf8);
    compiled->utf8.code.reset(pcre2_compile_8(reinterpret_cast<PCRE2_SPTR8>(utf8.data()), utf8.size(),
                                              kCompileOptions, &code, &at, nullptr));
    if (compiled->utf8.code && !Prepare8(compiled->utf8, jit))
        compiled->utf8.code.reset();

    return std::unique_ptr<CRegexFilter>(
        new CRegexFilter(std::move(compiled), RequiredRegexLiterals(pattern)));
}

CRegexFilter::CRegexFilter(std::unique_ptr<Compiled> compiled, RegexLiterals literals)
    : m_compiled(std::move(compiled)), m_literals(std::move(literals))
{
}

CRegexFilter::~CRegexFilter() = default;

bool CRegexFilter::HasUtf8() const { return m_compiled->utf8.code != nullptr; }

bool CRegexFilter::UsesJit() const { return m_compiled->wide.stack != nullptr; }

int CRegexFilter::Run16(const wchar_t* line, size_t length, size_t from, uint32_t options,
                        size_t* start, size_t* end)
{
    // A lone surrogate becomes U+FFFD in a copy: one unit for one, so every
    // position stays that of the line.
    const size_t lone = FirstLoneSurrogate(line, length);
    if (lone < length) {
        m_repaired.assign(reinterpret_cast<const char16_t*>(line), length);
        for (size_t i = lone; i < length;) {
            const size_t at = i + FirstLoneSurrogate(line + i, length - i);
            if (at >= length)
                break;
            m_repaired[at] = u'\xFFFD';
            i = at + 1;
        }
        line = reinterpret_cast<const wchar_t*>(m_repaired.data());
    }
    Width16& w = m_compiled->wide;
    const int rc = pcre2_match_16(w.code.get(), reinterpret_cast<PCRE2_SPTR16>(line), length, from,
                                  options | PCRE2_NO_UTF_CHECK | m_compiled->matchOptions,
                                  w.data.get(), w.context.get());
    if (rc == PCRE2_ERROR_NOMATCH)
        return 0;
    if (rc < 0)
        return -1;
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer_16(w.data.get());
    *start = ovector[0];
    *end = ovector[1];
    return 1;
}

bool CRegexFilter::Matches(const wchar_t* line, size_t length)
{
    size_t start = 0, end = 0;
    const int found = Run16(line, length, 0, 0, &start, &end);
    if (found < 0)
        ++m_tooComplex;
    return found > 0;
}

bool CRegexFilter::MatchesUtf8(const uint8_t* bytes, size_t length)
{
    Width8& w = m_compiled->utf8;
    if (!w.code)
        return false;
    // PCRE2 checks the bytes itself: bytes that are not UTF-8 after all are
    // matched as their UTF-8 decoding rather than read past their end.
    const int rc = pcre2_match_8(w.code.get(), bytes, length, 0, m_compiled->matchOptions,
                                 w.data.get(), w.context.get());
    if (rc >= 0)
        return true;
    if (rc == PCRE2_ERROR_NOMATCH)
        return false;
    if (rc <= PCRE2_ERROR_UTF8_ERR1 && rc >= PCRE2_ERROR_UTF8_ERR21) {
        std::wstring decoded(length, L'\0');
        decoded.resize(DecodeUtf8(bytes, length, decoded.data()));
        return Matches(decoded.data(), decoded.size());
    }
    ++m_tooComplex;
    return false;
}

std::vector<RegexSpan> CRegexFilter::Spans(const wchar_t* line, size_t length)
{
    std::vector<RegexSpan> spans;
    size_t from = 0;
    uint32_t options = 0;
    while (from <= length) {
        size_t start = 0, end = 0;
        const int found = Run16(line, length, from, options, &start, &end);
        if (found <= 0) {
            if (found == 0 && options != 0 && from < length) {
                // Nothing but the empty match here: go on from the next character.
                from += CharUnits(line, length, from);
                options = 0;
                continue;
            }
            break;
        }
        if (end > start)
            spans.push_back({start, end - start});
        from = end;
        // After an empty match, look for a non-empty one at the same place
        // before moving on, as a global search does.
        options = end == start ? PCRE2_NOTEMPTY_ATSTART | PCRE2_ANCHORED : 0;
    }
    return spans;
}
