#include "console/standard_streams.hpp"

#include <cstdio>

#include "console/system.hpp"

namespace console {
namespace {

constexpr int kStandardInput = 0;
constexpr int kStandardOutput = 1;

}  // namespace

InputStream& standard_input() {
    static const bool bytes = (read_as_bytes(kStandardInput), true);
    (void)bytes;
    static FdSource source(kStandardInput);
    static InputStream stream(source);
    return stream;
}

OutputStream& standard_output() {
    static FdSink sink(kStandardOutput);
    static OutputStream stream(sink);
    static const bool pipe_errors_reported = (report_broken_pipe_as_write_error(), true);
    (void)pipe_errors_reported;
    return stream;
}

void closing_pause() {
    standard_output().flush();
    pause_for_key_press();
}

int exit_status(const char* program_name) {
    const bool written = standard_output().flush();
    int status = 0;
    if (const int error = standard_input().error(); error != 0) {
        std::fprintf(stderr, "%s: cannot read standard input: %s\n", program_name,
                     error_text(error));
        status = 1;
    }
    if (!written) {
        std::fprintf(stderr, "%s: cannot write the report: %s\n", program_name,
                     error_text(standard_output().error()));
        status = 1;
    }
    return status;
}

}  // namespace console
