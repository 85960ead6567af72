// Decimal text to binary floating point, rounded correctly to nearest (ties to even) from the
// decimal digits themselves, for numbers of any length in fixed memory.
#pragma once

#include <cstdint>

namespace console {

// Powers of ten that the type holds exactly: up to 10^22 for doubles, 10^10 for floats.
template <typename Float>
inline constexpr Float exact_powers_of_ten[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f,
                                                1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
template <>
inline constexpr double exact_powers_of_ten<double>[] = {
    1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The significant digits of a decimal number as they stream in. Only the first kMaxDigits are
// kept; beyond them it is enough to know whether any dropped digit was nonzero, because every
// value halfway between two adjacent doubles (or floats) has fewer significant digits than that,
// so a nonzero tail can only move the value off a halfway point, never across one.
class DecimalDigits {
  public:
    static constexpr int kMaxDigits = 800;
    // Exponents this far out are infinity or zero for any kept digits; larger ones saturate here.
    static constexpr std::int64_t kExponentLimit = 1'000'000'000;

    void set_negative() noexcept { negative_ = true; }
    // One digit before the decimal point.
    void add_integer_digit(char digit) noexcept;
    // One digit after the decimal point.
    void add_fraction_digit(char digit) noexcept;
    // One digit of the explicit exponent, and its sign.
    void add_exponent_digit(char digit) noexcept;
    void set_exponent_negative() noexcept { exponent_negative_ = true; }

    double to_double() const noexcept;
    float to_float() const noexcept;

  private:
    template <typename Float>
    Float convert() const noexcept;
    // The value's digits and decimal exponent, as text that a correctly rounding library
    // conversion reads.
    int write_scientific(char* text) const noexcept;
    void keep(char digit) noexcept;

    std::uint64_t leading_ = 0;  // the first up to 19 kept digits as an integer
    std::int64_t scale_ = 0;     // value = kept digits x 10^(scale + exponent)
    std::int64_t exponent_ = 0;  // the explicit exponent's magnitude, saturated
    int count_ = 0;              // significant digits kept
    bool dropped_nonzero_ = false;
    bool negative_ = false;
    bool exponent_negative_ = false;
    char digits_[kMaxDigits];
};

}  // namespace console
