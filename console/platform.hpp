// The few operating-system calls the console layer needs, kept in one place so that each
// platform supplies its own.
#pragma once

#include <cstddef>

namespace console {

// Makes fd deliver its bytes as they are, so that the layer's own text mode (CR LF folded to
// LF) is the same on every host.
void read_as_bytes(int fd);

// Where fd is a pipe, lets it hold more than the usual 64 KiB where the system allows, so that
// a writer such as cat, which writes 128 KiB at a time, need not stop at every write until the
// program has read; without it the two take turns waiting. Anything else, or a refusal, is left
// as it is.
void widen_pipe(int fd);

// Reads up to max bytes from fd: the count, 0 at the end of the input, or -1 with errno set.
// Reads interrupted by a signal are retried.
std::ptrdiff_t read_fd(int fd, char* dst, std::size_t max);

// Writes all size bytes to fd, through partial and interrupted writes. False with errno set
// when the output refuses them.
bool write_all(int fd, const char* data, std::size_t size);

// A closed pipe on standard output must show up as a failed write that the program reports,
// not as a signal that ends it silently.
void report_broken_pipe_as_write_error();

// The closing pause. On POSIX hosts: when standard input is a terminal, shows the prompt and
// waits for one key press; with input from a file or a pipe, returns at once. On Windows: runs
// the command interpreter's own "pause" command, which decides for itself what to wait for.
void pause_for_key_press();

// An input error that is no errno value: a file read where it lies lost bytes to another
// process that cut it short while it was read.
inline constexpr int kFileCutShort = -1;

// The text of an errno value or of kFileCutShort, for a one-line message.
const char* error_text(int error);

}  // namespace console
