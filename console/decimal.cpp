#include "console/decimal.hpp"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <limits>
#include <system_error>

namespace console {
namespace {

// The scale moves by one per digit read; it saturates long before it could overflow.
constexpr std::int64_t kScaleLimit = std::int64_t{1} << 60;
// Exponents written for the library conversion: far enough out to give infinity or zero for
// any kept digits, short enough to write.
constexpr std::int64_t kWrittenExponentLimit = 100'000;

// Clinger's fast path: when the digits and the power of ten are both exact in the target type,
// one multiplication or division rounds the exact quotient once, so the result is correctly
// rounded. Doubles hold every integer below 10^15 exactly, floats every integer below 10^7.
template <typename Float>
constexpr int kExactDigits = sizeof(Float) == sizeof(double) ? 15 : 7;
template <typename Float>
constexpr int kExactPower = static_cast<int>(std::size(exact_powers_of_ten<Float>)) - 1;

}  // namespace

void DecimalDigits::keep(char digit) noexcept {
    digits_[count_] = digit;
    if (count_ < 19) leading_ = leading_ * 10 + static_cast<unsigned>(digit - '0');
    ++count_;
}

void DecimalDigits::add_integer_digit(char digit) noexcept {
    if (count_ == 0 && digit == '0') return;  // a leading zero
    if (count_ < kMaxDigits) {
        keep(digit);
        return;
    }
    dropped_nonzero_ = dropped_nonzero_ || digit != '0';
    if (scale_ < kScaleLimit) ++scale_;
}

void DecimalDigits::add_fraction_digit(char digit) noexcept {
    if (count_ == 0 && digit == '0') {  // a zero between the point and the first significant digit
        if (scale_ > -kScaleLimit) --scale_;
        return;
    }
    if (count_ < kMaxDigits) {
        keep(digit);
        if (scale_ > -kScaleLimit) --scale_;
        return;
    }
    dropped_nonzero_ = dropped_nonzero_ || digit != '0';
}

void DecimalDigits::add_exponent_digit(char digit) noexcept {
    exponent_ = std::min(exponent_ * 10 + (digit - '0'), kExponentLimit);
}

int DecimalDigits::write_scientific(char* text) const noexcept {
    std::int64_t exponent = scale_ + (exponent_negative_ ? -exponent_ : exponent_);
    char* out = std::copy(digits_, digits_ + count_, text);
    if (dropped_nonzero_) {
        // One more nonzero digit stands for the dropped tail: it keeps the value strictly
        // between the kept digits and the next value they could take.
        *out++ = '1';
        --exponent;
    }
    *out++ = 'e';
    exponent = std::clamp(exponent, -kWrittenExponentLimit, kWrittenExponentLimit);
    out = std::to_chars(out, out + 24, exponent).ptr;
    return static_cast<int>(out - text);
}

template <typename Float>
Float DecimalDigits::convert() const noexcept {
    Float magnitude = 0;
    const std::int64_t exponent = scale_ + (exponent_negative_ ? -exponent_ : exponent_);
    if (count_ == 0) {
        magnitude = 0;
    } else if (!dropped_nonzero_ && count_ <= kExactDigits<Float> &&
               exponent >= -kExactPower<Float> && exponent <= kExactPower<Float>) {
        const auto digits = static_cast<Float>(leading_);
        magnitude = exponent < 0 ? digits / exact_powers_of_ten<Float>[-exponent]
                                 : digits * exact_powers_of_ten<Float>[exponent];
    } else {
        char text[kMaxDigits + 32];
        const int length = write_scientific(text);
        const auto result = std::from_chars(text, text + length, magnitude);
        if (result.ec == std::errc::result_out_of_range) {
            // Beyond the largest finite value, or below half the smallest subnormal.
            magnitude = count_ + exponent > 0 ? std::numeric_limits<Float>::infinity() : Float{0};
        }
    }
    return negative_ ? -magnitude : magnitude;
}

double DecimalDigits::to_double() const noexcept {
    return convert<double>();
}
float DecimalDigits::to_float() const noexcept {
    return convert<float>();
}

}  // namespace console
