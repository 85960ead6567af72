// Fuzzes a whole program on standard input. Its report must have the six lines in their fixed
// order, and must not depend on how the input arrives: all at once (the common tokens are then
// read straight from the buffer) or a byte at a time (every read goes the general way).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/fuzz_streams.hpp"

int vantrel_program_main();  // the program's main, renamed when built for fuzzing

namespace {

bool is_report(const std::string& report) {
    const char keys[] = {'1', '2', '3', 'A', 'B', 'C'};
    std::size_t at = 0;
    for (char key : keys) {
        const std::size_t line_end = report.find('\n', at);
        if (line_end == std::string::npos || report[at] != key || report[at + 1] != ' ')
            return false;
        at = line_end + 1;
    }
    return at == report.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string at_once = fuzz_streams::run(vantrel_program_main, input, size + 1);
    if (!is_report(at_once)) std::abort();
    const std::string byte_by_byte = fuzz_streams::run(vantrel_program_main, input, 1);
    if (byte_by_byte != at_once) std::abort();
    return 0;
}
