// The console layer's operating-system calls on Windows, through the C runtime.
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "console/platform.hpp"

namespace console {

void widen_pipe(int) {}  // the runtime's pipes are sized by whoever makes them

void read_as_bytes(int fd) {
    // The layer folds CR LF itself, the same on every host; the runtime's text mode would also
    // end the input at a Ctrl-Z byte.
    _setmode(fd, _O_BINARY);
}

std::ptrdiff_t read_fd(int fd, char* dst, std::size_t max) {
    return _read(fd, dst, static_cast<unsigned>(std::min<std::size_t>(max, INT_MAX)));
}

bool write_all(int fd, const char* data, std::size_t size) {
    // Standard output stays in the runtime's text mode: each line feed ends a line in CR LF.
    while (size > 0) {
        const int put =
            _write(fd, data, static_cast<unsigned>(std::min<std::size_t>(size, INT_MAX)));
        if (put < 0) return false;
        data += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

void report_broken_pipe_as_write_error() {}  // a closed pipe already fails the write here

const char* error_text(int error) {
    if (error == kFileCutShort) return "the file was cut short while it was read";
    return std::strerror(error);
}

void pause_for_key_press() {
    // The host's own "pause" command, run by its command interpreter; its outcome is ignored.
    static_cast<void>(std::system("pause"));
}

}  // namespace console
