// Totals the amounts of indexed common lines. Invariant: the totals take the lines' amounts one
// line at a time in input order, each addition rounded to the totals' type, exactly as adding
// each amount on its own would; the amounts are the ones the exact reads give.
#pragma once

#include <cstdint>

#include "console/line_classifier.hpp"

namespace console {

#if defined(__x86_64__)

// The first `count` lines of `index` (1 to index.count), whose offsets count from `text`: each
// line's amount is added to totals[0] (the owner's) and to the total of its letter (totals[1],
// [2], [3] for A, B, C), in input order. `letter` and `amount` are set to the last line's. Reads
// the 11 bytes after each line start and the 8 bytes before each line end: from 1 byte before
// `text` to 11 bytes past the last line feed indexed; writes copies of the last offset after the
// first `count` offsets of the index. Three builds, as for the classifier: AVX-512, AVX2 and
// SSE2.
void walk_common_lines_avx512(const char* text, LineIndex& index, std::uint32_t count,
                              double* totals, char& letter, double& amount) noexcept;
void walk_common_lines_avx512(const char* text, LineIndex& index, std::uint32_t count,
                              float* totals, char& letter, float& amount) noexcept;
void walk_common_lines_avx2(const char* text, LineIndex& index, std::uint32_t count, double* totals,
                            char& letter, double& amount) noexcept;
void walk_common_lines_avx2(const char* text, LineIndex& index, std::uint32_t count, float* totals,
                            char& letter, float& amount) noexcept;
void walk_common_lines_sse2(const char* text, LineIndex& index, std::uint32_t count, double* totals,
                            char& letter, double& amount) noexcept;
void walk_common_lines_sse2(const char* text, LineIndex& index, std::uint32_t count, float* totals,
                            char& letter, float& amount) noexcept;

#endif

}  // namespace console
