// The amounts of 4 lines worked out with AVX2: shared by the AVX2 way and the AVX-512 way.
// Included only by those ways' files; its functions carry the AVX2 target, which the AVX-512
// way's target includes.
#pragma once

#include <immintrin.h>

#include <cstdint>
#include <cstring>

#include "tally/generic/line_shape.hpp"

#define TALLY_AVX2 __attribute__((target("avx2,bmi,bmi2,popcnt")))

namespace tally::avx_lanes {

// The 8 bytes after the blank of each of the 4 lines that start at the line feeds
// line_feeds[0..3], one line per 64-bit lane, put together with broadcasts and blends (fewer
// instructions than inserts).
TALLY_AVX2 inline __m256i words_after_blanks(const char* text,
                                             const std::uint32_t* line_feeds) noexcept {
    long long w[4];
    for (int line = 0; line < 4; ++line) std::memcpy(&w[line], text + line_feeds[line] + 3, 8);
    const __m256i first = _mm256_castsi128_si256(_mm_cvtsi64_si128(w[0]));
    return _mm256_blend_epi32(
        _mm256_blend_epi32(first, _mm256_set1_epi64x(w[1]), 0x0C),
        _mm256_blend_epi32(_mm256_set1_epi64x(w[2]), _mm256_set1_epi64x(w[3]), 0xC0), 0xF0);
}

// The whole numbers of cents of the 4 plain lines (block_checks.hpp) that start at the line
// feeds line_feeds[0..3] and end at line_feeds[1..4], as one 64-bit integer per line. The 8 bytes
// after each line's blank are shifted by one instruction, by counts worked out for the 4 lines at
// once, so that the digits end in the last byte. The digits are then weighed in pairs by one
// unsigned-by-signed byte multiply-add, those pairs in pairs by a word multiply-add, and the last
// two numbers (below 10^4 each) joined by one more.
TALLY_AVX2 inline __m256i plain_cents_of_4(const char* text,
                                           const std::uint32_t* line_feeds) noexcept {
    const __m256i words = words_after_blanks(text, line_feeds);
    const __m128i starts = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line_feeds));
    const __m128i ends = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line_feeds + 1));
    // 8 bits per integer digit short of 5; 88 or more (a shift to 0) past the last line.
    const __m128i missing_bits = _mm_slli_epi32(
        _mm_sub_epi32(_mm_add_epi32(starts, _mm_set1_epi32(kLongestShortLine)), ends), 3);
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

}  // namespace tally::avx_lanes
