// Totals a run of common invoice lines in one go. Invariant: whatever it takes, it takes exactly
// as the programs' exact reads would, one invoice after another; whatever it does not take, it
// leaves untouched.
//
// The text is taken in stretches of at most LineIndex::kMaxBytes: the classifier indexes the
// common lines of a stretch, the line walk totals them, and the next stretch starts at the last
// line feed indexed. The index of a stretch stays in the first-level cache.
#include "console/common_invoices.hpp"

#include "console/line_classifier.hpp"
#include "console/line_walk.hpp"

namespace console {

#if defined(__x86_64__)

namespace {

template <typename Float, VectorPath kPath>
std::uint32_t total_on(const char* text, const char* end, std::uint32_t max_invoices,
                       Float& owner_total, Float* category_totals, char& letter, Float& amount,
                       const char** stop) noexcept {
    if (max_invoices == 0 || text >= end) return 0;
    // Owner, A, B, C: the lanes of the line walk.
    Float totals[4] = {owner_total, category_totals[0], category_totals[1], category_totals[2]};
    char last_letter = '\0';
    Float last_amount = 0;
    std::uint32_t done = 0;
    const char* line_start = text;
    LineIndex index;
    for (;;) {
        const std::uint32_t wanted = max_invoices - done;
        if constexpr (kPath == VectorPath::avx512) {
            index_common_lines_avx512(line_start, end, wanted, index);
        } else if constexpr (kPath == VectorPath::avx2) {
            index_common_lines_avx2(line_start, end, wanted, index);
        } else {
            index_common_lines_sse2(line_start, end, wanted, index);
        }
        const std::uint32_t found = index.count < wanted ? index.count : wanted;
        if (found == 0) break;
        if constexpr (kPath == VectorPath::avx512) {
            walk_common_lines_avx512(line_start, index, found, totals, last_letter, last_amount);
        } else if constexpr (kPath == VectorPath::avx2) {
            walk_common_lines_avx2(line_start, index, found, totals, last_letter, last_amount);
        } else {
            walk_common_lines_sse2(line_start, index, found, totals, last_letter, last_amount);
        }
        done += found;
        line_start += index.line_feeds[found];
        if (!index.reached_limit || done == max_invoices) break;
    }
    if (done == 0) return 0;
    owner_total = totals[0];
    for (int k = 0; k < 3; ++k) category_totals[k] = totals[k + 1];
    letter = last_letter;
    amount = last_amount;
    *stop = line_start;
    return done;
}

}  // namespace

bool has_avx2_path() noexcept {
    static const bool has = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
               __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("popcnt");
    }();
    return has;
}

bool has_avx512_path() noexcept {
    static const bool has = [] {
        __builtin_cpu_init();
        return has_avx2_path() && __builtin_cpu_supports("avx512f") &&
               __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl") &&
               __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512vbmi2");
    }();
    return has;
}

template <typename Float>
std::uint32_t total_common_invoices_on(VectorPath path, const char* text, const char* end,
                                       std::uint32_t max_invoices, Float& owner_total,
                                       Float* category_totals, char& letter, Float& amount,
                                       const char** stop) noexcept {
    switch (path) {
        case VectorPath::avx512:
            return total_on<Float, VectorPath::avx512>(text, end, max_invoices, owner_total,
                                                       category_totals, letter, amount, stop);
        case VectorPath::avx2:
            return total_on<Float, VectorPath::avx2>(text, end, max_invoices, owner_total,
                                                     category_totals, letter, amount, stop);
        case VectorPath::sse2:
            break;
    }
    return total_on<Float, VectorPath::sse2>(text, end, max_invoices, owner_total, category_totals,
                                             letter, amount, stop);
}

#else  // not x86-64: the exact reads do all the work.

bool has_avx2_path() noexcept {
    return false;
}

bool has_avx512_path() noexcept {
    return false;
}

template <typename Float>
std::uint32_t total_common_invoices_on(VectorPath, const char*, const char*, std::uint32_t, Float&,
                                       Float*, char&, Float&, const char**) noexcept {
    return 0;
}

#endif

template std::uint32_t total_common_invoices_on(VectorPath, const char*, const char*, std::uint32_t,
                                                double&, double*, char&, double&,
                                                const char**) noexcept;
template std::uint32_t total_common_invoices_on(VectorPath, const char*, const char*, std::uint32_t,
                                                float&, float*, char&, float&,
                                                const char**) noexcept;

}  // namespace console
