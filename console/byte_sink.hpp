// Where the report's bytes go: standard output in the programs, memory in the tests and fuzzers.
#pragma once

#include <cstddef>

namespace console {

class ByteSink {
  public:
    virtual ~ByteSink() = default;
    // Takes all size bytes, or returns false with errno set.
    virtual bool write(const char* data, std::size_t size) = 0;
};

// Writes a file descriptor, through partial and interrupted writes.
class FdSink final : public ByteSink {
  public:
    explicit FdSink(int fd) noexcept : fd_(fd) {}
    bool write(const char* data, std::size_t size) override;

  private:
    int fd_;
};

}  // namespace console
