// The seed of a test that draws random inputs: a new one each run, so that runs over time reach
// other inputs, or the one in the environment variable VANTREL_SEED, so that a failure can be
// replayed. Every failure of such a test names its seed and how to replay it (seed_note).
#pragma once

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>

namespace testing_support {

inline std::uint64_t seed_for_run() {
    if (const char* replay = std::getenv("VANTREL_SEED")) return std::strtoull(replay, nullptr, 10);
    return std::random_device{}();
}

// "seed N (VANTREL_SEED=N replays it)".
inline std::string seed_note(std::uint64_t seed) {
    const std::string n = std::to_string(seed);
    return "seed " + n + " (VANTREL_SEED=" + n + " replays it)";
}

}  // namespace testing_support
