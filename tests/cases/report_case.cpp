// Runs one case: report_case PROGRAM INPUT EXPECTED gives the file INPUT to PROGRAM as standard
// input; its report must be the file EXPECTED byte for byte, with status 0 and nothing on
// standard error. ctest runs it once for each case and program (cases.cmake), each with a time
// limit of a few seconds, so that a case that should take a moment and takes minutes fails.
#include <cstdio>
#include <string>

#include "tests/support/run_program.hpp"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: report_case PROGRAM INPUT EXPECTED\n");
        return 2;
    }
    const auto result =
        testing_support::run_with_input(argv[1], testing_support::read_file(argv[2]));
    const std::string expected = testing_support::read_file(argv[3]);
    if (result.out == expected && result.err.empty() && result.exit_status == 0) return 0;
    std::printf("report:\n%s\nexpected:\n%s\nstandard error:\n%s\nexit status %d, signal %d\n",
                result.out.c_str(), expected.c_str(), result.err.c_str(), result.exit_status,
                result.signal);
    return 1;
}
