// The process's standard streams and how a program run ends: the closing pause, and the exit
// status that tells whether the input could be read and the report written.
#pragma once

#include "console/input_stream.hpp"
#include "console/output_stream.hpp"

namespace console {

InputStream& standard_input();
OutputStream& standard_output();

// Shows the report, then at a terminal waits for one key press; with input from a file or a
// pipe it returns at once.
void closing_pause();

// Writes whatever is still buffered and returns 0, or 1 after one line on standard error per
// failure when the input could not be read or the report not written.
int exit_status(const char* program_name);

}  // namespace console
