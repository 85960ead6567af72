// A floating-point value's bits, for comparisons that must tell -0.0 from 0.0 and every NaN
// apart: bit for bit, not by value.
#pragma once

#include <bit>
#include <cstdint>
#include <type_traits>

namespace testkit {

template <typename Float>
auto bits(Float value) {
    using Bits = std::conditional_t<sizeof(Float) == 8, std::uint64_t, std::uint32_t>;
    return std::bit_cast<Bits>(value);
}

}  // namespace testkit
