#include "console/input_stream.hpp"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "console/decimal.hpp"
#include "console/system.hpp"

namespace console {
namespace {

using chars::is_digit;
using chars::is_sign;
using chars::is_space;

}  // namespace

std::ptrdiff_t FdSource::read(char* dst, std::size_t max) {
    return read_fd(fd_, dst, max);
}

char* fold_crlf(char* begin, char* end) noexcept {
    char* out = static_cast<char*>(std::memchr(begin, '\r', static_cast<std::size_t>(end - begin)));
    if (out == nullptr) return end;
    const char* in = out;
    while (in < end) {
        // `in` is at a CR: drop it when an LF follows, then copy up to the next CR.
        if (in + 1 < end && in[1] == '\n') ++in;
        const char* next_cr = static_cast<const char*>(
            std::memchr(in + 1, '\r', static_cast<std::size_t>(end - in - 1)));
        const char* stop = next_cr == nullptr ? end : next_cr;
        const auto length = static_cast<std::size_t>(stop - in);
        std::memmove(out, in, length);
        out += length;
        in = stop;
    }
    return out;
}

InputStream::InputStream(ByteSource& source) noexcept
    : source_(source), pos_(buffer_), end_(buffer_) {
    *end_ = kSentinel;
}

bool InputStream::fill(std::size_t wanted) noexcept {
    while (static_cast<std::size_t>(end_ - pos_) < wanted) {
        if (at_end_) return false;
        // Move the unread tail to the front so that a token split by the block end reads on
        // contiguously; the tail is shorter than the longest lookahead.
        const auto tail = static_cast<std::size_t>(end_ - pos_);
        if (pos_ != buffer_) {
            std::memmove(buffer_, pos_, tail);
            consumed_before_buffer_ += static_cast<std::uint64_t>(pos_ - buffer_);
            pos_ = buffer_;
            end_ = buffer_ + tail;
        }
        // A CR held back from the last block goes first, to be looked at with its follower.
        char* raw = end_;
        if (held_cr_) *raw++ = '\r';
        const std::size_t room =
            std::min(kBlockSize, sizeof buffer_ - 1 - static_cast<std::size_t>(raw - buffer_));
        const std::ptrdiff_t got = source_.read(raw, room);
        if (got <= 0) {
            if (got < 0) error_ = errno != 0 ? errno : EIO;
            at_end_ = true;
            end_ = raw;  // a CR at the very end of the input stays
            *end_ = kSentinel;
            held_cr_ = false;
            continue;
        }
        char* raw_end = raw + got;
        held_cr_ = raw_end[-1] == '\r';
        if (held_cr_) --raw_end;
        end_ = fold_crlf(end_, raw_end);
        *end_ = kSentinel;
    }
    return true;
}

int InputStream::peek_slow() noexcept {
    return fill(1) ? static_cast<unsigned char>(*pos_) : kEnd;
}

int InputStream::peek_at(std::size_t k) noexcept {
    return fill(k + 1) ? static_cast<unsigned char>(pos_[k]) : kEnd;
}

void InputStream::skip_white_space() noexcept {
    for (;;) {
        while (pos_ < end_ && is_space(static_cast<unsigned char>(*pos_))) ++pos_;
        if (pos_ < end_ || !fill(1)) return;
    }
}

bool InputStream::read_int_slow(std::int32_t& out) noexcept {
    skip_white_space();
    const int first = peek();
    const std::size_t sign_length = is_sign(first) ? 1 : 0;
    if (!is_digit(peek_at(sign_length))) return false;  // "-x" stays in the input
    pos_ += sign_length;
    // Past 2^31 the value saturates, so the magnitude stops growing there.
    constexpr std::uint64_t kCap = std::uint64_t{1} << 31;
    std::uint64_t magnitude = 0;
    for (int c = peek(); is_digit(c); c = peek()) {
        ++pos_;
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
bool InputStream::read_number_slow(Float& out) noexcept {
    skip_white_space();
    const int first = peek();
    const std::size_t sign_length = is_sign(first) ? 1 : 0;
    // A number needs a digit, before or after the point; without one nothing but the white
    // space is consumed ("-.x" stays in the input).
    const int lead = peek_at(sign_length);
    if (!is_digit(lead) && !(lead == '.' && is_digit(peek_at(sign_length + 1)))) return false;
    pos_ += sign_length;

    DecimalDigits number;
    if (first == '-') number.set_negative();
    int c = peek();
    for (; is_digit(c); c = peek()) {
        number.add_integer_digit(static_cast<char>(c));
        ++pos_;
    }
    if (c == '.') {
        ++pos_;
        for (c = peek(); is_digit(c); c = peek()) {
            number.add_fraction_digit(static_cast<char>(c));
            ++pos_;
        }
    }
    if (c == 'e' || c == 'E') {
        // The marker belongs to the number only when digits follow it ("5e" reads 5, "e" stays).
        const int after = peek_at(1);
        const std::size_t marker_length = is_sign(after) ? 2 : 1;
        if (is_digit(peek_at(marker_length))) {
            if (after == '-') number.set_exponent_negative();
            pos_ += marker_length;
            for (c = peek(); is_digit(c); c = peek()) {
                number.add_exponent_digit(static_cast<char>(c));
                ++pos_;
            }
        }
    }
    if constexpr (sizeof(Float) == sizeof(double)) {
        out = number.to_double();
    } else {
        out = number.to_float();
    }
    return true;
}

template bool InputStream::read_number_slow(double& out) noexcept;
template bool InputStream::read_number_slow(float& out) noexcept;

void InputStream::skip_separators() noexcept {
    for (;;) {
        while (pos_ < end_ && is_separator(static_cast<unsigned char>(*pos_))) ++pos_;
        if (pos_ < end_ || !is_separator(peek())) return;
    }
}

}  // namespace console
