#include "console/standard_streams.hpp"

#include <cstdio>
#include <new>

#include "console/mapped_file.hpp"
#include "console/platform.hpp"

namespace console {
namespace {

constexpr int kStandardInput = 0;
constexpr int kStandardOutput = 1;

struct Streams {
    Streams(ByteSource& source, ByteSink& sink) noexcept : input(source), output(sink) {}
    FormattedInput input;
    FormattedOutput output;
};

// The streams live in static storage, built on first use or on each binding: neither holds a
// resource, so building new ones over old ones loses nothing but their buffered text.
alignas(Streams) unsigned char storage[sizeof(Streams)];
Streams* streams = nullptr;
bool bound_to_process = false;

Streams& process_streams() {
    read_as_bytes(kStandardInput);
    widen_pipe(kStandardInput);
    // A regular file is read where it lies; anything else, and a file that cannot be mapped,
    // through read(2).
    static MappedFile source(kStandardInput);
    static FdSink sink(kStandardOutput);
    report_broken_pipe_as_write_error();
    bound_to_process = true;
    return *new (storage) Streams(source, sink);
}

Streams& current() {
    if (streams == nullptr) streams = &process_streams();
    return *streams;
}

}  // namespace

FormattedInput& standard_input() {
    return current().input;
}

FormattedOutput& standard_output() {
    return current().output;
}

void bind_standard_streams(ByteSource& source, ByteSink& sink) {
    streams = new (storage) Streams(source, sink);
    bound_to_process = false;
}

void closing_pause() {
    standard_output().flush();
    if (bound_to_process) pause_for_key_press();
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
