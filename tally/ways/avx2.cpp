// The AVX2 way: 32-byte vectors. Its functions carry the target themselves, so that the file
// builds for baseline x86-64 and they run only where the processor was found to have AVX2.
#include <immintrin.h>

#include <bit>
#include <cstdint>

#include "tally/generic/total_lines.hpp"
#include "tally/way.hpp"
#include "tally/ways/avx_lanes.hpp"

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

// The negated amounts of the 4 lines that start at the line feeds line_feeds[0..3], at out.
// The cents of a double (below 2^52) are set into the significand of 2^52, and 2^52 taken off:
// that gives them exactly, in two instructions that need no shuffle.
TALLY_AVX2 void amounts_of_4(double* out, const char* text,
                             const std::uint32_t* line_feeds) noexcept {
    const __m256d two_52 = _mm256_set1_pd(4503599627370496.0);
    const __m256i cents = avx_lanes::cents_of_4(text, line_feeds);
    const __m256d whole = _mm256_sub_pd(_mm256_or_pd(_mm256_castsi256_pd(cents), two_52), two_52);
    _mm256_store_pd(out, _mm256_div_pd(whole, _mm256_set1_pd(-100.0)));
}
// The cents of a float (below 2^24) convert exactly, where they are, in the low 32 bits of each
// 64: every other float at out holds an amount, which saves the shuffle that would pack them.
TALLY_AVX2 void amounts_of_4(float* out, const char* text,
                             const std::uint32_t* line_feeds) noexcept {
    const __m256 whole = _mm256_cvtepi32_ps(avx_lanes::cents_of_4(text, line_feeds));
    _mm256_store_ps(out, _mm256_div_ps(whole, _mm256_set1_ps(-100.0f)));
}

template <typename F>
using Numbers = avx_lanes::Numbers<F, 4, sizeof(F) == sizeof(float) ? 2 : 1, amounts_of_4>;

TALLY_WAY_ENTRY_POINTS(TALLY_AVX2)

}  // namespace

extern const Way kAvx2Way = {"avx2", processor_has_avx2, total<double>, total<float>};

}  // namespace tally
