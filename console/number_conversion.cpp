#include "console/number_conversion.hpp"

#include <algorithm>
#include <charconv>
#include <system_error>

namespace console {
namespace {

// Exponents written for the library conversion: far enough out to give infinity or zero for any
// kept digits, short enough to write.
constexpr std::int64_t kWrittenExponentLimit = 100'000;

// The number's magnitude as scientific text that a correctly rounding library conversion reads:
// its kept digits, then 'e' and the exponent. Returns the text's length.
int write_scientific(const DecimalNumber& number, const char* digits, char* text) noexcept {
    char* out = std::copy(digits, digits + number.digit_count, text);
    std::int64_t exponent = number.exponent;
    if (number.dropped_nonzero) {
        // One more nonzero digit stands for the dropped tail: it keeps the value strictly between
        // the kept digits and the next value they could take.
        *out++ = '1';
        --exponent;
    }
    *out++ = 'e';
    exponent = std::clamp(exponent, -kWrittenExponentLimit, kWrittenExponentLimit);
    out = std::to_chars(out, out + 24, exponent).ptr;
    return static_cast<int>(out - text);
}

}  // namespace

template <typename Float>
Float to_binary(const DecimalNumber& number, const char* digits) noexcept {
    Float value = 0;
    if (convert_exactly(number, value)) return value;
    Float magnitude = 0;
    if (number.digit_count > 0) {
        char text[DigitCollector::kMaxDigits + 32];
        const int length = write_scientific(number, digits, text);
        const auto result = std::from_chars(text, text + length, magnitude);
        if (result.ec == std::errc::result_out_of_range) {
            // Beyond the largest finite value, or below half the smallest subnormal.
            magnitude = number.digit_count + number.exponent > 0
                            ? std::numeric_limits<Float>::infinity()
                            : Float{0};
        }
    }
    return number.negative ? -magnitude : magnitude;
}

template double to_binary(const DecimalNumber&, const char*) noexcept;
template float to_binary(const DecimalNumber&, const char*) noexcept;

}  // namespace console
