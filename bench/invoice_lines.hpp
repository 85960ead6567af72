// The invoice lines of the benchmark's input, such as "A 12345.67": a letter A, B or C and an
// amount of one to five integer digits and two decimals. A small fixed generator makes them, so
// that the same count always gives the same lines.
#pragma once

#include <cstdint>
#include <cstdio>

namespace bench {

class InvoiceLines {
  public:
    static constexpr int kMaxLength = 16;  // room for a line and the C string's terminator

    // Writes the next line, without a line feed, at `out` (kMaxLength bytes) and returns its
    // length.
    int next(char* out) {
        const std::uint32_t r = random();
        const std::uint32_t magnitudes[] = {10, 100, 1000, 10000, 100000};
        const std::uint32_t whole = r % magnitudes[(r >> 20) % 5];
        return std::snprintf(out, kMaxLength, "%c %u.%02u", 'A' + static_cast<int>((r >> 24) % 3),
                             whole, (r >> 8) % 100);
    }

  private:
    std::uint32_t random() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return static_cast<std::uint32_t>(state_ >> 16);
    }
    std::uint64_t state_ = 0x9e3779b97f4a7c15u;
};

}  // namespace bench
