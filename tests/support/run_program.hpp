// Runs a built program as a separate process with chosen standard streams, and collects what
// it writes and how it ends.
#pragma once

#include <string>

namespace testing_support {

struct RunResult {
    int exit_status = -1;  // -1 when it did not exit normally
    int signal = 0;        // the signal that ended it, if one did
    std::string out;
    std::string err;
};

// Where the program's standard output goes.
enum class Output {
    kCaptured,        // a pipe read to the end
    kFull,            // /dev/full: every write fails with "no space"
    kClosed,          // no descriptor at all
    kPipeClosedEarly  // a pipe whose reading end is closed before the program starts
};

// stdin_fd is handed to the program as its standard input (-1: closed); `argument`, when not
// empty, is its one command-line argument.
RunResult run_program(const std::string& program, int stdin_fd, Output output = Output::kCaptured,
                      const std::string& argument = "");

// Standard input from a file holding `text`.
RunResult run_with_input(const std::string& program, const std::string& text,
                         Output output = Output::kCaptured, const std::string& argument = "");

std::string read_file(const std::string& path);

// The emulator through which the tests start every program, in a cross build whose programs the
// host cannot start itself (VANTREL_EMULATOR); null in a native build. Tests that cannot run
// under an emulator skip themselves where this is set, and say why.
const char* emulator();

// Replaces the calling process by `program`, with `argument` as its one argument when that is
// not empty, started through the emulator where there is one. Returns only when that fails.
void exec_program(const char* program, const char* argument = "");

}  // namespace testing_support
