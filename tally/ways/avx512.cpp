// The AVX-512 way: a whole block in one register, each byte class compared straight into a mask
// register, the line ends written by one compress instruction, and the amounts of 8 lines worked
// out at once. The totals are held as in the AVX2 way, in one 256-bit (doubles) or 128-bit
// (floats) register. Its functions carry the target themselves, so that the file builds for
// baseline x86-64 and they run only where the processor was found to have what they use.

// GCC 12's AVX-512 intrinsics start from a register left undefined on purpose, which its own
// maybe-uninitialized check then reports wherever they are inlined (clang has no such check).
#if !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>
#if !defined(__clang__)
#pragma GCC diagnostic pop
#endif

#include <bit>
#include <cstdint>
#include <cstring>

#include "tally/generic/total_lines.hpp"
#include "tally/way.hpp"

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
    TALLY_AVX512 static BlockClasses classify(const char* p) noexcept {
        const __m512i bytes = _mm512_loadu_si512(p);
        const std::uint64_t line_feed = equal_64(bytes, '\n');
        return {
            line_feed,
            within_64(bytes, 'A', 3),
            equal_64(bytes, ' '),
            equal_64(bytes, '.'),
            within_64(bytes, '0', 10),
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

// The whole numbers of cents of the 8 lines that start at the line feeds line_feeds[0..7] and
// end at line_feeds[1..8], as one 64-bit integer per line: each line's 8 bytes after its blank,
// shifted by its count of missing integer digits so that the digits end in the last byte, then
// weighed by three multiply-adds (digit pairs, pairs of pairs, and the last two numbers).
TALLY_AVX512 __m512i cents_of_8(const char* text, const std::uint32_t* line_feeds) noexcept {
    alignas(64) long long w[8];
    for (int line = 0; line < 8; ++line) std::memcpy(&w[line], text + line_feeds[line] + 3, 8);
    const __m256i starts = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(line_feeds));
    const __m256i ends = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(line_feeds + 1));
    // 8 bits per integer digit short of 5; 88 or more (a shift to 0) past the last line.
    const __m256i missing_bits = _mm256_slli_epi32(
        _mm256_sub_epi32(_mm256_add_epi32(starts, _mm256_set1_epi32(11)), ends), 3);
    const __m512i digits =
        _mm512_sllv_epi64(_mm512_xor_si512(_mm512_load_si512(w), _mm512_set1_epi8('0')),
                          _mm512_cvtepu32_epi64(missing_bits));
    const __m512i pairs =
        _mm512_maddubs_epi16(digits, _mm512_broadcast_i32x4(_mm_setr_epi8(
                                         10, 1, 10, 1, 1, 0, 10, 1, 10, 1, 10, 1, 1, 0, 10, 1)));
    const __m512i quads = _mm512_madd_epi16(pairs, _mm512_set1_epi32(0x00010064));
    const __m512i halves =
        _mm512_shuffle_epi8(quads, _mm512_broadcast_i32x4(_mm_setr_epi8(
                                       0, 1, 4, 5, -1, -1, -1, -1, 8, 9, 12, 13, -1, -1, -1, -1)));
    return _mm512_madd_epi16(halves, _mm512_set1_epi64(0x000103E8));
}

// The four double totals in one 256-bit register; the amounts converted from 64-bit integers.
struct Doubles {
    using Float = double;
    static constexpr std::uint32_t kLines = 8;
    static constexpr std::uint32_t kStride = 1;
    __m256d sums;
    TALLY_AVX512 explicit Doubles(const double* totals) noexcept : sums(_mm256_loadu_pd(totals)) {}
    TALLY_AVX512 void store(double* totals) const noexcept { _mm256_storeu_pd(totals, sums); }
    TALLY_AVX512 static void amounts(double* out, const char* text,
                                     const std::uint32_t* line_feeds) noexcept {
        const __m512d whole = _mm512_cvtepi64_pd(cents_of_8(text, line_feeds));
        _mm512_store_pd(out, _mm512_div_pd(whole, _mm512_set1_pd(-100.0)));
    }
    // The line's negated amount in the lanes its letter's row keeps, +0.0 in the others.
    TALLY_AVX512 void take(const double* negated, const char* line) noexcept {
        const __m256d keep = _mm256_load_pd(reinterpret_cast<const double*>(kDoubleRows.row(line)));
        sums = _mm256_sub_pd(sums, _mm256_and_pd(_mm256_broadcast_sd(negated), keep));
    }
};

// The four float totals in one 128-bit register; the amounts packed, one float each.
struct Floats {
    using Float = float;
    static constexpr std::uint32_t kLines = 8;
    static constexpr std::uint32_t kStride = 1;
    __m128 sums;
    TALLY_AVX512 explicit Floats(const float* totals) noexcept : sums(_mm_loadu_ps(totals)) {}
    TALLY_AVX512 void store(float* totals) const noexcept { _mm_storeu_ps(totals, sums); }
    TALLY_AVX512 static void amounts(float* out, const char* text,
                                     const std::uint32_t* line_feeds) noexcept {
        const __m256 whole = _mm512_cvtepi64_ps(cents_of_8(text, line_feeds));
        _mm256_store_ps(out, _mm256_div_ps(whole, _mm256_set1_ps(-100.0f)));
    }
    TALLY_AVX512 void take(const float* negated, const char* line) noexcept {
        const __m128 keep = _mm_load_ps(reinterpret_cast<const float*>(kFloatRows.row(line)));
        sums = _mm_sub_ps(sums, _mm_and_ps(_mm_broadcast_ss(negated), keep));
    }
};

TALLY_AVX512 std::uint32_t total_doubles(LineRun<double>& run) noexcept {
    return total_lines<Block, Doubles>(run);
}

TALLY_AVX512 std::uint32_t total_floats(LineRun<float>& run) noexcept {
    return total_lines<Block, Floats>(run);
}

}  // namespace

extern const Way kAvx512Way = {"avx512", processor_has_avx512, total_doubles, total_floats};

}  // namespace tally
