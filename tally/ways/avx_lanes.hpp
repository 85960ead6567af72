// The four totals a line can touch (owner, A, B, C) in the lanes of one AVX register, and the
// negated amounts of 4 lines worked out with AVX2: shared by the AVX2 way and the AVX-512 way,
// which holds its totals the same way. Each line subtracts its negated amount in the owner's
// lane and its letter's, and +0.0 in the others (line_walk.hpp says why that is exact).
// Included only by those ways' files, after <immintrin.h>; its functions carry the AVX2 target,
// which the AVX-512 way's target includes.
#pragma once

#include <cstdint>
#include <cstring>

#include "tally/generic/line_walk.hpp"

#define TALLY_AVX2 __attribute__((target("avx2,bmi,bmi2,popcnt")))

namespace tally::avx_lanes {

// The register of each totals type: 4 doubles in 256 bits, 4 floats in 128.
TALLY_AVX2 inline __m256d load_lanes(const double* p) noexcept {
    return _mm256_loadu_pd(p);
}
TALLY_AVX2 inline __m128 load_lanes(const float* p) noexcept {
    return _mm_loadu_ps(p);
}
TALLY_AVX2 inline void store_lanes(double* p, __m256d v) noexcept {
    _mm256_storeu_pd(p, v);
}
TALLY_AVX2 inline void store_lanes(float* p, __m128 v) noexcept {
    _mm_storeu_ps(p, v);
}
// sums - (negated amount in the lanes that `keep` keeps, +0.0 in the others).
TALLY_AVX2 inline __m256d minus_kept(__m256d sums, const double* negated,
                                     const std::uint64_t* keep) noexcept {
    const __m256d lanes = _mm256_load_pd(reinterpret_cast<const double*>(keep));
    return _mm256_sub_pd(sums, _mm256_and_pd(_mm256_broadcast_sd(negated), lanes));
}
TALLY_AVX2 inline __m128 minus_kept(__m128 sums, const float* negated,
                                    const std::uint32_t* keep) noexcept {
    return _mm_sub_ps(sums, _mm_and_ps(_mm_broadcast_ss(negated),
                                       _mm_load_ps(reinterpret_cast<const float*>(keep))));
}
inline const std::uint64_t* kept_lanes(const double*, const char* line) noexcept {
    return kDoubleRows.row(line);
}
inline const std::uint32_t* kept_lanes(const float*, const char* line) noexcept {
    return kFloatRows.row(line);
}

// A way's Numbers (line_walk.hpp): the totals in one register, and the negated amounts of
// kLines lines at once, kStride floats apart, from the way's own `amounts`.
template <typename F, std::uint32_t kGroup, std::uint32_t kStep,
          void (*amounts_of_group)(F*, const char*, const std::uint32_t*) noexcept>
struct Numbers {
    using Float = F;
    static constexpr std::uint32_t kLines = kGroup;
    static constexpr std::uint32_t kStride = kStep;
    decltype(load_lanes(static_cast<const F*>(nullptr))) sums;
    TALLY_AVX2 explicit Numbers(const F* totals) noexcept : sums(load_lanes(totals)) {}
    TALLY_AVX2 void store(F* totals) const noexcept { store_lanes(totals, sums); }
    [[gnu::always_inline]] static void amounts(F* out, const char* text,
                                               const std::uint32_t* at) noexcept {
        amounts_of_group(out, text, at);
    }
    TALLY_AVX2 void take(const F* negated, const char* line) noexcept {
        sums = minus_kept(sums, negated, kept_lanes(negated, line));
    }
};

}  // namespace tally::avx_lanes
