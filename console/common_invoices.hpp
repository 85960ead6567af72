// Totals a run of common invoice lines in one go: the fast way through the usual input, for
// both programs. Invariant: whatever it takes, it takes exactly as the programs' exact reads
// would, one invoice after another; whatever it does not take, it leaves untouched.
#pragma once

#include <cstdint>

namespace console {

// The ways through, for the function below and for the tests and the benchmark: the AVX2 way
// must only be asked for where has_avx2_path() is true, the AVX-512 way only where
// has_avx512_path() is (the CPU is asked once). The AVX-512 way differs from the AVX2 way only
// in how it finds the lines. Off x86-64 there is no vector way: both are false and
// total_common_invoices_on returns 0.
enum class VectorPath { sse2, avx2, avx512 };
bool has_avx2_path() noexcept;
bool has_avx512_path() noexcept;
template <typename Float>
std::uint32_t total_common_invoices_on(VectorPath path, const char* text, const char* end,
                                       std::uint32_t max_invoices, Float& owner_total,
                                       Float* category_totals, char& letter, Float& amount,
                                       const char** stop) noexcept;

// Totals the common invoice lines that stand in a row at `text`, at most `max_invoices`.
// `text` is where the previous read stopped: right after a number. A common line is a line
// feed, a category letter A, B or C, one blank, 1 to 5 digits, a point and 2 digits, and it
// ends at the next line feed (which must be there). Both programs read such a line the same
// way: vantrel-strict discards the line feed, takes the letter, skips the blank and reads the
// number up to the line feed; vantrel-lenient takes the line feed and the blank as its
// separator runs. Reads only [text - 16, end + 64): the caller guarantees those bytes are
// readable; only [text, end) is interpreted.
// Returns how many invoices it totalled; when that is n > 0, *stop is the line feed that ends
// the n-th line (the next read starts there), and `letter` and `amount` hold the n-th line's
// letter and amount; owner_total and category_totals[0..2] (A, B, C) have taken every amount in
// input order, each addition rounded to Float. When it returns 0 nothing was changed.
// The caller passes a total of its own for owner_total when the owner ID names no owner total.
// It takes the AVX-512 way where the CPU has it, else the AVX2 way where the CPU has that, and
// the SSE2 way otherwise. A program built with VANTREL_FORCE_SSE2 defined always takes the SSE2
// way, and one built with VANTREL_FORCE_AVX2 the AVX2 way where the CPU has AVX2 (the defines
// act where this header is included, so program variants need no other build of the library).
template <typename Float>  // double (vantrel-strict) or float (vantrel-lenient)
inline std::uint32_t total_common_invoices(const char* text, const char* end,
                                           std::uint32_t max_invoices, Float& owner_total,
                                           Float* category_totals, char& letter, Float& amount,
                                           const char** stop) noexcept {
#if defined(VANTREL_FORCE_SSE2)
    const VectorPath path = VectorPath::sse2;
#elif defined(VANTREL_FORCE_AVX2)
    const VectorPath path = has_avx2_path() ? VectorPath::avx2 : VectorPath::sse2;
#else
    const VectorPath path = has_avx512_path() ? VectorPath::avx512
                            : has_avx2_path() ? VectorPath::avx2
                                              : VectorPath::sse2;
#endif
    return total_common_invoices_on(path, text, end, max_invoices, owner_total, category_totals,
                                    letter, amount, stop);
}

}  // namespace console
