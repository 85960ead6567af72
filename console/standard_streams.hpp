// The programs' standard input and standard output, and how a program run ends: the closing
// pause, and the exit status that tells whether the input could be read and the report written.
//
// The streams are bound to file descriptors 0 and 1 when first used. A fuzzer or test that runs
// a program's main in-process binds them to its own source and sink first.
#pragma once

#include "console/byte_sink.hpp"
#include "console/byte_source.hpp"
#include "console/formatted_input.hpp"
#include "console/formatted_output.hpp"

namespace console {

FormattedInput& standard_input();
FormattedOutput& standard_output();

// Binds the standard streams afresh to `source` and `sink`, which must outlive their use; text
// buffered from a previous binding is dropped. The closing pause then never waits.
void bind_standard_streams(ByteSource& source, ByteSink& sink);

// Writes the report out, then, with the process's own standard input at a terminal, waits for a
// key press; with input from a file or a pipe it returns at once.
void closing_pause();

// Writes whatever is still buffered and returns 0, or 1 after one line on standard error per
// failure when the input could not be read or the report not written.
int exit_status(const char* program_name);

}  // namespace console
