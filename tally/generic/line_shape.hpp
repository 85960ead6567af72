// How the amount of a common line is read, written once for every way's line walk.
//
// The amount of a common line (block_checks.hpp) is an optional sign (- or +), 1 to 9 integer
// digits and an optional point with 0 to 2 decimals: 12, 12., 12.5, 12.50, -0.00, +7. It is
// 13 bytes at most, so that a line, its starting line feed included, is 16 bytes at most.
//
// Each line is read through its window: the 16 bytes before the line feed that ends it. The
// window holds the whole line (and bytes of the lines before it, which are ignored); the amount
// is its last length - 3 bytes, where the length counts from the starting line feed to the
// ending one. A window may begin up to 12 bytes before the text (kBytesReadBeforeText).
//
// The amount is read as a whole number with the point taken as a digit 0 and each decimal
// weighed ten times, so that 12.50 reads 12500, 12.5 reads 1250 and 12. reads 120: the amount
// times 10 to the power of the bytes from the point to the end. That number is exact in a
// double (below 10^13), and so is the power of ten; the one division rounds once, and gives the
// amount's correctly rounded double, as the exact reads do.
//
// vantrel-lenient's float amounts are that double rounded to float. That is its correctly
// rounded float too: rounding twice goes wrong only where the double lands on a point halfway
// between two floats that the amount itself is not on, but an amount with at most 2 decimals
// is either on such a point or at least 2^-47 of its size away from it, far more than the
// double's rounding error of 2^-53 of it.
#pragma once

#include <cmath>
#include <cstdint>

namespace tally {

// The longest line whose amount fits 8 bytes (up to 5 integer digits and 2 decimals), from
// line feed to line feed: the ways that read amounts in 64-bit lanes read these lines so, and
// leave longer ones to be read one at a time.
inline constexpr std::uint32_t kLongestShortLine = 11;

// The bits of the amount's bytes in a window (bit i for byte i), by line length: the last
// length - 3 bytes for the lengths of common lines, 4 to 16.
struct AmountBytes {
    std::uint16_t by_length[32];
};
constexpr AmountBytes make_amount_bytes() {
    AmountBytes table{};
    for (std::uint32_t length = 4; length <= 16; ++length) {
        table.by_length[length] = static_cast<std::uint16_t>(0xFFFFu << (19 - length));
    }
    return table;
}
alignas(64) inline constexpr AmountBytes kAmountBytes = make_amount_bytes();

// The divisors of the weighed amounts, negated for the walk, which subtracts negated amounts
// (line_walk.hpp), unless a minus sign makes the amount negative itself. Indexed by
// divisor_index.
alignas(64) inline constexpr double kNegatedDivisors[16] = {
    -1.0, -1000.0, -100.0, -1.0, -10.0, -1.0, -1.0, -1.0,
    1.0,  1000.0,  100.0,  1.0,  10.0,  1.0,  1.0,  1.0};

// The double nearest 1 / d for each divisor d of kNegatedDivisors.
struct Reciprocals {
    double of[16];
};
constexpr Reciprocals make_reciprocals() {
    Reciprocals table{};
    for (int i = 0; i < 16; ++i) table.of[i] = 1.0 / kNegatedDivisors[i];
    return table;
}
alignas(64) inline constexpr Reciprocals kNegatedReciprocals = make_reciprocals();

// x / d as the one division rounds it, in a multiply and two fused multiply-adds, given the
// double nearest 1 / d (kNegatedReciprocals): the quotient by the reciprocal, its remainder,
// which is exact, and the quotient corrected once by the remainder. For ways on processors
// where a division takes many more cycles than these and is not pipelined.
//
// Only for the weighed amounts of up to 8 bytes, and their divisors: whole numbers x below
// 10^8, any with d = +-1 (where no rounding happens at all) and multiples of 10 with d = +-10,
// +-100 or +-1000 (a point in the amount makes the weighed amount a multiple of 10). The unit
// tests check every one of those against the division.
[[gnu::always_inline]] inline double divided_by_reciprocal(double x, double d,
                                                           double reciprocal) noexcept {
    const double quotient = x * reciprocal;
    return std::fma(std::fma(-quotient, d, x), reciprocal, quotient);
}

// The divisor of a common line's amount: bits 0 to 2, the points among the window's last three
// bytes (`point_bits`, bit i for a point at byte i of the window): bit 0 for two decimals, bit 1
// for one, bit 2 for none after the point, no bit without a point; bit 3, a minus sign in front
// of the amount of the line that starts at the line feed `line`. With kSignsCount false the sign
// is read as a separator (vantrel-lenient): every amount is positive.
template <bool kSignsCount>
[[gnu::always_inline]] inline std::uint32_t divisor_index(std::uint32_t point_bits,
                                                          const char* line) noexcept {
    const bool minus = kSignsCount && line[3] == '-';
    return (point_bits >> 13 & 7) | static_cast<std::uint32_t>(minus) << 3;
}

}  // namespace tally
