// The benchmark: throughput of each program on large well-formed inputs (one of the usual
// invoice lines only, and mixes with lines of other shapes), against `cat` reading the same file
// in the same rounds, against the program's throughput on the usual lines, and against its
// C-library baseline in the same run (median of several runs); peak memory on a tiny and on the
// large inputs; the time of inputs that get stuck; and the time and peak memory of hostile inputs.
// With --compare, the programs of another build run in the same rounds on every input.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bench/invoice_lines.hpp"
#include "tally/way.hpp"
#include "testkit/chunked_source.hpp"
#include "testkit/hostile_inputs.hpp"

extern char** environ;

namespace {

const char kUsage[] =
    "usage: bench [--size BYTES] [--runs N] [--dir DIR] [--compare BUILD]\n"
    "\n"
    "  --size BYTES     size of each large well-formed input (default 100000000): pure, of\n"
    "                   lines such as \"A 12345.67\" only; shapes-4, shapes-20 and shapes-50,\n"
    "                   with about that share of lines of signed, whole, one-decimal and 6 to 9\n"
    "                   digit amounts; odd-1, with about 1% of lines with two blanks or a tab\n"
    "                   before the amount. Hostile inputs hold runs of half that and white\n"
    "                   space of ten times that\n"
    "  --runs N         runs of each program on each input (default 5)\n"
    "  --dir DIR        folder for the temporary files (default $TMPDIR, else /tmp); they need\n"
    "                   up to ten times --size at once, and are removed when the benchmark ends\n"
    "  --compare BUILD  also runs the programs of BUILD, another build folder of this project\n"
    "                   (BUILD/strict/vantrel-strict, BUILD/lenient/vantrel-lenient and, where\n"
    "                   they are, BUILD/bench/vantrel-*-WAY), in the same rounds on every\n"
    "                   input, and prints its times beside this build's with the ratio of this\n"
    "                   build's time to BUILD's\n"
    "  --help           print this and exit\n";

struct Options {
    std::uint64_t size = 100'000'000;
    int runs = 5;
    std::string dir;
    std::string compare;  // another build folder, or empty
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
        } else if (good && flag == "--compare") {
            options.compare = value;
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
    static std::string file(const std::string& name) { return std::string(path_) + "/" + name; }
    static std::string file(const bench::Mix& mix) { return file(std::string(mix.name) + ".txt"); }

  private:
    // Only calls that are safe in a signal handler: the files have fixed names in the folder.
    static void remove() {
        for (const char* name : kFiles) {
            char file_path[sizeof path_ + 32];
            std::snprintf(file_path, sizeof file_path, "%s/%s", path_, name);
            ::unlink(file_path);
        }
        for (const bench::Mix& mix : bench::kMixes) {
            char file_path[sizeof path_ + 32];
            std::snprintf(file_path, sizeof file_path, "%s/%s.txt", path_, mix.name);
            ::unlink(file_path);
        }
        ::rmdir(path_);
    }
    static void remove_and_resignal(int signal_number) {
        remove();
        ::signal(signal_number, SIG_DFL);
        ::raise(signal_number);
    }

    // With the large inputs, one per mix, named after it.
    static constexpr const char* kFiles[] = {"small.txt", "stuck.txt", "hostile.txt"};
    static inline char path_[4096] = {};
};

struct Run {
    double seconds = 0;
    long peak_kb = 0;
    std::string out;
};

// How a program's standard input is given: the file itself, or a pipe that `cat FILE` fills.
enum class Input { kFile, kPipe };

// Starts `cat input_path` writing into a new pipe; returns the pipe's reading end and sets `pid`.
int start_cat(const std::string& input_path, pid_t& pid) {
    int in_pipe[2];
    if (::pipe(in_pipe) != 0) std::exit(3);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in_pipe[1], 1);
    posix_spawn_file_actions_addclose(&actions, in_pipe[0]);
    posix_spawn_file_actions_addclose(&actions, in_pipe[1]);
    char* const arguments[] = {const_cast<char*>("cat"), const_cast<char*>(input_path.c_str()),
                               nullptr};
    if (::posix_spawnp(&pid, "cat", &actions, nullptr, arguments, environ) != 0) {
        std::fprintf(stderr, "bench: cannot start cat\n");
        std::exit(1);
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(in_pipe[1]);
    return in_pipe[0];
}

// Runs `program` (with `argument` when not empty) with standard input from input_path, or from
// a pipe that cat fills from it, and, when discard is set, standard output to /dev/null;
// otherwise keeps up to 4 KiB of its output. The time includes cat's, whose end the program's
// waits for anyway.
Run run(const std::string& program, const std::string& input_path, const std::string& argument = "",
        bool discard = false, Input input = Input::kFile) {
    int out_pipe[2];
    if (::pipe(out_pipe) != 0) std::exit(3);
    const auto begin = std::chrono::steady_clock::now();
    pid_t cat_pid = 0;
    const int piped = input == Input::kPipe ? start_cat(input_path, cat_pid) : -1;
    // posix_spawn, not fork: a forked child starts out as a copy of this process, and its peak
    // memory would count that copy.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (piped >= 0) {
        posix_spawn_file_actions_adddup2(&actions, piped, 0);
        posix_spawn_file_actions_addclose(&actions, piped);
    } else {
        posix_spawn_file_actions_addopen(&actions, 0, input_path.c_str(), O_RDONLY, 0);
    }
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
    pid_t pid = 0;
    if (::posix_spawnp(&pid, program.c_str(), &actions, nullptr, arguments.data(), environ) != 0) {
        std::fprintf(stderr, "bench: cannot start %s\n", program.c_str());
        std::exit(1);
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(out_pipe[1]);
    if (piped >= 0) ::close(piped);
    Run result;
    char chunk[4096];
    for (ssize_t got; (got = ::read(out_pipe[0], chunk, sizeof chunk)) > 0;) {
        if (result.out.size() < 4096) result.out.append(chunk, static_cast<std::size_t>(got));
    }
    ::close(out_pipe[0]);
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    if (piped >= 0) ::waitpid(cat_pid, nullptr, 0);
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

// Writes the pieces, each text repeated its number of times, a block at a time.
void write_file(const std::string& path, const std::vector<testkit::Piece>& pieces) {
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
    const char* in_build;  // where a build folder of this project holds it
    const char* way;       // the way a build forced to one asks for, or nullptr
    Input input = Input::kFile;
};

// The programs as built, the same given the input through a pipe, builds of them that take one
// way on every processor that runs it (AVX2 and SSE2 on x86-64, portable everywhere), and builds
// that read every invoice the exact way; rows without a baseline are compared with cat alone,
// and their reports must be those of the baseline of the program listed before them.
const Program kPrograms[] = {
    {"vantrel-strict", BENCH_STRICT, BENCH_BASELINE_STRICT, "strict/vantrel-strict", nullptr},
    {"strict, pipe", BENCH_STRICT, nullptr, "strict/vantrel-strict", nullptr, Input::kPipe},
#ifdef BENCH_STRICT_AVX2
    {"strict", BENCH_STRICT_AVX2, nullptr, "bench/vantrel-strict-avx2", "avx2"},
#endif
#ifdef BENCH_STRICT_SSE2
    {"strict", BENCH_STRICT_SSE2, nullptr, "bench/vantrel-strict-sse2", "sse2"},
#endif
#ifdef BENCH_STRICT_PORTABLE
    {"strict", BENCH_STRICT_PORTABLE, nullptr, "bench/vantrel-strict-portable", "portable"},
#endif
#ifdef BENCH_STRICT_EXACT
    {"strict", BENCH_STRICT_EXACT, nullptr, "bench/vantrel-strict-exact", "exact"},
#endif
    {"vantrel-lenient", BENCH_LENIENT, BENCH_BASELINE_LENIENT, "lenient/vantrel-lenient", nullptr},
    {"lenient, pipe", BENCH_LENIENT, nullptr, "lenient/vantrel-lenient", nullptr, Input::kPipe},
#ifdef BENCH_LENIENT_AVX2
    {"lenient", BENCH_LENIENT_AVX2, nullptr, "bench/vantrel-lenient-avx2", "avx2"},
#endif
#ifdef BENCH_LENIENT_SSE2
    {"lenient", BENCH_LENIENT_SSE2, nullptr, "bench/vantrel-lenient-sse2", "sse2"},
#endif
#ifdef BENCH_LENIENT_PORTABLE
    {"lenient", BENCH_LENIENT_PORTABLE, nullptr, "bench/vantrel-lenient-portable", "portable"},
#endif
#ifdef BENCH_LENIENT_EXACT
    {"lenient", BENCH_LENIENT_EXACT, nullptr, "bench/vantrel-lenient-exact", "exact"},
#endif
};
constexpr std::size_t kProgramCount = std::size(kPrograms);

// Whether the program is a build that reads every invoice the exact way.
bool takes_exact_reads(const Program& program) {
    return program.way != nullptr && program.way == std::string_view(tally::kExactReadsWay.name);
}

// The name of program i's rows: a build forced to a way is named after the way it takes on this
// processor ("strict, SSE2"), which is the one it asks for unless the processor cannot run that;
// the bench works it out as the build itself does.
const char* row_name(std::size_t i) {
    static std::string names[kProgramCount];
    if (names[i].empty()) {
        names[i] = kPrograms[i].name;
        if (kPrograms[i].way != nullptr) {
            testkit::StringSink unread;
            std::string way = tally::choose_way(tally::all_ways(), kPrograms[i].way, unread).name;
            for (char& c : way) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            names[i] += ", " + way;
        }
    }
    return names[i].c_str();
}

std::size_t program_index(const char* path) {
    std::size_t i = 0;
    while (std::strcmp(kPrograms[i].path, path) != 0) ++i;
    return i;
}

// The programs of the build given with --compare, in the order of kPrograms: an empty path where
// that build has no such program, or where there is no other build.
struct OtherBuild {
    std::string folder;
    std::vector<std::string> paths = std::vector<std::string>(kProgramCount);
    bool given() const { return !folder.empty(); }
};

// nullopt, after saying why, when the folder lacks one of the programs themselves; an older
// build may lack the builds of one way.
std::optional<OtherBuild> find_other_build(const std::string& folder) {
    OtherBuild other;
    other.folder = folder;
    if (folder.empty()) return other;
    for (std::size_t i = 0; i < kProgramCount; ++i) {
        const std::string path = folder + "/" + kPrograms[i].in_build;
        if (::access(path.c_str(), X_OK) == 0) {
            other.paths[i] = path;
        } else if (kPrograms[i].baseline != nullptr) {
            std::fprintf(stderr, "bench: --compare %s: no program %s\n", folder.c_str(),
                         path.c_str());
            return std::nullopt;
        }
    }
    return other;
}

// A program's runs on one input: their times, highest peak memory and report, and whether every
// run gave the same report.
struct Runs {
    std::vector<double> seconds;
    long peak_kb = 0;
    std::string report;
    bool steady = true;

    void add(const Run& r) {
        if (seconds.empty()) report = r.out;
        steady = steady && r.out == report;
        seconds.push_back(r.seconds);
        peak_kb = std::max(peak_kb, r.peak_kb);
    }
};

// Runs this build's program and, when there is one, the other build's on the input, one right
// after the other; which goes first changes from round to round, so that neither always runs
// right after cat or after the other.
void run_pair(const std::string& mine, const std::string& theirs, const std::string& input,
              int round, Runs& my_runs, Runs& their_runs, Input how = Input::kFile) {
    if (theirs.empty()) {
        my_runs.add(run(mine, input, "", false, how));
    } else if (round % 2 == 0) {
        my_runs.add(run(mine, input, "", false, how));
        their_runs.add(run(theirs, input, "", false, how));
    } else {
        their_runs.add(run(theirs, input, "", false, how));
        my_runs.add(run(mine, input, "", false, how));
    }
}

// Writes the large input of the mix with bench_make_input.
void make_input(const std::string& path, std::uint64_t size, const bench::Mix& mix) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const std::string bytes = std::to_string(size);
    char* const arguments[] = {const_cast<char*>(BENCH_MAKE_INPUT),
                               const_cast<char*>(bytes.c_str()), const_cast<char*>(mix.name),
                               nullptr};
    pid_t pid = 0;
    int status = 1;
    if (::posix_spawn(&pid, BENCH_MAKE_INPUT, &actions, nullptr, arguments, environ) != 0 ||
        ::waitpid(pid, &status, 0) != pid || status != 0) {
        std::fprintf(stderr, "bench: cannot write %s\n", path.c_str());
        std::exit(1);
    }
    posix_spawn_file_actions_destroy(&actions);
    settle(path);
}

// The number of invoices in the input's first batch, from its first line.
unsigned long long first_batch(const std::string& path) {
    std::ifstream file(path);
    unsigned long long owner = 0, count = 0;
    file >> owner >> count;
    return count;
}

// Each program (and the other build's) and `cat FILE > /dev/null` take turns on each large input,
// then each program's baseline; prints each one's median, its share of cat's throughput on the
// same input and of its own throughput on the pure input, and the other build's alongside.
// Returns whether every report of this build equals the baseline's.
bool throughput(const Options& options, const OtherBuild& other) {
    constexpr std::size_t kInputs = std::size(bench::kMixes);
    std::vector<double> megabytes(kInputs);
    for (std::size_t f = 0; f < kInputs; ++f) {
        const std::string path = TemporaryFolder::file(bench::kMixes[f]);
        make_input(path, options.size, bench::kMixes[f]);
        megabytes[f] = static_cast<double>(file_size(path)) / 1e6;
    }
    const std::string pure = TemporaryFolder::file(bench::kMixes[0]);
    // About 100 bytes of the same kind of invoices.
    const std::string small = TemporaryFolder::file("small.txt");
    write_file(small, {{"1 3\nA 12345.67\nB 310.40\nC 89.99\n2 3\nA 400.25\nC 1200.00\nB 7.5\n"
                        "3 3\nB 75.10\nA 99999.99\nC 0.01\n"}});

    std::printf("machine: %s, %ld cores\n", machine().c_str(), ::sysconf(_SC_NPROCESSORS_ONLN));
    std::printf(
        "large inputs: 3 batches of %llu well-formed invoices each; pure holds only lines such "
        "as\n\"A 12345.67\", shapes-N about N%% of lines of other shapes (signed, whole, one "
        "decimal,\n6 to 9 integer digits), odd-1 about 1%% of lines with two blanks or a tab "
        "before the\namount; small input: %llu bytes\n"
        "%d rounds of cat and each program on each large input in turn, then of the baselines "
        "on\nthe pure input: median time, highest peak resident memory\n",
        first_batch(pure), static_cast<unsigned long long>(file_size(small)), options.runs);
    if (other.given()) std::printf("other build: %s\n", other.folder.c_str());
    std::printf("\n");

    std::vector<std::vector<double>> cat_times(kInputs);
    std::vector<std::vector<Runs>> mine(kInputs, std::vector<Runs>(kProgramCount));
    std::vector<std::vector<Runs>> theirs(kInputs, std::vector<Runs>(kProgramCount));
    // cat and the programs take turns in each round, so that all see the same load; the
    // baselines, which take seconds each, run in rounds of their own afterwards, so that their
    // long runs do not set the pace of what runs right after them.
    for (int round = 0; round < options.runs; ++round) {
        for (std::size_t f = 0; f < kInputs; ++f) {
            const std::string path = TemporaryFolder::file(bench::kMixes[f]);
            // At times a file that nothing has read for half a second or more takes up to twice
            // as long to read the first time as the next (seen on a virtual machine, whatever ran
            // in between). cat runs first on each file, so one untimed read comes before it:
            // every timed run then finds the file as the runs after the first find it.
            run("cat", path, path, true);
            cat_times[f].push_back(run("cat", path, path, true).seconds);
            for (std::size_t i = 0; i < kProgramCount; ++i) {
                run_pair(kPrograms[i].path, other.paths[i], path, round, mine[f][i], theirs[f][i],
                         kPrograms[i].input);
            }
        }
    }
    // The baselines' reports on every input: timed on the pure input, once on the others.
    std::vector<std::vector<std::string>> expected(kInputs,
                                                   std::vector<std::string>(kProgramCount));
    std::vector<std::vector<double>> baseline_times(kProgramCount);
    std::vector<long> peak_small(kProgramCount, 0);
    std::vector<long> their_peak_small(kProgramCount, 0);
    for (int round = 0; round < options.runs; ++round) {
        std::string report;
        for (std::size_t i = 0; i < kProgramCount; ++i) {
            peak_small[i] = std::max(peak_small[i], run(kPrograms[i].path, small).peak_kb);
            if (!other.paths[i].empty()) {
                their_peak_small[i] =
                    std::max(their_peak_small[i], run(other.paths[i], small).peak_kb);
            }
            if (kPrograms[i].baseline != nullptr) {
                const Run r = run(kPrograms[i].baseline, pure);
                baseline_times[i].push_back(r.seconds);
                report = r.out;
            }
            expected[0][i] = report;
        }
    }
    for (std::size_t f = 1; f < kInputs; ++f) {
        std::string report;
        for (std::size_t i = 0; i < kProgramCount; ++i) {
            if (kPrograms[i].baseline != nullptr) {
                report = run(kPrograms[i].baseline, TemporaryFolder::file(bench::kMixes[f])).out;
            }
            expected[f][i] = report;
        }
    }

    // One table of times: per input, cat and each program, and the other build's beside them.
    if (other.given()) {
        std::printf("%37s%-37s%s\n", "", "this build", "other build");
    }
    std::printf("%-10s %6s  %-17s %8s %7s %9s %10s", "input", "MB", "program", "seconds", "MB/s",
                "% of cat", "% of pure");
    if (other.given()) {
        std::printf(" %9s %9s %10s %7s", "seconds", "% of cat", "% of pure", "ratio");
    }
    std::printf("\n");
    const double pure_cat = median(cat_times[0]);
    for (std::size_t f = 0; f < kInputs; ++f) {
        const double cat = median(cat_times[f]);
        // Shares of throughput, in MB/s: the inputs differ in size by a fraction of a percent.
        const auto share = [&](double seconds, double pure_seconds) {
            return 100 * megabytes[f] / seconds / (megabytes[0] / pure_seconds);
        };
        std::printf("%s%-10s %6.1f  %-17s %8.3f %7.0f %8s%% %9.0f%%\n", f == 0 ? "" : "\n",
                    bench::kMixes[f].name, megabytes[f], "cat", cat, megabytes[f] / cat, "100",
                    share(cat, pure_cat));
        for (std::size_t i = 0; i < kProgramCount; ++i) {
            const double seconds = median(mine[f][i].seconds);
            std::printf("%-10s %6s  %-17s %8.3f %7.0f %8.0f%% %9.0f%%", "", "", row_name(i),
                        seconds, megabytes[f] / seconds, 100 * cat / seconds,
                        share(seconds, median(mine[0][i].seconds)));
            if (!other.paths[i].empty()) {
                const double their_seconds = median(theirs[f][i].seconds);
                std::printf(
                    " %9.3f %8.0f%% %9.0f%% %7.2f", their_seconds, 100 * cat / their_seconds,
                    share(their_seconds, median(theirs[0][i].seconds)), seconds / their_seconds);
            } else if (other.given()) {
                std::printf(" %9s %9s %10s %7s", "-", "-", "-", "-");
            }
            std::printf("\n");
        }
    }
    if (other.given()) {
        std::printf("(ratio: this build's time / the other build's; below 1 is faster)\n");
    }

    // Each build's speed against the exact reads of its program, on each input (both from a
    // file): how the portable way's gain is stated, since no other way runs where it is taken.
    for (std::size_t exact = 0; exact < kProgramCount; ++exact) {
        if (!takes_exact_reads(kPrograms[exact])) continue;
        std::printf("\n%-17s", "x exact reads");
        for (std::size_t f = 0; f < kInputs; ++f) std::printf(" %9s", bench::kMixes[f].name);
        std::printf("\n");
        // The program's rows: from the one with a baseline (the program as built) on.
        std::size_t first = exact;
        while (kPrograms[first].baseline == nullptr) --first;
        for (std::size_t i = first; i < exact; ++i) {
            if (kPrograms[i].input == Input::kPipe) continue;
            std::printf("%-17s", row_name(i));
            for (std::size_t f = 0; f < kInputs; ++f) {
                std::printf(" %8.2fx", median(mine[f][exact].seconds) / median(mine[f][i].seconds));
            }
            std::printf("\n");
        }
    }

    // One table of the baselines and memory.
    std::printf("\n%-17s %11s %8s %7s %11s %11s", "program", "baseline s", "MB/s", "ratio",
                "peak small", "peak large");
    if (other.given()) std::printf("  %12s %12s", "other: small", "other: large");
    std::printf("\n");
    for (std::size_t i = 0; i < kProgramCount; ++i) {
        long peak_large = 0;
        long their_peak_large = 0;
        for (std::size_t f = 0; f < kInputs; ++f) {
            peak_large = std::max(peak_large, mine[f][i].peak_kb);
            their_peak_large = std::max(their_peak_large, theirs[f][i].peak_kb);
        }
        std::printf("%-17s", row_name(i));
        if (kPrograms[i].baseline != nullptr) {
            const double baseline = median(baseline_times[i]);
            std::printf(" %11.3f %8.0f %6.1fx", baseline, megabytes[0] / baseline,
                        baseline / median(mine[0][i].seconds));
        } else {
            std::printf(" %11s %8s %7s", "-", "-", "-");
        }
        std::printf("  %7ld KB  %7ld KB", peak_small[i], peak_large);
        if (!other.paths[i].empty()) {
            std::printf("    %7ld KB   %7ld KB", their_peak_small[i], their_peak_large);
        }
        std::printf("\n");
    }
    std::printf(
        "(baseline: on the pure input; ratio: baseline's time / the program's; peak large: "
        "the highest on\nany large input)\n");

    // Every report of every run, against the baseline's on the same input.
    bool agree = true;
    const auto print_agreement = [&](const char* whose, const std::vector<std::vector<Runs>>& runs,
                                     const std::vector<std::string>& paths) {
        std::printf("%sreports equal to the baseline's:", whose);
        for (std::size_t f = 0; f < kInputs; ++f) {
            bool equal = true;
            for (std::size_t i = 0; i < kProgramCount; ++i) {
                if (paths[i].empty()) continue;
                equal = equal && runs[f][i].steady && runs[f][i].report == expected[f][i];
            }
            std::printf("%s %s %s", f == 0 ? "" : ",", bench::kMixes[f].name, equal ? "yes" : "NO");
            agree = agree && equal;
        }
        std::printf("\n");
    };
    std::vector<std::string> my_paths;
    for (const Program& program : kPrograms) my_paths.emplace_back(program.path);
    print_agreement("", mine, my_paths);
    const bool mine_agree = agree;
    if (other.given()) print_agreement("other build's ", theirs, other.paths);
    std::printf("\n");
    for (const bench::Mix& mix : bench::kMixes) std::remove(TemporaryFolder::file(mix).c_str());
    std::remove(small.c_str());
    return mine_agree;
}

// Inputs that end early or get stuck: every remaining invoice repeats the last one, up to
// 3 x (2^31 - 1) additions per total.
void stuck_inputs(const Options& options, const OtherBuild& other) {
    struct Stuck {
        const char* program;
        const char* input;
    };
    const Stuck stuck[] = {
        {BENCH_STRICT, "1 2147483647 A 1"},       {BENCH_STRICT, "1 2147483647 A 0.1"},
        {BENCH_STRICT, "2 2147483647 B -1e-300"}, {BENCH_LENIENT, "1 2147483647 A 1"},
        {BENCH_LENIENT, "1 2147483647 A 0.1"},    {BENCH_LENIENT, "3 2147483647 C 3 B7"},
    };
    std::printf("%-17s %-26s %9s", "stuck input", "input", "seconds");
    if (other.given()) std::printf(" %9s %7s", "other s", "ratio");
    std::printf("  %s\n", "report");
    const std::string path = TemporaryFolder::file("stuck.txt");
    for (const Stuck& s : stuck) {
        const std::size_t i = program_index(s.program);
        write_file(path, {{s.input}});
        Runs my_runs;
        Runs their_runs;
        for (int round = 0; round < options.runs; ++round) {
            run_pair(s.program, other.paths[i], path, round, my_runs, their_runs);
        }
        std::string report = my_runs.report;
        std::replace(report.begin(), report.end(), '\n', ' ');
        std::printf("%-17s %-26s %9.4f", row_name(i), s.input, median(my_runs.seconds));
        if (other.given()) {
            const double theirs = median(their_runs.seconds);
            std::printf(" %9.4f %7.2f", theirs, median(my_runs.seconds) / theirs);
        }
        std::printf("  %s\n", report.c_str());
        if (other.given() && their_runs.report != my_runs.report) {
            report = their_runs.report;
            std::replace(report.begin(), report.end(), '\n', ' ');
            std::printf("%-17s %-26s the other build's report: %s\n", "", "", report.c_str());
        }
    }
    std::remove(path.c_str());
}

// The hostile inputs of the end-to-end test, at benchmark size. Returns whether every report of
// this build was the expected one.
bool hostile_inputs(const Options& options, const OtherBuild& other) {
    const std::uint64_t run_bytes = options.size / 2;
    const std::uint64_t white_space_bytes = options.size * 10;
    std::printf("\n%-42s %9s %10s", "hostile input", "seconds", "peak");
    if (other.given()) std::printf(" %9s %10s %7s", "other s", "peak", "ratio");
    std::printf("  %s\n", "report");
    std::printf("(runs of %llu bytes; %llu bytes of white space)\n",
                static_cast<unsigned long long>(run_bytes),
                static_cast<unsigned long long>(white_space_bytes));
    const std::string path = TemporaryFolder::file("hostile.txt");
    bool right = true;
    bool their_right = true;
    for (const auto& input : testkit::hostile_inputs(run_bytes, white_space_bytes)) {
        write_file(path, input.pieces);
        const char* program =
            input.program == testkit::Program::kStrict ? BENCH_STRICT : BENCH_LENIENT;
        const std::string& theirs = other.paths[program_index(program)];
        Runs my_runs;
        Runs their_runs;
        for (int round = 0; round < options.runs; ++round) {
            run_pair(program, theirs, path, round, my_runs, their_runs);
        }
        right = right && my_runs.steady && my_runs.report == input.report;
        std::string report = my_runs.report;
        std::replace(report.begin(), report.end(), '\n', ' ');
        std::printf("%-42s %9.3f %7ld KB", input.name, median(my_runs.seconds), my_runs.peak_kb);
        if (!theirs.empty()) {
            their_right = their_right && their_runs.steady && their_runs.report == input.report;
            std::printf(" %9.3f %7ld KB %7.2f", median(their_runs.seconds), their_runs.peak_kb,
                        median(my_runs.seconds) / median(their_runs.seconds));
        }
        std::printf("  %s\n", report.c_str());
        std::remove(path.c_str());
    }
    if (!right) std::printf("a hostile input gave a WRONG report\n");
    if (!their_right) std::printf("a hostile input gave a WRONG report in the other build\n");
    return right;
}

}  // namespace

int main(int argc, char** argv) {
    int status = 0;
    const std::optional<Options> options = parse_options(argc, argv, status);
    if (!options) return status;
    const std::optional<OtherBuild> other = find_other_build(options->compare);
    if (!other) return 2;
    if (!TemporaryFolder::make(options->dir)) {
        std::fprintf(stderr, "bench: cannot make a temporary folder in %s: %s\n",
                     options->dir.c_str(), std::strerror(errno));
        return 1;
    }
    const bool agree = throughput(*options, *other);
    stuck_inputs(*options, *other);
    const bool right = hostile_inputs(*options, *other);
    return agree && right ? 0 : 1;
}
