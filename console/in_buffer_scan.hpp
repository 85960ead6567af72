// The common tokens, scanned straight from the buffer: a few blanks, then a short integer ("%d"),
// or a number with few digits and no sign or exponent ("%lf", "%f"). Each scan needs
// TextBuffer::kMaxLookahead readable bytes at p and stops at the sentinel after the text at the
// latest. It returns the token's length and fills its result, or returns 0 for any other text,
// having filled nothing: the byte-at-a-time reads then decide.
#pragma once

#include <cstddef>
#include <cstdint>

#include "console/character_classes.hpp"
#include "console/decimal_number.hpp"
#include "console/word_at_a_time.hpp"

namespace console {

// Blanks longer than this are left to the byte-at-a-time reads.
inline constexpr std::ptrdiff_t kMaxInBufferBlanks = 8;

inline std::size_t scan_int_in_buffer(const char* p, std::int32_t& out) noexcept {
    const char* const start = p;
    while (chars::is_space_byte(*p)) ++p;
    if (p - start > kMaxInBufferBlanks) return 0;
    const bool negative = *p == '-';
    p += chars::is_sign(*p) ? 1 : 0;
    const char* const digits = p;
    std::int32_t value = 0;
    // Nine digits cannot overflow; a tenth is left to the read that saturates.
    while (chars::is_digit(*p)) {
        if (p - digits == 9) return 0;
        value = value * 10 + (*p++ - '0');
    }
    if (p == digits) return 0;
    out = negative ? -value : value;
    return static_cast<std::size_t>(p - start);
}

// Takes up to 8 significant digits with at most one point among them, unsigned, no exponent.
// The digits are taken a word at a time, with no branch per digit: amounts have varying lengths,
// and a mispredicted loop exit costs more than the whole scan. Where the number ends is what the
// next read waits for, so that is found from two words loaded at once and their digit masks,
// without further loads.
inline std::size_t scan_number_in_buffer(const char* p, DecimalNumber& out) noexcept {
    using namespace words;
    const char* const start = p;
    while (chars::is_space_byte(*p)) ++p;
    if (p - start > kMaxInBufferBlanks) return 0;
    const std::uint64_t integer_word = load_word(p);
    const std::uint64_t next_word = load_word(p + 8);
    const std::uint64_t integer_ends = non_digit_bytes(integer_word);
    if (integer_ends == 0) return 0;  // 8 integer digits or more
    const int integer_length = bytes_before_flag(integer_ends);
    std::uint64_t digits_word = integer_word;
    int length = integer_length;
    int fraction_length = 0;
    int end = integer_length;
    if (byte_at(integer_word, integer_length) == '.') [[likely]] {
        // The fraction digits join the integer digits in one word, in place of the point.
        const int fraction_start = integer_length + 1;
        const std::uint64_t fraction_word = bytes_from(integer_word, next_word, fraction_start);
        const std::uint64_t fraction_ends = non_digit_bytes(fraction_word);
        if (fraction_ends == 0) return 0;
        fraction_length = bytes_before_flag(fraction_ends);
        length += fraction_length;
        if (length > 8) return 0;
        const int integer_bits = 8 * integer_length;
        digits_word = (integer_word & ((std::uint64_t{1} << integer_bits) - 1)) |
                      (fraction_word << integer_bits);
        end = fraction_start + fraction_length;
    }
    // No digit (a sign, or a point alone), or an exponent: not taken here.
    if (length == 0 || (p[end] | 0x20) == 'e') return 0;
    // Leading zeros stay in the significand, where they change nothing; the digit count only
    // bounds it, and 8 digits are exact in any type.
    out.significand = digits_value(digits_word, length);
    out.digit_count = length;
    out.exponent = -fraction_length;
    out.dropped_nonzero = false;
    out.negative = false;
    return static_cast<std::size_t>(p + end - start);
}

}  // namespace console
