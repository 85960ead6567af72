// Standard input as the programs see it: a buffered text-mode byte stream with the formatted
// reads that they use ("%d", "%c", "%lf", "%f", "%*[^A-Za-z0-9]" and getchar), each following
// C's formatted-read rules. A read that fails consumes only the white space that it skips.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "console/decimal.hpp"

namespace console {

// The C locale's character classes, by byte value; bytes above 127 belong to none of them.
namespace chars {
constexpr bool is_digit(int c) noexcept {
    return c >= '0' && c <= '9';
}
constexpr bool is_space(int c) noexcept {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
constexpr bool is_letter(int c) noexcept {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
constexpr bool is_sign(int c) noexcept {
    return c == '+' || c == '-';
}
// is_space for a byte, by table: one load instead of a chain of comparisons on the hot path.
inline constexpr auto kSpaceBytes = [] {
    struct Table {
        bool is[256] = {};
    } table;
    for (int c = 0; c < 256; ++c) table.is[c] = is_space(c);
    return table;
}();
constexpr bool is_space_byte(char c) noexcept {
    return kSpaceBytes.is[static_cast<unsigned char>(c)];
}
}  // namespace chars

// Where a stream's bytes come from.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // Puts up to max bytes at dst and returns how many (at least one), 0 at the end of the
    // input, or -1 when the input cannot be read (errno tells why).
    virtual std::ptrdiff_t read(char* dst, std::size_t max) = 0;
};

// Reads a file descriptor, retrying reads that a signal interrupted.
class FdSource final : public ByteSource {
  public:
    explicit FdSource(int fd) noexcept : fd_(fd) {}
    std::ptrdiff_t read(char* dst, std::size_t max) override;

  private:
    int fd_;
};

class InputStream {
  public:
    static constexpr int kEnd = -1;  // what getchar returns at the end of the input
    // Bytes asked of the source per read.
    static constexpr std::size_t kBlockSize = 64 * 1024;
    // Longest stretch that a read may need to see at once: a token split by a block end is
    // moved to the front of the buffer so that it reads on contiguously.
    static constexpr std::size_t kMaxLookahead = 64;
    // Stands right after the last byte read, so that scans for white space stop there without
    // a bounds check per byte: it is not white space.
    static constexpr char kSentinel = '\0';

    explicit InputStream(ByteSource& source) noexcept;
    InputStream(const InputStream&) = delete;
    InputStream& operator=(const InputStream&) = delete;

    // getchar: the next byte as 0..255, or kEnd.
    int getchar() noexcept {
        const int c = peek();
        if (c != kEnd) ++pos_;
        return c;
    }
    // "%c": the next byte, white space included.
    bool read_char(char& out) noexcept {
        const int c = peek();
        if (c == kEnd) return false;
        out = static_cast<char>(c);
        ++pos_;
        return true;
    }
    // "%d": white space, then an optionally signed decimal integer; text beyond 32 bits
    // saturates at the nearest 32-bit limit.
    bool read_int(std::int32_t& out) noexcept {
        if (has_lookahead()) {
            if (const std::size_t length = read_short_int(pos_, out)) {
                pos_ += length;
                return true;
            }
        }
        return read_int_slow(out);
    }
    // "%lf" and "%f": white space, then an optionally signed decimal number (digits with at most
    // one decimal point, at least one digit, then an optional exponent), rounded to nearest.
    bool read_double(double& out) noexcept { return read_number(out); }
    bool read_float(float& out) noexcept { return read_number(out); }
    // "%*[^A-Za-z0-9]": a run of one or more bytes that are not ASCII letters or digits,
    // discarded. An empty run fails and consumes nothing.
    bool skip_separator_run() noexcept {
        // The usual run is one blank: take it here, and the rest of a longer run the long way.
        if (pos_ < end_ && is_separator(static_cast<unsigned char>(*pos_))) {
            ++pos_;
            if (pos_ < end_ && !is_separator(static_cast<unsigned char>(*pos_))) return true;
            skip_separators();
            return true;
        }
        if (!is_separator(peek())) return false;
        skip_separators();
        return true;
    }

    // Bytes consumed so far, counting a folded CR LF as one.
    std::uint64_t position() const noexcept {
        return consumed_before_buffer_ + static_cast<std::uint64_t>(pos_ - buffer_);
    }
    // The errno of the read error that ended the input early, or 0.
    int error() const noexcept { return error_; }

  private:
    static constexpr bool is_separator(int c) noexcept {
        return c != kEnd && !chars::is_digit(c) && !chars::is_letter(c);
    }
    // Whether the short-token reads below may look kMaxLookahead bytes ahead without a refill.
    bool has_lookahead() const noexcept {
        return static_cast<std::size_t>(end_ - pos_) >= kMaxLookahead;
    }
    // The usual tokens, read straight from the buffer: a few blanks, then a short integer or a
    // number with few digits and no exponent. Each needs kMaxLookahead bytes at p, fills `out`
    // and returns the token's length; anything else returns 0, having filled nothing, and goes
    // the general way.
    static std::size_t read_short_int(const char* p, std::int32_t& out) noexcept;
    template <typename Float>
    static std::size_t read_short_number(const char* p, Float& out) noexcept;
    template <typename Float>
    bool read_number(Float& out) noexcept {
        if (has_lookahead()) {
            if (const std::size_t length = read_short_number(pos_, out)) {
                pos_ += length;
                return true;
            }
        }
        return read_number_slow(out);
    }
    bool read_int_slow(std::int32_t& out) noexcept;
    template <typename Float>
    bool read_number_slow(Float& out) noexcept;
    // Consumes separators, at least one of which is next.
    void skip_separators() noexcept;

    int peek() noexcept { return pos_ < end_ ? static_cast<unsigned char>(*pos_) : peek_slow(); }
    int peek_slow() noexcept;
    // The byte k places ahead of the next one, or kEnd.
    int peek_at(std::size_t k) noexcept;
    // Makes at least `wanted` bytes visible unless the input ends first.
    bool fill(std::size_t wanted) noexcept;
    void skip_white_space() noexcept;

    ByteSource& source_;
    char* pos_;
    char* end_;
    std::uint64_t consumed_before_buffer_ = 0;
    bool held_cr_ = false;  // a CR ended the last block: dropped if the next block starts with LF
    bool at_end_ = false;
    int error_ = 0;
    // One byte more for the sentinel that always follows the last byte read.
    char buffer_[kBlockSize + kMaxLookahead + 1];
};

// Text mode: drops each CR that directly precedes an LF in [begin, end), in place, and returns
// the new end.
char* fold_crlf(char* begin, char* end) noexcept;

inline std::size_t InputStream::read_short_int(const char* p, std::int32_t& out) noexcept {
    const char* const start = p;
    // White space: the sentinel after the last byte read ends the scan at the latest.
    while (chars::is_space_byte(*p)) ++p;
    if (p - start > 8) return 0;
    const bool negative = *p == '-';
    p += chars::is_sign(*p) ? 1 : 0;
    const char* const digits = p;
    std::int32_t value = 0;
    // Nine digits cannot overflow; a tenth goes the general way, which saturates.
    while (chars::is_digit(*p)) {
        if (p - digits == 9) return 0;
        value = value * 10 + (*p++ - '0');
    }
    if (p == digits) return 0;
    out = negative ? -value : value;
    return static_cast<std::size_t>(p - start);
}

// Eight bytes of text as one word with the first byte lowest, whatever the machine's byte
// order: the helpers below count bytes from the low end. memcpy makes the load safe at any
// alignment and compiles to one load; on a big-endian machine one byte-swap instruction puts
// the first byte low, and on a little-endian one nothing is added.
inline std::uint64_t load_word(const char* p) noexcept {
    std::uint64_t word = 0;
    std::memcpy(&word, p, sizeof word);
    if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
    return word;
}

// Per byte of a word of text: 0x80 where the byte is not a decimal digit, 0 where it is. Each
// byte is tested on its own (no carry crosses a byte), so every byte of the word is told right.
inline std::uint64_t non_digit_bytes(std::uint64_t word) noexcept {
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Fu;
    const std::uint64_t offset = word ^ 0x3030303030303030u;  // digits become 0 to 9
    return (((offset & kLow7) + 0x7676767676767676u) | offset) & 0x8080808080808080u;
}

// How many bytes lead the word before the first one flagged, for a word with a flag.
inline int bytes_before_flag(std::uint64_t flags) noexcept {
    return std::countr_zero(flags) / 8;
}

// The value of the word's first `length` bytes, all digits, for length 1 to 8: the digits are
// shifted to the top so that the bytes below read as leading zeros, then pairs, quads and
// octets of digits are combined by multiplication.
inline std::uint64_t digits_value(std::uint64_t word, int length) noexcept {
    std::uint64_t v = (word - 0x3030303030303030u) << (64 - 8 * length);
    v = ((v & 0x0F0F0F0F0F0F0F0Fu) * 2561) >> 8;
    v = ((v & 0x00FF00FF00FF00FFu) * 6553601) >> 16;
    return ((v & 0x0000FFFF0000FFFFu) * 42949672960001u) >> 32;
}

// The 8 bytes that start `offset` bytes (1 to 8) into the 16 bytes low, high.
inline std::uint64_t bytes_from(std::uint64_t low, std::uint64_t high, int offset) noexcept {
    return offset == 8 ? high : (low >> (8 * offset)) | (high << (64 - 8 * offset));
}

template <typename Float>
inline std::size_t InputStream::read_short_number(const char* p, Float& out) noexcept {
    // Clinger's fast path: up to 8 significant digits are exact in a double, and in a float
    // below 2^24; divided by an exact power of ten they round once, and so correctly. The
    // digits are taken a word at a time, with no branch per digit: amounts have varying
    // lengths, and a mispredicted loop exit costs more than the whole computation. Where the
    // number ends is what the next read waits for, so that is found from two words loaded at
    // once and their digit masks, without further loads; a sign goes the general way, keeping
    // the common case free of it.
    const char* const start = p;
    // White space: the sentinel after the last byte read ends the scan at the latest.
    while (chars::is_space_byte(*p)) ++p;
    if (p - start > 8) return 0;
    const std::uint64_t integer_word = load_word(p);
    const std::uint64_t next_word = load_word(p + 8);
    const std::uint64_t integer_ends = non_digit_bytes(integer_word);
    if (integer_ends == 0) return 0;  // 8 integer digits or more
    const int integer_length = bytes_before_flag(integer_ends);
    std::uint64_t digits_word = integer_word;
    int length = integer_length;
    int fraction_length = 0;
    int end = integer_length;
    if (static_cast<char>(integer_word >> (8 * integer_length)) == '.') [[likely]] {
        // The fraction digits join the integer digits in one word, in place of the point.
        const int fraction_start = integer_length + 1;
        const std::uint64_t fraction_word = bytes_from(integer_word, next_word, fraction_start);
        const std::uint64_t fraction_ends = non_digit_bytes(fraction_word);
        if (fraction_ends == 0) return 0;
        fraction_length = bytes_before_flag(fraction_ends);
        length += fraction_length;
        if (length > 8) return 0;
        const int integer_bits = 8 * integer_length;
        digits_word = (integer_word & ((std::uint64_t{1} << integer_bits) - 1)) |
                      (fraction_word << integer_bits);
        end = fraction_start + fraction_length;
    }
    // No digit (a sign, or a point alone), or an exponent: the general way decides.
    if (length == 0 || (p[end] | 0x20) == 'e') return 0;
    const std::uint64_t digits = digits_value(digits_word, length);
    if constexpr (sizeof(Float) < sizeof(double)) {
        if (digits > (std::uint64_t{1} << 24)) return 0;
    }
    out = static_cast<Float>(digits) / exact_powers_of_ten<Float>[fraction_length];
    return static_cast<std::size_t>(p + end - start);
}

}  // namespace console
