// Where the formatted reads' bytes come from: standard input in the programs, text in memory in
// the tests and fuzzers.
#pragma once

#include <cstddef>

namespace console {

class ByteSource {
  public:
    // Bytes of the input shown where they lie, not copied.
    struct Span {
        char* data = nullptr;
        std::size_t size = 0;
    };

    virtual ~ByteSource() = default;
    // Puts up to max bytes at dst and returns how many (at least one), 0 at the end of the
    // input, or -1 when the input cannot be read (errno tells why).
    virtual std::ptrdiff_t read(char* dst, std::size_t max) = 0;

    // For a source whose bytes already lie in memory (a mapped file): the `back` bytes before
    // the read position followed by the next bytes of the input, in place and not yet consumed,
    // or an empty span when there is nothing new to show (then read() tells why). The memory is
    // the caller's to read with kShownReadableBefore bytes before data and kShownReadableAfter
    // bytes after data + size, and to write: writes never reach the input, and stay until the
    // next call. `back` is at most kShownBackMax.
    virtual Span show(std::size_t back) noexcept {
        static_cast<void>(back);
        return {};
    }
    // Consumes `count` of the new bytes that the last show() returned.
    virtual void consume_shown(std::size_t count) noexcept { static_cast<void>(count); }
    // An error found after bytes were shown or read: the input changed under them, so that they
    // were not what it held (an errno value, kFileCutShort, or 0).
    virtual int later_error() const noexcept { return 0; }

    static constexpr std::size_t kShownReadableBefore = 16;
    static constexpr std::size_t kShownReadableAfter = 65;
    static constexpr std::size_t kShownBackMax = 64;
};

// Reads a file descriptor, retrying reads that a signal interrupted.
class FdSource final : public ByteSource {
  public:
    explicit FdSource(int fd) noexcept : fd_(fd) {}
    std::ptrdiff_t read(char* dst, std::size_t max) override;

  private:
    int fd_;
};

}  // namespace console
