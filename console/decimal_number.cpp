#include "console/decimal_number.hpp"

#include <algorithm>

namespace console {
namespace {

// The scale moves by one per digit read; it saturates long before it could overflow.
constexpr std::int64_t kScaleLimit = std::int64_t{1} << 60;
constexpr int kSignificandDigits = 19;  // as many as a 64-bit integer always holds

}  // namespace

void DigitCollector::keep(char digit) noexcept {
    digits_[number_.digit_count] = digit;
    if (number_.digit_count < kSignificandDigits) {
        number_.significand = number_.significand * 10 + static_cast<unsigned>(digit - '0');
    }
    ++number_.digit_count;
}

void DigitCollector::add_integer_digit(char digit) noexcept {
    if (number_.digit_count == 0 && digit == '0') return;  // a leading zero
    if (number_.digit_count < kMaxDigits) {
        keep(digit);
        return;
    }
    number_.dropped_nonzero = number_.dropped_nonzero || digit != '0';
    if (number_.exponent < kScaleLimit) ++number_.exponent;
}

void DigitCollector::add_fraction_digit(char digit) noexcept {
    if (number_.digit_count == 0 && digit == '0') {
        // A zero between the point and the first significant digit.
        if (number_.exponent > -kScaleLimit) --number_.exponent;
        return;
    }
    if (number_.digit_count < kMaxDigits) {
        keep(digit);
        if (number_.exponent > -kScaleLimit) --number_.exponent;
        return;
    }
    number_.dropped_nonzero = number_.dropped_nonzero || digit != '0';
}

void DigitCollector::add_integer_zeros(std::uint64_t count) noexcept {
    if (number_.digit_count == 0) return;  // leading zeros
    for (; count > 0 && number_.digit_count < kMaxDigits; --count) keep('0');
    number_.exponent += static_cast<std::int64_t>(
        std::min<std::uint64_t>(count, static_cast<std::uint64_t>(kScaleLimit - number_.exponent)));
}

void DigitCollector::add_fraction_zeros(std::uint64_t count) noexcept {
    // Zeros between the point and the first significant digit only move the scale; zeros
    // after the last kept digit change nothing.
    std::uint64_t moves = number_.digit_count == 0 ? count : 0;
    for (; count > 0 && number_.digit_count != 0 && number_.digit_count < kMaxDigits; --count) {
        keep('0');
        ++moves;
    }
    number_.exponent -= static_cast<std::int64_t>(
        std::min<std::uint64_t>(moves, static_cast<std::uint64_t>(number_.exponent + kScaleLimit)));
}

void DigitCollector::add_exponent_digit(char digit) noexcept {
    explicit_ = std::min(explicit_ * 10 + (digit - '0'), kExponentLimit);
}

DecimalNumber DigitCollector::number() const noexcept {
    DecimalNumber number = number_;
    number.exponent += exponent_negative_ ? -explicit_ : explicit_;
    return number;
}

}  // namespace console
