// Runs of common invoice lines totalled straight from the input buffer, for both programs: the
// hand-over between the programs' exact reads and the way chosen for this processor (way.hpp
// says what a common line is). Invariant: whatever it takes, it takes exactly as the program's
// exact reads would, one invoice after another; whatever it does not take, it leaves untouched.
#pragma once

#include <cstdint>

#include "console/formatted_input.hpp"
#include "tally/way.hpp"

namespace tally {

// The ways read a little around the buffered text; the input buffer keeps that much readable.
static_assert(console::FormattedInput::kReadableBefore >= kBytesReadBeforeText);
static_assert(console::FormattedInput::kReadableAfter >= kBytesReadAfterEnd);

class CommonLines {
  public:
    explicit CommonLines(console::FormattedInput& in, const Way& way = chosen_way()) noexcept
        : in_(in), way_(way) {}

    // Totals the common invoice lines that stand in a row where the next read starts, at most
    // max_invoices of them (at least 1), as the exact reads would take them one by one: each
    // amount is added to the total of owner_id (none for IDs other than 1 to 3) and of its
    // letter, and letter and amount are left holding the last line's. Returns how many it
    // totalled; with 0 it has changed nothing. One form for vantrel-strict's two tables (owners
    // 1 to 3, categories A to C), one for vantrel-lenient's one table of six (owners at
    // positions 0 to 2, categories at 3 to 5).
    template <typename Float>
    std::int32_t total(std::int32_t max_invoices, std::int32_t owner_id, Float (&owner_totals)[3],
                       Float (&category_totals)[3], char& letter, Float& amount) noexcept {
        return total_run(max_invoices, owner_total(owner_id, owner_totals), category_totals, letter,
                         amount);
    }
    template <typename Float>
    std::int32_t total(std::int32_t max_invoices, std::int32_t owner_id, Float (&totals)[6],
                       char& letter, Float& amount) noexcept {
        return total_run(max_invoices, owner_total(owner_id, totals), totals + 3, letter, amount);
    }

  private:
    // Where the text keeps not being common lines, the calls back off exponentially, so that
    // such input costs hardly more than its exact reads: each call that takes nothing skips the
    // next 0, 1, 3, 7 ... calls, at most kMaxBackoff, and any call that takes a line ends the
    // backing off. A line of another shape among common ones costs its own exact read and no
    // more: the call after it takes the lines that follow.
    static constexpr std::uint32_t kMaxBackoff = 63;

    template <typename Float>
    static Float* owner_total(std::int32_t owner_id, Float* owner_totals) noexcept {
        return owner_id >= 1 && owner_id <= 3 ? &owner_totals[owner_id - 1] : nullptr;
    }
    template <typename Float>
    std::int32_t total_run(std::int32_t max_invoices, Float* owner_total, Float* category_totals,
                           char& letter, Float& amount) noexcept;

    console::FormattedInput& in_;
    const Way& way_;
    std::uint32_t attempts_to_skip_ = 0;
    std::uint32_t backoff_ = 0;
};

}  // namespace tally
