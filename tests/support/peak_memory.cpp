// peak_memory PROGRAM: runs PROGRAM with this process's standard streams and reports, on
// standard error, its exit status and its peak resident memory in KB ("status 0 peak 2900").
//
// The figure is the program's own high-water mark ("VmHWM" in /proc/PID/status), read at the
// moment it exits: it is started traced, and the tracer stops it there. The peak that wait4
// reports is not enough on its own: some kernels carry into it the high-water mark of the
// processes the program was started from, here the test process, which holds the large inputs
// itself and grows from one input to the next.
//
// wait4's figure is still used where tracing cannot be, when the program runs under an emulator,
// which does not let a traced program be told apart from itself; this program is linked
// statically there and kept small, so that where that figure counts it too, it is the smaller
// part. A program built with the sanitizers is traced with their leak check at exit turned off,
// since that check traces the program itself and fails where something else already does.
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

#if defined(VANTREL_EMULATOR)
constexpr bool kTraced = false;
#else
constexpr bool kTraced = true;
#endif

// The "VmHWM:" line of /proc/PID/status in KB, or -1.
long high_water_kb(pid_t pid) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/status", static_cast<int>(pid));
    std::FILE* status = std::fopen(path, "r");
    if (status == nullptr) return -1;
    long kb = -1;
    char line[256];
    while (std::fgets(line, sizeof line, status) != nullptr) {
        if (std::strncmp(line, "VmHWM:", 6) == 0 && std::sscanf(line + 6, "%ld", &kb) == 1) break;
    }
    std::fclose(status);
    return kb;
}

// Lets the stopped, traced program run to its end, passing on the signals sent to it, and reads
// its high-water mark at the stop just before it exits. Returns true when the program has ended
// and been waited for, with its wait status in `status` and the mark, if it could be read, in
// `peak_kb`; false, with the program left untraced and running, when tracing fails.
bool follow_to_exit(pid_t pid, int& status, long& peak_kb) {
    const long options = PTRACE_O_TRACEEXIT | PTRACE_O_TRACEEXEC | PTRACE_O_EXITKILL;
    if (ptrace(PTRACE_SETOPTIONS, pid, nullptr, options) != 0) {
        ptrace(PTRACE_DETACH, pid, nullptr, nullptr);
        return false;
    }
    int signal_to_pass = 0;
    while (ptrace(PTRACE_CONT, pid, nullptr, signal_to_pass) == 0) {
        if (waitpid(pid, &status, 0) != pid) return false;
        if (!WIFSTOPPED(status)) return true;
        const int event = status >> 16;
        if (event == PTRACE_EVENT_EXIT) peak_kb = high_water_kb(pid);
        signal_to_pass = event == 0 ? WSTOPSIG(status) : 0;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: peak_memory PROGRAM\n");
        return 2;
    }
#ifdef VANTREL_EMULATOR
    // Cross-built and emulated: the host starts the target's program through the emulator,
    // whose own memory then counts in the figure.
    char emulator[] = VANTREL_EMULATOR;
    char* const arguments[] = {emulator, argv[1], nullptr};
#else
    char* const arguments[] = {argv[1], nullptr};
#endif
    const pid_t pid = fork();
    if (pid < 0) return 2;
    if (pid == 0) {
#ifdef VANTREL_SANITIZE
        const char* options = std::getenv("ASAN_OPTIONS");
        const std::string without_leak_check =
            std::string(options == nullptr ? "" : options) + ":detect_leaks=0";
        setenv("ASAN_OPTIONS", without_leak_check.c_str(), 1);
#endif
        // Stopped before the exec, so that the tracer can ask to see the exit.
        if (kTraced && ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) == 0) raise(SIGSTOP);
        execv(arguments[0], arguments);
        _exit(127);
    }
    int status = 0;
    long peak_kb = -1;
    bool ended = false;
    if (kTraced) {
        if (waitpid(pid, &status, WUNTRACED) != pid) return 2;
        ended = !WIFSTOPPED(status) || follow_to_exit(pid, status, peak_kb);
    }
    rusage usage{};
    if (!ended && wait4(pid, &status, 0, &usage) != pid) return 2;
    if (peak_kb < 0) {
        if (ended) getrusage(RUSAGE_CHILDREN, &usage);
        peak_kb = usage.ru_maxrss;
    }
    std::fprintf(stderr, "status %d peak %ld\n", WIFEXITED(status) ? WEXITSTATUS(status) : -1,
                 peak_kb);
    return 0;
}
