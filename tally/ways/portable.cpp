// The portable way: plain C++ over 64-bit words, for every processor, and the way the vector
// ways are tested against. Eight bytes are tested at once with additions that no carry crosses
// from one byte to the next; words hold their text with the first byte lowest, on hosts of
// either byte order (console::words::load_word), so that byte i of a word is byte i of the text.
#include <bit>
#include <cstdint>
#include <utility>

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

// A byte test on the low 7 bits of each byte, giving 0x80 in the bytes that pass and 0 in the
// others: the bytes c ^ k for k from 0 to n (n below 16 leaves c's high bits alone), that is
// where low7 ^ c is at most n, which 0x80 + n - (low7 ^ c) tells by its bit 7 (no byte borrows
// from the next, as low7 ^ c is below 0x80). The callers keep the bytes above 127 from passing.
std::uint64_t low_bits_among(std::uint64_t low7, char c, unsigned n) noexcept {
    return (kOnes * (0x80 + n) - (low7 ^ (kOnes * static_cast<unsigned char>(c)))) & kHighBits;
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

// The flags of a block's words so far, gathered as Block::classify says.
struct WordFlags {
    std::uint64_t line_feed = 0, letter = 0, blank = 0, point = 0, digit = 0, sign = 0;
};

struct Block : BlockByShifts<Block> {
    // Each test leaves its flag in the top bit of each byte of a word. The flags of the 8 words
    // are gathered into one matrix (byte i, bit w: byte i of word w): word by word, the matrix
    // so far moves a bit lower and the word's flags come in at the top. The matrix transposed
    // has bit 8w + i for byte 8w + i of the block. The words are taken one by one, unrolled
    // (GCC otherwise keeps them in a loop in the entry points, constants made again each time).
    template <bool kSigns>
    static BlockClasses classify(const char* p) noexcept {
        WordFlags flags;
        [&]<int... kWords>(std::integer_sequence<int, kWords...>) {
            (add_word<kSigns>(p + 8 * kWords, flags), ...);
        }
        (std::make_integer_sequence<int, 8>{});
        BlockClasses c;
        c.line_feed = transposed(flags.line_feed);
        c.letter = transposed(flags.letter);
        c.blank = transposed(flags.blank);
        c.point = transposed(flags.point);
        c.digit = transposed(flags.digit);
        c.sign = kSigns ? transposed(flags.sign) : 0;
        c.line_feed_count = count_bits_in_arithmetic(c.line_feed);
        return c;
    }
    // Word w's flags into the matrix, for w = 0 to 7 in turn.
    template <bool kSigns>
    static void add_word(const char* p, WordFlags& f) noexcept {
        const std::uint64_t word = load_word(p);
        const std::uint64_t low7 = word & kLow7Bits;
        // The bytes below 128: a byte above passes no test.
        const std::uint64_t ascii = ~word & kHighBits;
        f.line_feed = f.line_feed >> 1 | (low_bits_among(low7, '\n', 0) & ascii);
        f.letter = f.letter >> 1 | (low_bits_among(low7, 'C', 2) & ascii);  // C, B, A
        f.blank = f.blank >> 1 | (low_bits_among(low7, ' ', 0) & ascii);
        f.point = f.point >> 1 | (low_bits_among(low7, '.', 0) & ascii);
        f.digit = f.digit >> 1 | (low_bits_among(low7, '0', 9) & ascii);
        if constexpr (kSigns) {
            f.sign = f.sign >> 1 |
                     ((low_bits_among(low7, '-', 0) | low_bits_among(low7, '+', 0)) & ascii);
        }
    }
    static std::uint32_t count_bits(std::uint64_t x) noexcept {
        return count_bits_in_arithmetic(x);
    }
    // The top bit set first changes nothing where x is not 0, and spares the test for 0 that
    // std::countr_zero makes on processors whose instruction leaves that case undefined.
    static std::uint32_t lowest_bit(std::uint64_t x) noexcept {
        return static_cast<std::uint32_t>(std::countr_zero(x | std::uint64_t{1} << 63));
    }
};

// The value of 8 bytes that each hold a digit's value (or 0), the first byte the most
// significant: pairs, quads and the whole combined by three multiplies.
std::uint64_t value_of_8(std::uint64_t v) noexcept {
    v = ((v * 2561) >> 8) & 0x00FF00FF00FF00FFu;
    v = ((v * 6553601) >> 16) & 0x0000FFFF0000FFFFu;
    return (v * 42949672960001u) >> 32;
}

// The bytes of a common line's amount, 0x0F in each, in three words of text around the line
// feed that ends the line: `high`, the 8 bytes up to and including that line feed, and
// `later_high` and `later_low`, the 8 and the 16 bytes before the line feed, each byte of the
// amount there one byte later in its word than in a word that ended at the line feed. The
// amount is the last length - 3 bytes before the line feed (the length counted from line feed
// to line feed), a sign in front left out. Indexed by 2 * length + 1 for an amount with a sign,
// 2 * length without; lengths below 4 (the lines past the last) keep nothing.
struct AmountNibbles {
    std::uint64_t high;
    std::uint64_t later_high;
    std::uint64_t later_low;
    std::uint64_t padding;  // to 32 bytes, so that an entry is found by a shift
};
struct AmountNibbleTable {
    AmountNibbles by_length_and_sign[34];
};
constexpr AmountNibbleTable make_amount_nibbles() {
    AmountNibbleTable table{};
    for (int length = 4; length <= 16; ++length) {
        for (int sign = 0; sign < 2; ++sign) {
            AmountNibbles& m = table.by_length_and_sign[2 * length + sign];
            // Byte b before the line feed (b from 1) is byte 7 - b of `high`, byte 8 - b of
            // `later_high` and byte 16 - b of `later_low`.
            for (int b = 1; b <= length - 3 - sign; ++b) {
                if (b <= 7) m.high |= std::uint64_t{0x0F} << (8 * (7 - b));
                if (b <= 8) m.later_high |= std::uint64_t{0x0F} << (8 * (8 - b));
                if (b >= 9) m.later_low |= std::uint64_t{0x0F} << (8 * (16 - b));
            }
        }
    }
    return table;
}
alignas(64) constexpr AmountNibbleTable kAmountNibbles = make_amount_nibbles();

// The value of 2 groups of 4 bytes that each hold a digit's value (or 0), the first byte of a
// group the most significant: the first group's in bits 0 to 15, the second's in bits 32 to 47.
std::uint64_t values_of_4_and_4(std::uint64_t v) noexcept {
    v = ((v * 2561) >> 8) & 0x00FF00FF00FF00FFu;
    return ((v * 6553601) >> 16) & 0x0000FFFF0000FFFFu;
}

// A common line's amount as its window's digits, ready for value_of_8 and values_of_4_and_4,
// and the index of its divisor (line_shape.hpp).
struct WindowDigits {
    std::uint64_t high;  // the last 8 digits
    std::uint64_t low;   // the ones before them, in bytes 4 to 7
    std::uint32_t divisor;
};

// The digits of the weighed amount (line_shape.hpp) of the common line that starts at the line
// feed text + start and ends at text + end, without a branch: words of text masked to the
// amount's low 4 bits (kAmountNibbles; the sign goes), where the point reads 0x0E and the digits
// 0 to 9. The point is among the three bytes before the line feed; the digits before it are
// taken from the words that end a byte earlier, which puts them one byte later, over the point.
// That leaves the digits of 12.50 as 12500, of 12.5 as 1250, of 12. as 120 and of 12 as 12,
// each ending at the line feed's byte (which holds 0).
template <bool kSignsCount>
WindowDigits window_digits(const char* text, std::uint32_t start, std::uint32_t end) noexcept {
    const char* const line = text + start;
    const auto sign = static_cast<std::uint32_t>(static_cast<unsigned char>(line[3]) < '0');
    const AmountNibbles& kept = kAmountNibbles.by_length_and_sign[2 * (end - start) + sign];
    const std::uint64_t high = load_word(text + end - 7) & kept.high;
    // Bit 4 of the point's byte: 0x0E + 2 reaches 0x10, a digit's value + 2 stays below it.
    const std::uint64_t point = (high + kOnes * 2) & (kOnes * 0x10);
    // The bytes up to the point's, and every byte without a point.
    const std::uint64_t up_to_point = (point << 4) - 1;
    WindowDigits digits;
    digits.high =
        (load_word(text + end - 8) & kept.later_high & up_to_point) | (high & ~up_to_point);
    digits.low = load_word(text + end - 16) & kept.later_low;
    // The point at byte 4, 5 or 6 (bit 36, 44 or 52) as bit 13, 14 or 15, by one multiply
    // that puts each on its own bit.
    const auto point_bits = static_cast<std::uint32_t>(((point >> 36) * 0x4081) >> 1 & 0xE000);
    digits.divisor = divisor_index<kSignsCount>(point_bits, line);
    return digits;
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
    // The owner's total apart from the letters', so that it stays in a register: in one array
    // with them, indexed by the letter, it would go through memory with each addition.
    // The letters' totals by the letter's low 2 bits (A, B, C: 1, 2, 3).
    F owner;
    F letters[4];
    explicit Numbers(const F* totals) noexcept
        : owner(totals[0]), letters{0, totals[1], totals[2], totals[3]} {}
    void store(F* totals) const noexcept {
        totals[0] = owner;
        for (int k = 1; k < 4; ++k) totals[k] = letters[k];
    }
    static void amounts(F* out, const char* text, const std::uint32_t* at) noexcept {
        WindowDigits digits[kLines];
        for (std::uint32_t j = 0; j < kLines; ++j) {
            digits[j] = window_digits<sizeof(F) == sizeof(double)>(text, at[j], at[j + 1]);
        }
        // The value of the digits before the last 8, of two lines at once, where any line of
        // the group has them (weighed amounts from 10^8: few lines have them).
        std::uint64_t before_last_8[kLines] = {};
        if ((digits[0].low | digits[1].low | digits[2].low | digits[3].low) != 0) {
            for (std::uint32_t j = 0; j < kLines; j += 2) {
                const std::uint64_t both = values_of_4_and_4(
                    digits[j].low >> 32 | (digits[j + 1].low & 0xFFFFFFFF00000000u));
                before_last_8[j] = (both & 0xFFFF) * 100000000u;
                before_last_8[j + 1] = (both >> 32) * 100000000u;
            }
        }
        for (std::uint32_t j = 0; j < kLines; ++j) {
            const std::uint64_t weighed = before_last_8[j] + value_of_8(digits[j].high);
            // Converted as a signed number (below 10^13), which needs no test of the top bit.
            out[j] = static_cast<F>(static_cast<double>(static_cast<std::int64_t>(weighed)) /
                                    kNegatedDivisors[digits[j].divisor]);
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
        owner = owner - *negated;
        letters[line[1] & 3] = letters[line[1] & 3] - *negated;
    }
};

TALLY_WAY_ENTRY_POINTS(, Numbers<F>)

}  // namespace

extern const Way kPortableWay = {"portable", runs_on_every_processor, total<double>, total<float>};

}  // namespace tally
