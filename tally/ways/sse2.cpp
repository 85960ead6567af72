// The SSE2 way: 16-byte vectors, which every x86-64 processor has, and which the 32-bit x86
// build requires for its floating point, so it needs no target attributes and no check of the
// processor. In the 32-bit build it has 8 vector registers and 32-bit general registers.
#include <emmintrin.h>

#include <bit>
#include <cstdint>

#include "tally/generic/block_checks.hpp"
#include "tally/generic/lane_totals.hpp"
#include "tally/generic/line_shape.hpp"
#include "tally/generic/total_lines.hpp"
#include "tally/way.hpp"
#include "tally/ways/x86_amounts.hpp"

namespace tally {
namespace {

// The 64 bits of a byte test on a block's four parts of 16 bytes.
std::uint64_t mask_of_4(__m128i p0, __m128i p1, __m128i p2, __m128i p3) noexcept {
    return std::uint64_t{static_cast<std::uint32_t>(_mm_movemask_epi8(p0))} |
           std::uint64_t{static_cast<std::uint32_t>(_mm_movemask_epi8(p1))} << 16 |
           std::uint64_t{static_cast<std::uint32_t>(_mm_movemask_epi8(p2))} << 32 |
           std::uint64_t{static_cast<std::uint32_t>(_mm_movemask_epi8(p3))} << 48;
}

__m128i equal(__m128i bytes, char c) noexcept {
    return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(c));
}

// The `span` bytes from `low` on, moved to the bottom of the signed bytes (-128 on) and tested
// by one signed comparison: fewer instructions than an unsigned test.
__m128i within(__m128i bytes, char low, int span) noexcept {
    const __m128i moved = _mm_add_epi8(bytes, _mm_set1_epi8(static_cast<char>(0x80 - low)));
    return _mm_cmplt_epi8(moved, _mm_set1_epi8(static_cast<char>(-128 + span)));
}

// `later` by plain shifts, left to the compiler, on x86-64 and 32-bit x86 alike (see
// later_by_shifts).
struct Block : BlockByShifts<Block> {
    // Each class is made whole, its four parts one after the other, before the next: made part
    // by part, all classes at once, the results outnumber the 16 registers.
    template <bool kSigns>
    static BlockClasses classify(const char* p) noexcept {
        const auto* v = reinterpret_cast<const __m128i*>(p);
        const __m128i b[4] = {_mm_loadu_si128(v), _mm_loadu_si128(v + 1), _mm_loadu_si128(v + 2),
                              _mm_loadu_si128(v + 3)};
        const auto sign = [](__m128i bytes) {
            return _mm_or_si128(equal(bytes, '-'), equal(bytes, '+'));
        };
        BlockClasses c;
        c.line_feed =
            mask_of_4(equal(b[0], '\n'), equal(b[1], '\n'), equal(b[2], '\n'), equal(b[3], '\n'));
        c.letter = mask_of_4(within(b[0], 'A', 3), within(b[1], 'A', 3), within(b[2], 'A', 3),
                             within(b[3], 'A', 3));
        c.blank = mask_of_4(equal(b[0], ' '), equal(b[1], ' '), equal(b[2], ' '), equal(b[3], ' '));
        c.point = mask_of_4(equal(b[0], '.'), equal(b[1], '.'), equal(b[2], '.'), equal(b[3], '.'));
        c.digit = mask_of_4(within(b[0], '0', 10), within(b[1], '0', 10), within(b[2], '0', 10),
                            within(b[3], '0', 10));
        c.sign = kSigns ? mask_of_4(sign(b[0]), sign(b[1]), sign(b[2]), sign(b[3])) : 0;
        // The line feeds counted in the vectors, the compares made again: the results (-1 a line
        // feed) summed per byte, then the bytes summed. Cheaper than counting the mask's bits
        // without POPCNT.
        const __m128i per_byte = _mm_sub_epi8(
            _mm_sub_epi8(_mm_setzero_si128(), _mm_add_epi8(equal(b[0], '\n'), equal(b[1], '\n'))),
            _mm_add_epi8(equal(b[2], '\n'), equal(b[3], '\n')));
        const __m128i sums = _mm_sad_epu8(per_byte, _mm_setzero_si128());
        c.line_feed_count = static_cast<std::uint32_t>(
            _mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_unpackhi_epi64(sums, sums)));
        return c;
    }
    // On x86-64, one TZCNT, which a processor without BMI1 runs as BSF (the same result where x
    // is not 0); std::countr_zero would add a test for 0. The 32-bit build has no 64-bit
    // register for it.
    static std::uint32_t lowest_bit(std::uint64_t x) noexcept {
#if defined(__x86_64__)
        std::uint64_t n;
        __asm__("tzcnt %1, %0" : "=r"(n) : "r"(x) : "cc");
        return static_cast<std::uint32_t>(n);
#else
        return static_cast<std::uint32_t>(std::countr_zero(x));
#endif
    }
    static std::uint32_t count_bits(std::uint64_t x) noexcept {
        return count_bits_in_arithmetic(x);
    }
};

// The negated amounts of the 4 lines that start at the line feeds at[0..3], in line order: of
// common lines (the long ones left unread, and read one at a time), and of plain lines (their cents
// divided by 100; the cents of a float, below 2^24, convert exactly, and the float division rounds
// once). Float amounts are worked out in double and rounded to float (line_shape.hpp says why that
// is exact).
std::uint32_t amounts_of_4(double* out, const char* text, const std::uint32_t* at) noexcept {
    __m128d first, last;
    const std::uint32_t unread = x86_amounts::negated_of_4<true>(text, at, first, last);
    _mm_store_pd(out, first);
    _mm_store_pd(out + 2, last);
    return unread;
}
std::uint32_t amounts_of_4(float* out, const char* text, const std::uint32_t* at) noexcept {
    __m128d first, last;
    const std::uint32_t unread = x86_amounts::negated_of_4<false>(text, at, first, last);
    _mm_store_ps(out, _mm_movelh_ps(_mm_cvtpd_ps(first), _mm_cvtpd_ps(last)));
    return unread;
}
template <typename F>
F amount_of_line(const char* text, const std::uint32_t* at) noexcept {
    return static_cast<F>(x86_amounts::negated_of_line<sizeof(F) == sizeof(double)>(text, at));
}
void plain_amounts_of_4(double* out, const char* text, const std::uint32_t* at) noexcept {
    const __m128i cents = x86_amounts::plain_cents_of_4(text, at);
    const __m128d hundred = _mm_set1_pd(-100.0);
    _mm_store_pd(out, _mm_div_pd(_mm_cvtepi32_pd(cents), hundred));
    _mm_store_pd(out + 2, _mm_div_pd(_mm_cvtepi32_pd(_mm_unpackhi_epi64(cents, cents)), hundred));
}
void plain_amounts_of_4(float* out, const char* text, const std::uint32_t* at) noexcept {
    const __m128 whole = _mm_cvtepi32_ps(x86_amounts::plain_cents_of_4(text, at));
    _mm_store_ps(out, _mm_div_ps(whole, _mm_set1_ps(-100.0f)));
}

TALLY_WAY_ENTRY_POINTS(
    TALLY_INLINE_ALL,
    LaneTotals<F, 4, std::uint32_t, amounts_of_4, plain_amounts_of_4, amount_of_line<F>>)

}  // namespace

extern const Way kSse2Way = {"sse2", runs_on_every_processor, total<double>, total<float>};

}  // namespace tally
