// A decimal number as the scanners hand it to the conversion: its significant digits, where the
// decimal point stands, and its sign. Both scanners, the one that reads straight from the buffer
// and the one that reads a byte at a time, produce this same result.
#pragma once

#include <cstdint>

namespace console {

// value = (negative ? -1 : 1) x (the kept significant digits) x 10^exponent, plus, when
// dropped_nonzero is set, something more than zero but less than one unit of the last kept digit.
struct DecimalNumber {
    std::uint64_t significand = 0;  // the first min(digit_count, 19) significant digits
    int digit_count = 0;            // significant digits kept; 0 for the value zero
    std::int64_t exponent = 0;
    bool dropped_nonzero = false;
    bool negative = false;
};

// Builds a DecimalNumber from digits that arrive one at a time, for numbers of any length in
// fixed memory. Only the first kMaxDigits significant digits are kept; beyond them it is enough to
// know whether any dropped digit was nonzero, because every value halfway between two adjacent
// doubles (or floats) has fewer significant digits than that, so a nonzero tail can only move the
// value off a halfway point, never across one.
class DigitCollector {
  public:
    static constexpr int kMaxDigits = 800;
    // Exponents this far out are infinity or zero for any kept digits; larger ones saturate here.
    static constexpr std::int64_t kExponentLimit = 1'000'000'000;

    void set_negative() noexcept { number_.negative = true; }
    // One digit before the decimal point.
    void add_integer_digit(char digit) noexcept;
    // One digit after the decimal point.
    void add_fraction_digit(char digit) noexcept;
    // `count` zeros before, or after, the decimal point: the same as that many calls of
    // add_integer_digit('0'), or add_fraction_digit('0'), in one step where the zeros need not be
    // kept (before the first significant digit, or after the last one kept).
    void add_integer_zeros(std::uint64_t count) noexcept;
    void add_fraction_zeros(std::uint64_t count) noexcept;
    // One digit of the explicit exponent ("e-12"), and its sign.
    void add_exponent_digit(char digit) noexcept;
    void set_exponent_negative() noexcept { exponent_negative_ = true; }

    DecimalNumber number() const noexcept;
    // The kept significant digits as text, number().digit_count of them.
    const char* digits() const noexcept { return digits_; }

  private:
    void keep(char digit) noexcept;

    DecimalNumber number_;       // its exponent counts only the point's position (the scale)
    std::int64_t explicit_ = 0;  // the explicit exponent's magnitude, saturated
    bool exponent_negative_ = false;
    char digits_[kMaxDigits];
};

}  // namespace console
