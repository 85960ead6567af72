#include "tally/common_lines.hpp"

namespace tally {

template <typename Float>
std::int32_t CommonLines::total_run(std::int32_t max_invoices, Float* owner_total,
                                    Float* category_totals, char& letter, Float& amount) noexcept {
    if (attempts_to_skip_ > 0) {
        --attempts_to_skip_;
        return 0;
    }
    // An owner ID that names no owner total still has a lane in the way's totals: its sums are
    // dropped.
    LineRun<Float> run{in_.buffered_begin(),
                       in_.buffered_end(),
                       static_cast<std::uint32_t>(max_invoices),
                       {owner_total != nullptr ? *owner_total : Float{0}, category_totals[0],
                        category_totals[1], category_totals[2]},
                       letter,
                       amount,
                       nullptr};
    const std::uint32_t taken = way_.total(run);
    if (taken == 0) {
        attempts_to_skip_ = backoff_;
        backoff_ = backoff_ < kMaxBackoff ? 2 * backoff_ + 1 : kMaxBackoff;
        return 0;
    }
    backoff_ = 0;
    if (owner_total != nullptr) *owner_total = run.totals[0];
    for (int k = 0; k < 3; ++k) category_totals[k] = run.totals[k + 1];
    letter = run.letter;
    amount = run.amount;
    in_.consume_to(run.stop);
    return static_cast<std::int32_t>(taken);
}

template std::int32_t CommonLines::total_run(std::int32_t, double*, double*, char&,
                                             double&) noexcept;
template std::int32_t CommonLines::total_run(std::int32_t, float*, float*, char&, float&) noexcept;

}  // namespace tally
