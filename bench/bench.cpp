// The benchmark: throughput of each program against its formatted-read baseline on a large
// well-formed input (median of several runs, pairs taken in turn), peak memory on a tiny and a
// large input, and the time of inputs that end early or get stuck.
//
//   bench [--size BYTES] [--runs N] [--dir DIR]
#include <fcntl.h>
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
#include <string>
#include <vector>

namespace {

struct Run {
    double seconds = 0;
    long peak_kb = 0;
    std::string out;
};

// Runs program with standard input from input_path; keeps up to 4 KiB of its output.
Run run(const std::string& program, const std::string& input_path) {
    int out_pipe[2];
    if (::pipe(out_pipe) != 0) std::exit(3);
    // posix_spawn, not fork: a forked child starts out as a copy of this process, and its peak
    // memory would count that copy.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, input_path.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 1);
    posix_spawn_file_actions_addclose(&actions, out_pipe[0]);
    char* const arguments[] = {const_cast<char*>(program.c_str()), nullptr};
    const auto begin = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (::posix_spawn(&pid, program.c_str(), &actions, nullptr, arguments, environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", program.c_str());
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
        std::fprintf(stderr, "%s failed on %s\n", program.c_str(), input_path.c_str());
        std::exit(1);
    }
    return result;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::string write_file(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

std::string machine() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line)) {
        if (line.rfind("model name", 0) == 0) return line.substr(line.find(':') + 2);
    }
    return "unknown processor";
}

}  // namespace

int main(int argc, char** argv) {
    std::uint64_t size = 100'000'000;
    int runs = 5;
    std::string dir = "/tmp";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        if (flag == "--size") size = std::strtoull(argv[i + 1], nullptr, 10);
        if (flag == "--runs") runs = std::atoi(argv[i + 1]);
        if (flag == "--dir") dir = argv[i + 1];
    }
    runs = std::max(runs, 1);

    const std::string large = dir + "/vantrel-bench-large.txt";
    const std::string generate =
        std::string(BENCH_MAKE_INPUT) + " " + std::to_string(size) + " > " + large;
    if (std::system(generate.c_str()) != 0) return 1;
    std::ifstream sized(large, std::ios::binary | std::ios::ate);
    const double megabytes = static_cast<double>(sized.tellg()) / 1e6;
    // About 100 bytes of the same kind of invoices.
    const std::string small = write_file(
        dir + "/vantrel-bench-small.txt",
        "1 3\nA 12345.67\nB 310.40\nC 89.99\n2 3\nA 400.25\nC 1200.00\nB 7.5\n3 3\nB 75.10\n"
        "A 99999.99\nC 0.01\n");

    std::printf("machine: %s, %ld cores\n", machine().c_str(), ::sysconf(_SC_NPROCESSORS_ONLN));
    std::printf(
        "large input: %.1f MB of well-formed invoices; small input: %ld bytes\n"
        "%d runs each: median time, highest peak resident memory\n\n",
        megabytes, static_cast<long>(std::ifstream(small, std::ios::ate).tellg()), runs);
    std::printf("%-16s %9s %9s %12s %9s %7s %10s %10s\n", "program", "seconds", "MB/s",
                "baseline s", "MB/s", "ratio", "peak small", "peak large");

    struct Pair {
        const char* name;
        const char* program;
        const char* baseline;
    };
    const Pair pairs[] = {{"vantrel-strict", BENCH_STRICT, BENCH_BASELINE_STRICT},
                          {"vantrel-lenient", BENCH_LENIENT, BENCH_BASELINE_LENIENT}};
    bool reports_agree = true;
    for (const Pair& pair : pairs) {
        std::vector<double> program_times;
        std::vector<double> baseline_times;
        long peak_large = 0;
        long peak_small = 0;
        for (int i = 0; i < runs; ++i) {
            const Run mine = run(pair.program, large);
            const Run theirs = run(pair.baseline, large);
            program_times.push_back(mine.seconds);
            baseline_times.push_back(theirs.seconds);
            peak_large = std::max(peak_large, mine.peak_kb);
            peak_small = std::max(peak_small, run(pair.program, small).peak_kb);
            reports_agree = reports_agree && mine.out == theirs.out;
        }
        const double mine = median(program_times);
        const double theirs = median(baseline_times);
        std::printf("%-16s %9.3f %9.0f %12.3f %9.0f %6.1fx %7ld KB %7ld KB\n", pair.name, mine,
                    megabytes / mine, theirs, megabytes / theirs, theirs / mine, peak_small,
                    peak_large);
    }
    std::printf("reports equal to the baseline's: %s\n\n", reports_agree ? "yes" : "NO");

    // Inputs that end early or get stuck: every remaining invoice repeats the last one.
    struct WorstCase {
        const char* name;
        const char* program;
        const char* input;
    };
    const WorstCase worst[] = {
        {"vantrel-strict", BENCH_STRICT, "1 2147483647 A 1"},
        {"vantrel-strict", BENCH_STRICT, "1 2147483647 A 0.1"},
        {"vantrel-strict", BENCH_STRICT, "2 2147483647 B -1e-300"},
        {"vantrel-lenient", BENCH_LENIENT, "1 2147483647 A 1"},
        {"vantrel-lenient", BENCH_LENIENT, "1 2147483647 A 0.1"},
        {"vantrel-lenient", BENCH_LENIENT, "3 2147483647 C 3 B7"},
    };
    std::printf("%-16s %-26s %9s  %s\n", "worst case", "input", "seconds", "report");
    for (const WorstCase& w : worst) {
        const std::string path = write_file(dir + "/vantrel-bench-worst.txt", w.input);
        std::vector<double> times;
        std::string report;
        for (int i = 0; i < runs; ++i) {
            const Run r = run(w.program, path);
            times.push_back(r.seconds);
            report = r.out;
        }
        std::replace(report.begin(), report.end(), '\n', ' ');
        std::printf("%-16s %-26s %9.4f  %s\n", w.name, w.input, median(times), report.c_str());
    }
    std::remove(large.c_str());

    // Hostile inputs, at full size 50 million bytes per run and a gigabyte of white space
    // (scaled with --size): written piece by piece, so that the bench itself stays small.
    struct Piece {
        std::string text;
        std::uint64_t times;
    };
    struct Hostile {
        const char* name;
        const char* program;
        std::vector<Piece> pieces;
    };
    const std::uint64_t fifty_million = size / 2;
    const std::uint64_t gigabyte = size * 10;
    const std::vector<Hostile> hostile = {
        {"leading zeros in an amount",
         BENCH_STRICT,
         {{"1 1\nA ", 1}, {"0", fifty_million}, {"12.5\n2 0\n3 0\n", 1}}},
        {"zeros after the point",
         BENCH_LENIENT,
         {{"1 1\nA 12.5", 1}, {"0", fifty_million}, {"\n2 0\n3 0\n", 1}}},
        {"blanks between two batches",
         BENCH_STRICT,
         {{"1 1\nA 12.5", 1}, {" ", fifty_million}, {"2 0\n3 0\n", 1}}},
        {"separator bytes in an invoice",
         BENCH_LENIENT,
         {{"1 1\nA", 1}, {",", fifty_million}, {"12.5\n2 0\n3 0\n", 1}}},
        {"white space before the input (strict)",
         BENCH_STRICT,
         {{" \n\t", gigabyte / 3}, {"1 1\nA 12.5\n2 0\n3 0\n", 1}}},
        {"white space before the input (lenient)",
         BENCH_LENIENT,
         {{" \n\t", gigabyte / 3}, {"1 1\nA 12.5\n2 0\n3 0\n", 1}}},
    };
    std::printf("\n%-42s %9s %10s  %s\n", "hostile input", "seconds", "peak", "report");
    std::printf("(runs of %llu bytes; %llu bytes of white space)\n",
                static_cast<unsigned long long>(fifty_million),
                static_cast<unsigned long long>(gigabyte / 3 * 3));
    const std::string hostile_path = dir + "/vantrel-bench-hostile.txt";
    for (const Hostile& h : hostile) {
        {
            std::ofstream file(hostile_path, std::ios::binary);
            for (const Piece& piece : h.pieces) {
                std::string block;
                while (block.size() < 65536) block += piece.text;
                std::uint64_t left = piece.times * piece.text.size();
                while (left > 0) {
                    const std::uint64_t n = std::min<std::uint64_t>(left, block.size());
                    file.write(block.data(), static_cast<std::streamsize>(n));
                    left -= n;
                }
            }
        }
        const Run r = run(h.program, hostile_path);
        std::string report = r.out;
        std::replace(report.begin(), report.end(), '\n', ' ');
        std::printf("%-42s %9.3f %7ld KB  %s\n", h.name, r.seconds, r.peak_kb, report.c_str());
        std::remove(hostile_path.c_str());
    }
    return reports_agree ? 0 : 1;
}
