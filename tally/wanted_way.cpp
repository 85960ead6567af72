// Which way a program asks for. The programs are linked with this file built as it stands, and
// take the best way the processor runs; builds made to test or measure one way (the benchmark's
// and the fuzzers' variants) are linked with it built with VANTREL_WAY set to that way's name.
#include "tally/way.hpp"

namespace tally {

std::string_view wanted_way() noexcept {
#if defined(VANTREL_WAY)
    return VANTREL_WAY;
#else
    return {};
#endif
}

}  // namespace tally
