// The AVX-512 way: a whole block in one register, each byte class compared straight into a mask
// register, the line ends written by one compress instruction, and the amounts of 8 lines
// converted and divided at once. The totals are held as in the AVX2 way (avx_lanes.hpp). Its
// functions carry the target themselves, so that the file builds for baseline x86-64 and they run
// only where the processor was found to have what they use.

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

#include "tally/generic/total_lines.hpp"
#include "tally/way.hpp"
#include "tally/ways/avx_lanes.hpp"

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

// The whole numbers of cents of the 8 lines that start at the line feeds line_feeds[0..7], as
// one 64-bit integer per line: two groups of 4 worked out as in the AVX2 way.
TALLY_AVX512 __m512i cents_of_8(const char* text, const std::uint32_t* line_feeds) noexcept {
    return _mm512_inserti64x4(_mm512_castsi256_si512(avx_lanes::cents_of_4(text, line_feeds)),
                              avx_lanes::cents_of_4(text, line_feeds + 4), 1);
}

// The negated amounts of the 8 lines that start at the line feeds line_feeds[0..7], at out,
// packed: one conversion from 64-bit integers (exact: the cents are below 2^24) and one division
// for the 8.
TALLY_AVX512 void amounts_of_8(double* out, const char* text,
                               const std::uint32_t* line_feeds) noexcept {
    _mm512_store_pd(out, _mm512_div_pd(_mm512_cvtepi64_pd(cents_of_8(text, line_feeds)),
                                       _mm512_set1_pd(-100.0)));
}
TALLY_AVX512 void amounts_of_8(float* out, const char* text,
                               const std::uint32_t* line_feeds) noexcept {
    _mm256_store_ps(out, _mm256_div_ps(_mm512_cvtepi64_ps(cents_of_8(text, line_feeds)),
                                       _mm256_set1_ps(-100.0f)));
}

template <typename F>
using Numbers = avx_lanes::Numbers<F, 8, 1, amounts_of_8>;

TALLY_WAY_ENTRY_POINTS(TALLY_AVX512)

}  // namespace

extern const Way kAvx512Way = {"avx512", processor_has_avx512, total<double>, total<float>};

}  // namespace tally
