// The negated amounts of 4 common lines with 16-byte vectors (line_shape.hpp says how an amount
// is read): the SSE2 way's, and the AVX2 way's too, which compiles the same functions under
// its own target attributes (everything here is always inlined into it).
// Included only by those ways' files.
//
// Most amounts are 8 bytes or shorter (up to 5 integer digits with 2 decimals): 4 such lines
// are read with 8-byte windows, 2 lines to a register. A longer amount is read on its own with
// a 16-byte window.
#pragma once

#include <emmintrin.h>

#include <cstdint>

#include "tally/generic/line_shape.hpp"

namespace tally::x86_amounts {

// The amount's bytes of a window by line length, as bytes of 0xFF or 0: for 16-byte windows
// (line_shape.hpp), and for 8-byte windows (the last 8 bytes of those), which hold the amounts
// of lines of up to 11 bytes.
struct AmountByteMasks {
    alignas(16) std::uint8_t by_length[32][16];
};
constexpr AmountByteMasks make_amount_byte_masks() {
    AmountByteMasks masks{};
    for (int length = 0; length < 32; ++length) {
        for (int i = 0; i < 16; ++i) {
            masks.by_length[length][i] = (kAmountBytes.by_length[length] >> i & 1) != 0 ? 0xFF : 0;
        }
    }
    return masks;
}
alignas(64) inline constexpr AmountByteMasks kAmountByteMasks = make_amount_byte_masks();

[[gnu::always_inline]] inline const void* amount_mask(std::uint32_t length,
                                                      int window_bytes) noexcept {
    return kAmountByteMasks.by_length[length & 31] + (16 - window_bytes);
}

// The digits of `bytes` that `amount` marks, as their values; every other byte 0 (the point and
// the signs become 0x1E, 0x1D and 0x1B after the XOR, which the compare clears).
[[gnu::always_inline]] inline __m128i digit_values(__m128i bytes, __m128i amount) noexcept {
    const __m128i offset = _mm_xor_si128(bytes, _mm_set1_epi8('0'));
    return _mm_and_si128(_mm_and_si128(offset, _mm_cmplt_epi8(offset, _mm_set1_epi8(10))), amount);
}

// The weights of the second multiply-add of quads_of for each 8 bytes of a window: (100, 1) for
// each pair of pairs, the last pair's 1 made 10 where its two bytes are decimals, which is where
// a point stands on byte 5 or 6 of the 8: so that the amount is read weighed (line_shape.hpp).
[[gnu::always_inline]] inline __m128i hundreds(__m128i point_on_5_or_6) noexcept {
    return _mm_add_epi16(_mm_set1_epi32(0x00010064),
                         _mm_and_si128(point_on_5_or_6, _mm_set1_epi64x(0x0009000000000000)));
}

// The digits' values of one line's 16-byte window, and the weights that read them weighed; sets
// the index of its divisor.
template <bool kSignsCount>
[[gnu::always_inline]] inline __m128i values_long(const char* text, const std::uint32_t* at,
                                                  __m128i& weights,
                                                  std::uint32_t& divisor) noexcept {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + at[1] - 16));
    const __m128i point = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('.'));
    divisor = divisor_index<kSignsCount>(static_cast<std::uint32_t>(_mm_movemask_epi8(point)),
                                         text + at[0]);
    // Byte 14 of the window (6 of its second 8) for a point on byte 13 or 14: points before the
    // amount, of the lines before it, mark bytes before it, which weigh nothing.
    weights = hundreds(_mm_or_si128(_mm_slli_si128(point, 1), point));
    const __m128i amount =
        _mm_load_si128(static_cast<const __m128i*>(amount_mask(at[1] - at[0], 16)));
    return digit_values(bytes, amount);
}

// The digits' values of two lines' 8-byte windows, one in each half, and the weights that read
// them weighed; sets their divisors.
template <bool kSignsCount>
[[gnu::always_inline]] inline __m128i values_short_2(const char* text, const std::uint32_t* at,
                                                     __m128i& weights,
                                                     std::uint32_t* divisors) noexcept {
    const auto load_8 = [](const void* p) {
        return _mm_loadl_epi64(static_cast<const __m128i*>(p));
    };
    const __m128i bytes = _mm_unpacklo_epi64(load_8(text + at[1] - 8), load_8(text + at[2] - 8));
    const __m128i point = _mm_cmpeq_epi8(bytes, _mm_set1_epi8('.'));
    const auto points = static_cast<std::uint32_t>(_mm_movemask_epi8(point));
    // The first line's last three bytes moved to where a 16-byte window has them.
    divisors[0] = divisor_index<kSignsCount>(points << 8, text + at[0]);
    divisors[1] = divisor_index<kSignsCount>(points, text + at[1]);
    // Shifted within each half, so that no point marks a byte of the other line.
    weights = hundreds(_mm_or_si128(_mm_slli_epi64(point, 8), point));
    const __m128i amount = _mm_unpacklo_epi64(load_8(amount_mask(at[1] - at[0], 8)),
                                              load_8(amount_mask(at[2] - at[1], 8)));
    return digit_values(bytes, amount);
}

// Digits' values in pairs (10, 1), then those in pairs by `weights` (hundreds), as 32-bit
// numbers: the first 4 bytes' value and the next 4 bytes' of each half. A pair of decimals
// weighs at most 990 and its quad at most 10890, which 16 bits hold.
[[gnu::always_inline]] inline __m128i quads_of(__m128i v, __m128i weights) noexcept {
    const __m128i zero = _mm_setzero_si128();
    const __m128i tens = _mm_set1_epi32(0x0001000A);  // pairs (10, 1)
    const __m128i pairs = _mm_packs_epi32(_mm_madd_epi16(_mm_unpacklo_epi8(v, zero), tens),
                                          _mm_madd_epi16(_mm_unpackhi_epi8(v, zero), tens));
    return _mm_madd_epi16(pairs, weights);
}

// Quads joined in pairs: each pair of 32-bit quads of `a`, then of `b`, as one 8-byte value.
[[gnu::always_inline]] inline __m128i octets_of(__m128i a, __m128i b) noexcept {
    return _mm_madd_epi16(_mm_packs_epi32(a, b), _mm_set1_epi32(0x00012710));  // (10000, 1)
}

[[gnu::always_inline]] inline __m128d divisors_of_2(const std::uint32_t* divisors) noexcept {
    return _mm_loadh_pd(_mm_load_sd(&kNegatedDivisors[divisors[0]]),
                        &kNegatedDivisors[divisors[1]]);
}

// The negated amounts of the 4 lines that start at the line feeds at[0..3] and end at
// at[1..4], as doubles: lines 0 and 1 in `first_two`, 2 and 3 in `last_two`. Returns the bits
// of the lines longer than kLongestShortLine (bit j for line j), which it leaves unread: their
// places hold any value.
template <bool kSignsCount>
[[gnu::always_inline]] inline std::uint32_t negated_of_4(const char* text, const std::uint32_t* at,
                                                         __m128d& first_two,
                                                         __m128d& last_two) noexcept {
    std::uint32_t divisors[4];
    const __m128i lengths = _mm_sub_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 1)),
                                          _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)));
    const __m128i long_lines = _mm_cmpgt_epi32(lengths, _mm_set1_epi32(kLongestShortLine));
    // The 8 bytes of each line, as one 32-bit number per line.
    __m128i first_weights, last_weights;
    const __m128i first_values = values_short_2<kSignsCount>(text, at, first_weights, divisors);
    const __m128i last_values =
        values_short_2<kSignsCount>(text, at + 2, last_weights, divisors + 2);
    const __m128i octets =
        octets_of(quads_of(first_values, first_weights), quads_of(last_values, last_weights));
    first_two = _mm_div_pd(_mm_cvtepi32_pd(octets), divisors_of_2(divisors));
    last_two = _mm_div_pd(_mm_cvtepi32_pd(_mm_unpackhi_epi64(octets, octets)),
                          divisors_of_2(divisors + 2));
    return static_cast<std::uint32_t>(_mm_movemask_ps(_mm_castsi128_ps(long_lines)));
}

// The negated amount of the one line that starts at the line feed at[0] and ends at at[1], of
// any length: the value of the first 8 bytes of its window and of the last 8, joined exactly
// (below 10^13), and divided once.
template <bool kSignsCount>
[[gnu::always_inline]] inline double negated_of_line(const char* text,
                                                     const std::uint32_t* at) noexcept {
    std::uint32_t divisor = 0;
    __m128i weights;
    const __m128i values = values_long<kSignsCount>(text, at, weights, divisor);
    const __m128i quads = quads_of(values, weights);
    const __m128d halves = _mm_cvtepi32_pd(octets_of(quads, quads));
    const double first_8 = _mm_cvtsd_f64(halves);
    const double last_8 = _mm_cvtsd_f64(_mm_unpackhi_pd(halves, halves));
    return (first_8 * 1e8 + last_8) / kNegatedDivisors[divisor];
}

// The whole numbers of cents of the 4 plain lines (block_checks.hpp) that start at the line
// feeds at[0..3], as 32-bit numbers: per line, the 8 bytes before its end cleared in front of
// the first digit by the mask of its length (a load, where a shift by a variable count costs
// more), '0' taken off each digit by XOR (a subtraction would borrow across bytes), and the
// digits weighed in pairs, then pairs of pairs, with multiply-adds.
[[gnu::always_inline]] inline __m128i plain_cents_of_4(const char* text,
                                                       const std::uint32_t* at) noexcept {
    const auto load_8 = [](const void* p) {
        return _mm_loadl_epi64(static_cast<const __m128i*>(p));
    };
    const auto digits_of_2 = [&](const std::uint32_t* two) {
        const __m128i words =
            _mm_unpacklo_epi64(load_8(text + two[1] - 8), load_8(text + two[2] - 8));
        const __m128i masks = _mm_unpacklo_epi64(load_8(amount_mask(two[1] - two[0], 8)),
                                                 load_8(amount_mask(two[2] - two[1], 8)));
        return _mm_and_si128(_mm_xor_si128(words, _mm_set1_epi8('0')), masks);
    };
    const __m128i zero = _mm_setzero_si128();
    // Per line: ten-thousands and thousands, hundreds and tens, units (the point weighs 0),
    // cents: 4 numbers below 100; then the integer's first 4 digits, and its last digit with
    // the cents: below 10^4.
    const __m128i tens = _mm_setr_epi16(10, 1, 10, 1, 1, 0, 10, 1);
    const __m128i hundreds = _mm_set1_epi32(0x00010064);   // pairs (100, 1)
    const __m128i thousands = _mm_set1_epi32(0x000103E8);  // pairs (1000, 1)
    const auto pairs = [&](__m128i v) {
        return _mm_packs_epi32(_mm_madd_epi16(_mm_unpacklo_epi8(v, zero), tens),
                               _mm_madd_epi16(_mm_unpackhi_epi8(v, zero), tens));
    };
    const __m128i a = pairs(digits_of_2(at));
    const __m128i b = pairs(digits_of_2(at + 2));
    return _mm_madd_epi16(_mm_packs_epi32(_mm_madd_epi16(a, hundreds), _mm_madd_epi16(b, hundreds)),
                          thousands);
}

}  // namespace tally::x86_amounts
