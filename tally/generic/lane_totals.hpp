// The vector ways' Numbers (line_walk.hpp), written once: the four totals a line can touch
// (owner, A, B, C) as the four lanes of one vector of the compiler's own vector type, which every
// instruction set the ways are built for has. Each line subtracts its negated amount in the
// owner's lane and its letter's, and +0.0 in the others (line_walk.hpp says why that is exact).
// Where the processor's registers hold fewer lanes (two doubles in 16 bytes), the compiler keeps
// the vector in two registers, each a chain of its own.
//
// What differs from way to way is how the negated amounts are worked out: a way names its
// functions for any common lines, for plain lines only where it has them, and for one long line
// where its functions for any common lines leave long ones unread.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "tally/generic/line_walk.hpp"

namespace tally {

// amounts_of_group and plain_amounts_of_group work out a group's negated amounts as
// Numbers::amounts and Numbers::plain_amounts do (line_walk.hpp), amounts_of_group returning
// Unread: void, or the lines it left unread, which long_amount_of_line then reads one at a time.
// Without plain_amounts_of_group, plain lines are read as any others.
template <typename F, std::uint32_t kGroup, typename Unread,
          Unread (*amounts_of_group)(F*, const char*, const std::uint32_t*) noexcept,
          void (*plain_amounts_of_group)(F*, const char*, const std::uint32_t*) noexcept = nullptr,
          F (*long_amount_of_line)(const char*, const std::uint32_t*) noexcept = nullptr>
struct LaneTotals {
    using Float = F;
    static constexpr std::uint32_t kLines = kGroup;
    using Bits = std::conditional_t<sizeof(F) == 8, std::uint64_t, std::uint32_t>;
    typedef F Lanes __attribute__((vector_size(4 * sizeof(F))));
    typedef Bits LaneBits __attribute__((vector_size(4 * sizeof(F))));

    Lanes sums;

    explicit LaneTotals(const F* totals) noexcept { std::memcpy(&sums, totals, sizeof sums); }
    void store(F* totals) const noexcept { std::memcpy(totals, &sums, sizeof sums); }
    [[gnu::always_inline]] static Unread amounts(F* out, const char* text,
                                                 const std::uint32_t* at) noexcept {
        return amounts_of_group(out, text, at);
    }
    [[gnu::always_inline]] static void plain_amounts(F* out, const char* text,
                                                     const std::uint32_t* at) noexcept
        requires(plain_amounts_of_group != nullptr) {
        plain_amounts_of_group(out, text, at);
    }
    [[gnu::always_inline]] static F long_amount(const char* text, const std::uint32_t* at) noexcept
        requires(long_amount_of_line != nullptr) {
        return long_amount_of_line(text, at);
    }
    void take(const F* negated, const char* line) noexcept {
        const F amount = *negated;
        const Lanes every_lane = {amount, amount, amount, amount};
        // The rows are aligned to their size, which lets SSE fold the load into the AND.
        LaneBits keep;
        if constexpr (sizeof(F) == 8) {
            std::memcpy(&keep, __builtin_assume_aligned(kDoubleRows.row(line), 32), sizeof keep);
        } else {
            std::memcpy(&keep, __builtin_assume_aligned(kFloatRows.row(line), 16), sizeof keep);
        }
        sums -= reinterpret_cast<Lanes>(reinterpret_cast<LaneBits>(every_lane) & keep);
    }
};

}  // namespace tally
