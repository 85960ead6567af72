// Where the common lines of a stretch of text end: what the block checks write and the line walk
// reads.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tally {

// The common lines found from one starting line feed, as the offsets of their line feeds from
// that one: line_feeds[0] is 0, the line feed that starts the first line, and line_feeds[i] the
// one that ends line i and starts line i + 1, for i = 1 to count.
struct LineIndex {
    // Bytes looked at per stretch: with 4 bytes at least per line, the index of this many and
    // the amounts of its lines stay small enough for the first-level cache.
    static constexpr std::size_t kMaxBytes = 4096;
    // Room for the start and every line of kMaxBytes, plus what the block checks write past the
    // last line (up to 16 offsets per block whether or not that many lines ended there) and the
    // copies of the last offset that the line walk pads its groups of up to 8 lines with.
    static constexpr std::size_t kCapacity = 1 + kMaxBytes / 4 + 1 + 16 + 8;

    std::uint32_t line_feeds[kCapacity];
    std::uint32_t count;
    // The lines went on up to the byte limit of the stretch, with no fault before it: the text
    // may hold more common lines, to be looked for from the last line feed indexed.
    bool reached_limit;
};

}  // namespace tally
