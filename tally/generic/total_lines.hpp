// One call of a way, written once: the text is taken in stretches of at most
// LineIndex::kMaxBytes; the block checks index the common lines of a stretch, the line walk
// totals them, and the next stretch starts at the last line feed indexed. The index of a stretch
// stays in the first-level cache. A way's entry points instantiate total_lines<Block, Numbers>
// under the way's target attributes (see way.hpp for what a call takes and leaves).
#pragma once

#include <cstdint>

#include "tally/generic/block_checks.hpp"
#include "tally/generic/line_index.hpp"
#include "tally/generic/line_walk.hpp"
#include "tally/way.hpp"

namespace tally {

// Whether the text at `line` starts as a common line does: a line feed, a letter A, B or C, a
// blank, and a sign or a digit. The bytes after the text are readable (kBytesReadAfterEnd).
[[gnu::always_inline]] inline bool starts_like_a_common_line(const char* line) noexcept {
    const char first = line[3];
    return line[0] == '\n' && static_cast<unsigned char>(line[1] - 'A') < 3 && line[2] == ' ' &&
           (static_cast<unsigned char>(first - '0') < 10 || first == '-' || first == '+');
}

template <typename Block, typename Numbers>
[[gnu::always_inline]] inline std::uint32_t total_lines(
    LineRun<typename Numbers::Float>& run) noexcept {
    using Float = typename Numbers::Float;
    // The run must start with a line feed (the checks take the first byte as one), and what
    // follows it is tested at once, so that text that is not common lines costs hardly more
    // than this.
    if (run.max_lines == 0 || run.end - run.text < 4 || !starts_like_a_common_line(run.text)) {
        return 0;
    }
    Float totals[4] = {run.totals[0], run.totals[1], run.totals[2], run.totals[3]};
    char letter = '\0';
    Float amount = 0;
    std::uint32_t done = 0;
    const char* line_start = run.text;
    // Plain lines first, by their rules and the walk's shorter way; from the first line that
    // is not plain on, the rest of the call by the rules of common lines.
    bool plain = true;
    LineIndex index;
    for (;;) {
        const std::uint32_t wanted = run.max_lines - done;
        if (plain) {
            index_lines<Block, checks::Rules::plain>(line_start, run.end, wanted, index);
        } else {
            index_lines<Block, checks::Rules::common>(line_start, run.end, wanted, index);
        }
        const std::uint32_t found = index.count < wanted ? index.count : wanted;
        if (found > 0) {
            if (plain) {
                walk_lines<Numbers, true>(line_start, index, found, totals, letter, amount);
            } else {
                walk_lines<Numbers, false>(line_start, index, found, totals, letter, amount);
            }
            done += found;
            line_start += index.line_feeds[found];
            if (done == run.max_lines) break;
        }
        if (index.reached_limit && found > 0) continue;
        // The line that stopped the plain rules is looked at again by the wider ones only if it
        // starts as a common line does, with a sign or a digit after the blank: a line of no
        // common shape at all costs no second look.
        if (!plain || !starts_like_a_common_line(line_start)) break;
        plain = false;
    }
    if (done == 0) return 0;
    for (int k = 0; k < 4; ++k) run.totals[k] = totals[k];
    run.letter = letter;
    run.amount = amount;
    run.stop = line_start;
    return done;
}

}  // namespace tally

// Everything a way's entry point calls, inlined into it: for the vector ways, which the compiler
// otherwise leaves calling their amounts functions once per group, with the vector constants
// made anew in each call. The portable way goes without it: it gains nothing there (the figures
// are in docs/design.md).
#define TALLY_INLINE_ALL __attribute__((flatten))

// The entry points of a way, in the way's file after its Block: total<double> and total<float>,
// which run total_lines under the way's attributes (its target, TALLY_INLINE_ALL, or nothing
// for a way that needs none) with the way's Numbers, the type that follows the attributes,
// written in terms of F (and named WayNumbers<F> for tools that look inside a way). They are
// what the way's Way names.
#define TALLY_WAY_ENTRY_POINTS(attributes, ...)                \
    template <typename F>                                      \
    using WayNumbers = __VA_ARGS__;                            \
    template <typename F>                                      \
    attributes std::uint32_t total(LineRun<F>& run) noexcept { \
        return total_lines<Block, WayNumbers<F>>(run);         \
    }
