// peak_memory PROGRAM: runs PROGRAM with this process's standard streams and reports, on
// standard error, its exit status and its peak resident memory in KB ("status 0 peak 2900").
//
// Linked statically and kept small on purpose: a child's peak memory counts the process it was
// started from, so a large test process would hide the program's own figure.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdio>

extern char** environ;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: peak_memory PROGRAM\n");
        return 2;
    }
    pid_t pid = 0;
#ifdef VANTREL_EMULATOR
    // Cross-built and emulated: the host starts the target's program through the emulator,
    // whose own memory then counts in the figure.
    char emulator[] = VANTREL_EMULATOR;
    char* const arguments[] = {emulator, argv[1], nullptr};
#else
    char* const arguments[] = {argv[1], nullptr};
#endif
    if (posix_spawn(&pid, arguments[0], nullptr, nullptr, arguments, environ) != 0) return 2;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid) return 2;
    std::fprintf(stderr, "status %d peak %ld\n", WIFEXITED(status) ? WEXITSTATUS(status) : -1,
                 usage.ru_maxrss);
    return 0;
}
