// The invoice lines of the benchmark's input, such as "A 12345.67": a letter A, B or C and an
// amount of one to five integer digits and two decimals. A small fixed generator makes them, so
// that the same count always gives the same lines.
//
// A mix replaces some of those lines with lines of other shapes, each line chosen by the same
// random stream, so that they are spread through the whole input:
// - the other shapes of real invoice files: signed amounts ("B -12.50", "A +3.00", "C -0.00"),
//   whole amounts ("A 100", and "A 12." with the point), one decimal ("C 12.5") and large
//   amounts of 6 to 9 integer digits ("A 1250000.00", "B 123456789"), a quarter each;
// - odd lines: the usual amount after two blanks, a tab, or a blank and a tab.
// Both programs read all of them: vantrel-strict skips any white space before the amount, and
// vantrel-lenient takes every run of other bytes between letter and digits, a sign included, as
// a separator.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string_view>

namespace bench {

struct Mix {
    const char* name;
    std::uint32_t other_lines;  // lines in 10,000 that are not of the usual shape
    bool odd;                   // odd white space instead of the other shapes
};

inline constexpr Mix kMixes[] = {
    {"pure", 0, false},         {"shapes-4", 400, false}, {"shapes-20", 2000, false},
    {"shapes-50", 5000, false}, {"odd-1", 100, true},
};

// The mix of that name, or nullptr.
inline const Mix* find_mix(std::string_view name) {
    for (const Mix& mix : kMixes) {
        if (name == mix.name) return &mix;
    }
    return nullptr;
}

class InvoiceLines {
  public:
    static constexpr int kMaxLength = 16;  // room for a line and the C string's terminator

    explicit InvoiceLines(const Mix& mix = kMixes[0]) : mix_(mix) {}

    // Writes the next line, without a line feed, at `out` (kMaxLength bytes) and returns its
    // length.
    int next(char* out) {
        // The pure mix draws one random number a line and no more, so that its lines stay the
        // same whatever other mixes are added or changed.
        if (mix_.other_lines != 0) {
            const std::uint32_t choice = random();
            if (choice % 10000 < mix_.other_lines) {
                return mix_.odd ? odd_line(out, choice / 10000) : other_shape(out, choice / 10000);
            }
        }
        const std::uint32_t r = random();
        return std::snprintf(out, kMaxLength, "%c %u.%02u", letter(r), whole(r), cents(r));
    }

  private:
    static char letter(std::uint32_t r) { return static_cast<char>('A' + (r >> 24) % 3); }
    static std::uint32_t whole(std::uint32_t r) {
        const std::uint32_t magnitudes[] = {10, 100, 1000, 10000, 100000};
        return r % magnitudes[(r >> 20) % 5];
    }
    static std::uint32_t cents(std::uint32_t r) { return (r >> 8) % 100; }

    // `pick` chooses the shape and its variant.
    int other_shape(char* out, std::uint32_t pick) {
        const std::uint32_t r = random();
        const char c = letter(r);
        const std::uint32_t variant = pick / 4;
        switch (pick % 4) {
            case 0:  // signed: one in eight is minus zero, and one in four of the rest has a plus
                if (variant % 8 == 0) return std::snprintf(out, kMaxLength, "%c -0.00", c);
                return std::snprintf(out, kMaxLength, "%c %c%u.%02u", c,
                                     variant / 8 % 4 == 0 ? '+' : '-', whole(r), cents(r));
            case 1:  // whole: one in four with its point
                return std::snprintf(out, kMaxLength, variant % 4 == 0 ? "%c %u." : "%c %u", c,
                                     whole(r));
            case 2:  // one decimal
                return std::snprintf(out, kMaxLength, "%c %u.%u", c, whole(r), cents(r) % 10);
            default: {  // 6 to 9 integer digits, half of them with two decimals
                std::uint32_t lowest = 100000;
                for (std::uint32_t digits = 6 + variant % 4; digits > 6; --digits) lowest *= 10;
                const std::uint32_t large = lowest + random() % (9 * lowest);
                if (variant / 4 % 2 == 0) return std::snprintf(out, kMaxLength, "%c %u", c, large);
                return std::snprintf(out, kMaxLength, "%c %u.%02u", c, large, cents(r));
            }
        }
    }

    int odd_line(char* out, std::uint32_t pick) {
        const char* const separators[] = {"  ", "\t", " \t"};
        const std::uint32_t r = random();
        return std::snprintf(out, kMaxLength, "%c%s%u.%02u", letter(r), separators[pick % 3],
                             whole(r), cents(r));
    }

    std::uint32_t random() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return static_cast<std::uint32_t>(state_ >> 16);
    }
    Mix mix_;
    std::uint64_t state_ = 0x9e3779b97f4a7c15u;
};

}  // namespace bench
