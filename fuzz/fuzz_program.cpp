// Fuzzes a whole program on standard input. Its report must have the six lines in their fixed
// order, and must not depend on how the input arrives: all at once (the common tokens are then
// read straight from the buffer) or a byte at a time (every read goes byte by byte).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "console/standard_streams.hpp"
#include "tally/way.hpp"
#include "testkit/chunked_source.hpp"

int vantrel_program_main();  // the program's main, renamed when built for fuzzing

namespace {

// Runs the program's main in-process on `input`, arriving `block` bytes at a time, and returns
// its report.
std::string run(std::string_view input, std::size_t block) {
    testkit::ChunkedSource source(input, {block});
    testkit::StringSink sink;
    console::bind_standard_streams(source, sink);
    if (vantrel_program_main() != 0) std::abort();
    return sink.text;
}

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

// Says which way through common lines this fuzzer takes: a build forced to a way that this
// processor cannot run takes another, and has said so on standard error just before.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    std::fprintf(stderr, "%s: takes the %s way through common lines\n",
                 *argc > 0 ? (*argv)[0] : "fuzzer", tally::chosen_way().name);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string at_once = run(input, size + 1);
    if (!is_report(at_once)) std::abort();
    if (run(input, 1) != at_once) std::abort();
    return 0;
}
