// The list of ways, best first, and the choice among them. A new way is one file in ways/ that
// defines its Way, and one entry here.
#include <cstdio>

#include "tally/way.hpp"

namespace tally {

extern const Way kAvx512Way;
extern const Way kAvx2Way;
extern const Way kSse2Way;
extern const Way kNeonWay;
extern const Way kPortableWay;

namespace {

// One way a line, so that each stands beside the processors it is built for.
// clang-format off
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
// clang-format on

template <typename Float>
std::uint32_t takes_no_line(LineRun<Float>&) noexcept {
    return 0;
}

}  // namespace

extern const Way kExactReadsWay = {"exact", runs_on_every_processor, takes_no_line<double>,
                                   takes_no_line<float>};

const Way& choose_way(std::span<const Way* const> ways, std::string_view wanted,
                      console::ByteSink& errors) noexcept {
    if (wanted == kExactReadsWay.name) return kExactReadsWay;
    const Way* asked_for = nullptr;
    for (const Way* way : ways) {
        if (way->name == wanted) asked_for = way;
    }
    if (asked_for != nullptr && asked_for->runs_here()) return *asked_for;
    const Way* taken = ways.back();
    for (const Way* way : ways) {
        if (way->runs_here()) {
            taken = way;
            break;
        }
    }
    if (!wanted.empty()) {
        // Room for the longest line: the name asked for is cut to 32 characters.
        char line[160];
        const int length = std::snprintf(
            line, sizeof line,
            "vantrel: this build asks for the %.*s way, which %s; it takes the %s way\n",
            static_cast<int>(wanted.size() < 32 ? wanted.size() : 32), wanted.data(),
            asked_for != nullptr ? "this processor cannot run" : "is not built for this processor",
            taken->name);
        if (length > 0) errors.write(line, static_cast<std::size_t>(length));
    }
    return *taken;
}

std::span<const Way* const> all_ways() noexcept {
    return kWays;
}

const Way& chosen_way() noexcept {
    static console::FdSink standard_error(2);
    static const Way& way = choose_way(kWays, wanted_way(), standard_error);
    return way;
}

}  // namespace tally
