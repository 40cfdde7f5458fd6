// Literal searches over raw bytes. Under wine the runtime's
// memchr and friends are several times slower than these loops.
#include "engine/match/ByteSearch.h"

#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__SSE2__) && defined(__GNUC__)
// The thirty-two-byte steps: compiled for AVX2 function by function, and
// taken only where the processor has it.
#define TILVO_WIDE_STEPS 1
#include <immintrin.h>
#define TILVO_AVX2 __attribute__((target("avx2")))
#endif

namespace {

bool ProcessorHasWideSteps()
{
#if defined(TILVO_WIDE_STEPS)
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

bool& WideStepsOn()
{
    static bool on = ProcessorHasWideSteps();
    return on;
}

// The first place among a step's candidates that `fits` takes: bit k of
// `mask` stands for the place `base + k`. SIZE_MAX when it takes none.
template <typename Fits>
inline size_t FirstFitting(uint32_t mask, size_t base, Fits fits)
{
    for (; mask; mask &= mask - 1) {
        const size_t at = base + static_cast<size_t>(__builtin_ctz(mask));
        if (fits(at))
            return at;
    }
    return SIZE_MAX;
}

#if defined(__SSE2__)
// Bytes of a 16-byte block equal to `lower`, or to its upper-case form when
// folding: one compare against the block with bit 0x20 set covers both cases
// of a letter.
inline __m128i EqualFolded(__m128i block, uint8_t lower, bool fold)
{
    if (fold && lower >= 'a' && lower <= 'z')
        block = _mm_or_si128(block, _mm_set1_epi8(0x20));
    return _mm_cmpeq_epi8(block, _mm_set1_epi8(static_cast<char>(lower)));
}
#endif

#if defined(TILVO_WIDE_STEPS)
TILVO_AVX2 inline __m256i EqualFolded32(__m256i block, uint8_t lower, bool fold)
{
    if (fold && lower >= 'a' && lower <= 'z')
        block = _mm256_or_si256(block, _mm256_set1_epi8(0x20));
    return _mm256_cmpeq_epi8(block, _mm256_set1_epi8(static_cast<char>(lower)));
}
#endif

} // namespace

bool UseWideByteSteps(bool wide)
{
    WideStepsOn() = wide && ProcessorHasWideSteps();
    return WideStepsOn();
}

CByteFinder::CByteFinder(std::string needle, bool foldAscii)
    : m_needle(std::move(needle)), m_fold(foldAscii), m_second(0)
{
    // The fingerprint's second byte: the last one that differs from the
    // first, so runs like "aaa" do not check the same byte twice.
    if (m_needle.size() > 1) {
        m_second = m_needle.size() - 1;
        while (m_second > 1 && m_needle[m_second] == m_needle[0])
            --m_second;
    }
}

bool CByteFinder::MatchesAt(const uint8_t* at) const
{
    const size_t m = m_needle.size();
    const uint8_t* n = reinterpret_cast<const uint8_t*>(m_needle.data());
    if (m_fold) {
        for (size_t k = 0; k < m; ++k)
            if (FoldAscii(at[k]) != n[k])
                return false;
        return true;
    }
    for (size_t k = 0; k < m; ++k)
        if (at[k] != n[k])
            return false;
    return true;
}

size_t CByteFinder::FindScalar(const uint8_t* data, size_t length, size_t from) const
{
    const size_t m = m_needle.size();
    if (m > length)
        return length;
    const uint8_t first = static_cast<uint8_t>(m_needle[0]);
    for (size_t i = from; i + m <= length; ++i) {
        const uint8_t b = m_fold ? FoldAscii(data[i]) : data[i];
        if (b == first && MatchesAt(data + i))
            return i;
    }
    return length;
}

size_t CByteFinder::Find(const uint8_t* data, size_t length, size_t from) const
{
    const size_t m = m_needle.size();
    if (m == 0)
        return from <= length ? from : length;
    if (from >= length || m > length - from)
        return length;
#if defined(__SSE2__)
    const uint8_t first = static_cast<uint8_t>(m_needle[0]);
    const uint8_t second = static_cast<uint8_t>(m_needle[m_second]);
    size_t i = from;
#if defined(TILVO_WIDE_STEPS)
    if (WideStepsOn()) {
        const size_t at = FindWide(data, length, i);
        if (at < length)
            return at;
    }
#endif
    // Each step tests 16 starting places: the first byte and the second
    // fingerprint byte must both fit before the whole needle is compared.
    while (i + m_second + 16 <= length) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i + m_second));
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_and_si128(EqualFolded(a, first, m_fold), EqualFolded(b, second, m_fold))));
        const size_t at = FirstFitting(mask, i, [&](size_t place) {
            return place + m <= length && MatchesAt(data + place);
        });
        if (at != SIZE_MAX)
            return at;
        i += 16;
    }
    return FindScalar(data, length, i);
#else
    return FindScalar(data, length, from);
#endif
}

#if defined(TILVO_WIDE_STEPS)
// As Find's sixteen-byte steps, thirty-two places a step. Gives the first
// place found, or `length` with `from` moved to where the steps ended, for
// the narrower steps to go on from.
TILVO_AVX2 size_t CByteFinder::FindWide(const uint8_t* data, size_t length, size_t& from) const
{
    const uint8_t first = static_cast<uint8_t>(m_needle[0]);
    const uint8_t second = static_cast<uint8_t>(m_needle[m_second]);
    const size_t m = m_needle.size();
    size_t i = from;
    while (i + m_second + 32 <= length) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + i));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + i + m_second));
        const uint32_t mask = static_cast<uint32_t>(_mm256_movemask_epi8(
            _mm256_and_si256(EqualFolded32(a, first, m_fold), EqualFolded32(b, second, m_fold))));
        const size_t at = FirstFitting(mask, i, [&](size_t place) {
            return place + m <= length && MatchesAt(data + place);
        });
        if (at != SIZE_MAX)
            return at;
        i += 32;
    }
    from = i;
    return length;
}
#endif

CAnyOfFinder::CAnyOfFinder(const std::vector<CByteFinder>& needles) : m_needles(needles)
{
    for (const CByteFinder& n : m_needles) {
        const std::string& bytes = n.Needle();
        Lane lane{};
        lane.offset = n.SecondIndex();
        const uint8_t first = static_cast<uint8_t>(bytes[0]);
        const uint8_t second = static_cast<uint8_t>(bytes[lane.offset]);
        const bool foldFirst = n.FoldsAscii() && first >= 'a' && first <= 'z';
        const bool foldSecond = n.FoldsAscii() && second >= 'a' && second <= 'z';
        for (size_t k = 0; k < 16; ++k) {
            lane.first[k] = first;
            lane.second[k] = second;
            lane.foldFirst[k] = foldFirst ? 0x20 : 0;
            lane.foldSecond[k] = foldSecond ? 0x20 : 0;
        }
        m_folds = m_folds || foldFirst || foldSecond;
        m_lanes.push_back(lane);
        if (lane.offset > m_reach)
            m_reach = lane.offset;
    }
}

bool CAnyOfFinder::AnyAt(const uint8_t* data, size_t length, size_t at) const
{
    for (const CByteFinder& n : m_needles)
        if (n.MatchesAt(data, length, at))
            return true;
    return false;
}

#if defined(__SSE2__)
template <size_t N, bool Fold>
inline unsigned CAnyOfFinder::Candidates(const Lane* lanes, size_t count, const uint8_t* p)
{
    // With N known the loop unrolls and the lanes stay in registers; without
    // folding the two or-s per lane fall away.
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    __m128i any = _mm_setzero_si128();
    const size_t n = N ? N : count;
    for (size_t k = 0; k < n; ++k) {
        const Lane& lane = lanes[k];
        __m128i head = a;
        __m128i tail = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + lane.offset));
        if (Fold) {
            head = _mm_or_si128(head, _mm_load_si128(reinterpret_cast<const __m128i*>(lane.foldFirst)));
            tail = _mm_or_si128(tail, _mm_load_si128(reinterpret_cast<const __m128i*>(lane.foldSecond)));
        }
        const __m128i hit = _mm_and_si128(
            _mm_cmpeq_epi8(head, _mm_load_si128(reinterpret_cast<const __m128i*>(lane.first))),
            _mm_cmpeq_epi8(tail, _mm_load_si128(reinterpret_cast<const __m128i*>(lane.second))));
        any = _mm_or_si128(any, hit);
    }
    return static_cast<unsigned>(_mm_movemask_epi8(any));
}

#if defined(TILVO_WIDE_STEPS)
template <size_t N, bool Fold>
TILVO_AVX2 inline uint32_t CAnyOfFinder::CandidatesWide(const Lane* lanes, size_t count,
                                                        const uint8_t* p)
{
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    __m256i any = _mm256_setzero_si256();
    const size_t n = N ? N : count;
    for (size_t k = 0; k < n; ++k) {
        const Lane& lane = lanes[k];
        __m256i head = a;
        __m256i tail = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + lane.offset));
        if (Fold) {
            head = _mm256_or_si256(head, _mm256_broadcastsi128_si256(
                _mm_load_si128(reinterpret_cast<const __m128i*>(lane.foldFirst))));
            tail = _mm256_or_si256(tail, _mm256_broadcastsi128_si256(
                _mm_load_si128(reinterpret_cast<const __m128i*>(lane.foldSecond))));
        }
        const __m256i hit = _mm256_and_si256(
            _mm256_cmpeq_epi8(head, _mm256_broadcastsi128_si256(
                _mm_load_si128(reinterpret_cast<const __m128i*>(lane.first)))),
            _mm256_cmpeq_epi8(tail, _mm256_broadcastsi128_si256(
                _mm_load_si128(reinterpret_cast<const __m128i*>(lane.second)))));
        any = _mm256_or_si256(any, hit);
    }
    return static_cast<uint32_t>(_mm256_movemask_epi8(any));
}

template <size_t N, bool Fold>
TILVO_AVX2 size_t CAnyOfFinder::FindWide(const uint8_t* data, size_t length, size_t& from) const
{
    const Lane* lanes = m_lanes.data();
    const size_t count = m_lanes.size();
    size_t i = from;
    while (i + m_reach + 32 <= length) {
        const uint32_t mask = CandidatesWide<N, Fold>(lanes, count, data + i);
        const size_t at =
            FirstFitting(mask, i, [&](size_t place) { return AnyAt(data, length, place); });
        if (at != SIZE_MAX)
            return at;
        i += 32;
    }
    from = i;
    return length;
}
#endif

template <size_t N, bool Fold>
size_t CAnyOfFinder::FindWith(const uint8_t* data, size_t length, size_t from) const
{
    const Lane* lanes = m_lanes.data();
    const size_t count = m_lanes.size();
    size_t i = from;
#if defined(TILVO_WIDE_STEPS)
    if (WideStepsOn()) {
        const size_t at = FindWide<N, Fold>(data, length, i);
        if (at < length)
            return at;
    }
#endif
    // Thirty-two places a step: one branch for both halves.
    while (i + m_reach + 32 <= length) {
        const uint32_t mask = Candidates<N, Fold>(lanes, count, data + i) |
                        (Candidates<N, Fold>(lanes, count, data + i + 16) << 16);
        const size_t at =
            FirstFitting(mask, i, [&](size_t place) { return AnyAt(data, length, place); });
        if (at != SIZE_MAX)
            return at;
        i += 32;
    }
    while (i + m_reach + 16 <= length) {
        const unsigned mask = Candidates<N, Fold>(lanes, count, data + i);
        const size_t at =
            FirstFitting(mask, i, [&](size_t place) { return AnyAt(data, length, place); });
        if (at != SIZE_MAX)
            return at;
        i += 16;
    }
    for (; i < length; ++i)
        if (AnyAt(data, length, i))
            return i;
    return length;
}

template <size_t N, bool Fold>
size_t CAnyOfFinder::FindLastWith(const uint8_t* data, size_t from, size_t length) const
{
    const Lane* lanes = m_lanes.data();
    const size_t count = m_lanes.size();
    size_t top = length;   // places below it are still to be tested
    if (length - from >= m_reach + 16) {
        size_t i = length - m_reach - 16;
        for (size_t at = length; at-- > i + 16;)
            if (AnyAt(data, length, at))
                return at;
        for (;;) {
            unsigned mask = Candidates<N, Fold>(lanes, count, data + i);
            while (mask) {
                const unsigned bit = 31u - static_cast<unsigned>(__builtin_clz(mask));
                const size_t at = i + bit;
                if (at >= from && AnyAt(data, length, at))
                    return at;
                mask &= ~(1u << bit);
            }
            if (i < from + 16) {
                top = i;
                break;
            }
            i -= 16;
        }
    }
    for (size_t at = top; at-- > from;)
        if (AnyAt(data, length, at))
            return at;
    return length;
}
#endif

size_t CAnyOfFinder::Find(const uint8_t* data, size_t length, size_t from) const
{
    if (m_needles.empty() || from >= length)
        return length;
    if (m_needles.size() == 1)
        return m_needles[0].Find(data, length, from);   // its own loop is leaner
#if defined(__SSE2__)
    // The common plans get a loop of their own size.
    switch (m_folds ? 0 : m_lanes.size()) {
    case 2:
        return FindWith<2, false>(data, length, from);
    case 3:
        return FindWith<3, false>(data, length, from);
    case 4:
        return FindWith<4, false>(data, length, from);
    default:
        return m_folds ? FindWith<0, true>(data, length, from)
                       : FindWith<0, false>(data, length, from);
    }
#else
    for (size_t i = from; i < length; ++i)
        if (AnyAt(data, length, i))
            return i;
    return length;
#endif
}

size_t CAnyOfFinder::FindLast(const uint8_t* data, size_t from, size_t length) const
{
    if (m_needles.empty() || from >= length)
        return length;
#if defined(__SSE2__)
    switch (m_folds ? 0 : m_lanes.size()) {
    case 1:
        return FindLastWith<1, false>(data, from, length);
    case 2:
        return FindLastWith<2, false>(data, from, length);
    case 3:
        return FindLastWith<3, false>(data, from, length);
    default:
        return m_folds ? FindLastWith<0, true>(data, from, length)
                       : FindLastWith<0, false>(data, from, length);
    }
#else
    for (size_t at = length; at-- > from;)
        if (AnyAt(data, length, at))
            return at;
    return length;
#endif
}
