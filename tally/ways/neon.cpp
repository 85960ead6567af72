// The NEON way: 16-byte Advanced SIMD vectors, which every 64-bit ARM processor has, so it needs
// no target attributes and no check of the processor. Built for little-endian 64-bit ARM only:
// the lanes of a vector are taken as bytes of text in memory order.
#include <arm_neon.h>

#include <bit>
#include <cstdint>
#include <cstring>

#include "tally/generic/block_checks.hpp"
#include "tally/generic/lane_totals.hpp"
#include "tally/generic/line_shape.hpp"
#include "tally/generic/total_lines.hpp"
#include "tally/way.hpp"

static_assert(std::endian::native == std::endian::little,
              "the NEON way reads the lanes of its vectors in memory order");

namespace tally {
namespace {

[[gnu::always_inline]] inline uint8x16_t equal(uint8x16_t bytes, char c) noexcept {
    return vceqq_u8(bytes, vdupq_n_u8(static_cast<std::uint8_t>(c)));
}

// The `span` bytes from `low` on: one subtraction and one unsigned comparison.
[[gnu::always_inline]] inline uint8x16_t within(uint8x16_t bytes, char low, int span) noexcept {
    return vcltq_u8(vsubq_u8(bytes, vdupq_n_u8(static_cast<std::uint8_t>(low))),
                    vdupq_n_u8(static_cast<std::uint8_t>(span)));
}

// - and +, which alone stand 1 away from the comma between them: one absolute difference and one
// comparison.
[[gnu::always_inline]] inline uint8x16_t sign(uint8x16_t bytes) noexcept {
    static_assert('-' - ',' == 1 && ',' - '+' == 1);
    return vceqq_u8(vabdq_u8(bytes, vdupq_n_u8(',')), vdupq_n_u8(1));
}

// The 64-bit mask, bit i for byte i, of one byte test on a block loaded by LD4, which hands out
// the block's bytes in turn to four vectors: part k holds bytes 4j + k (j = 0 to 15), each test
// 0xFF or 0. NEON has no instruction that gathers the top bits of a vector's bytes, as x86's
// movemask does. Here three bit selects fold the four parts into one vector whose byte j holds
// the tests of bytes 4j to 4j + 3 twice over, in bits 0 to 3 and 4 to 7, and one narrowing shift
// keeps the middle 8 bits of each pair of bytes: bytes 8k to 8k + 7 of the block in bit order.
// (docs/design.md says why this and not the usual ways of packing the tests.)
[[gnu::always_inline]] inline uint8x8_t mask_of_parts(uint8x16_t part0, uint8x16_t part1,
                                                      uint8x16_t part2, uint8x16_t part3) noexcept {
    // Which part each bit of a byte comes from, from bit 7 down.
    const uint8x16_t parts_01 = vbslq_u8(vdupq_n_u8(0x11), part0, part1);     // 1 1 1 0 1 1 1 0
    const uint8x16_t parts_23 = vbslq_u8(vdupq_n_u8(0x44), part2, part3);     // 3 2 3 3 3 2 3 3
    const uint8x16_t twice = vbslq_u8(vdupq_n_u8(0x33), parts_01, parts_23);  // 3 2 1 0 3 2 1 0
    // Bits 4 to 11 of each 16-bit pair: the top half of byte 2m, the low half of byte 2m + 1.
    return vshrn_n_u16(vreinterpretq_u16_u8(twice), 4);
}

template <typename Test>
[[gnu::always_inline]] inline uint8x8_t mask_of(const uint8x16x4_t& parts, Test test) noexcept {
    return mask_of_parts(test(parts.val[0]), test(parts.val[1]), test(parts.val[2]),
                         test(parts.val[3]));
}

// A mask moved to a general register, where the checks work on it. The empty asm makes it one
// move: left to itself, the compiler moves a mask again for each use, and those moves take
// turns with the vector work.
[[gnu::always_inline]] inline std::uint64_t bits_of(uint8x8_t mask) noexcept {
    std::uint64_t bits = vget_lane_u64(vreinterpret_u64_u8(mask), 0);
    __asm__("" : "+r"(bits));
    return bits;
}

// The compiler makes the plain shifts of `later` one EXTR instruction, and `lowest_bit` RBIT and
// CLZ, which give 64 for 0 with no test.
struct Block : BlockByShifts<Block> {
    template <bool kSigns>
    static BlockClasses classify(const char* p) noexcept {
        const uint8x16x4_t parts = vld4q_u8(reinterpret_cast<const std::uint8_t*>(p));
        const uint8x8_t line_feed = mask_of(parts, [](uint8x16_t b) { return equal(b, '\n'); });
        return {
            bits_of(line_feed),
            bits_of(mask_of(parts, [](uint8x16_t b) { return within(b, 'A', 3); })),
            bits_of(mask_of(parts, [](uint8x16_t b) { return equal(b, ' '); })),
            bits_of(mask_of(parts, [](uint8x16_t b) { return equal(b, '.'); })),
            bits_of(mask_of(parts, [](uint8x16_t b) { return within(b, '0', 10); })),
            kSigns ? bits_of(mask_of(parts, [](uint8x16_t b) { return sign(b); })) : 0,
            // Counted where the mask is still in a vector register.
            vaddv_u8(vcnt_u8(line_feed)),
        };
    }
    // CNT and ADDV on a vector register.
    static std::uint32_t count_bits(std::uint64_t x) noexcept {
        return static_cast<std::uint32_t>(std::popcount(x));
    }
};

// The amounts (line_shape.hpp) are read in 64-bit lanes, one amount to a lane, with its last
// byte in the lane's last byte (byte 7) and nothing but zeros before its first byte. The point
// then stands at byte 5 (two decimals), 6 (one) or 7 (none), or nowhere.
struct Places {
    uint64x2_t two_decimals;  // all ones in a lane whose point is at byte 5
    uint64x2_t one_decimal;   // at byte 6
    uint64x2_t no_decimals;   // at byte 7
};

// The weighed amounts of the lanes of `values` (each digit's value, every other byte 0): digit
// pairs, quads and eights by widening multiplies and pairwise additions. The decimals are weighed
// ten times in the step from pairs to quads: they are the last pair of bytes when the point is
// at byte 5, the last byte when it is at byte 6 (the point reads as 0), and that pair is taken
// ten times (at most 990, and a quad 10890). The weighed amount is below 10^13 and fits a lane.
[[gnu::always_inline]] inline uint64x2_t weighed_of_2(uint8x16_t values,
                                                      const Places& places) noexcept {
    const uint8x16_t tens = vreinterpretq_u8_u16(vdupq_n_u16(0x010A));  // (10, 1) per pair
    const uint16x8_t pairs =
        vpaddq_u16(vmull_u8(vget_low_u8(values), vget_low_u8(tens)), vmull_high_u8(values, tens));
    const uint16x8_t plain = vreinterpretq_u16_u64(vdupq_n_u64(0x0001'0064'0001'0064));
    const uint16x8_t with_decimals = vreinterpretq_u16_u64(vdupq_n_u64(0x000A'0064'0001'0064));
    const uint16x8_t hundreds =
        vbslq_u16(vreinterpretq_u16_u64(vorrq_u64(places.two_decimals, places.one_decimal)),
                  with_decimals, plain);
    const uint32x4_t quads = vpaddq_u32(vmull_u16(vget_low_u16(pairs), vget_low_u16(hundreds)),
                                        vmull_high_u16(pairs, hundreds));
    const uint32x4_t ten_thousands = vreinterpretq_u32_u64(vdupq_n_u64(0x0000'0001'0000'2710));
    return vpaddq_u64(vmull_u32(vget_low_u32(quads), vget_low_u32(ten_thousands)),
                      vmull_high_u32(quads, ten_thousands));
}

[[gnu::always_inline]] inline Places places_of(uint8x16_t points) noexcept {
    const uint64x2_t lanes = vreinterpretq_u64_u8(points);
    return {vtstq_u64(lanes, vdupq_n_u64(0xFFull << 40)),
            vtstq_u64(lanes, vdupq_n_u64(0xFFull << 48)),
            vtstq_u64(lanes, vdupq_n_u64(0xFFull << 56))};
}

// Each lane's entry of `table` (kNegatedDivisors or kNegatedReciprocals) by the point's place:
// the entries for no point, two decimals, one and none after the point (divisor_index's bits 0
// to 2). With kSignsCount, the entry with bit 3 where the amount's first byte, the low byte of
// the lane of `firsts`, is a minus sign: those entries are the others negated, so the sign bit
// is set where it is not.
template <bool kSignsCount>
[[gnu::always_inline]] inline float64x2_t entries_of_2(
    const double* table, const Places& places, [[maybe_unused]] uint64x2_t firsts) noexcept {
    const auto entry = [table](std::uint32_t index) { return vdupq_n_f64(table[index]); };
    float64x2_t entries = vbslq_f64(places.two_decimals, entry(1), entry(0));
    entries = vbslq_f64(places.one_decimal, entry(2), entries);
    entries = vbslq_f64(places.no_decimals, entry(4), entries);
    if constexpr (kSignsCount) {
        static_assert(kNegatedDivisors[8] == -kNegatedDivisors[0] &&
                      kNegatedDivisors[9] == -kNegatedDivisors[1] &&
                      kNegatedDivisors[10] == -kNegatedDivisors[2] &&
                      kNegatedDivisors[12] == -kNegatedDivisors[4]);
        const uint64x2_t not_minus =
            vtstq_u64(veorq_u64(firsts, vdupq_n_u64('-')), vdupq_n_u64(0xFF));
        entries = vreinterpretq_f64_u64(vsliq_n_u64(vreinterpretq_u64_f64(entries), not_minus, 63));
    }
    return entries;
}

// The negated amounts of two short lines, whose words (the 8 bytes from each amount's first byte
// on) are the lanes of `words`, and `shifts` 8 times 11 less the line's length in each lane's
// low byte. Each word is moved up by its shift, so that its amount ends in the last byte: the
// bytes after the amount (its line feed, the next line) leave at the top, and zeros come in
// below, which read as leading zeros. A line past the last (length 0) is moved out whole.
template <bool kSignsCount>
[[gnu::always_inline]] inline float64x2_t negated_of_2(uint64x2_t words,
                                                       int64x2_t shifts) noexcept {
    const uint8x16_t aligned = vreinterpretq_u8_u64(vshlq_u64(words, shifts));
    // Digits as their values; the point, the sign and the zeros moved in become 0x1E, 0x1D or
    // 0x1B, and 0x30, which the compare clears.
    const uint8x16_t offset = veorq_u8(aligned, vdupq_n_u8('0'));
    const uint8x16_t values = vandq_u8(offset, vcltq_u8(offset, vdupq_n_u8(10)));
    const Places places = places_of(equal(aligned, '.'));
    const float64x2_t weighed = vcvtq_f64_u64(weighed_of_2(values, places));
    // Divided as divided_by_reciprocal (line_shape.hpp) divides, two lanes at once, instead of
    // by a division, which is slow and not pipelined on many ARM cores.
    const float64x2_t divisors = entries_of_2<kSignsCount>(kNegatedDivisors, places, words);
    const float64x2_t reciprocals =
        entries_of_2<kSignsCount>(kNegatedReciprocals.of, places, words);
    const float64x2_t quotients = vmulq_f64(weighed, reciprocals);
    return vfmaq_f64(quotients, vfmsq_f64(weighed, quotients, divisors), reciprocals);
}

// The negated amount of a line of any length, read through its 16-byte window (line_shape.hpp):
// the two halves of the window are weighed as two lanes, the first worth 10^8 times its value.
template <bool kSignsCount>
[[gnu::always_inline]] inline double negated_of_window(const char* text,
                                                       const std::uint32_t* at) noexcept {
    const uint8x16_t bytes = vld1q_u8(reinterpret_cast<const std::uint8_t*>(text + at[1] - 16));
    // The amount's bytes: the last length - 3 of the window (none for a line past the last).
    const uint8x16_t byte_numbers = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    const uint8x16_t amount =
        vcgeq_u8(byte_numbers, vdupq_n_u8(static_cast<std::uint8_t>(19 - (at[1] - at[0]))));
    const uint8x16_t offset = veorq_u8(bytes, vdupq_n_u8('0'));
    const uint8x16_t values = vandq_u8(vandq_u8(offset, vcltq_u8(offset, vdupq_n_u8(10))), amount);
    // The amount's point can stand only at bytes 13 to 15 (byte 5 to 7 of the second lane);
    // points of the lines before it are left out.
    const uint8x16_t points = vandq_u8(equal(bytes, '.'), amount);
    const uint64x2_t weighed = weighed_of_2(values, places_of(points));
    // The points among the window's last three bytes, as bits 13 to 15 (divisor_index).
    const std::uint64_t last_8 = vgetq_lane_u64(vreinterpretq_u64_u8(points), 1);
    const auto point_bits = static_cast<std::uint32_t>(
        (last_8 >> 27 & 0x2000) | (last_8 >> 34 & 0x4000) | (last_8 >> 41 & 0x8000));
    const std::uint32_t divisor = divisor_index<kSignsCount>(point_bits, text + at[0]);
    const std::uint64_t value =
        vgetq_lane_u64(weighed, 0) * 100'000'000u + vgetq_lane_u64(weighed, 1);
    return static_cast<double>(value) / kNegatedDivisors[divisor];
}

// The negated amounts of the 4 lines that start at the line feeds at[0..3] and end at at[1..4]:
// lines 0 and 1 in `first`, 2 and 3 in `last`. Returns the bits of the lines longer than
// kLongestShortLine (bit j for line j), which it leaves unread: their places hold any value.
template <bool kSignsCount>
[[gnu::always_inline]] inline std::uint32_t negated_of_4(const char* text, const std::uint32_t* at,
                                                         float64x2_t& first,
                                                         float64x2_t& last) noexcept {
    const uint32x4_t lengths = vsubq_u32(vld1q_u32(at + 1), vld1q_u32(at));
    const auto word = [&](int j) {
        std::uint64_t w;
        std::memcpy(&w, text + at[j] + 3, sizeof w);
        return w;
    };
    // 8 (11 - length) bits, widened to the 64-bit lanes (the shift reads their low bytes).
    const uint32x4_t shifts = vmlsq_n_u32(vdupq_n_u32(8 * kLongestShortLine), lengths, 8);
    first = negated_of_2<kSignsCount>(vcombine_u64(vcreate_u64(word(0)), vcreate_u64(word(1))),
                                      vreinterpretq_s64_u64(vmovl_u32(vget_low_u32(shifts))));
    last = negated_of_2<kSignsCount>(vcombine_u64(vcreate_u64(word(2)), vcreate_u64(word(3))),
                                     vreinterpretq_s64_u64(vmovl_high_u32(shifts)));
    // Bit j of the lines longer than the lanes hold, in general registers, where the offsets
    // are already for the loads above: moving a vector's lanes there takes longer.
    std::uint32_t unread = 0;
    for (int j = 0; j < 4; ++j) {
        unread |= static_cast<std::uint32_t>(at[j + 1] - at[j] > kLongestShortLine) << j;
    }
    return unread;
}

// The negated amounts of the 4 lines that start at the line feeds at[0..3], in line order, the
// long ones left unread, and of one line of any length: both always inlined into the line walk,
// since this way's entry points inline nothing of their own accord, and a call in the walk's
// loop costs the saving of the vector registers around it. Float amounts are worked out in
// double and rounded to float (line_shape.hpp says why that is exact).
[[gnu::always_inline]] inline std::uint32_t amounts_of_4(double* out, const char* text,
                                                         const std::uint32_t* at) noexcept {
    float64x2_t first, last;
    const std::uint32_t unread = negated_of_4<true>(text, at, first, last);
    vst1q_f64(out, first);
    vst1q_f64(out + 2, last);
    return unread;
}
[[gnu::always_inline]] inline std::uint32_t amounts_of_4(float* out, const char* text,
                                                         const std::uint32_t* at) noexcept {
    float64x2_t first, last;
    const std::uint32_t unread = negated_of_4<false>(text, at, first, last);
    vst1q_f32(out, vcvt_high_f32_f64(vcvt_f32_f64(first), last));
    return unread;
}
template <typename F>
[[gnu::always_inline]] inline F amount_of_line(const char* text, const std::uint32_t* at) noexcept {
    return static_cast<F>(negated_of_window<sizeof(F) == sizeof(double)>(text, at));
}

TALLY_WAY_ENTRY_POINTS(, LaneTotals<F, 4, std::uint32_t, amounts_of_4, nullptr, amount_of_line<F>>)

}  // namespace

extern const Way kNeonWay = {"neon", runs_on_every_processor, total<double>, total<float>};

}  // namespace tally
