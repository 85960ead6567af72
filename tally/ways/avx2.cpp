// The AVX2 way: 32-byte vectors. Its functions carry the target themselves, so that the file
// builds for baseline x86-64 and they run only where the processor was found to have AVX2.
#include <immintrin.h>

#include <bit>
#include <cstdint>
#include <cstring>

#include "tally/generic/total_lines.hpp"
#include "tally/way.hpp"

// What this way uses, as target attributes and as the processor check below.
#define TALLY_AVX2 __attribute__((target("avx2,bmi,bmi2,popcnt")))

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

struct Block {
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
            static_cast<std::uint32_t>(std::popcount(line_feed)),
        };
    }
    // One SHLD instruction, where the compiler builds the plain shifts from two shifts, an OR
    // and a copy.
    template <int k>
    TALLY_AVX2 static std::uint64_t later(std::uint64_t now, std::uint64_t before) noexcept {
        __asm__("shldq %2, %1, %0" : "+r"(now) : "r"(before), "J"(k) : "cc");
        return now;
    }
    TALLY_AVX2 static std::uint32_t lowest_bit(std::uint64_t x) noexcept {
        return static_cast<std::uint32_t>(_tzcnt_u64(x));
    }
    TALLY_AVX2 static void write_ends(std::uint32_t* out, std::uint32_t base,
                                      std::uint64_t ends) noexcept {
        write_ends_one_at_a_time<Block>(out, base, ends);
    }
    TALLY_AVX2 static std::uint32_t count_bits(std::uint64_t x) noexcept {
        return static_cast<std::uint32_t>(std::popcount(x));
    }
};

// The whole numbers of cents of the 4 lines that start at the line feeds line_feeds[0..3] and
// end at line_feeds[1..4], as one 64-bit integer per line. The 8 bytes after each line's blank
// are put together with broadcasts and blends (which run on any vector port, where inserts need
// the shuffle port), and shifted by one instruction, by counts worked out for the 4 lines at
// once, so that the digits end in the last byte. The digits are then weighed in pairs by one
// unsigned-by-signed byte multiply-add, those pairs in pairs by a word multiply-add, and the
// last two numbers (below 10^4 each) joined by one more.
TALLY_AVX2 __m256i cents_of_4(const char* text, const std::uint32_t* line_feeds) noexcept {
    long long w[4];
    for (int line = 0; line < 4; ++line) std::memcpy(&w[line], text + line_feeds[line] + 3, 8);
    const __m256i first = _mm256_castsi128_si256(_mm_cvtsi64_si128(w[0]));
    const __m256i words = _mm256_blend_epi32(
        _mm256_blend_epi32(first, _mm256_set1_epi64x(w[1]), 0x0C),
        _mm256_blend_epi32(_mm256_set1_epi64x(w[2]), _mm256_set1_epi64x(w[3]), 0xC0), 0xF0);
    const __m128i starts = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line_feeds));
    const __m128i ends = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line_feeds + 1));
    // 8 bits per integer digit short of 5; 88 or more (a shift to 0) past the last line.
    const __m128i missing_bits =
        _mm_slli_epi32(_mm_sub_epi32(_mm_add_epi32(starts, _mm_set1_epi32(11)), ends), 3);
    // Per line: bytes 0 to 4 the integer digits (zeros in front), byte 5 the point, 6 and 7 the
    // fraction, each digit as its value.
    const __m256i digits = _mm256_sllv_epi64(_mm256_xor_si256(words, _mm256_set1_epi8('0')),
                                             _mm256_cvtepu32_epi64(missing_bits));
    // Ten-thousands and thousands, hundreds and tens, units (the point weighs 0), cents: 4
    // numbers below 100 per line.
    const __m256i pairs =
        _mm256_maddubs_epi16(digits, _mm256_broadcastsi128_si256(_mm_setr_epi8(
                                         10, 1, 10, 1, 1, 0, 10, 1, 10, 1, 10, 1, 1, 0, 10, 1)));
    // The integer's first 4 digits, and its last digit with the cents: below 10^4, in 32 bits.
    const __m256i quads = _mm256_madd_epi16(pairs, _mm256_set1_epi32(0x00010064));
    // Both as 16 bits in the low half of the line's 64 bits, zeros in the high half; then the
    // first times 1000 plus the second, which leaves the high 32 bits zero.
    const __m256i halves =
        _mm256_shuffle_epi8(quads, _mm256_broadcastsi128_si256(_mm_setr_epi8(
                                       0, 1, 4, 5, -1, -1, -1, -1, 8, 9, 12, 13, -1, -1, -1, -1)));
    return _mm256_madd_epi16(halves, _mm256_set1_epi64x(0x000103E8));  // words (1000, 1, 0, 0)
}

// The four double totals in one register, and the negated amounts of 4 lines at once.
struct Doubles {
    using Float = double;
    static constexpr std::uint32_t kLines = 4;
    static constexpr std::uint32_t kStride = 1;
    __m256d sums;
    TALLY_AVX2 explicit Doubles(const double* totals) noexcept : sums(_mm256_loadu_pd(totals)) {}
    TALLY_AVX2 void store(double* totals) const noexcept { _mm256_storeu_pd(totals, sums); }
    // The cents (below 2^52) are set into the significand of 2^52, and 2^52 taken off: that
    // gives them exactly, in two instructions that need no shuffle.
    TALLY_AVX2 static void amounts(double* out, const char* text,
                                   const std::uint32_t* line_feeds) noexcept {
        const __m256d two_52 = _mm256_set1_pd(4503599627370496.0);
        const __m256d whole = _mm256_sub_pd(
            _mm256_or_pd(_mm256_castsi256_pd(cents_of_4(text, line_feeds)), two_52), two_52);
        _mm256_store_pd(out, _mm256_div_pd(whole, _mm256_set1_pd(-100.0)));
    }
    TALLY_AVX2 void take(const double* negated, const char* line) noexcept {
        const auto* keep = reinterpret_cast<const double*>(kDoubleRows.row(line));
        sums =
            _mm256_sub_pd(sums, _mm256_and_pd(_mm256_broadcast_sd(negated), _mm256_load_pd(keep)));
    }
};

// The four float totals in one register. The cents (below 2^24) convert exactly to float, where
// they are, in the low 32 bits of each 64: every other float of a group's array holds an amount,
// which saves the shuffle that would pack them.
struct Floats {
    using Float = float;
    static constexpr std::uint32_t kLines = 4;
    static constexpr std::uint32_t kStride = 2;
    __m128 sums;
    TALLY_AVX2 explicit Floats(const float* totals) noexcept : sums(_mm_loadu_ps(totals)) {}
    TALLY_AVX2 void store(float* totals) const noexcept { _mm_storeu_ps(totals, sums); }
    TALLY_AVX2 static void amounts(float* out, const char* text,
                                   const std::uint32_t* line_feeds) noexcept {
        const __m256 whole = _mm256_cvtepi32_ps(cents_of_4(text, line_feeds));
        _mm256_store_ps(out, _mm256_div_ps(whole, _mm256_set1_ps(-100.0f)));
    }
    TALLY_AVX2 void take(const float* negated, const char* line) noexcept {
        const auto* keep = reinterpret_cast<const float*>(kFloatRows.row(line));
        sums = _mm_sub_ps(sums, _mm_and_ps(_mm_broadcast_ss(negated), _mm_load_ps(keep)));
    }
};

TALLY_AVX2 std::uint32_t total_doubles(LineRun<double>& run) noexcept {
    return total_lines<Block, Doubles>(run);
}

TALLY_AVX2 std::uint32_t total_floats(LineRun<float>& run) noexcept {
    return total_lines<Block, Floats>(run);
}

}  // namespace

extern const Way kAvx2Way = {"avx2", processor_has_avx2, total_doubles, total_floats};

}  // namespace tally
