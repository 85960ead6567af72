#include "console/formatted_input.hpp"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "console/decimal_number.hpp"
#include "console/word_at_a_time.hpp"

namespace console {

using chars::is_digit;
using chars::is_sign;
using chars::is_space;

int FormattedInput::peek_general() noexcept {
    return text_.fill(1) ? static_cast<unsigned char>(*text_.next()) : kEnd;
}

int FormattedInput::peek_at(std::size_t k) noexcept {
    return text_.fill(k + 1) ? static_cast<unsigned char>(text_.next()[k]) : kEnd;
}

namespace {

// The first byte from p on, before end, that `stops` (a test of one byte) is true of, or end.
// Most runs are a byte or two, which the first bytes one at a time take at once; a longer run
// goes on eight bytes at a time, where `stops_in_word` flags the bytes of a word that stop it.
template <typename Stops, typename StopsInWord>
const char* end_of_run(const char* p, const char* end, Stops stops,
                       StopsInWord stops_in_word) noexcept {
    for (const char* const first_bytes_end = end - p > 8 ? p + 8 : end; p < first_bytes_end; ++p) {
        if (stops(*p)) return p;
    }
    for (; end - p >= 8; p += 8) {
        const std::uint64_t flags = stops_in_word(words::load_word(p));
        if (flags != 0) return p + words::bytes_before_flag(flags);
    }
    while (p < end && !stops(*p)) ++p;
    return p;
}

}  // namespace

std::size_t FormattedInput::zeros_ahead() const noexcept {
    const char* const next = text_.next();
    const char* const end = text_.end();
    return static_cast<std::size_t>(
        end_of_run(
            next, end, [](char c) { return c != '0'; },
            [](std::uint64_t word) { return words::bytes_other_than(word, '0'); }) -
        next);
}

void FormattedInput::skip_white_space() noexcept {
    for (;;) {
        const char* const end = text_.end();
        const char* const p = end_of_run(
            text_.next(), end, [](char c) { return !is_space(static_cast<unsigned char>(c)); },
            words::non_space_bytes);
        text_.advance_to(p);
        if (p < end || !text_.fill(1)) return;
    }
}

void FormattedInput::skip_separators() noexcept {
    for (;;) {
        const char* const end = text_.end();
        const char* const p = end_of_run(
            text_.next(), end, [](char c) { return !is_separator_byte(c); },
            words::letter_or_digit_bytes);
        text_.advance_to(p);
        if (p < end) return;
        const int c = peek();
        if (c == kEnd || !chars::is_separator(c)) return;
    }
}

bool FormattedInput::read_int_general(std::int32_t& out) noexcept {
    skip_white_space();
    const int first = peek();
    const std::size_t sign_length = is_sign(first) ? 1 : 0;
    if (!is_digit(peek_at(sign_length))) return false;  // "-x" stays in the input
    text_.advance(sign_length);
    // Past 2^31 the value saturates, so the magnitude stops growing there.
    constexpr std::uint64_t kCap = std::uint64_t{1} << 31;
    std::uint64_t magnitude = 0;
    for (int c = peek(); is_digit(c); c = peek()) {
        text_.advance(1);
        magnitude = std::min(magnitude * 10 + static_cast<unsigned>(c - '0'), kCap);
    }
    if (first == '-') {
        out = magnitude == kCap ? std::numeric_limits<std::int32_t>::min()
                                : -static_cast<std::int32_t>(magnitude);
    } else {
        out = static_cast<std::int32_t>(std::min(magnitude, kCap - 1));
    }
    return true;
}

template <typename Float>
bool FormattedInput::read_number_general(Float& out) noexcept {
    skip_white_space();
    const int first = peek();
    const std::size_t sign_length = is_sign(first) ? 1 : 0;
    // A number needs a digit, before or after the point; without one nothing but the white
    // space is consumed ("-.x" stays in the input).
    const int lead = peek_at(sign_length);
    if (!is_digit(lead) && !(lead == '.' && is_digit(peek_at(sign_length + 1)))) return false;
    text_.advance(sign_length);

    DigitCollector number;
    if (first == '-') number.set_negative();
    int c = peek();
    for (; is_digit(c); c = peek()) {
        if (const std::size_t zeros = c == '0' ? zeros_ahead() : 0; zeros > 1) {
            number.add_integer_zeros(zeros);
            text_.advance(zeros);
            continue;
        }
        number.add_integer_digit(static_cast<char>(c));
        text_.advance(1);
    }
    if (c == '.') {
        text_.advance(1);
        for (c = peek(); is_digit(c); c = peek()) {
            if (const std::size_t zeros = c == '0' ? zeros_ahead() : 0; zeros > 1) {
                number.add_fraction_zeros(zeros);
                text_.advance(zeros);
                continue;
            }
            number.add_fraction_digit(static_cast<char>(c));
            text_.advance(1);
        }
    }
    if (c == 'e' || c == 'E') {
        // The marker belongs to the number only when digits follow it ("5e" reads 5, "e" stays).
        const int after = peek_at(1);
        const std::size_t marker_length = is_sign(after) ? 2 : 1;
        if (is_digit(peek_at(marker_length))) {
            if (after == '-') number.set_exponent_negative();
            text_.advance(marker_length);
            for (c = peek(); is_digit(c); c = peek()) {
                number.add_exponent_digit(static_cast<char>(c));
                text_.advance(1);
            }
        }
    }
    out = to_binary<Float>(number.number(), number.digits());
    return true;
}

template bool FormattedInput::read_number_general(double& out) noexcept;
template bool FormattedInput::read_number_general(float& out) noexcept;

}  // namespace console
