// The C locale's character classes, by byte value, as the formatted reads use them. Bytes above
// 127 belong to none of the classes, so they are separators and never white space.
#pragma once

namespace console::chars {

constexpr bool is_digit(int c) noexcept {
    return c >= '0' && c <= '9';
}
// Blank, tab, line feed, vertical tab, form feed and carriage return.
constexpr bool is_space(int c) noexcept {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
constexpr bool is_letter(int c) noexcept {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
constexpr bool is_sign(int c) noexcept {
    return c == '+' || c == '-';
}
// A byte of a separator run: anything but an ASCII letter or digit, bytes above 127 included.
// `c` is a byte value 0 to 255.
constexpr bool is_separator(int c) noexcept {
    return !is_digit(c) && !is_letter(c);
}

// is_space for a byte, by table: one load instead of a chain of comparisons where white space is
// skipped a byte at a time straight from the buffer.
inline constexpr auto kSpaceBytes = [] {
    struct Table {
        bool is[256] = {};
    } table;
    for (int c = 0; c < 256; ++c) table.is[c] = is_space(c);
    return table;
}();
constexpr bool is_space_byte(char c) noexcept {
    return kSpaceBytes.is[static_cast<unsigned char>(c)];
}

}  // namespace console::chars
