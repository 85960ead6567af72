// The AVX2 way: 32-byte vectors. Its functions carry the target themselves, so that the file
// builds for baseline x86-64 and they run only where the processor was found to have AVX2.
#include <immintrin.h>

#include <bit>
#include <cstdint>

#include "tally/generic/lane_totals.hpp"
#include "tally/generic/total_lines.hpp"
#include "tally/way.hpp"
#include "tally/ways/avx_lanes.hpp"
#include "tally/ways/x86_amounts.hpp"

// What this way uses: TALLY_AVX2 (avx_lanes.hpp), as target attributes and as the processor
// check below.

namespace tally {
namespace {

bool processor_has_avx2() noexcept {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
           __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("popcnt");
}

TALLY_AVX2 std::uint64_t mask_64(__m256i low, __m256i high) noexcept {
    return static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm256_movemask_epi8(low))) |
           static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm256_movemask_epi8(high))) << 32;
}

TALLY_AVX2 __m256i equal_32(__m256i bytes, char c) noexcept {
    return _mm256_cmpeq_epi8(bytes, _mm256_set1_epi8(c));
}

// The `span` bytes from `low` on, moved to the bottom of the signed bytes (-128 on) and tested
// by one signed comparison.
TALLY_AVX2 __m256i within_32(__m256i bytes, char low, int span) noexcept {
    const __m256i moved = _mm256_add_epi8(bytes, _mm256_set1_epi8(static_cast<char>(0x80 - low)));
    return _mm256_cmpgt_epi8(_mm256_set1_epi8(static_cast<char>(-128 + span)), moved);
}

TALLY_AVX2 __m256i sign_32(__m256i bytes) noexcept {
    return _mm256_or_si256(equal_32(bytes, '-'), equal_32(bytes, '+'));
}

struct Block : BlockByShifts<Block> {
    template <bool kSigns>
    TALLY_AVX2 static BlockClasses classify(const char* p) noexcept {
        const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32));
        const std::uint64_t line_feed = mask_64(equal_32(low, '\n'), equal_32(high, '\n'));
        return {
            line_feed,
            mask_64(within_32(low, 'A', 3), within_32(high, 'A', 3)),
            mask_64(equal_32(low, ' '), equal_32(high, ' ')),
            mask_64(equal_32(low, '.'), equal_32(high, '.')),
            mask_64(within_32(low, '0', 10), within_32(high, '0', 10)),
            kSigns ? mask_64(sign_32(low), sign_32(high)) : 0,
            static_cast<std::uint32_t>(std::popcount(line_feed)),
        };
    }
    // One SHLD instruction, where the compiler builds the plain shifts from two shifts, an OR
    // and a copy (the one way that forces it: see later_by_shifts).
    template <int k>
    TALLY_AVX2 static std::uint64_t later(std::uint64_t now, std::uint64_t before) noexcept {
        __asm__("shldq %2, %1, %0" : "+r"(now) : "r"(before), "J"(k) : "cc");
        return now;
    }
    TALLY_AVX2 static std::uint32_t lowest_bit(std::uint64_t x) noexcept {
        return static_cast<std::uint32_t>(_tzcnt_u64(x));
    }
    TALLY_AVX2 static std::uint32_t count_bits(std::uint64_t x) noexcept {
        return static_cast<std::uint32_t>(std::popcount(x));
    }
};

// Digits as their values by a byte shuffle: a byte of the amount, XORed with '0', is a digit's
// value (0 to 9), the point (0x1E) or a sign (0x1D, 0x1B), and the bytes shifted in front of
// the amount are 0: the low four bits of each pick its value here, 0 for all but digits.
alignas(32) constexpr std::int8_t kDigitValues[32] = {
    0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 0, 0, 0};

// The negated amounts of the 4 lines that start at the line feeds at[0..3] and end at
// at[1..4], as doubles in line order. Each amount of up to 8 bytes is moved to the end of a
// 64-bit lane and read as line_shape.hpp says, its digits weighed by two multiply-adds: in
// pairs (10, 1), then pairs of pairs (100, 1), where the pair of the last two bytes weighs 10
// when they are decimals (a point stands on byte 5 or 6 of the lane); then the halves of the
// lane joined (10^4, 1). The weighed amount is brought to thousandths by the power of ten that
// the point's place picks, so that one divisor, 1000, serves every line. A longer amount is left
// unread (`unread`, bit j for line j), for the 16-byte code that the SSE2 way uses.
template <bool kSignsCount>
TALLY_AVX2 __m256d negated_of_4(const char* text, const std::uint32_t* at,
                                std::uint32_t& unread) noexcept {
    const __m128i starts = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    const __m128i lengths =
        _mm_sub_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 1)), starts);
    // Bytes short of the longest line the lanes hold: below 0 for a longer line, left unread.
    const __m128i missing = _mm_sub_epi32(_mm_set1_epi32(kLongestShortLine), lengths);
    unread = static_cast<std::uint32_t>(_mm_movemask_ps(_mm_castsi128_ps(missing)));
    const __m256i words = avx_lanes::words_after_blanks(text, at);
    // The amount in the last bytes of each 64-bit lane, XORed with '0', and zeros in front of
    // it: the bytes after the amount leave the lane (a line past the last leaves it whole).
    const __m256i aligned = _mm256_sllv_epi64(_mm256_xor_si256(words, _mm256_set1_epi8('0')),
                                              _mm256_cvtepu32_epi64(_mm_slli_epi32(missing, 3)));
    const __m256i values = _mm256_shuffle_epi8(
        _mm256_load_si256(reinterpret_cast<const __m256i*>(kDigitValues)), aligned);
    const __m256i points = _mm256_cmpeq_epi8(aligned, _mm256_set1_epi8('.' ^ '0'));
    const __m256i pairs = _mm256_maddubs_epi16(values, _mm256_set1_epi16(0x010A));  // (10, 1)
    // (100, 1, 100, 1) per lane, the last 1 made 10 where a point stands on byte 5 or 6.
    const __m256i decimals = _mm256_and_si256(_mm256_or_si256(_mm256_slli_epi64(points, 8), points),
                                              _mm256_set1_epi64x(0x0009000000000000));
    const __m256i quads =
        _mm256_madd_epi16(pairs, _mm256_add_epi16(_mm256_set1_epi32(0x00010064), decimals));
    // The two quads (at most 10890 each) as 16-bit numbers at the bottom of the lane, joined.
    const __m256i halves =
        _mm256_shuffle_epi8(quads, _mm256_broadcastsi128_si256(_mm_setr_epi8(
                                       0, 1, 4, 5, -1, -1, -1, -1, 8, 9, 12, 13, -1, -1, -1, -1)));
    const __m256i weighed = _mm256_madd_epi16(halves, _mm256_set1_epi64x(0x0000000000012710));
    // The power of ten, picked by the point's place (1 to 3, or 0 without a point).
    const __m256i place = _mm256_sad_epu8(
        _mm256_and_si256(points, _mm256_set1_epi64x(0x0302010000000000)), _mm256_setzero_si256());
    const __m256i scale =
        _mm256_permutevar8x32_epi32(_mm256_setr_epi32(1000, 1, 10, 100, 0, 0, 0, 0), place);
    const __m256i thousandths = _mm256_mul_epu32(weighed, scale);
    // Below 2^52: set into the significand of 2^52, and 2^52 taken off, gives it exactly.
    const __m256d two_52 = _mm256_set1_pd(4503599627370496.0);
    const __m256d exact =
        _mm256_sub_pd(_mm256_or_pd(_mm256_castsi256_pd(thousandths), two_52), two_52);
    __m256d divisors = _mm256_set1_pd(-1000.0);
    if constexpr (kSignsCount) {
        const __m256i minus = _mm256_cmpeq_epi64(_mm256_and_si256(words, _mm256_set1_epi64x(0xFF)),
                                                 _mm256_set1_epi64x('-'));
        divisors = _mm256_xor_pd(divisors,
                                 _mm256_and_pd(_mm256_castsi256_pd(minus), _mm256_set1_pd(-0.0)));
    }
    return _mm256_div_pd(exact, divisors);
}

TALLY_AVX2 std::uint32_t amounts_of_4(double* out, const char* text,
                                      const std::uint32_t* at) noexcept {
    std::uint32_t unread;
    _mm256_store_pd(out, negated_of_4<true>(text, at, unread));
    return unread;
}
TALLY_AVX2 std::uint32_t amounts_of_4(float* out, const char* text,
                                      const std::uint32_t* at) noexcept {
    std::uint32_t unread;
    _mm_store_ps(out, _mm256_cvtpd_ps(negated_of_4<false>(text, at, unread)));
    return unread;
}
template <typename F>
TALLY_AVX2 F amount_of_line(const char* text, const std::uint32_t* at) noexcept {
    return static_cast<F>(x86_amounts::negated_of_line<sizeof(F) == sizeof(double)>(text, at));
}

// The same for 4 plain lines: their cents divided by 100. The cents of a float (below 2^24)
// convert exactly, and the float division rounds once.
TALLY_AVX2 void plain_amounts_of_4(double* out, const char* text,
                                   const std::uint32_t* at) noexcept {
    const __m256d two_52 = _mm256_set1_pd(4503599627370496.0);
    const __m256i cents = avx_lanes::plain_cents_of_4(text, at);
    const __m256d whole = _mm256_sub_pd(_mm256_or_pd(_mm256_castsi256_pd(cents), two_52), two_52);
    _mm256_store_pd(out, _mm256_div_pd(whole, _mm256_set1_pd(-100.0)));
}
TALLY_AVX2 void plain_amounts_of_4(float* out, const char* text, const std::uint32_t* at) noexcept {
    const __m256i cents = _mm256_permutevar8x32_epi32(avx_lanes::plain_cents_of_4(text, at),
                                                      _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7));
    const __m128 whole = _mm_cvtepi32_ps(_mm256_castsi256_si128(cents));
    _mm_store_ps(out, _mm_div_ps(whole, _mm_set1_ps(-100.0f)));
}

TALLY_WAY_ENTRY_POINTS(
    TALLY_AVX2 TALLY_INLINE_ALL,
    LaneTotals<F, 4, std::uint32_t, amounts_of_4, plain_amounts_of_4, amount_of_line<F>>)

}  // namespace

extern const Way kAvx2Way = {"avx2", processor_has_avx2, total<double>, total<float>};

}  // namespace tally
