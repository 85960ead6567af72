// Standard output as the programs see it: formatted lines collected in a fixed buffer and
// written in as few writes as possible, with the first write error kept for the exit status.
#pragma once

#include <cstddef>

namespace console {

// Where a stream's bytes go.
class ByteSink {
  public:
    virtual ~ByteSink() = default;
    // Takes all size bytes, or returns false with errno set.
    virtual bool write(const char* data, std::size_t size) = 0;
};

class FdSink final : public ByteSink {
  public:
    explicit FdSink(int fd) noexcept : fd_(fd) {}
    bool write(const char* data, std::size_t size) override;

  private:
    int fd_;
};

class OutputStream {
  public:
    // Room for the whole report: a line is at most a key, a blank and the widest two-decimal
    // double (309 digits, a sign, the point and two decimals).
    static constexpr std::size_t kBufferSize = 4096;

    explicit OutputStream(ByteSink& sink) noexcept : sink_(sink) {}
    OutputStream(const OutputStream&) = delete;
    OutputStream& operator=(const OutputStream&) = delete;

    // printf, formatted by the C library.
    void printf(const char* format, ...) noexcept __attribute__((format(printf, 2, 3)));
    // Writes what is buffered. False once any write has failed.
    bool flush() noexcept;
    // The errno of the first failed write, or 0.
    int error() const noexcept { return error_; }

  private:
    ByteSink& sink_;
    std::size_t used_ = 0;
    int error_ = 0;
    char buffer_[kBufferSize];
};

}  // namespace console
