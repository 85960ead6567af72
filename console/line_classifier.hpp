// Finds where a run of common invoice lines ends, 64 bytes at a time. A common line is a line
// feed, a category letter A, B or C, one blank, 1 to 5 digits, a point and 2 digits; the next
// line feed ends it. Invariant: an offset enters the index only when every byte from the start
// of the text up to and including that line feed has been checked and belongs to a common line.
#pragma once

#include <cstddef>
#include <cstdint>

namespace console {

// The common lines found from one starting line feed, as the offsets of their line feeds from
// that one: line_feeds[0] is 0, the line feed that starts the first line, and line_feeds[i] the
// one that ends line i and starts line i + 1, for i = 1 to count.
struct LineIndex {
    // Bytes looked at per call: with 7 bytes at least per line, the index of this many stays
    // small enough for the first-level cache.
    static constexpr std::size_t kMaxBytes = 8192;
    // Room for the start and every line of kMaxBytes, plus what the classifier writes past the
    // last line (it writes 8 or 16 offsets per block whether or not that many lines ended there)
    // and the copies of the last offset that the line walk pads its groups of 4 or 8 with.
    static constexpr std::size_t kCapacity = 1 + kMaxBytes / 7 + 1 + 16 + 8;

    std::uint32_t line_feeds[kCapacity];
    std::uint32_t count;
    // The lines went on up to the byte limit of the call, with no fault before it: the text may
    // hold more common lines, to be looked for from the last line feed indexed.
    bool reached_limit;
};

#if defined(__x86_64__)

// Indexes the common lines that stand in a row at `text`, where a line feed must stand, up to
// the first byte that breaks the shape, the end of the text, kMaxBytes from `text`, or the bytes
// that `max_lines` lines fill at most (a few more lines may be indexed then).
// Reads [text, end + 64): the block that holds the last byte of the text is loaded whole.
// Three builds of one algorithm: with 64-byte AVX-512 vectors (only on a CPU that has AVX-512 F,
// BW and VBMI2 as well as what the AVX2 build needs), with 32-byte AVX2 vectors (only on a CPU
// that has AVX2, BMI1, BMI2 and POPCNT) and with 16-byte SSE2 vectors.
void index_common_lines_avx512(const char* text, const char* end, std::uint32_t max_lines,
                               LineIndex& index) noexcept;
void index_common_lines_avx2(const char* text, const char* end, std::uint32_t max_lines,
                             LineIndex& index) noexcept;
void index_common_lines_sse2(const char* text, const char* end, std::uint32_t max_lines,
                             LineIndex& index) noexcept;

#endif

}  // namespace console
