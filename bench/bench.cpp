// The benchmark: throughput of each program on a large well-formed input, against `cat` reading
// the same file in the same rounds and against the program's C-library baseline in the same run
// (median of several runs); peak memory on a tiny and on the large input; the time of inputs that
// get stuck; and the time and peak memory of hostile inputs.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/hostile_inputs.hpp"

extern char** environ;

namespace {

const char kUsage[] =
    "usage: bench [--size BYTES] [--runs N] [--dir DIR]\n"
    "\n"
    "  --size BYTES  size of the large well-formed input (default 100000000); hostile inputs\n"
    "                hold runs of half that and white space of ten times that\n"
    "  --runs N      runs of each program on the large input and the stuck inputs (default 5)\n"
    "  --dir DIR     folder for the temporary files (default $TMPDIR, else /tmp); they need\n"
    "                up to ten times --size at once, and are removed when the benchmark ends\n"
    "  --help        print this and exit\n";

struct Options {
    std::uint64_t size = 100'000'000;
    int runs = 5;
    std::string dir;
};

// Parses the command line; nullopt after printing the usage where the exit status says why.
std::optional<Options> parse_options(int argc, char** argv, int& status) {
    Options options;
    const char* tmpdir = std::getenv("TMPDIR");
    options.dir = tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : "/tmp";
    // Every option but --help takes a value.
    for (int i = 1; i < argc; i += 2) {
        const std::string flag = argv[i];
        if (flag == "--help") {
            std::fputs(kUsage, stdout);
            status = 0;
            return std::nullopt;
        }
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        char* stop = nullptr;
        bool good = value != nullptr && *value != '\0';
        if (good && flag == "--size") {
            options.size = std::strtoull(value, &stop, 10);
            good = *stop == '\0' && options.size >= 1000 && value[0] != '-';
        } else if (good && flag == "--runs") {
            const long runs = std::strtol(value, &stop, 10);
            good = *stop == '\0' && runs >= 1 && runs <= 1000;
            options.runs = static_cast<int>(runs);
        } else if (good && flag == "--dir") {
            options.dir = value;
        } else {
            good = false;
        }
        if (!good) {
            std::fprintf(stderr, "bench: bad option or value: %s%s%s\n\n%s", argv[i],
                         value != nullptr ? " " : "", value != nullptr ? value : "", kUsage);
            status = 2;
            return std::nullopt;
        }
    }
    return options;
}

// The benchmark's temporary files: one folder of its own, made with a unique name, and removed
// with everything in it when the benchmark ends, fails or is interrupted.
class TemporaryFolder {
  public:
    static bool make(const std::string& parent) {
        std::string pattern = parent + "/vantrel-bench-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) return false;
        std::snprintf(path_, sizeof path_, "%s", pattern.c_str());
        std::atexit(remove);
        struct sigaction action {};
        action.sa_handler = remove_and_resignal;
        sigemptyset(&action.sa_mask);
        for (int signal_number : {SIGINT, SIGTERM, SIGHUP})
            ::sigaction(signal_number, &action, nullptr);
        return true;
    }
    static std::string file(const char* name) { return std::string(path_) + "/" + name; }

  private:
    // Only calls that are safe in a signal handler: the files have fixed names in the folder.
    static void remove() {
        for (const char* name : kFiles) {
            char file_path[sizeof path_ + 32];
            std::snprintf(file_path, sizeof file_path, "%s/%s", path_, name);
            ::unlink(file_path);
        }
        ::rmdir(path_);
    }
    static void remove_and_resignal(int signal_number) {
        remove();
        ::signal(signal_number, SIG_DFL);
        ::raise(signal_number);
    }

    static constexpr const char* kFiles[] = {"large.txt", "small.txt", "stuck.txt", "hostile.txt"};
    static inline char path_[4096] = {};
};

struct Run {
    double seconds = 0;
    long peak_kb = 0;
    std::string out;
};

// Runs `program` (with `argument` when not empty) with standard input from input_path and, when
// discard is set, standard output to /dev/null; otherwise keeps up to 4 KiB of its output.
Run run(const std::string& program, const std::string& input_path, const std::string& argument = "",
        bool discard = false) {
    int out_pipe[2];
    if (::pipe(out_pipe) != 0) std::exit(3);
    // posix_spawn, not fork: a forked child starts out as a copy of this process, and its peak
    // memory would count that copy.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, input_path.c_str(), O_RDONLY, 0);
    if (discard) {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    } else {
        posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 1);
    }
    posix_spawn_file_actions_addclose(&actions, out_pipe[0]);
    posix_spawn_file_actions_addclose(&actions, out_pipe[1]);
    std::vector<char*> arguments = {const_cast<char*>(program.c_str())};
    if (!argument.empty()) arguments.push_back(const_cast<char*>(argument.c_str()));
    arguments.push_back(nullptr);
    const auto begin = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (::posix_spawnp(&pid, program.c_str(), &actions, nullptr, arguments.data(), environ) != 0) {
        std::fprintf(stderr, "bench: cannot start %s\n", program.c_str());
        std::exit(1);
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(out_pipe[1]);
    Run result;
    char chunk[4096];
    for (ssize_t got; (got = ::read(out_pipe[0], chunk, sizeof chunk)) > 0;) {
        if (result.out.size() < 4096) result.out.append(chunk, static_cast<std::size_t>(got));
    }
    ::close(out_pipe[0]);
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    result.peak_kb = usage.ru_maxrss;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "bench: %s failed on %s\n", program.c_str(), input_path.c_str());
        std::exit(1);
    }
    return result;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Writes the pieces, each text repeated its number of times, a block at a time.
// Writes the file's pages out to the disk now. A file just written is written back by the kernel
// in the next half minute or so, on the other core and through the same memory: during the timed
// runs, that slowed them by up to a third, and not all alike.
void settle(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0 || ::fsync(fd) != 0) {
        std::fprintf(stderr, "bench: cannot write %s\n", path.c_str());
        std::exit(1);
    }
    ::close(fd);
}

void write_file(const std::string& path, const std::vector<testing_support::Piece>& pieces) {
    std::ofstream file(path, std::ios::binary);
    for (const auto& piece : pieces) {
        std::string block;
        while (block.size() < 65536) block += piece.text;
        std::uint64_t left = piece.times * piece.text.size();
        while (left > 0) {
            const std::uint64_t n = std::min<std::uint64_t>(left, block.size());
            file.write(block.data(), static_cast<std::streamsize>(n));
            left -= n;
        }
    }
    if (!file.flush()) {
        std::fprintf(stderr, "bench: cannot write %s\n", path.c_str());
        std::exit(1);
    }
    file.close();
    settle(path);
}

std::uint64_t file_size(const std::string& path) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    return static_cast<std::uint64_t>(file.tellg());
}

std::string machine() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line)) {
        if (line.rfind("model name", 0) == 0) return line.substr(line.find(':') + 2);
    }
    return "unknown processor";
}

struct Program {
    const char* name;
    const char* path;
    const char* baseline;  // the C-library baseline it is compared with, or nullptr
};

// The programs as built, and builds of them that take the SSE2 way on every x86-64 processor, which
// are compared with cat alone.
const Program kPrograms[] = {
    {"vantrel-strict", BENCH_STRICT, BENCH_BASELINE_STRICT},
#ifdef BENCH_STRICT_SSE2
    {"strict, SSE2", BENCH_STRICT_SSE2, nullptr},
#endif
    {"vantrel-lenient", BENCH_LENIENT, BENCH_BASELINE_LENIENT},
#ifdef BENCH_LENIENT_SSE2
    {"lenient, SSE2", BENCH_LENIENT_SSE2, nullptr},
#endif
};

// Each program and `cat FILE > /dev/null` take turns on the large input, then each program's
// baseline; prints each one's median and its share of cat's throughput. Returns whether every
// report equals the baseline's.
bool throughput(const Options& options) {
    const std::string large = TemporaryFolder::file("large.txt");
    {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, large.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        const std::string size = std::to_string(options.size);
        char* const arguments[] = {const_cast<char*>(BENCH_MAKE_INPUT),
                                   const_cast<char*>(size.c_str()), nullptr};
        pid_t pid = 0;
        int status = 1;
        if (::posix_spawn(&pid, BENCH_MAKE_INPUT, &actions, nullptr, arguments, environ) != 0 ||
            ::waitpid(pid, &status, 0) != pid || status != 0) {
            std::fprintf(stderr, "bench: cannot write %s\n", large.c_str());
            std::exit(1);
        }
        posix_spawn_file_actions_destroy(&actions);
        settle(large);
    }
    const double megabytes = static_cast<double>(file_size(large)) / 1e6;
    // About 100 bytes of the same kind of invoices.
    const std::string small = TemporaryFolder::file("small.txt");
    write_file(small, {{"1 3\nA 12345.67\nB 310.40\nC 89.99\n2 3\nA 400.25\nC 1200.00\nB 7.5\n"
                        "3 3\nB 75.10\nA 99999.99\nC 0.01\n"}});

    std::printf("machine: %s, %ld cores\n", machine().c_str(), ::sysconf(_SC_NPROCESSORS_ONLN));
    std::printf(
        "large input: %.1f MB of well-formed invoices; small input: %llu bytes\n"
        "%d rounds of cat and each program in turn, then of the baselines: median time, highest "
        "peak "
        "resident memory\n\n",
        megabytes, static_cast<unsigned long long>(file_size(small)), options.runs);

    const std::size_t count = std::size(kPrograms);
    std::vector<double> cat_times;
    std::vector<std::vector<double>> times(count);
    std::vector<std::vector<double>> baseline_times(count);
    std::vector<long> peak_large(count, 0);
    std::vector<long> peak_small(count, 0);
    bool reports_agree = true;
    // cat and the programs take turns in each round, so that all see the same load; the
    // baselines, which take seconds each, run in rounds of their own afterwards: run between the
    // others, they left the processor slower for whatever ran right after them.
    std::vector<std::string> outputs(count);
    for (int round = 0; round < options.runs; ++round) {
        cat_times.push_back(run("cat", large, large, true).seconds);
        for (std::size_t i = 0; i < count; ++i) {
            const Run mine = run(kPrograms[i].path, large);
            times[i].push_back(mine.seconds);
            peak_large[i] = std::max(peak_large[i], mine.peak_kb);
            if (round == 0) outputs[i] = mine.out;
            reports_agree = reports_agree && mine.out == outputs[i];
        }
    }
    for (int round = 0; round < options.runs; ++round) {
        std::string expected;
        for (std::size_t i = 0; i < count; ++i) {
            peak_small[i] = std::max(peak_small[i], run(kPrograms[i].path, small).peak_kb);
            if (kPrograms[i].baseline != nullptr) {
                const Run theirs = run(kPrograms[i].baseline, large);
                baseline_times[i].push_back(theirs.seconds);
                expected = theirs.out;
            }
            // A build without a baseline is one of the program listed before it, with the other
            // way: its report must be that program's baseline's.
            reports_agree = reports_agree && outputs[i] == expected;
        }
    }
    const double cat = median(cat_times);
    std::printf("%-16s %8s %8s %8s %11s %8s %7s %10s %10s\n", "program", "seconds", "MB/s",
                "% of cat", "baseline s", "MB/s", "ratio", "peak small", "peak large");
    std::printf("%-16s %8.3f %8.0f %8s\n", "cat", cat, megabytes / cat, "100%");
    for (std::size_t i = 0; i < count; ++i) {
        const double mine = median(times[i]);
        std::printf("%-16s %8.3f %8.0f %7.0f%%", kPrograms[i].name, mine, megabytes / mine,
                    100 * cat / mine);
        if (kPrograms[i].baseline != nullptr) {
            const double theirs = median(baseline_times[i]);
            std::printf(" %11.3f %8.0f %6.1fx", theirs, megabytes / theirs, theirs / mine);
        } else {
            std::printf(" %11s %8s %7s", "-", "-", "-");
        }
        std::printf(" %7ld KB %7ld KB\n", peak_small[i], peak_large[i]);
    }
    std::printf("reports equal to the baseline's: %s\n\n", reports_agree ? "yes" : "NO");
    std::remove(large.c_str());
    std::remove(small.c_str());
    return reports_agree;
}

// Inputs that end early or get stuck: every remaining invoice repeats the last one, up to
// 3 x (2^31 - 1) additions per total.
void stuck_inputs(const Options& options) {
    struct Stuck {
        const char* name;
        const char* program;
        const char* input;
    };
    const Stuck stuck[] = {
        {"vantrel-strict", BENCH_STRICT, "1 2147483647 A 1"},
        {"vantrel-strict", BENCH_STRICT, "1 2147483647 A 0.1"},
        {"vantrel-strict", BENCH_STRICT, "2 2147483647 B -1e-300"},
        {"vantrel-lenient", BENCH_LENIENT, "1 2147483647 A 1"},
        {"vantrel-lenient", BENCH_LENIENT, "1 2147483647 A 0.1"},
        {"vantrel-lenient", BENCH_LENIENT, "3 2147483647 C 3 B7"},
    };
    std::printf("%-16s %-26s %9s  %s\n", "stuck input", "input", "seconds", "report");
    const std::string path = TemporaryFolder::file("stuck.txt");
    for (const Stuck& s : stuck) {
        write_file(path, {{s.input}});
        std::vector<double> times;
        std::string report;
        for (int i = 0; i < options.runs; ++i) {
            const Run r = run(s.program, path);
            times.push_back(r.seconds);
            report = r.out;
        }
        std::replace(report.begin(), report.end(), '\n', ' ');
        std::printf("%-16s %-26s %9.4f  %s\n", s.name, s.input, median(times), report.c_str());
    }
    std::remove(path.c_str());
}

// The hostile inputs of the end-to-end test, at benchmark size, one run each. Returns whether
// every report was the expected one.
bool hostile_inputs(const Options& options) {
    const std::uint64_t run_bytes = options.size / 2;
    const std::uint64_t white_space_bytes = options.size * 10;
    std::printf("\n%-42s %9s %10s  %s\n", "hostile input", "seconds", "peak", "report");
    std::printf("(runs of %llu bytes; %llu bytes of white space)\n",
                static_cast<unsigned long long>(run_bytes),
                static_cast<unsigned long long>(white_space_bytes));
    const std::string path = TemporaryFolder::file("hostile.txt");
    bool right = true;
    for (const auto& input : testing_support::hostile_inputs(run_bytes, white_space_bytes)) {
        write_file(path, input.pieces);
        const Run r =
            run(input.program == testing_support::Program::kStrict ? BENCH_STRICT : BENCH_LENIENT,
                path);
        right = right && r.out == input.report;
        std::string report = r.out;
        std::replace(report.begin(), report.end(), '\n', ' ');
        std::printf("%-42s %9.3f %7ld KB  %s\n", input.name, r.seconds, r.peak_kb, report.c_str());
        std::remove(path.c_str());
    }
    if (!right) std::printf("a hostile input gave a WRONG report\n");
    return right;
}

}  // namespace

int main(int argc, char** argv) {
    int status = 0;
    const std::optional<Options> options = parse_options(argc, argv, status);
    if (!options) return status;
    if (!TemporaryFolder::make(options->dir)) {
        std::fprintf(stderr, "bench: cannot make a temporary folder in %s: %s\n",
                     options->dir.c_str(), std::strerror(errno));
        return 1;
    }
    const bool agree = throughput(*options);
    stuck_inputs(*options);
    const bool right = hostile_inputs(*options);
    return agree && right ? 0 : 1;
}
