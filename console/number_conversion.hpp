// Decimal to binary floating point, rounded correctly to nearest (ties to even) straight from the
// decimal digits, for double ("%lf") and float ("%f") alike. One pipeline: the exact fast path
// where it applies, and otherwise the C++ library's correctly rounding conversion of the digits.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "console/decimal_number.hpp"

namespace console {

namespace conversion_detail {

// The largest k for which 10^k is exact in Float: 10^k = 2^k x 5^k, and 5^k needs to fit in the
// significand. 22 for double, 10 for float.
template <typename Float>
constexpr int max_exact_power() {
    constexpr std::uint64_t kLimit = std::uint64_t{1} << std::numeric_limits<Float>::digits;
    int k = 0;
    for (std::uint64_t five_to_k = 5; five_to_k <= kLimit; five_to_k *= 5) ++k;
    return k;
}

}  // namespace conversion_detail

// Every integer up to this is exact in Float: 2^53 for double, 2^24 for float.
template <typename Float>
inline constexpr std::uint64_t kMaxExactSignificand =
    std::uint64_t{1} << std::numeric_limits<Float>::digits;
template <typename Float>
inline constexpr int kMaxExactPower = conversion_detail::max_exact_power<Float>();

// 10^0 to 10^kMaxExactPower, each exact in Float.
template <typename Float>
inline constexpr auto kExactPowersOfTen = [] {
    std::array<Float, kMaxExactPower<Float> + 1> powers{};
    Float power = 1;
    for (Float& p : powers) {
        p = power;
        power *= 10;
    }
    return powers;
}();

// Clinger's fast path: when the significant digits and the power of ten are both exact in Float,
// one multiplication or division rounds the exact value once, and so correctly. Fills `out` and
// returns true when it applies; otherwise leaves `out` alone.
template <typename Float>
inline bool convert_exactly(const DecimalNumber& number, Float& out) noexcept {
    if (number.dropped_nonzero || number.digit_count > 19 ||
        number.significand > kMaxExactSignificand<Float> ||
        number.exponent < -kMaxExactPower<Float> || number.exponent > kMaxExactPower<Float>) {
        return false;
    }
    const auto digits = static_cast<Float>(number.significand);
    const auto power =
        static_cast<std::size_t>(number.exponent < 0 ? -number.exponent : number.exponent);
    const Float magnitude = number.exponent < 0 ? digits / kExactPowersOfTen<Float>[power]
                                                : digits * kExactPowersOfTen<Float>[power];
    out = number.negative ? -magnitude : magnitude;
    return true;
}

// The number, correctly rounded: by the fast path where it applies, otherwise by the library from
// `digits`, the text of the number's kept significant digits. Beyond the largest finite value
// the result is infinity, below half the smallest subnormal it is zero, each with the number's
// sign.
template <typename Float>
Float to_binary(const DecimalNumber& number, const char* digits) noexcept;

extern template double to_binary(const DecimalNumber&, const char*) noexcept;
extern template float to_binary(const DecimalNumber&, const char*) noexcept;

}  // namespace console
