// PCRE2 as the build links it: its JIT compiles and matches under this platform
// (wine included), in the 8-bit library with UTF and in the 16-bit one.
#define PCRE2_CODE_UNIT_WIDTH 0
#include <pcre2.h>

#include <gtest/gtest.h>

#include <string>

namespace {

// One pattern, JIT-compiled, against one subject; -1 for no match, else the
// offset of the match.
template <typename Char> struct Width;
template <> struct Width<char> {
    using Code = pcre2_code_8;
    static Code* Compile(const std::string& p, int* error, PCRE2_SIZE* at)
    { return pcre2_compile_8(reinterpret_cast<PCRE2_SPTR8>(p.data()), p.size(), PCRE2_UTF, error, at, nullptr); }
    static int Jit(Code* c) { return pcre2_jit_compile_8(c, PCRE2_JIT_COMPLETE); }
    static long Match(Code* c, const std::string& s)
    {
        pcre2_match_data_8* data = pcre2_match_data_create_from_pattern_8(c, nullptr);
        const int rc = pcre2_jit_match_8(c, reinterpret_cast<PCRE2_SPTR8>(s.data()), s.size(), 0, 0, data, nullptr);
        const long at = rc > 0 ? static_cast<long>(pcre2_get_ovector_pointer_8(data)[0]) : -1;
        pcre2_match_data_free_8(data);
        return at;
    }
    static void Free(Code* c) { pcre2_code_free_8(c); }
};
template <> struct Width<char16_t> {
    using Code = pcre2_code_16;
    static Code* Compile(const std::u16string& p, int* error, PCRE2_SIZE* at)
    { return pcre2_compile_16(reinterpret_cast<PCRE2_SPTR16>(p.data()), p.size(), PCRE2_UTF, error, at, nullptr); }
    static int Jit(Code* c) { return pcre2_jit_compile_16(c, PCRE2_JIT_COMPLETE); }
    static long Match(Code* c, const std::u16string& s)
    {
        pcre2_match_data_16* data = pcre2_match_data_create_from_pattern_16(c, nullptr);
        const int rc = pcre2_jit_match_16(c, reinterpret_cast<PCRE2_SPTR16>(s.data()), s.size(), 0, 0, data, nullptr);
        const long at = rc > 0 ? static_cast<long>(pcre2_get_ovector_pointer_16(data)[0]) : -1;
        pcre2_match_data_free_16(data);
        return at;
    }
    static void Free(Code* c) { pcre2_code_free_16(c); }
};

template <typename Char>
void ExpectJitMatches(const std::basic_string<Char>& pattern, const std::basic_string<Char>& subject, long expected)
{
    int error = 0;
    PCRE2_SIZE at = 0;
    typename Width<Char>::Code* code = Width<Char>::Compile(pattern, &error, &at);
    ASSERT_NE(code, nullptr) << "compile error " << error << " at " << at;
    EXPECT_EQ(Width<Char>::Jit(code), 0) << "the JIT does not run here";
    EXPECT_EQ(Width<Char>::Match(code, subject), expected);
    Width<Char>::Free(code);
}

TEST(Pcre2Jit, CompilesAndMatchesInBothWidths)
{
    ExpectJitMatches<char>("timeout=\\d{3,}", "12:00 WARN timeout=12 timeout=1500", 22);
    ExpectJitMatches<char>("\\b(fail|abort)\\b", "failure, then abort", 14);
    ExpectJitMatches<char>("(?i)\xd0\xbe\xd1\x88\xd0\xb8\xd0\xb1\xd0\xba\xd0\xb0", "\xd0\x9e\xd0\xa8\xd0\x98\xd0\x91\xd0\x9a\xd0\x90", 0);
    ExpectJitMatches<char>("x{2}", "xax", -1);
    ExpectJitMatches<char16_t>(u"(?i)\u043e\u0448\u0438\u0431\u043a\u0430", u"ERROR \u041e\u0428\u0418\u0411\u041a\u0410", 6);
    ExpectJitMatches<char16_t>(u"[0-9]{2}:[0-9]{2}", u"at 12:51:20", 3);
}

} // namespace
