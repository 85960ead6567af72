#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace fuzz_streams {

// Runs a program's main on `data` as standard input, arriving `block` bytes at a time, and
// returns its standard output.
std::string run(int (*program)(), std::string_view data, std::size_t block);

}  // namespace fuzz_streams
