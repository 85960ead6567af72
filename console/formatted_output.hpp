// The report's output: formatted lines collected in a fixed buffer that holds the whole report,
// written out in one write, with the first write error kept for the exit status.
#pragma once

#include <cstddef>

#include "console/byte_sink.hpp"

namespace console {

class FormattedOutput {
  public:
    // Room for the whole report: six lines, each at most a key, a blank and the widest
    // two-decimal double (309 digits, a sign, the point and two decimals).
    static constexpr std::size_t kBufferSize = 4096;

    explicit FormattedOutput(ByteSink& sink) noexcept : sink_(sink) {}
    FormattedOutput(const FormattedOutput&) = delete;
    FormattedOutput& operator=(const FormattedOutput&) = delete;

    // printf, formatted by the C library into the buffer. Text that does not fit in what is left
    // of the buffer is not written and counts as a write error (EOVERFLOW): the report always
    // fits, so that would be a fault of the program.
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
