// Repeated addition in one step against the plain loop it stands for, bit for bit: ties,
// negative amounts, crossing zero, subnormals, saturation at infinity, NaN.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include "tally/repeated_sum.hpp"
#include "testkit/bits.hpp"
#include "tests/support/random_seed.hpp"

namespace {

using tally::add_repeatedly;
using testkit::bits;

template <typename Float>
Float plain_loop(Float total, Float amount, std::uint64_t times) {
    for (std::uint64_t i = 0; i < times; ++i) total = total + amount;
    return total;
}

template <typename Float>
void expect_same_as_loop(Float total, Float amount, std::uint64_t times) {
    const Float expected = plain_loop(total, amount, times);
    const Float got = add_repeatedly(total, amount, static_cast<std::int64_t>(times));
    EXPECT_EQ(bits(got), bits(expected))
        << std::hexfloat << "total " << total << " amount " << amount << " times " << times
        << ": got " << got << ", the loop gives " << expected;
}

template <typename Float>
struct Case {
    Float total;
    Float amount;
    std::uint64_t times;
};

template <typename Float>
std::vector<Case<Float>> edge_cases() {
    using L = std::numeric_limits<Float>;
    const Float inf = L::infinity();
    const Float nan = L::quiet_NaN();
    const Float big = std::ldexp(Float{1}, L::digits);  // where 1 is half a spacing
    return {
        {0, 1, 1000000},
        {0, Float(0.1), 1000000},
        {0, Float(-0.1), 1000000},
        {big, 1, 1000},      // ties: 2^p + 1 rounds to even, and stays there
        {big + 2, 1, 1000},  // ties from an odd-looking start
        {big, 3, 100000},    // 1.5 spacings: ties upward every time
        {big, -1, 1000},     // a tie downward at the binade's lower edge
        {-big, 1, 1000},
        {Float(100.5), -1, 1000},  // crossing zero
        {Float(-3), Float(0.25), 100},
        {0, L::denorm_min(), 1000000},  // subnormals into the normal range
        {L::min(), -L::denorm_min(), 3000000},
        {-L::denorm_min(), L::denorm_min(), 5},
        {L::max() / 2, L::max() / 8, 100},  // up to infinity and stuck there
        {-L::max(), -L::max(), 10},
        {inf, -inf, 10},  // NaN
        {1, nan, 10},
        {nan, 1, 10},
        {1, 0, 1000000},
        {Float(-0.0), 0, 10},
        {1, 1, 0},
        {1, Float(1e-30), 1000000},  // stuck at once
    };
}

TEST(AddRepeatedly, MatchesTheLoopOnEdgeCasesForDoubles) {
    for (const auto& c : edge_cases<double>()) expect_same_as_loop(c.total, c.amount, c.times);
}

TEST(AddRepeatedly, MatchesTheLoopOnEdgeCasesForFloats) {
    for (const auto& c : edge_cases<float>()) expect_same_as_loop(c.total, c.amount, c.times);
}

// Values spread over all binades and the special ones, often a tie or a whole number of
// spacings of the other.
template <typename Float>
class RandomCases {
  public:
    explicit RandomCases(std::uint64_t seed) : random_(seed) {}

    Float value() {
        using L = std::numeric_limits<Float>;
        const int kind = pick(0, 19);
        if (kind == 0) return 0;
        if (kind == 1) return pick(0, 1) ? L::infinity() : -L::infinity();
        if (kind == 2) return L::quiet_NaN();
        if (kind == 3) return sign() * L::denorm_min() * static_cast<Float>(pick(1, 1000));
        if (kind <= 6) return sign() * static_cast<Float>(pick(1, 1000)) / 4;  // exact quarters
        const int exponent =
            kind <= 12 ? pick(-30, 30) : pick(L::min_exponent - L::digits, L::max_exponent);
        std::uniform_real_distribution<Float> mantissa(Float(0.5), 1);
        return sign() * std::ldexp(mantissa(random_), exponent);
    }
    // An amount that is a tie or a few spacings against the total, or unrelated to it.
    Float amount_for(Float total) {
        if (!std::isfinite(total) || total == 0 || pick(0, 2) == 0) return value();
        const Float spacing =
            std::nextafter(std::fabs(total), std::numeric_limits<Float>::infinity()) -
            std::fabs(total);
        return sign() * spacing * static_cast<Float>(pick(1, 9)) / 2;
    }
    std::uint64_t times() {
        return static_cast<std::uint64_t>(pick(0, 4) == 0 ? pick(0, 1000000) : pick(0, 3000));
    }

  private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    Float sign() { return pick(0, 1) ? Float{1} : Float{-1}; }
    std::mt19937_64 random_;
};

template <typename Float>
void random_differential(int count) {
    const std::uint64_t seed = testing_support::seed_for_run();
    SCOPED_TRACE(testing_support::seed_note(seed));
    RandomCases<Float> cases(seed);
    for (int i = 0; i < count && !testing::Test::HasFailure(); ++i) {
        const Float total = cases.value();
        expect_same_as_loop(total, cases.amount_for(total), cases.times());
    }
}

TEST(AddRepeatedly, MatchesTheLoopOnRandomDoubles) {
    random_differential<double>(3000);
}
TEST(AddRepeatedly, MatchesTheLoopOnRandomFloats) {
    random_differential<float>(3000);
}

TEST(AddRepeatedly, GivesTheLongestBatchExactly) {
    // 2^31 - 1 additions, where the totals are known: what is checked is the value, not the time
    // (the benchmark's stuck inputs time it).
    constexpr std::uint64_t kTimes = 2147483647;
    EXPECT_EQ(add_repeatedly(0.0, 1.0, kTimes), 2147483647.0);
    EXPECT_EQ(add_repeatedly(0.0f, 1.0f, kTimes), 16777216.0f);  // 2^24 + 1 rounds back
    EXPECT_EQ(add_repeatedly(0.0f, 3.0f, kTimes), 67108864.0f);  // 3 is under half of 8
}

}  // namespace
