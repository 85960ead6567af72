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

#include "tally/generic/total_lines.hpp"
#include "tally/way.hpp"
#include "tally/ways/avx_lanes.hpp"
#include "tally/ways/x86_amounts.hpp"

// What this way uses, as target attributes and as the processor check below.
#define TALLY_AVX512 \
    __attribute__((target("avx512f,avx512bw,avx512vl,avx512dq,avx512vbmi2,avx2,bmi,bmi2,popcnt")))

namespace tally {
namespace {

bool processor_has_avx512() noexcept {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512dq") &&
           __builtin_cpu_supports("avx512vbmi2") && __builtin_cpu_supports("avx2") &&
           __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2") &&
           __builtin_cpu_supports("popcnt");
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

struct Block {
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
    template <int k>
    TALLY_AVX512 static std::uint64_t later(std::uint64_t now, std::uint64_t before) noexcept {
        __asm__("shldq %2, %1, %0" : "+r"(now) : "r"(before), "J"(k) : "cc");
        return now;
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

// Byte i of each 128-bit lane holds i.
alignas(64) constexpr std::uint8_t kLaneOffsets[64] = {
    0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 0,  1,  2,  3, 4,  5,
    6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 0,  1,  2,  3,  4,  5,  6,  7,  8,  9, 10, 11,
    12, 13, 14, 15, 0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15};

// Of 4 lines whose 16-byte windows (line_shape.hpp) stand one to a 128-bit lane: per lane, the
// weighed amount in its first 64 bits and the index of its divisor in its second 64 bits. `firsts`
// holds each line's first byte of the amount in the window (19 less its length), 32 bits per line.
template <bool kSignsCount>
TALLY_AVX512 __m512i weighed_of_4_long(const char* text, const std::uint32_t* at, __m128i firsts,
                                       __m512i& divisor) noexcept {
    __m512i bytes = _mm512_setzero_si512();
    for (int j = 0; j < 4; ++j) {
        bytes = _mm512_mask_broadcast_i32x4(
            bytes, static_cast<__mmask16>(0xF << (4 * j)),
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + at[j + 1] - 16)));
    }
    // Each line's first amount byte in every byte of its lane; the amount's bytes are those at
    // or after it.
    const __m512i first = _mm512_shuffle_epi8(
        _mm512_broadcast_i32x4(firsts),
        _mm512_setr_epi32(0, 0, 0, 0, 0x04040404, 0x04040404, 0x04040404, 0x04040404, 0x08080808,
                          0x08080808, 0x08080808, 0x08080808, 0x0C0C0C0C, 0x0C0C0C0C, 0x0C0C0C0C,
                          0x0C0C0C0C));
    const std::uint64_t amount = _mm512_cmpge_epu8_mask(_mm512_load_si512(kLaneOffsets), first);
    const __m512i offset = _mm512_xor_si512(bytes, _mm512_set1_epi8('0'));
    const __m512i values = _mm512_maskz_mov_epi8(
        _mm512_cmplt_epu8_mask(offset, _mm512_set1_epi8(10)) & amount, offset);
    const std::uint64_t points = _mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8('.'));
    // Never the first two bytes of the next line's window as decimals. Per line, the first 8
    // bytes' value times 10^8 plus the last 8 bytes'.
    const __m512i octets = weighed_octets(values, points, 0x0003000300030003u);
    // The divisor's index: the point's place (bytes 13, 14, 15 weigh 1, 2, 3), plus 4 for a
    // minus sign in the amount's first byte; summed per 64 bits, then the lane's two sums.
    const std::int64_t kPlaces = 0x0302010000000000;
    __m512i weights = _mm512_maskz_mov_epi8(
        points & amount, _mm512_setr_epi64(0, kPlaces, 0, kPlaces, 0, kPlaces, 0, kPlaces));
    if constexpr (kSignsCount) {
        const std::uint64_t minus = _mm512_cmpeq_epi8_mask(bytes, _mm512_set1_epi8('-'));
        weights =
            _mm512_mask_mov_epi8(weights, minus & amount & ~(amount << 1), _mm512_set1_epi8(4));
    }
    const __m512i sums = _mm512_sad_epu8(weights, _mm512_setzero_si512());
    divisor = _mm512_add_epi64(sums, _mm512_bslli_epi128(sums, 8));
    return _mm512_add_epi64(_mm512_mul_epu32(octets, _mm512_set1_epi64(100000000)),
                            _mm512_bsrli_epi128(octets, 8));
}

// The negated amounts of 8 lines of which some amount is longer than 8 bytes, as doubles in
// line order: 4 windows to a register, as above; the 8 numbers and divisors gathered, one
// conversion and one division.
template <bool kSignsCount>
TALLY_AVX512 __m512d negated_of_8_long(const char* text, const std::uint32_t* at,
                                       __m256i lengths) noexcept {
    const __m256i firsts = _mm256_sub_epi32(_mm256_set1_epi32(19), lengths);
    __m512i first_divisors, last_divisors;
    const __m512i first_four =
        weighed_of_4_long<kSignsCount>(text, at, _mm256_castsi256_si128(firsts), first_divisors);
    const __m512i last_four = weighed_of_4_long<kSignsCount>(
        text, at + 4, _mm256_extracti128_si256(firsts, 1), last_divisors);
    const __m512i evens = _mm512_setr_epi64(0, 2, 4, 6, 8, 10, 12, 14);
    const __m512i whole = _mm512_permutex2var_epi64(first_four, evens, last_four);
    const __m512i indexes = _mm512_permutex2var_epi64(
        first_divisors, _mm512_add_epi64(evens, _mm512_set1_epi64(1)), last_divisors);
    const __m512d divisors = _mm512_permutexvar_pd(
        indexes, _mm512_setr_pd(-1.0, -1000.0, -100.0, -10.0, 1.0, 1000.0, 100.0, 10.0));
    return _mm512_div_pd(_mm512_cvtepi64_pd(whole), divisors);
}

// The negated amounts of the 8 lines that start at the line feeds at[0..7] and end at
// at[1..8], as doubles in line order. Amounts of up to 8 bytes (lines of up to 11) are read 8
// lines at once: per line, the 8 bytes from the amount's first byte on are moved up by one
// variable shift so that the amount ends in the last byte; the bytes after it (the line feed,
// the next line) leave at the top and zeros come in below, which read as leading zeros. The
// rest is as line_shape.hpp says, with the point's place taken from the byte it stands at.
// A group with a longer amount is read with 16-byte windows, 4 lines to a register.
template <bool kSignsCount>
TALLY_AVX512 __m512d negated_of_8(const char* text, const std::uint32_t* at) noexcept {
    const __m256i starts = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
    const __m256i lengths =
        _mm256_sub_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + 1)), starts);
    if (_mm256_movemask_epi8(
            _mm256_cmpgt_epi32(lengths, _mm256_set1_epi32(x86_amounts::kLongestShortLine))) != 0) {
        return negated_of_8_long<kSignsCount>(text, at, lengths);
    }
    // Eight loads: measured faster here than one gather instruction.
    long long w[8];
    for (int line = 0; line < 8; ++line) std::memcpy(&w[line], text + at[line] + 3, 8);
    const __m512i words = _mm512_setr_epi64(w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7]);
    // 8 bits per byte short of 8 bytes of amount; 88 (a shift to 0) for the lines past the last.
    const __m512i shifts = _mm512_cvtepu32_epi64(
        _mm256_slli_epi32(_mm256_sub_epi32(_mm256_set1_epi32(11), lengths), 3));
    const __m512i aligned = _mm512_sllv_epi64(words, shifts);
    // Digits as their values; the point, the sign and the zeros shifted in are not digits.
    const __m512i offset = _mm512_xor_si512(aligned, _mm512_set1_epi8('0'));
    const __m512i values =
        _mm512_maskz_mov_epi8(_mm512_cmplt_epu8_mask(offset, _mm512_set1_epi8(10)), offset);
    const std::uint64_t points = _mm512_cmpeq_epi8_mask(aligned, _mm512_set1_epi8('.'));
    // Never the first two bytes of the next line as decimals.
    const __m512i whole = weighed_octets(values, points, 0x0303030303030303u);
    // The point's place: 1 at byte 5 (two decimals), 2 at byte 6, 3 at byte 7, 0 for none.
    const __m512i place =
        _mm512_sad_epu8(_mm512_maskz_mov_epi8(points, _mm512_set1_epi64(0x0302010000000000)),
                        _mm512_setzero_si512());
    __m512d divisors =
        _mm512_permutexvar_pd(place, _mm512_setr_pd(-1.0, -1000.0, -100.0, -10.0, 0, 0, 0, 0));
    if constexpr (kSignsCount) {
        const __mmask8 minus = _mm512_cmpeq_epi64_mask(
            _mm512_and_si512(words, _mm512_set1_epi64(0xFF)), _mm512_set1_epi64('-'));
        divisors = _mm512_mask_sub_pd(divisors, minus, _mm512_setzero_pd(), divisors);
    }
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

template <typename F>
using Numbers = avx_lanes::Numbers<F, 8, 1, amounts_of_8, plain_amounts_of_8>;

TALLY_WAY_ENTRY_POINTS(TALLY_AVX512)

}  // namespace

extern const Way kAvx512Way = {"avx512", processor_has_avx512, total<double>, total<float>};

}  // namespace tally
