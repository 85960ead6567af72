// Standard input as the programs see it: a buffered text-mode byte stream with the formatted
// reads that they use ("%d", "%c", "%lf", "%f", "%*[^A-Za-z0-9]" and getchar), each following
// C's formatted-read rules. A read that fails consumes only the white space that it skips.
#pragma once

#include <cstddef>
#include <cstdint>

namespace console {

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

    explicit InputStream(ByteSource& source) noexcept;
    InputStream(const InputStream&) = delete;
    InputStream& operator=(const InputStream&) = delete;

    // getchar: the next byte as 0..255, or kEnd.
    int getchar() noexcept;
    // "%c": the next byte, white space included.
    bool read_char(char& out) noexcept;
    // "%d": white space, then an optionally signed decimal integer; text beyond 32 bits
    // saturates at the nearest 32-bit limit.
    bool read_int(std::int32_t& out) noexcept;
    // "%lf" and "%f": white space, then an optionally signed decimal number (digits with at most
    // one decimal point, at least one digit, then an optional exponent), rounded to nearest.
    bool read_double(double& out) noexcept;
    bool read_float(float& out) noexcept;
    // "%*[^A-Za-z0-9]": a run of one or more bytes that are not ASCII letters or digits,
    // discarded. An empty run fails and consumes nothing.
    bool skip_separator_run() noexcept;

    // Bytes consumed so far, counting a folded CR LF as one.
    std::uint64_t position() const noexcept {
        return consumed_before_buffer_ + static_cast<std::uint64_t>(pos_ - buffer_);
    }
    // The errno of the read error that ended the input early, or 0.
    int error() const noexcept { return error_; }

  private:
    int peek() noexcept { return pos_ < end_ ? static_cast<unsigned char>(*pos_) : peek_slow(); }
    int peek_slow() noexcept;
    // The byte k places ahead of the next one, or kEnd.
    int peek_at(std::size_t k) noexcept;
    // Makes at least `wanted` bytes visible unless the input ends first.
    bool fill(std::size_t wanted) noexcept;
    void skip_white_space() noexcept;
    template <typename Float>
    bool read_number(Float& out) noexcept;

    ByteSource& source_;
    char* pos_;
    char* end_;
    std::uint64_t consumed_before_buffer_ = 0;
    bool held_cr_ = false;  // a CR ended the last block: dropped if the next block starts with LF
    bool at_end_ = false;
    int error_ = 0;
    char buffer_[kBlockSize + kMaxLookahead];
};

// Text mode: drops each CR that directly precedes an LF in [begin, end), in place, and returns
// the new end.
char* fold_crlf(char* begin, char* end) noexcept;

}  // namespace console
