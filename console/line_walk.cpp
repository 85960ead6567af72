// Totals the amounts of indexed common lines. Invariant: the totals take the lines' amounts one
// line at a time in input order, each addition rounded to the totals' type, exactly as adding
// each amount on its own would; the amounts are the ones the exact reads give.
//
// The amounts of a group of lines are worked out first, 4 lines at a time, into a small array;
// the additions then run over the array. That way no addition waits for a load or a division,
// and the one chain that must stay in order (each total depends on the one before) is just one
// vector addition per line: the four totals a line can touch (the owner's and the letters A, B,
// C) sit in the lanes of one vector, and the line adds its amount in the owner's lane and its
// letter's lane and -0.0 in the two others. x + -0.0 is x, bit for bit, for every x (+0.0 and
// NaN included), so those lanes keep their values exactly as if nothing had been added.
//
// An amount is 1 to 5 integer digits, a point and 2 digits, so its value is the whole number of
// cents divided by 100. The cents (below 10^7 < 2^24) and 100 are exact in a float and in a
// double, so the one division rounds once, and so correctly: the same value the exact reads
// give for the text.
#include "console/line_walk.hpp"

#if defined(__x86_64__)

#include <immintrin.h>

#include <cstring>

namespace console {
namespace {

#define VANTREL_AVX2 __attribute__((target("avx2,bmi,bmi2,popcnt")))

// Lines whose amounts are worked out before they are added.
constexpr std::uint32_t kGroup = 64;

// The amount of the line from the line feed at `start` to the one at `end`, as 8 bytes with '0'
// taken off each digit: bytes 0 to 4 the integer digits (the last one in byte 4, zeros in front
// of the first), byte 5 the point, bytes 6 and 7 the fraction. The 8 bytes from the first
// integer digit are moved up by as many bytes as the integer has digits fewer than 5, which
// puts its last digit at byte 4 and pushes the line feed and what follows it out of the word.
// XOR and not subtraction: a subtraction would borrow across bytes.
[[gnu::always_inline]] inline std::uint64_t amount_bytes(const char* text, std::uint32_t start,
                                                         std::uint32_t end) noexcept {
    std::uint64_t word = 0;
    std::memcpy(&word, text + start + 3, sizeof word);
    // The line is 7 to 11 bytes long for 1 to 5 integer digits; the lines of no concern that
    // pad a group may have other lengths, and the shift count stays below 64 for them too.
    const std::uint32_t missing_digits = 11 - (end - start);
    return (word ^ 0x3030303030303030u) << ((8 * missing_digits) & 63);
}

// The whole numbers of cents of the 4 lines that start at the line feeds line_feeds[0..3] and
// end at line_feeds[1..4]: digits weighted in pairs, then pairs of pairs, with multiply-add
// instructions.
[[gnu::always_inline]] inline __m128i cents_of_4(const char* text,
                                                 const std::uint32_t* line_feeds) noexcept {
    const auto two_lines = [&](const std::uint32_t* at) {
        return _mm_set_epi64x(static_cast<long long>(amount_bytes(text, at[1], at[2])),
                              static_cast<long long>(amount_bytes(text, at[0], at[1])));
    };
    const __m128i zero = _mm_setzero_si128();
    // Per line: ten-thousands and thousands, hundreds and tens, units (the point weighs 0),
    // cents: 4 numbers below 100.
    const __m128i tens = _mm_setr_epi16(10, 1, 10, 1, 1, 0, 10, 1);
    // Then the integer's first 4 digits, and its last digit with the cents: below 10^4.
    const __m128i hundreds = _mm_set1_epi32(0x00010064);   // pairs (100, 1)
    const __m128i thousands = _mm_set1_epi32(0x000103E8);  // pairs (1000, 1)
    const __m128i first_two = two_lines(line_feeds);
    const __m128i last_two = two_lines(line_feeds + 2);
    const __m128i a = _mm_packs_epi32(_mm_madd_epi16(_mm_unpacklo_epi8(first_two, zero), tens),
                                      _mm_madd_epi16(_mm_unpackhi_epi8(first_two, zero), tens));
    const __m128i b = _mm_packs_epi32(_mm_madd_epi16(_mm_unpacklo_epi8(last_two, zero), tens),
                                      _mm_madd_epi16(_mm_unpackhi_epi8(last_two, zero), tens));
    return _mm_madd_epi16(_mm_packs_epi32(_mm_madd_epi16(a, hundreds), _mm_madd_epi16(b, hundreds)),
                          thousands);
}

// The same with AVX2: the line lengths and shift counts of the 4 lines are worked out at once,
// and the 4 words are shifted by one instruction.
VANTREL_AVX2 inline __m128i cents_of_4_avx2(const char* text,
                                            const std::uint32_t* line_feeds) noexcept {
    const auto word = [&](int line) {
        std::uint64_t w = 0;
        std::memcpy(&w, text + line_feeds[line] + 3, sizeof w);
        return static_cast<long long>(w);
    };
    const __m128i starts = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line_feeds));
    const __m128i ends = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line_feeds + 1));
    // 8 bits per integer digit short of 5; 88 or more (a shift to 0) past the last line.
    const __m128i missing_bits =
        _mm_slli_epi32(_mm_sub_epi32(_mm_set1_epi32(11), _mm_sub_epi32(ends, starts)), 3);
    const __m256i words =
        _mm256_sllv_epi64(_mm256_xor_si256(_mm256_set_epi64x(word(3), word(2), word(1), word(0)),
                                           _mm256_set1_epi8('0')),
                          _mm256_cvtepu32_epi64(missing_bits));
    const __m256i zero = _mm256_setzero_si256();
    const __m256i tens = _mm256_setr_epi16(10, 1, 10, 1, 1, 0, 10, 1, 10, 1, 10, 1, 1, 0, 10, 1);
    const __m256i hundreds = _mm256_set1_epi32(0x00010064);
    const __m256i thousands = _mm256_set1_epi32(0x000103E8);
    // Each 128-bit half works on its own: lines 0 and 1 in the low half, 2 and 3 in the high.
    const __m256i pairs =
        _mm256_packs_epi32(_mm256_madd_epi16(_mm256_unpacklo_epi8(words, zero), tens),
                           _mm256_madd_epi16(_mm256_unpackhi_epi8(words, zero), tens));
    const __m256i quads = _mm256_madd_epi16(pairs, hundreds);
    const __m256i cents = _mm256_madd_epi16(_mm256_packs_epi32(quads, quads), thousands);
    // Cents of lines 0, 1 in the low 64 bits of the low half, 2, 3 in those of the high half.
    return _mm256_castsi256_si128(_mm256_permute4x64_epi64(cents, 0x08));
}

struct CentsSse2 {
    static __m128i of_4(const char* text, const std::uint32_t* line_feeds) noexcept {
        return cents_of_4(text, line_feeds);
    }
};

struct CentsAvx2 {
    VANTREL_AVX2 static __m128i of_4(const char* text, const std::uint32_t* line_feeds) noexcept {
        return cents_of_4_avx2(text, line_feeds);
    }
};

// Lane masks by the letter's low two bits (A 1, B 2, C 3): all ones in the owner's lane and the
// letter's lane. The lanes left out take -0.0: just the sign bit. Row 0 keeps no lane: the
// entries past the last line of a group add -0.0 everywhere, which changes nothing.
template <typename Bits>
struct LaneMasks {
    alignas(32) Bits keep[4][4];
    alignas(32) Bits negative_zero[4][4];
};

template <typename Bits>
constexpr LaneMasks<Bits> make_lane_masks() {
    LaneMasks<Bits> masks{};
    constexpr Bits kSign = Bits{1} << (8 * sizeof(Bits) - 1);
    for (int letter = 0; letter < 4; ++letter) {
        for (int lane = 0; lane < 4; ++lane) {
            const bool kept = letter != 0 && (lane == 0 || lane == letter);
            masks.keep[letter][lane] = kept ? ~Bits{0} : Bits{0};
            masks.negative_zero[letter][lane] = kept ? Bits{0} : kSign;
        }
    }
    return masks;
}

constexpr LaneMasks<std::uint32_t> kFloatLanes = make_lane_masks<std::uint32_t>();
constexpr LaneMasks<std::uint64_t> kDoubleLanes = make_lane_masks<std::uint64_t>();

// The four float totals in one SSE register (the AVX2 build uses it too).
struct FloatLanes {
    using Float = float;
    __m128 sums;
    explicit FloatLanes(const float* totals) noexcept : sums(_mm_loadu_ps(totals)) {}
    void store(float* totals) const noexcept { _mm_storeu_ps(totals, sums); }
    static void amounts(float* out, __m128i cents) noexcept {
        _mm_storeu_ps(out, _mm_div_ps(_mm_cvtepi32_ps(cents), _mm_set1_ps(100.0f)));
    }
    void add(float amount, std::uint8_t letter) noexcept {
        const __m128 keep = _mm_castsi128_ps(
            _mm_load_si128(reinterpret_cast<const __m128i*>(kFloatLanes.keep[letter])));
        const __m128 zero = _mm_castsi128_ps(
            _mm_load_si128(reinterpret_cast<const __m128i*>(kFloatLanes.negative_zero[letter])));
        sums = _mm_add_ps(sums, _mm_or_ps(_mm_and_ps(_mm_set1_ps(amount), keep), zero));
    }
};

// The four double totals in two SSE2 registers: owner and A, B and C.
struct DoubleLanesSse2 {
    using Float = double;
    __m128d low;
    __m128d high;
    explicit DoubleLanesSse2(const double* totals) noexcept
        : low(_mm_loadu_pd(totals)), high(_mm_loadu_pd(totals + 2)) {}
    void store(double* totals) const noexcept {
        _mm_storeu_pd(totals, low);
        _mm_storeu_pd(totals + 2, high);
    }
    static void amounts(double* out, __m128i cents) noexcept {
        const __m128d hundred = _mm_set1_pd(100.0);
        _mm_storeu_pd(out, _mm_div_pd(_mm_cvtepi32_pd(cents), hundred));
        _mm_storeu_pd(out + 2,
                      _mm_div_pd(_mm_cvtepi32_pd(_mm_unpackhi_epi64(cents, cents)), hundred));
    }
    void add(double amount, std::uint8_t letter) noexcept {
        const auto* keep = reinterpret_cast<const __m128i*>(kDoubleLanes.keep[letter]);
        const auto* zero = reinterpret_cast<const __m128i*>(kDoubleLanes.negative_zero[letter]);
        const __m128d value = _mm_set1_pd(amount);
        low = _mm_add_pd(low, _mm_or_pd(_mm_and_pd(value, _mm_castsi128_pd(_mm_load_si128(keep))),
                                        _mm_castsi128_pd(_mm_load_si128(zero))));
        high = _mm_add_pd(high,
                          _mm_or_pd(_mm_and_pd(value, _mm_castsi128_pd(_mm_load_si128(keep + 1))),
                                    _mm_castsi128_pd(_mm_load_si128(zero + 1))));
    }
};

// The four double totals in one AVX register.
struct DoubleLanesAvx2 {
    using Float = double;
    __m256d sums;
    VANTREL_AVX2 explicit DoubleLanesAvx2(const double* totals) noexcept
        : sums(_mm256_loadu_pd(totals)) {}
    VANTREL_AVX2 void store(double* totals) const noexcept { _mm256_storeu_pd(totals, sums); }
    VANTREL_AVX2 static void amounts(double* out, __m128i cents) noexcept {
        _mm256_storeu_pd(out, _mm256_div_pd(_mm256_cvtepi32_pd(cents), _mm256_set1_pd(100.0)));
    }
    VANTREL_AVX2 void add(double amount, std::uint8_t letter) noexcept {
        const __m256d keep = _mm256_castsi256_pd(
            _mm256_load_si256(reinterpret_cast<const __m256i*>(kDoubleLanes.keep[letter])));
        const __m256d zero = _mm256_castsi256_pd(_mm256_load_si256(
            reinterpret_cast<const __m256i*>(kDoubleLanes.negative_zero[letter])));
        sums = _mm256_add_pd(sums, _mm256_or_pd(_mm256_and_pd(_mm256_set1_pd(amount), keep), zero));
    }
};

// walk_common_lines_* (see line_walk.hpp) with one way of holding the totals (Lanes) and one way
// of working out 4 amounts (Cents).
template <typename Lanes, typename Cents>
[[gnu::always_inline]] inline void walk(const char* text, LineIndex& index, std::uint32_t count,
                                        typename Lanes::Float* totals, char& letter,
                                        typename Lanes::Float& amount) noexcept {
    using Float = typename Lanes::Float;
    // Groups of 4 read past the last line: copies of its end make lines of no concern there.
    for (std::uint32_t i = 1; i <= 4; ++i) index.line_feeds[count + i] = index.line_feeds[count];
    alignas(32) Float amounts[kGroup];
    alignas(32) std::uint8_t letters[kGroup];
    Lanes lanes(totals);
    std::uint32_t n = 0;
    for (std::uint32_t group = 0; group < count; group += kGroup) {
        // Line i of the group starts at line_feeds[i] and ends at line_feeds[i + 1].
        const std::uint32_t* line_feeds = index.line_feeds + group;
        n = count - group < kGroup ? count - group : kGroup;
        for (std::uint32_t i = 0; i < n; i += 4) {
            Lanes::amounts(amounts + i, Cents::of_4(text, line_feeds + i));
            for (std::uint32_t j = i; j < i + 4; ++j) {
                const char* const line = text + line_feeds[j];
                letters[j] = static_cast<std::uint8_t>(line[1] & 3);
            }
        }
        // Whole groups of 4 additions, the entries past the last line adding nothing.
        for (std::uint32_t i = n; i % 4 != 0; ++i) letters[i] = 0;
        for (std::uint32_t i = 0; i < n; i += 4) {
            lanes.add(amounts[i], letters[i]);
            lanes.add(amounts[i + 1], letters[i + 1]);
            lanes.add(amounts[i + 2], letters[i + 2]);
            lanes.add(amounts[i + 3], letters[i + 3]);
        }
    }
    lanes.store(totals);
    letter = text[index.line_feeds[count - 1] + 1];
    amount = amounts[n - 1];
}

}  // namespace

VANTREL_AVX2 void walk_common_lines_avx2(const char* text, LineIndex& index, std::uint32_t count,
                                         double* totals, char& letter, double& amount) noexcept {
    walk<DoubleLanesAvx2, CentsAvx2>(text, index, count, totals, letter, amount);
}

VANTREL_AVX2 void walk_common_lines_avx2(const char* text, LineIndex& index, std::uint32_t count,
                                         float* totals, char& letter, float& amount) noexcept {
    walk<FloatLanes, CentsAvx2>(text, index, count, totals, letter, amount);
}

void walk_common_lines_sse2(const char* text, LineIndex& index, std::uint32_t count, double* totals,
                            char& letter, double& amount) noexcept {
    walk<DoubleLanesSse2, CentsSse2>(text, index, count, totals, letter, amount);
}

void walk_common_lines_sse2(const char* text, LineIndex& index, std::uint32_t count, float* totals,
                            char& letter, float& amount) noexcept {
    walk<FloatLanes, CentsSse2>(text, index, count, totals, letter, amount);
}

#undef VANTREL_AVX2

}  // namespace console

#endif
