// Finds where a run of common lines ends, 64 bytes at a time, written once for every way: a way
// supplies a Block type with its primitives (see the end of this comment), and its entry points
// instantiate index_lines<Block> under the way's own target attributes. Everything here is
// always inlined into those entry points, so that it is compiled for the way's instruction set.
//
// Invariant: an offset enters the index only when every byte from the start of the text up to
// and including that line feed has been checked and belongs to a common line.
//
// Each block of 64 bytes becomes six bit masks, one bit per byte, bit i for byte i: line feed,
// category letter (A, B or C), blank, point, digit, sign (- or +). Two sets of rules tell a run
// of lines from them.
//
// Plain lines, most invoice lines, are a line feed, a letter, a blank, 1 to 5 digits, a point
// and 2 digits. A run of them is exactly the text where (no sign class needed)
//   - every byte is in one of the five other classes;
//   - a letter stands right after each line feed and nowhere else, and a blank two bytes after
//     each line feed and nowhere else;
//   - a digit stands three bytes after each line feed (the first integer digit);
//   - every line feed but the first is preceded by a point and two digits (the point three
//     bytes back), and a point stands nowhere else;
//   - no six digits stand in a row.
// Common lines (line_shape.hpp) also take a sign, up to 9 integer digits and 0 to 2 decimals,
// with or without the point. A run of them is exactly the text where
//   - every byte is in one of the six classes;
//   - letters and blanks stand as for plain lines;
//   - three bytes after each line feed a sign or a digit stands, and a sign nowhere else; a
//     digit follows each sign;
//   - a line feed stands within three bytes after each point, and no point stands one or two
//     bytes after another;
//   - no ten digits stand in a row.
// Whatever else could stand before a line feed is ruled out by these: a blank, a letter, a
// sign or a line feed there breaks the rule of the byte it is.
// Every check is stated so that its failure is marked at the checked byte or after it, never
// before: a fault is seen by the time the line feed that ends its line is, so a line is
// accepted as soon as no fault stands at or before its ending line feed. The checks that look
// back across the start of a block take the previous block's masks as carries.
//
// A Block type has:
//   template <bool kSigns> static BlockClasses classify(const char* p): the classes of the 64
//     bytes at p, the sign class left 0 without kSigns;
//   template <int k> static std::uint64_t later(std::uint64_t now, std::uint64_t before):
//     `now` moved k bytes later (1 to 63), its first k bits taken from the end of `before`;
//   static void write_ends(std::uint32_t* out, std::uint32_t base, std::uint64_t ends): the
//     offsets of the bits of `ends` (base for bit 0) at out, in order; up to 16 entries may be
//     written whatever the number of bits (a block holds 16 line ends at most);
//   static std::uint32_t count_bits(std::uint64_t x).
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>

#include "tally/generic/line_index.hpp"

namespace tally {

// One block's bytes by class, bit i for byte i.
struct BlockClasses {
    std::uint64_t line_feed;
    std::uint64_t letter;
    std::uint64_t blank;
    std::uint64_t point;
    std::uint64_t digit;
    std::uint64_t sign;
    // How many line feeds the block holds.
    std::uint32_t line_feed_count;
};

// `now` moved k bytes later, its first k bits taken from the end of `before`: the plain form of
// Block::later. Every way's Block::later is this, left to the compiler (which makes some of the
// shifts one SHLD on x86, one EXTR on ARM), except the AVX2 way's, which forces SHLD; the choice
// of each way and the figures behind it are in docs/design.md.
template <int k>
[[gnu::always_inline]] inline std::uint64_t later_by_shifts(std::uint64_t now,
                                                            std::uint64_t before) noexcept {
    return (now << k) | (before >> (64 - k));
}

// Block::write_ends one bit at a time, for ways without a compress instruction: eight offsets
// are written whether or not there are that many, without a branch per line (a branch on where
// lines end would be mispredicted often), and the rare ninth and tenth take a second round.
// Block::lowest_bit(x) is the number of zero bits below the lowest one bit of x, any value for 0.
template <typename Block>
[[gnu::always_inline]] inline void write_ends_one_at_a_time(std::uint32_t* out, std::uint32_t base,
                                                            std::uint64_t ends) noexcept {
    for (int i = 0; i < 8; ++i) {
        std::uint32_t offset = base + Block::lowest_bit(ends);
        ends &= ends - 1;
        // Hides from the compiler that the mask may now be 0, so that it does not branch there,
        // and keeps the offsets in plain registers: gathered into vectors they cost more.
        __asm__("" : "+r"(ends), "+r"(offset));
        out[i] = offset;
    }
    for (int i = 8; ends != 0; ++i) {
        out[i] = base + static_cast<std::uint32_t>(std::countr_zero(ends));
        ends &= ends - 1;
    }
}

// The Block primitives that most ways share, for a way's Block to derive from (Block is that
// deriving type): `later` by plain shifts, `lowest_bit` by std::countr_zero (64 for 0) and
// `write_ends` one bit at a time. A way defines classify and count_bits itself, and any of these
// that it does otherwise, which then hides the one here.
template <typename Block>
struct BlockByShifts {
    template <int k>
    [[gnu::always_inline]] static std::uint64_t later(std::uint64_t now,
                                                      std::uint64_t before) noexcept {
        return later_by_shifts<k>(now, before);
    }
    [[gnu::always_inline]] static std::uint32_t lowest_bit(std::uint64_t x) noexcept {
        return static_cast<std::uint32_t>(std::countr_zero(x));
    }
    [[gnu::always_inline]] static void write_ends(std::uint32_t* out, std::uint32_t base,
                                                  std::uint64_t ends) noexcept {
        write_ends_one_at_a_time<Block>(out, base, ends);
    }
};

// A population count in plain arithmetic, for ways whose processors may lack a POPCNT
// instruction (baseline x86-64 has none, and std::popcount then calls a library function): the
// bits summed in pairs, nibbles and bytes, and the bytes by one multiply.
[[gnu::always_inline]] inline std::uint32_t count_bits_in_arithmetic(std::uint64_t x) noexcept {
    x = x - ((x >> 1) & 0x5555555555555555u);
    x = (x & 0x3333333333333333u) + ((x >> 2) & 0x3333333333333333u);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
    return static_cast<std::uint32_t>((x * 0x0101010101010101u) >> 56);
}

namespace checks {

// What the checks of a block need of the block before it.
struct Carries {
    std::uint64_t line_feed = 0;
    std::uint64_t point = 0;
    std::uint64_t digit = 0;
    std::uint64_t sign = 0;
    std::uint64_t digit_pair = 0;  // bytes that end two digits in a row
    std::uint64_t digit_quad = 0;  // bytes that end four digits in a row
};

// The carries before the first block of a run, whose first byte is a line feed: it is checked
// as the end of a line before it, as though a point stood three bytes before it and digits in
// the two bytes before it (which breaks no rule of common lines).
constexpr Carries carries_before_a_run() noexcept {
    Carries carry;
    carry.point = std::uint64_t{1} << 61;
    carry.digit_pair = std::uint64_t{1} << 63;
    return carry;
}

// Which rules a run is checked by (see the top of the file).
enum class Rules { plain, common };

// The bytes of the block that break a run of lines by the rules of kRules. Every line feed is
// checked as the end of a line; the carries before the first block are set up so that the
// line feed that starts the run passes as one (see index_lines).
template <typename Block, Rules kRules>
[[gnu::always_inline]] inline std::uint64_t faults(const BlockClasses& c, Carries& carry) noexcept {
    // Bit i of digit_pair: bytes i - 1 and i are digits; of digit_quad: bytes i - 3 to i.
    const std::uint64_t digit_pair = c.digit & Block::template later<1>(c.digit, carry.digit);
    const std::uint64_t digit_quad =
        digit_pair & Block::template later<2>(digit_pair, carry.digit_pair);
    const std::uint64_t after_1 = Block::template later<1>(c.line_feed, carry.line_feed);
    const std::uint64_t after_2 = Block::template later<2>(c.line_feed, carry.line_feed);
    const std::uint64_t after_3 = Block::template later<3>(c.line_feed, carry.line_feed);
    const std::uint64_t point_3_before = Block::template later<3>(c.point, carry.point);
    // A letter where no line feed stands right before, or a line feed with no letter after it;
    // likewise the blank, two bytes after the line feed.
    std::uint64_t bad = (c.letter ^ after_1) | (c.blank ^ after_2);
    if constexpr (kRules == Rules::plain) {
        // A byte in none of the classes; no integer digit; a point with no line feed three
        // bytes later, or a line feed with no point three bytes back (marked at the later of
        // the two); a line feed without two digits right before it; a sixth integer digit.
        bad |= ~(c.line_feed | c.letter | c.blank | c.point | c.digit);
        bad |= after_3 & ~c.digit;
        bad |= point_3_before ^ c.line_feed;
        bad |= c.line_feed & ~Block::template later<1>(digit_pair, carry.digit_pair);
        bad |= digit_quad & Block::template later<4>(digit_pair, carry.digit_pair);
    } else {
        bad |= ~(c.line_feed | c.letter | c.blank | c.point | c.digit | c.sign);
        // The amount's first byte: a sign or a digit, and a sign nowhere else; a digit after it.
        bad |= (after_3 & ~(c.sign | c.digit)) | (c.sign & ~after_3);
        bad |= Block::template later<1>(c.sign, carry.sign) & ~c.digit;
        // A point with no line feed in the three bytes after it: marked at the third; and a
        // point one or two bytes after another.
        bad |= point_3_before & ~(c.line_feed | after_1 | after_2);
        bad |= c.point & (Block::template later<1>(c.point, carry.point) |
                          Block::template later<2>(c.point, carry.point));
        // Ten integer digits or more: marked at the tenth.
        bad |= digit_quad & Block::template later<4>(digit_quad, carry.digit_quad) &
               Block::template later<8>(digit_pair, carry.digit_pair);
        carry.sign = c.sign;
        carry.digit_quad = digit_quad;
    }
    carry.line_feed = c.line_feed;
    carry.point = c.point;
    carry.digit = c.digit;
    carry.digit_pair = digit_pair;
    return bad;
}

// Checks the block at text + block and indexes its accepted line ends after the `count` found
// so far. `past_limit` marks the block's bytes past the byte limit, which count as faults.
// Returns whether the whole block was accepted; if not, `fault` is the offset of the first
// byte that was not.
template <typename Block, Rules kRules>
[[gnu::always_inline]] inline bool index_block(const char* text, std::size_t block,
                                               std::uint64_t past_limit, Carries& carry,
                                               LineIndex& index, std::uint32_t& count,
                                               std::size_t& fault) noexcept {
    const BlockClasses classes = Block::template classify<kRules == Rules::common>(text + block);
    const std::uint64_t bad = faults<Block, kRules>(classes, carry) | past_limit;
    const std::uint64_t accepted = classes.line_feed & ~bad & (bad - 1);
    Block::write_ends(index.line_feeds + count, static_cast<std::uint32_t>(block), accepted);
    if (bad != 0) {
        count += Block::count_bits(accepted);
        fault = block + static_cast<std::size_t>(std::countr_zero(bad));
        return false;
    }
    // No fault: every line feed of the block ends a line.
    count += classes.line_feed_count;
    return true;
}

}  // namespace checks

// Indexes the lines (by the rules of kRules) that stand in a row at `text`, where a line feed
// must stand, up to
// the first byte that breaks the shape, the end of the text, kMaxBytes from `text`, or the bytes
// that `max_lines` lines fill at most (a few more lines may be indexed then).
// Reads [text, end + 64): the block that holds the last byte of the text is loaded whole.
// How far ahead of the block being checked the text is asked into the cache.
inline constexpr std::size_t kPrefetchDistance = 4096;

template <typename Block, checks::Rules kRules>
[[gnu::always_inline]] inline void index_lines(const char* text, const char* end,
                                               std::uint32_t max_lines, LineIndex& index) noexcept {
    const auto available = static_cast<std::size_t>(end - text);
    std::size_t length = available < LineIndex::kMaxBytes ? available : LineIndex::kMaxBytes;
    // max_lines lines of at most 16 bytes end within this many bytes: looking further would only
    // find lines the caller does not want (a few more than max_lines may still be indexed).
    if (max_lines < LineIndex::kMaxBytes / 16) {
        length = std::min<std::size_t>(length, 16 * max_lines + 1);
    }
    // The line feed that starts the run is indexed with the others, at line_feeds[0]; the caller
    // has made sure that the text starts with a line feed.
    checks::Carries carry = checks::carries_before_a_run();
    std::uint32_t count = 0;
    std::size_t fault = length;
    // The whole blocks within the limit, then the part of a block before it: the test for the
    // limit stays out of the loop.
    const std::size_t whole = length & ~std::size_t{63};
    std::size_t block = 0;
    bool accepted = true;
    for (; block < whole && accepted; block += 64) {
        // The text may lie in a file mapped into memory and not yet in any cache: the bytes a few
        // KiB ahead are asked for now, so that the checks rarely wait for memory.
        __builtin_prefetch(text + block + kPrefetchDistance);
        accepted = checks::index_block<Block, kRules>(text, block, 0, carry, index, count, fault);
    }
    if (accepted && block < length) {
        checks::index_block<Block, kRules>(text, block, ~std::uint64_t{0} << (length - block),
                                           carry, index, count, fault);
    }
    index.line_feeds[0] = 0;
    // The line feed that starts the run ends no line of the run.
    index.count = count == 0 ? 0 : count - 1;
    index.reached_limit = length < available && fault == length && count != 0;
}

}  // namespace tally
