// The portable way: plain C++ over 64-bit words, for every processor, and the way the vector
// ways are tested against. Eight bytes are tested at once with additions that no carry crosses
// from one byte to the next; words hold their text with the first byte lowest, on hosts of
// either byte order (console::words::load_word), so that byte i of a word is byte i of the text.
#include <bit>
#include <cstdint>

#include "console/word_at_a_time.hpp"
#include "tally/generic/block_checks.hpp"
#include "tally/generic/line_shape.hpp"
#include "tally/generic/total_lines.hpp"
#include "tally/way.hpp"

namespace tally {
namespace {

using console::words::load_word;

constexpr std::uint64_t kOnes = 0x0101010101010101u;
constexpr std::uint64_t kHighBits = 0x8080808080808080u;
constexpr std::uint64_t kLow7Bits = 0x7F7F7F7F7F7F7F7Fu;

// Byte tests on the low 7 bits of each byte (so that no addition carries into the next byte),
// each giving 0x80 in the bytes that pass and 0 in the others. The callers keep the bytes above
// 127 from passing.
std::uint64_t low_bits_equal(std::uint64_t low7, char c) noexcept {
    return ~((low7 ^ (kOnes * static_cast<unsigned char>(c))) + kLow7Bits) & kHighBits;
}

// From `low` to below low + span: low7 + (128 - bound) reaches 128 exactly when low7 >= bound.
std::uint64_t low_bits_within(std::uint64_t low7, char low, int span) noexcept {
    const std::uint64_t at_least_low = low7 + kOnes * static_cast<unsigned>(128 - low);
    const std::uint64_t past_high = low7 + kOnes * static_cast<unsigned>(128 - low - span);
    return at_least_low & ~past_high & kHighBits;
}

// An 8 by 8 matrix of bits transposed: bit c of byte r moves to bit r of byte c. Three rounds
// swap ever larger squares across the diagonal.
std::uint64_t transposed(std::uint64_t x) noexcept {
    std::uint64_t t = (x ^ (x >> 7)) & 0x00AA00AA00AA00AAu;
    x = x ^ t ^ (t << 7);
    t = (x ^ (x >> 14)) & 0x0000CCCC0000CCCCu;
    x = x ^ t ^ (t << 14);
    t = (x ^ (x >> 28)) & 0x00000000F0F0F0F0u;
    return x ^ t ^ (t << 28);
}

struct Block : BlockByShifts<Block> {
    // Each test leaves its flag in the top bit of each byte of a word. Word w's flags are moved
    // to bit w of each byte, all 8 words ORed into one matrix (byte i, bit w: byte i of word w),
    // and the matrix transposed, so that bit 8w + i is byte 8w + i of the block.
    template <bool kSigns>
    static BlockClasses classify(const char* p) noexcept {
        std::uint64_t line_feed = 0, letter = 0, blank = 0, point = 0, digit = 0, sign = 0;
        for (int w = 0; w < 8; ++w) {
            const std::uint64_t word = load_word(p + 8 * w);
            // A byte above 127 becomes 0x7F, which passes no test.
            const std::uint64_t high = word & kHighBits;
            const std::uint64_t low7 = (word & kLow7Bits) | (high - (high >> 7));
            const int to_bit_w = 7 - w;
            line_feed |= low_bits_equal(low7, '\n') >> to_bit_w;
            letter |= low_bits_within(low7, 'A', 3) >> to_bit_w;
            blank |= low_bits_equal(low7, ' ') >> to_bit_w;
            point |= low_bits_equal(low7, '.') >> to_bit_w;
            digit |= low_bits_within(low7, '0', 10) >> to_bit_w;
            if constexpr (kSigns) {
                sign |= (low_bits_equal(low7, '-') | low_bits_equal(low7, '+')) >> to_bit_w;
            }
        }
        BlockClasses c;
        c.line_feed = transposed(line_feed);
        c.letter = transposed(letter);
        c.blank = transposed(blank);
        c.point = transposed(point);
        c.digit = transposed(digit);
        c.sign = kSigns ? transposed(sign) : 0;
        c.line_feed_count = count_bits_in_arithmetic(c.line_feed);
        return c;
    }
    static std::uint32_t count_bits(std::uint64_t x) noexcept {
        return count_bits_in_arithmetic(x);
    }
};

// The value of 8 bytes that each hold a digit's value (or 0), the first byte the most
// significant: pairs, quads and the whole combined by three multiplies.
std::uint64_t value_of_8(std::uint64_t v) noexcept {
    v = ((v * 2561) >> 8) & 0x00FF00FF00FF00FFu;
    v = ((v * 6553601) >> 16) & 0x0000FFFF0000FFFFu;
    return (v * 42949672960001u) >> 32;
}

// The weighed amount (line_shape.hpp) of the common line that starts at the line feed
// text + start and ends at text + end, and the index of its divisor, without a branch: the
// window's two words, their bytes made into digit values ('0' taken off by XOR; the point and
// the signs then have bit 4 set, which no digit has, and are cleared) and kept where the amount
// stands (by masks shifted by its length); their value with the point as a digit 0, plus 9
// times the decimals' value (the 1 or 2 bytes after a point among the last three).
template <bool kSignsCount>
std::uint64_t weighed_amount(const char* text, std::uint32_t start, std::uint32_t end,
                             std::uint32_t& divisor) noexcept {
    // The amount's first byte in the window, 3 to 15 (more for the lines past the last, which
    // keep nothing).
    const std::uint32_t first = 19 - (end - start);
    const std::uint64_t all = ~std::uint64_t{0};
    const std::uint64_t amount_high = first >= 16 ? 0 : all << (first >= 8 ? 8 * (first - 8) : 0);
    const std::uint64_t amount_low = first >= 8 ? 0 : all << (8 * first);
    const auto values = [](std::uint64_t word) {
        const std::uint64_t offset = word ^ (kOnes * '0');
        return offset & ((kOnes - (offset >> 4 & kOnes)) * 0x0F);
    };
    const std::uint64_t high_word = load_word(text + end - 8);
    const std::uint64_t low = values(load_word(text + end - 16)) & amount_low;
    const std::uint64_t high = values(high_word) & amount_high;
    // The points among the last three bytes, as bits 13 to 15 of the window, and 0xFF in the
    // bytes after each.
    const std::uint64_t points =
        ~high_word & low_bits_equal(high_word & kLow7Bits, '.') & kHighBits & 0xFFFFFF0000000000u;
    // Bytes 5, 6 and 7's flags (bits 47, 55 and 63) gathered by one multiply into bits 13 to
    // 15: each flag lands on its own bit, so no carry arises.
    const auto point_bits = static_cast<std::uint32_t>(((points >> 47) * 0x4081) >> 1 & 0xE000);
    divisor = divisor_index<kSignsCount>(point_bits, text + start);
    const std::uint64_t point_bytes = (points >> 7) * 0xFF;
    const std::uint64_t decimals = high & (point_bytes << 8 | point_bytes << 16);
    return value_of_8(low) * 100000000u + value_of_8(high) +
           9 * (10 * (decimals >> 48 & 0xFF) + (decimals >> 56));
}

// The whole number of cents of a plain line (block_checks.hpp) that starts at the line feed
// `start` and ends at `end`: the 8 bytes before its end, the digits kept by the amount's bytes
// (the last end - start - 3), the point taken out, and the 7 digits that are left combined in
// pairs, quads and the whole by three multiplies.
std::uint64_t plain_cents(const char* text, std::uint32_t start, std::uint32_t end) noexcept {
    const int first = 19 - static_cast<int>(end - start);  // 8 to 12: the 8-byte window's 0 to 4
    const std::uint64_t kept =
        (load_word(text + end - 8) ^ (kOnes * '0')) & (~std::uint64_t{0} << (8 * (first - 8) & 63));
    // Bytes 0 to 4 hold the integer digits (zeros in front), byte 5 the point, 6 and 7 the
    // fraction: as [0, integer digits, fraction], the first byte the most significant.
    return value_of_8(((kept & 0xFFFFFFFFFFu) << 8) | (kept & 0xFFFF000000000000u));
}

// The four totals as plain numbers; each line's amount is added to two of them.
template <typename F>
struct Numbers {
    using Float = F;
    static constexpr std::uint32_t kLines = 4;
    F sums[4];
    explicit Numbers(const F* totals) noexcept : sums{totals[0], totals[1], totals[2], totals[3]} {}
    void store(F* totals) const noexcept {
        for (int k = 0; k < 4; ++k) totals[k] = sums[k];
    }
    static void amounts(F* out, const char* text, const std::uint32_t* at) noexcept {
        for (std::uint32_t j = 0; j < kLines; ++j) {
            std::uint32_t divisor = 0;
            const std::uint64_t weighed =
                weighed_amount<sizeof(F) == sizeof(double)>(text, at[j], at[j + 1], divisor);
            // Converted as a signed number (below 10^13), which needs no test of the top bit.
            out[j] = static_cast<F>(static_cast<double>(static_cast<std::int64_t>(weighed)) /
                                    kNegatedDivisors[divisor]);
        }
    }
    static void plain_amounts(F* out, const char* text, const std::uint32_t* at) noexcept {
        for (std::uint32_t j = 0; j < kLines; ++j) {
            // Converted as a signed number (below 10^8), which needs no test of the top bit.
            out[j] =
                static_cast<F>(static_cast<std::int64_t>(plain_cents(text, at[j], at[j + 1]))) /
                F(-100);
        }
    }
    void take(const F* negated, const char* line) noexcept {
        sums[0] = sums[0] - *negated;
        sums[1 + (line[1] - 'A')] = sums[1 + (line[1] - 'A')] - *negated;
    }
};

TALLY_WAY_ENTRY_POINTS(, Numbers<F>)

}  // namespace

extern const Way kPortableWay = {"portable", runs_on_every_processor, total<double>, total<float>};

}  // namespace tally
