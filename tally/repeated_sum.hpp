// Repeated addition in one step: total = total + amount, `times` times over, each addition
// rounded to the total's type, with exactly the result of doing them one at a time.
//
// When an invoice read consumes nothing, every invoice left in the batch fails the same way and
// adds the same amount: up to 2^31 - 1 additions per total for an input of a few bytes. Repeated
// t = t + a is not t + n*a, but within a binade (the values sharing one exponent, so one spacing
// u) every addition rounds the same way: t + a lands on t plus a fixed multiple of u. Only a tie
// (a exactly halfway between two multiples of u) depends on t, through the parity of t / u, and
// after one addition inside the binade the total is even, so from then on the step is fixed too.
// So the additions can run ahead to the binade's edge in one computation and cross the edge one
// at a time: a few thousand steps at most for a double, fewer for a float. Subnormals and the
// lowest normal binade share one spacing and count as one binade.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace tally {

namespace repeated_sum_detail {

// frexp's exponent, with every subnormal counted in the lowest normal binade.
template <typename Float>
int binade(Float x) noexcept {
    int exponent = 0;
    std::frexp(x, &exponent);
    return std::max(exponent, std::numeric_limits<Float>::min_exponent);
}

// Whether a and b are nonzero finite values of one sign in one binade.
template <typename Float>
bool same_binade(Float a, Float b) noexcept {
    return a != 0 && b != 0 && std::isfinite(a) && std::isfinite(b) &&
           std::signbit(a) == std::signbit(b) && binade(a) == binade(b);
}

template <typename Float>
Float add_many(Float total, Float amount, std::uint64_t times) noexcept {
    constexpr int kDigits = std::numeric_limits<Float>::digits;
    while (times > 0) {
        const Float previous = total;
        total = total + amount;
        --times;
        // Once an addition changes nothing, none will; NaN stays NaN.
        if (total == previous || std::isnan(total)) return total;
        if (times == 0) return total;

        // Run ahead only when the addition just made stayed inside one binade (the total's
        // parity is settled) and the next one does too.
        const Float next = total + amount;
        if (next == total) return total;  // a tie that the settled parity now rounds away
        if (!same_binade(previous, total) || !same_binade(total, next)) continue;
        const int exponent = binade(total);
        const Float unit = std::ldexp(Float{1}, exponent - kDigits);
        // In units of the spacing: exact integers below 2^kDigits.
        const auto units = static_cast<std::uint64_t>(std::fabs(total) / unit);
        const auto step = static_cast<std::uint64_t>(std::fabs(next - total) / unit);
        // The totals reached must stay strictly inside the binade, so that every exact sum
        // on the way rounds on this binade's spacing. The lowest binade reaches down to zero.
        const std::uint64_t top = (std::uint64_t{1} << kDigits) - 1;
        const std::uint64_t bottom = exponent > std::numeric_limits<Float>::min_exponent
                                         ? (std::uint64_t{1} << (kDigits - 1)) + 1
                                         : 1;
        const bool away_from_zero = std::signbit(next - total) == std::signbit(total);
        if (!away_from_zero && units < bottom) continue;
        const std::uint64_t room = away_from_zero ? top - units : units - bottom;
        const std::uint64_t steps = std::min(room / step, times);
        if (steps == 0) continue;
        const std::uint64_t reached = away_from_zero ? units + steps * step : units - steps * step;
        total = std::copysign(static_cast<Float>(reached) * unit, total);
        times -= steps;
    }
    return total;
}

}  // namespace repeated_sum_detail

// `times` below 1 adds nothing.
template <typename Float>
inline Float add_repeatedly(Float total, Float amount, std::int64_t times) noexcept {
    if (times == 1) [[likely]] {
        return total + amount;
    }
    return times < 1
               ? total
               : repeated_sum_detail::add_many(total, amount, static_cast<std::uint64_t>(times));
}

// How many invoices one exact read stands for: 1, or, when the read consumed nothing and so
// every invoice left in the batch would fail the same way and add the same amount, all of them.
inline std::int32_t invoices_covered(bool consumed_nothing, std::int32_t invoices_left) noexcept {
    return consumed_nothing ? invoices_left : 1;
}

}  // namespace tally
