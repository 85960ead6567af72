// The ways through runs of common invoice lines: one build of the fast path per instruction set,
// each with the check that says whether this processor can run it, in one list, best first.
//
// A common line is a line feed, a category letter A, B or C, one blank and an amount: an
// optional sign, one or more integer digits and an optional point with 0 to 2 decimals, 13
// bytes at most (generic/line_shape.hpp); it ends at the next line feed. vantrel-strict
// discards the line feed, takes the letter, skips the blank and reads the number, its sign
// included, up to the line feed; vantrel-lenient takes the line feed as its first separator
// run, the blank and any sign as its second, and reads the number after them. Every way takes
// exactly the lines that the exact reads would take one by one, with the same result bit for
// bit; the portable way, in plain C++, is the one the others are tested against.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "console/byte_sink.hpp"

namespace tally {

// Bytes a way may read around the text it is given, beyond [text, end): the caller guarantees
// that they are readable; only [text, end) is interpreted.
inline constexpr std::size_t kBytesReadBeforeText = 16;
inline constexpr std::size_t kBytesReadAfterEnd = 64;

// One call of a way: what it works on and, when it took n > 0 lines, what it leaves behind.
template <typename Float>  // double (vantrel-strict) or float (vantrel-lenient)
struct LineRun {
    // The text, from where the previous read stopped (right after a number, where the line feed
    // of the first line must stand), and the most lines to take.
    const char* text;
    const char* end;
    std::uint32_t max_lines;
    // Owner, A, B, C: each line adds its amount to totals[0] and to the total of its letter, in
    // input order, each addition rounded to Float.
    Float totals[4];
    // The last line taken: its letter and amount, and the line feed that ends it (where the next
    // read starts).
    char letter;
    Float amount;
    const char* stop;
};

struct Way {
    const char* name;
    bool (*runs_here)() noexcept;
    // Each returns how many lines it took; with 0 the run's results are left as they were.
    std::uint32_t (*total_doubles)(LineRun<double>& run) noexcept;
    std::uint32_t (*total_floats)(LineRun<float>& run) noexcept;

    std::uint32_t total(LineRun<double>& run) const noexcept { return total_doubles(run); }
    std::uint32_t total(LineRun<float>& run) const noexcept { return total_floats(run); }
};

// The processor check of a way that every processor it is built for runs.
inline bool runs_on_every_processor() noexcept {
    return true;
}

// Every way built for this processor family, best first; the portable way is last and runs
// everywhere.
std::span<const Way* const> all_ways() noexcept;

// The way that takes no line ("exact"): a build that asks for it reads every invoice the exact
// way, the speed that the benchmark measures the ways against. Not in all_ways(): only a build
// that asks for it by name takes it.
extern const Way kExactReadsWay;

// The way the programs take: choose_way of all_ways() for the way the build asks for
// (wanted_way), its one line, if any, on standard error. Chosen once, on the first call.
const Way& chosen_way() noexcept;

// The way that a build asking for `wanted` (an empty name: the best) takes among `ways` (best
// first, the last one running everywhere): `wanted` where this processor runs it, else the first
// in the list that it runs; kExactReadsWay, silently, where it asks for that one by name. A build
// that does not get the way it asks for says so, in one line on `errors` that names the way asked
// for and the way taken.
const Way& choose_way(std::span<const Way* const> ways, std::string_view wanted,
                      console::ByteSink& errors) noexcept;

// The name of the way a build asks for, or an empty name for the best: defined by the one small
// file that each program links (wanted_way.cpp, built once per name).
std::string_view wanted_way() noexcept;

}  // namespace tally
