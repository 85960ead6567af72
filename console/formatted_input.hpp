// The formatted reads that the programs make on standard input ("%d", "%c", "%lf", "%f",
// "%*[^A-Za-z0-9]" and getchar), each following C's formatted-read rules on text-mode input.
// A read that fails consumes only the white space that it skips.
//
// Each read first tries to take its token straight from the buffer (in_buffer_scan.hpp) when
// enough text is there; any other text, and text near the end of the buffer, is read a byte at a
// time by the general reads, which take tokens of any length and across block ends.
#pragma once

#include <cstddef>
#include <cstdint>

#include "console/byte_source.hpp"
#include "console/character_classes.hpp"
#include "console/in_buffer_scan.hpp"
#include "console/number_conversion.hpp"
#include "console/text_buffer.hpp"

namespace console {

class FormattedInput {
  public:
    static constexpr int kEnd = -1;  // what getchar returns at the end of the input

    explicit FormattedInput(ByteSource& source) noexcept : text_(source) {}

    // getchar: the next byte as 0..255, or kEnd.
    int getchar() noexcept {
        const int c = peek();
        if (c != kEnd) text_.advance(1);
        return c;
    }
    // "%c": the next byte, white space included.
    bool read_char(char& out) noexcept {
        const int c = peek();
        if (c == kEnd) return false;
        out = static_cast<char>(c);
        text_.advance(1);
        return true;
    }
    // "%d": white space, then an optionally signed decimal integer; text beyond 32 bits
    // saturates at the nearest 32-bit limit.
    bool read_int(std::int32_t& out) noexcept {
        if (has_lookahead()) {
            if (const std::size_t length = scan_int_in_buffer(text_.next(), out)) {
                text_.advance(length);
                return true;
            }
        }
        return read_int_general(out);
    }
    // "%lf" for a double, "%f" for a float: white space, then an optionally signed decimal number
    // (digits with at most one decimal point, at least one digit, then an optional exponent),
    // rounded correctly to nearest.
    template <typename Float>
    bool read_number(Float& out) noexcept {
        if (has_lookahead()) {
            DecimalNumber number;
            if (const std::size_t length = scan_number_in_buffer(text_.next(), number)) {
                if (convert_exactly(number, out)) {
                    text_.advance(length);
                    return true;
                }
            }
        }
        return read_number_general(out);
    }
    // "%*[^A-Za-z0-9]": a run of one or more bytes that are not ASCII letters or digits,
    // discarded. An empty run fails and consumes nothing.
    bool skip_separator_run() noexcept {
        // The usual run is one blank: take it here, and the rest of a longer run byte by byte.
        if (text_.available() >= 2 && is_separator_byte(text_.next()[0])) {
            text_.advance(1);
            if (!is_separator_byte(text_.next()[0])) return true;
            skip_separators();
            return true;
        }
        const int c = peek();
        if (c == kEnd || !chars::is_separator(c)) return false;
        skip_separators();
        return true;
    }

    // The buffered text, for code that reads it in bulk: [buffered_begin(), buffered_end()) is
    // the unread text, where the next read starts, as far as it is buffered now (possibly none).
    // It is the input's bytes as they stand, carriage returns included: text mode would drop a
    // carriage return before a line feed, so bulk code must take no text that holds one.
    // kReadableBefore bytes before it and kReadableAfter bytes from its end on may be read as
    // well; their values mean nothing.
    static constexpr std::size_t kReadableBefore = TextBuffer::kGuardBytes;
    static constexpr std::size_t kReadableAfter = TextBuffer::kPaddingBytes;
    const char* buffered_begin() const noexcept { return text_.next(); }
    const char* buffered_end() const noexcept { return text_.bulk_end(); }
    // Consumes the buffered text up to `position`, in [buffered_begin(), buffered_end()]; the
    // text consumed holds no carriage return.
    void consume_to(const char* position) noexcept { text_.take_bulk(position); }

    // Bytes consumed so far, counting a dropped carriage return as none.
    std::uint64_t position() const noexcept { return text_.position(); }
    // The errno of the read error that ended the input early, or 0.
    int error() const noexcept { return text_.error(); }

  private:
    // The zero digits from the next byte on that the buffer holds: a long run of them (as in
    // "0000...12" or "12.5000...") is taken in one step.
    std::size_t zeros_ahead() const noexcept;
    static bool is_separator_byte(char c) noexcept {
        return chars::is_separator(static_cast<unsigned char>(c));
    }
    // Whether the in-buffer scans may look kMaxLookahead bytes ahead without a refill.
    bool has_lookahead() const noexcept { return text_.available() >= TextBuffer::kMaxLookahead; }
    int peek() noexcept {
        return text_.available() > 0 ? static_cast<unsigned char>(*text_.next()) : peek_general();
    }
    int peek_general() noexcept;
    // The byte k places ahead of the next one, or kEnd.
    int peek_at(std::size_t k) noexcept;
    void skip_white_space() noexcept;
    // Consumes separators, at least one of which is next.
    void skip_separators() noexcept;

    bool read_int_general(std::int32_t& out) noexcept;
    template <typename Float>
    bool read_number_general(Float& out) noexcept;

    TextBuffer text_;
};

}  // namespace console
