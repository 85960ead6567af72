#include "tests/support/run_program.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace testing_support {
namespace {

void check(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

// Moves fd to the given standard descriptor in the child; -1 closes it.
void place(int fd, int target) {
    if (fd < 0) {
        ::close(target);
    } else if (fd != target) {
        ::dup2(fd, target);
    }
}

}  // namespace

RunResult run_program(const std::string& program, int stdin_fd, Output output,
                      const std::string& argument) {
    int out_pipe[2] = {-1, -1};
    int err_pipe[2] = {-1, -1};
    check(::pipe(out_pipe) == 0 && ::pipe(err_pipe) == 0, "pipe");
    int child_out = out_pipe[1];
    if (output == Output::kFull) child_out = ::open("/dev/full", O_WRONLY);
    if (output == Output::kClosed) child_out = -1;
    if (output == Output::kPipeClosedEarly) {
        ::close(out_pipe[0]);
        out_pipe[0] = -1;
    }

    const pid_t pid = ::fork();
    check(pid >= 0, "fork");
    if (pid == 0) {
        // dup2 first, closes after: a descriptor may be wanted in two places.
        const int in = stdin_fd < 0 ? -1 : ::dup(stdin_fd);
        const int out = child_out < 0 ? -1 : ::dup(child_out);
        const int err = ::dup(err_pipe[1]);
        place(in, 0);
        place(out, 1);
        place(err, 2);
        ::closefrom(3);
        exec_program(program.c_str(), argument.c_str());
        std::_Exit(127);
    }
    ::close(out_pipe[1]);
    ::close(err_pipe[1]);
    if (output == Output::kFull) ::close(child_out);

    RunResult result;
    pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open_count = (out_pipe[0] >= 0 ? 1 : 0) + 1;
    while (open_count > 0) {
        if (::poll(fds, 2, -1) < 0) {
            check(errno == EINTR, "poll");
            continue;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            char chunk[4096];
            const ssize_t got = ::read(fds[i].fd, chunk, sizeof chunk);
            if (got > 0) {
                sinks[i]->append(chunk, static_cast<std::size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open_count;
            }
        }
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) check(errno == EINTR, "waitpid");
    if (WIFEXITED(status)) result.exit_status = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    return result;
}

RunResult run_with_input(const std::string& program, const std::string& text, Output output,
                         const std::string& argument) {
    char path[] = "/tmp/vantrel-input-XXXXXX";
    const int fd = ::mkstemp(path);
    check(fd >= 0, "mkstemp");
    ::unlink(path);
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t put = ::write(fd, text.data() + done, text.size() - done);
        check(put > 0, "write");
        done += static_cast<std::size_t>(put);
    }
    ::lseek(fd, 0, SEEK_SET);
    RunResult result = run_program(program, fd, output, argument);
    ::close(fd);
    return result;
}

std::string read_file(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw std::runtime_error("cannot open " + path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

const char* emulator() {
#ifdef VANTREL_EMULATOR
    return VANTREL_EMULATOR;
#else
    return nullptr;
#endif
}

void exec_program(const char* program, const char* argument) {
    // Under an emulator this process is itself emulated, but exec starts host programs: the
    // emulator, which then runs the target's program.
    const char* words[4] = {};
    std::size_t count = 0;
    if (emulator() != nullptr) words[count++] = emulator();
    words[count++] = program;
    if (argument[0] != '\0') words[count++] = argument;
    ::execv(words[0], const_cast<char* const*>(words));
}

}  // namespace testing_support
