#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "console/platform.hpp"

namespace console {

void read_as_bytes(int) {}  // bytes are all there is

void widen_pipe(int fd) {
#if defined(F_SETPIPE_SZ)
    constexpr int kPipeBytes = 256 * 1024;
    struct stat status {};
    if (::fstat(fd, &status) == 0 && S_ISFIFO(status.st_mode) &&
        ::fcntl(fd, F_GETPIPE_SZ) < kPipeBytes) {
        ::fcntl(fd, F_SETPIPE_SZ, kPipeBytes);
    }
#else
    static_cast<void>(fd);  // no such setting here
#endif
}

std::ptrdiff_t read_fd(int fd, char* dst, std::size_t max) {
    for (;;) {
        const ssize_t got = ::read(fd, dst, max);
        if (got >= 0) return got;
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            // Standard input may have been left non-blocking by whoever handed it over: wait
            // for it rather than mistake "nothing yet" for a failure.
            pollfd ready{fd, POLLIN, 0};
            if (::poll(&ready, 1, -1) >= 0 || errno == EINTR) continue;
        }
        return -1;
    }
}

bool write_all(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t put = ::write(fd, data, size);
        if (put < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                pollfd ready{fd, POLLOUT, 0};
                if (::poll(&ready, 1, -1) >= 0 || errno == EINTR) continue;
            }
            return false;
        }
        data += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

void report_broken_pipe_as_write_error() {
    ::signal(SIGPIPE, SIG_IGN);
}

const char* error_text(int error) {
    if (error == kFileCutShort) return "the file was cut short while it was read";
    return std::strerror(error);
}

namespace {

// The terminal's modes from before the pause, for the signal handler that puts them back when
// the pause is ended by something other than a key.
termios saved_modes;

void restore_modes_and_resignal(int signal_number) {
    ::tcsetattr(STDIN_FILENO, TCSANOW, &saved_modes);
    ::signal(signal_number, SIG_DFL);
    ::raise(signal_number);
}

void write_to_standard_error(const char* text) {
    write_all(STDERR_FILENO, text, std::strlen(text));
}

}  // namespace

void pause_for_key_press() {
    // Nobody can press a key in a file or a pipe: scripts and tests must not hang here.
    if (::isatty(STDIN_FILENO) == 0) return;
    if (::tcgetattr(STDIN_FILENO, &saved_modes) != 0) return;

    write_to_standard_error("Press any key to continue . . .");
    struct sigaction restore {};
    restore.sa_handler = restore_modes_and_resignal;
    sigemptyset(&restore.sa_mask);
    struct sigaction old_hangup {};
    struct sigaction old_terminate {};
    ::sigaction(SIGHUP, &restore, &old_hangup);
    ::sigaction(SIGTERM, &restore, &old_terminate);

    // One byte, unechoed, without waiting for Enter; signal keys (Ctrl-C) and flow control
    // keys (Ctrl-S) arrive as ordinary key presses.
    termios key_mode = saved_modes;
    key_mode.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG | IEXTEN);
    key_mode.c_iflag &= ~static_cast<tcflag_t>(IXON);
    key_mode.c_cc[VMIN] = 1;
    key_mode.c_cc[VTIME] = 0;
    if (::tcsetattr(STDIN_FILENO, TCSANOW, &key_mode) == 0) {
        char key = 0;
        read_fd(STDIN_FILENO, &key, 1);
        // TCSAFLUSH also drops the rest of a key that sends several bytes (an arrow key), so
        // that it does not reach the shell after the program ends.
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_modes);
    }
    ::sigaction(SIGHUP, &old_hangup, nullptr);
    ::sigaction(SIGTERM, &old_terminate, nullptr);
    write_to_standard_error("\n");
}

}  // namespace console
