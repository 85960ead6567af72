// The list of ways, best first, and the choice among them. A new way is one file in ways/ that
// defines its Way, and one entry here.
#include "tally/way.hpp"

namespace tally {

extern const Way kAvx512Way;
extern const Way kAvx2Way;
extern const Way kSse2Way;
extern const Way kNeonWay;
extern const Way kPortableWay;

namespace {

constexpr const Way* kWays[] = {
#if defined(__x86_64__)
    &kAvx512Way,
    &kAvx2Way,
#endif
#if defined(__x86_64__) || defined(__i386__)
    &kSse2Way,
#endif
#if defined(__aarch64__) && !defined(__AARCH64EB__)
    &kNeonWay,
#endif
    &kPortableWay,
};

const Way& choose() noexcept {
    const std::string_view wanted = wanted_way();
    for (const Way* way : kWays) {
        if (way->name == wanted && way->runs_here()) return *way;
    }
    for (const Way* way : kWays) {
        if (way->runs_here()) return *way;
    }
    return kPortableWay;
}

}  // namespace

std::span<const Way* const> all_ways() noexcept {
    return kWays;
}

const Way& chosen_way() noexcept {
    static const Way& way = choose();
    return way;
}

}  // namespace tally
