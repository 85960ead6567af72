// Where the formatted reads' bytes come from: standard input in the programs, text in memory in
// the tests and fuzzers.
#pragma once

#include <cstddef>

namespace console {

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

}  // namespace console
