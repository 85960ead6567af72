// The AVX-512 way: a whole block in one register, each byte class compared straight into a mask
// register, the line ends written by one compress instruction, and the amounts of 8 lines
// converted and divided at once. The totals are held as in the AVX2 way (avx_lanes.hpp). Its
// functions carry the target themselves, so that the file builds for baseline x86-64 and they run
// only where the processor was found to have what they use.

// GCC 12's AVX-512 intrinsics start from a register left undefined on purpose, which its own
// uninitialized checks then report wherever they are inlined, in this file's functions too
// (clang has no such check): the checks are off for this file.
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif
#include <immintrin.h>

#include <bit>
#include <cstdint>
#include <cstring>

#include "tally/generic/lane_totals.hpp"
#include "tally/generic/total_lines.hpp"
#include "tally/way.hpp"
#include "tally/ways/avx_lanes.hpp"

// What this way uses, as target attributes and as the processor check below.
#define TALLY_AVX512 \
    __attribute__((  \
        target("avx512f,avx512bw,avx512vl,avx512dq,avx512vbmi,avx512vbmi2,avx2,bmi,bmi2,popcnt")))

namespace tally {
namespace {

bool processor_has_avx512() noexcept {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512dq") &&
           __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512vbmi2") &&
           __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
           __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("popcnt");
}

// The `span` bytes from `low` on: one subtraction and one unsigned comparison.
TALLY_AVX512 std::uint64_t within_64(__m512i bytes, char low, int span) noexcept {
    return _mm512_cmplt_epu8_mask(_mm512_sub_epi8(bytes, _mm512_set1_epi8(low)),
                                  _mm512_set1_epi8(static_cast<char>(span)));
}

TALLY_AVX512 std::uint64_t equal_64(__m512i bytes, char c) noexcept {
    return _mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8(c));
}

// Byte i holds i: the offsets within a block, for the compress below.
alignas(64) constexpr std::uint8_t kByteOffsets[64] = {
    0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21,
    22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43,
    44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63};

// `later` by plain shifts, left to the compiler, which makes some of them SHLD: not SHLD for
// all, since it takes several micro-operations on AMD Zen 4 and the checks move eleven masks a
// block.
struct Block : BlockByShifts<Block> {
    template <bool kSigns>
    TALLY_AVX512 static BlockClasses classify(const char* p) noexcept {
        const __m512i bytes = _mm512_loadu_si512(p);
        const std::uint64_t line_feed = equal_64(bytes, '\n');
        return {
            line_feed,
            within_64(bytes, 'A', 3),
            equal_64(bytes, ' '),
            equal_64(bytes, '.'),
            within_64(bytes, '0', 10),
            kSigns ? equal_64(bytes, '-') | equal_64(bytes, '+') : 0,
            static_cast<std::uint32_t>(std::popcount(line_feed)),
        };
    }
    // All at once: the offsets of the bits are packed to the front of a register, widened to 16
    // offsets of 32 bits and stored whole. (The zero-masked forms of the widening and of taking
    // the low 16 bytes: the plain forms in GCC 12's headers start from an undefined register.)
    TALLY_AVX512 static void write_ends(std::uint32_t* out, std::uint32_t base,
                                        std::uint64_t ends) noexcept {
        const __m512i packed = _mm512_maskz_compress_epi8(ends, _mm512_load_si512(kByteOffsets));
        const __m128i first_16 = _mm512_maskz_extracti32x4_epi32(0xF, packed, 0);
        const __m512i offsets = _mm512_add_epi32(_mm512_maskz_cvtepu8_epi32(0xFFFF, first_16),
                                                 _mm512_set1_epi32(static_cast<int>(base)));
        _mm512_storeu_si512(out, offsets);
    }
    TALLY_AVX512 static std::uint32_t count_bits(std::uint64_t x) noexcept {
        return static_cast<std::uint32_t>(std::popcount(x));
    }
};

// The value of each 8 bytes of `values` (digits' values, 0 elsewhere) in its 64 bits, read as
// line_shape.hpp says: the 1 or 2 bytes after each of `points` (except `not_decimals`) weigh ten
// times their value. Pairs by an unsigned-by-signed byte multiply-add, quads by a word
// multiply-add (a pair of decimals is at most 990, their quad 10890), and the two quads joined.
TALLY_AVX512 __m512i weighed_octets(__m512i values, std::uint64_t points,
                                    std::uint64_t not_decimals) noexcept {
    const std::uint64_t decimals = ((points << 1) | (points << 2)) & ~not_decimals;
    const __m512i nine_times = _mm512_add_epi8(_mm512_slli_epi16(values, 3), values);
    const __m512i weighed = _mm512_mask_add_epi8(values, decimals, values, nine_times);
    const __m512i pairs = _mm512_maddubs_epi16(weighed, _mm512_set1_epi16(0x010A));  // (10, 1)
    const __m512i quads = _mm512_madd_epi16(pairs, _mm512_set1_epi32(0x00010064));   // (100, 1)
    return _mm512_add_epi64(_mm512_mul_epu32(quads, _mm512_set1_epi64(10000)),
                            _mm512_srli_epi64(quads, 32));
}

// The digits of `bytes` that `amount` marks, as their values, 0 elsewhere: the point, the signs
// and the bytes outside the amount are not digits.
TALLY_AVX512 __m512i digit_values(__m512i bytes, std::uint64_t amount) noexcept {
    const __m512i offset = _mm512_xor_si512(bytes, _mm512_set1_epi8('0'));
    return _mm512_maskz_mov_epi8(_mm512_cmplt_epu8_mask(offset, _mm512_set1_epi8(10)) & amount,
                                 offset);
}

// For the 8 lines of a group, byte b of 64-bit lane j picks byte 4j of a register of 8 32-bit
// numbers: each line's number in all 8 bytes of its lane.
alignas(64) constexpr std::uint8_t kLineOfLane[64] = {
    0,  0,  0,  0,  0,  0,  0,  0,  4,  4,  4,  4,  4,  4,  4,  4,  8,  8,  8,  8,  8,  8,
    8,  8,  12, 12, 12, 12, 12, 12, 12, 12, 16, 16, 16, 16, 16, 16, 16, 16, 20, 20, 20, 20,
    20, 20, 20, 20, 24, 24, 24, 24, 24, 24, 24, 24, 28, 28, 28, 28, 28, 28, 28, 28};

// Byte b of each 64-bit lane holds b - 8: added to a line's end, the places of its last 8 bytes.
alignas(64) constexpr std::int8_t kLastEight[64] = {
    -8, -7, -6, -5, -4, -3, -2, -1, -8, -7, -6, -5, -4, -3, -2, -1, -8, -7, -6, -5, -4, -3,
    -2, -1, -8, -7, -6, -5, -4, -3, -2, -1, -8, -7, -6, -5, -4, -3, -2, -1, -8, -7, -6, -5,
    -4, -3, -2, -1, -8, -7, -6, -5, -4, -3, -2, -1, -8, -7, -6, -5, -4, -3, -2, -1};

// Each line's number in the 8 bytes of its lane (kLineOfLane), as bytes.
TALLY_AVX512 __m512i bytes_by_line(__m256i numbers) noexcept {
    return _mm512_permutexvar_epi8(_mm512_load_si512(kLineOfLane), _mm512_castsi256_si512(numbers));
}

// The negated amounts of the 8 lines that start at the line feeds at[0..7] and end at
// at[1..8], as doubles in line order, all read the same way whatever their lengths. The group
// lies within the 128 bytes from its first line feed (16 bytes a line at most), which two
// registers hold; two byte permutes then put each line's window (line_shape.hpp) in a 64-bit
// lane of two registers: its last 8 bytes, which hold every point, and the 8 before them, which
// hold only the sign and integer digits of amounts longer than 8 bytes. A byte is the amount's
// when its place in the group is at or after the amount's first byte; the rest is as
// line_shape.hpp says, the place of the point taken from the byte it stands at.
template <bool kSignsCount>
TALLY_AVX512 __m512d negated_of_8(const char* text, const std::uint32_t* at) noexcept {
    const char* const group = text + at[0];
    const auto span = at[8] - at[0];
    // Only the group's bytes: what follows its last line may be past the end of what is read.
    const __m512i first_64 = _mm512_maskz_loadu_epi8(_bzhi_u64(~std::uint64_t{0}, span), group);
    const __m512i next_64 = _mm512_maskz_loadu_epi8(
        span > 64 ? _bzhi_u64(~std::uint64_t{0}, span - 64) : 0, group + 64);
    // Places in the group, as signed bytes: ends up to 128, so the last 8 bytes before an end
    // are at -4 to 127 (a place below 0, before the group, picks a byte from its end, which
    // the amount never takes). The lines past the last, with equal start and end, may take any
    // bytes: any value will do for them.
    const __m256i from = _mm256_set1_epi32(static_cast<int>(at[0]));
    const __m256i starts = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
    const __m256i ends = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + 1));
    const __m512i last_8_at =
        _mm512_add_epi8(bytes_by_line(_mm256_sub_epi32(ends, from)), _mm512_load_si512(kLastEight));
    const __m512i first_8_at = _mm512_sub_epi8(last_8_at, _mm512_set1_epi8(8));
    const __m512i amount_from =
        bytes_by_line(_mm256_add_epi32(_mm256_sub_epi32(starts, from), _mm256_set1_epi32(3)));
    const std::uint64_t in_last_8 = _mm512_cmpge_epi8_mask(last_8_at, amount_from);
    const std::uint64_t in_first_8 = _mm512_cmpge_epi8_mask(first_8_at, amount_from);
    const __m512i last_8 = _mm512_permutex2var_epi8(first_64, last_8_at, next_64);
    const __m512i first_8 = _mm512_permutex2var_epi8(first_64, first_8_at, next_64);
    const std::uint64_t points = _mm512_cmpeq_epi8_mask(last_8, _mm512_set1_epi8('.')) & in_last_8;
    // Never the first two bytes of the next line's window as decimals.
    const __m512i low =
        weighed_octets(digit_values(last_8, in_last_8), points, 0x0303030303030303u);
    const __m512i high = weighed_octets(digit_values(first_8, in_first_8), 0, 0);
    const __m512i whole =
        _mm512_add_epi64(low, _mm512_mul_epu32(high, _mm512_set1_epi64(100000000)));
    // The divisor's index: the point's place (bytes 5, 6, 7 weigh 1, 2, 3, two decimals to
    // none), plus 4 for a minus sign, summed per line.
    __m512i weights = _mm512_maskz_mov_epi8(points, _mm512_set1_epi64(0x0302010000000000));
    if constexpr (kSignsCount) {
        const std::uint64_t minus =
            (_mm512_cmpeq_epi8_mask(last_8, _mm512_set1_epi8('-')) & in_last_8) |
            (_mm512_cmpeq_epi8_mask(first_8, _mm512_set1_epi8('-')) & in_first_8);
        weights = _mm512_mask_add_epi8(weights, minus, weights, _mm512_set1_epi8(4));
    }
    const __m512i index = _mm512_sad_epu8(weights, _mm512_setzero_si512());
    const __m512d divisors = _mm512_permutexvar_pd(
        index, _mm512_setr_pd(-1.0, -1000.0, -100.0, -10.0, 1.0, 1000.0, 100.0, 10.0));
    return _mm512_div_pd(_mm512_cvtepi64_pd(whole), divisors);
}

TALLY_AVX512 void amounts_of_8(double* out, const char* text, const std::uint32_t* at) noexcept {
    _mm512_store_pd(out, negated_of_8<true>(text, at));
}
TALLY_AVX512 void amounts_of_8(float* out, const char* text, const std::uint32_t* at) noexcept {
    _mm256_store_ps(out, _mm512_maskz_cvtpd_ps(0xFF, negated_of_8<false>(text, at)));
}

// The same for 8 plain lines: their cents (two groups of 4 worked out as in the AVX2 way)
// divided by 100, one conversion and one division for the 8.
TALLY_AVX512 __m512i plain_cents_of_8(const char* text, const std::uint32_t* at) noexcept {
    return _mm512_maskz_inserti64x4(0xFF,
                                    _mm512_castsi256_si512(avx_lanes::plain_cents_of_4(text, at)),
                                    avx_lanes::plain_cents_of_4(text, at + 4), 1);
}
TALLY_AVX512 void plain_amounts_of_8(double* out, const char* text,
                                     const std::uint32_t* at) noexcept {
    _mm512_store_pd(
        out, _mm512_div_pd(_mm512_cvtepi64_pd(plain_cents_of_8(text, at)), _mm512_set1_pd(-100.0)));
}
TALLY_AVX512 void plain_amounts_of_8(float* out, const char* text,
                                     const std::uint32_t* at) noexcept {
    _mm256_store_ps(out, _mm256_div_ps(_mm512_cvtepi64_ps(plain_cents_of_8(text, at)),
                                       _mm256_set1_ps(-100.0f)));
}

TALLY_WAY_ENTRY_POINTS(TALLY_AVX512 TALLY_INLINE_ALL,
                       LaneTotals<F, 8, void, amounts_of_8, plain_amounts_of_8>)

}  // namespace

extern const Way kAvx512Way = {"avx512", processor_has_avx512, total<double>, total<float>};

}  // namespace tally
