// Eight bytes of text handled at once in a 64-bit word, for the reads that take a token straight
// from the buffer. A word holds its text with the first byte in the lowest 8 bits, on hosts of
// either byte order, so that "the first n bytes" are always the low 8n bits.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace console::words {

// Eight bytes of text starting at p, the first byte lowest. p needs no alignment.
inline std::uint64_t load_word(const char* p) noexcept {
    std::uint64_t word = 0;
    std::memcpy(&word, p, sizeof word);
    if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
    return word;
}

// Per byte of a word of text: 0x80 where the byte is not a decimal digit, 0 where it is. Each
// byte is tested on its own (XOR and masked additions that no carry crosses), so every byte of
// the word is told right, whatever its neighbours hold.
inline std::uint64_t non_digit_bytes(std::uint64_t word) noexcept {
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Fu;
    const std::uint64_t offset = word ^ 0x3030303030303030u;  // digits become 0 to 9
    return (((offset & kLow7) + 0x7676767676767676u) | offset) & 0x8080808080808080u;
}

// Per byte of a word of text: 0x80 where the byte is not `c`, 0 where it is.
inline std::uint64_t bytes_other_than(std::uint64_t word, char c) noexcept {
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Fu;
    const std::uint64_t x = word ^ (0x0101010101010101u * static_cast<unsigned char>(c));
    return (((x & kLow7) + kLow7) | x) & 0x8080808080808080u;
}

// Per byte of a word of text: 0x80 where the byte lies in [low, high] (ASCII bytes, high below
// 127), 0 where it does not. The additions see only the low 7 bits of each byte, so that no carry
// crosses into the next; a byte above 127 is in no such range.
inline std::uint64_t bytes_within(std::uint64_t word, unsigned low, unsigned high) noexcept {
    constexpr std::uint64_t kOnes = 0x0101010101010101u;
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Fu;
    const std::uint64_t low7 = word & kLow7;
    const std::uint64_t at_least_low = low7 + kOnes * (128 - low);
    const std::uint64_t above_high = low7 + kOnes * (127 - high);
    return at_least_low & ~above_high & ~word & 0x8080808080808080u;
}

// Per byte of a word of text: 0x80 where the byte is not white space (blank, tab, line feed,
// vertical tab, form feed, carriage return), 0 where it is.
inline std::uint64_t non_space_bytes(std::uint64_t word) noexcept {
    const std::uint64_t space = bytes_within(word, '\t', '\r') | bytes_within(word, ' ', ' ');
    return ~space & 0x8080808080808080u;
}

// Per byte of a word of text: 0x80 where the byte is an ASCII letter or digit, 0 where it is a
// byte of a separator run (anything else).
inline std::uint64_t letter_or_digit_bytes(std::uint64_t word) noexcept {
    return bytes_within(word, '0', '9') | bytes_within(word, 'A', 'Z') |
           bytes_within(word, 'a', 'z');
}

// How many bytes lead the word before the first flagged one; `flags` has at least one flag.
inline int bytes_before_flag(std::uint64_t flags) noexcept {
    return std::countr_zero(flags) / 8;
}

// The byte `index` (0 to 7) places into the word.
inline char byte_at(std::uint64_t word, int index) noexcept {
    return static_cast<char>(word >> (8 * index));
}

// The value of the word's first `length` bytes, all digits, for length 1 to 8: the digits are
// shifted to the top so that the bytes below read as leading zeros, then pairs, quads and
// octets of digits are combined by multiplication.
inline std::uint64_t digits_value(std::uint64_t word, int length) noexcept {
    std::uint64_t v = (word ^ 0x3030303030303030u) << (64 - 8 * length);
    v = ((v & 0x0F0F0F0F0F0F0F0Fu) * 2561) >> 8;
    v = ((v & 0x00FF00FF00FF00FFu) * 6553601) >> 16;
    return ((v & 0x0000FFFF0000FFFFu) * 42949672960001u) >> 32;
}

// The 8 bytes that start `offset` bytes (1 to 8) into the 16 bytes low, high.
inline std::uint64_t bytes_from(std::uint64_t low, std::uint64_t high, int offset) noexcept {
    return offset == 8 ? high : (low >> (8 * offset)) | (high << (64 - 8 * offset));
}

}  // namespace console::words
