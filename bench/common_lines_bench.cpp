// Throughput of the fast way through common invoice lines on its own, with no reads from a file:
// every way the processor runs, both totals types, on the pure text and on texts with other
// common shapes of lines, against a plain scalar loop (pure text) and the exact reads over the
// same text in memory. The texts have the benchmark input's shapes (bench/invoice_lines.hpp) and
// fit the second-level cache, as the input blocks do. Every way and the exact reads run on every
// text in turn, run after run, so that each share and ratio is taken within one run. Prints per
// way and text the median GB/s, its share of the same way's GB/s on the pure text, and its ratio
// to the scalar loop or the exact reads. The figures count the process's own processor time, not
// the time on the wall, so that other work on a shared machine weighs on them as little as it can.
//
// usage: common_lines_bench [TEXT_BYTES [RUNS [BYTES_PER_RUN [MIX | WAY]...]]]: the mixes of
// make_input (odd-1 is not all common lines, so it does not fit here) and the ways to measure,
// all of each when none is named; the pure text is always measured.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#endif

#include "bench/invoice_lines.hpp"
#include "console/formatted_input.hpp"
#include "tally/way.hpp"
#include "testkit/chunked_source.hpp"

namespace {

// A text of whole invoice lines that starts right after a number (at a line feed) and ends with
// a line feed, with 16 readable bytes before it and 64 after it.
struct Text {
    std::vector<char> bytes;
    std::uint32_t lines = 0;
    const char* begin() const { return bytes.data() + 16; }
    const char* end() const { return bytes.data() + bytes.size() - 64; }
};

Text make_text(std::size_t size, const bench::Mix& mix) {
    Text text;
    text.bytes.assign(16, '0');
    // The lines of bench/make_input, so that they have the same mix.
    bench::InvoiceLines lines(mix);
    char line[bench::InvoiceLines::kMaxLength];
    while (text.bytes.size() < 16 + size) {
        text.bytes.push_back('\n');
        const int length = lines.next(line);
        text.bytes.insert(text.bytes.end(), line, line + length);
        ++text.lines;
    }
    text.bytes.push_back('\n');
    text.bytes.insert(text.bytes.end(), 64, '\0');
    return text;
}

// A plain scalar loop: each line checked byte by byte, its cents built digit by digit and divided
// by 100, each amount added on its own.
template <typename Float>
std::uint32_t scalar_totals(const char* p, const char* end, Float* totals) {
    std::uint32_t lines = 0;
    while (end - p >= 8 && p[0] == '\n' && p[1] >= 'A' && p[1] <= 'C' && p[2] == ' ') {
        const char* q = p + 3;
        std::uint32_t cents = 0;
        while (q < end && *q >= '0' && *q <= '9' && q - p < 9) {
            cents = cents * 10 + static_cast<std::uint32_t>(*q++ - '0');
        }
        if (q == p + 3 || end - q < 4 || q[0] != '.' || q[1] < '0' || q[1] > '9' || q[2] < '0' ||
            q[2] > '9' || q[3] != '\n') {
            break;
        }
        cents = cents * 100 + static_cast<std::uint32_t>((q[1] - '0') * 10 + (q[2] - '0'));
        const Float amount = static_cast<Float>(cents) / Float{100};
        totals[0] = totals[0] + amount;
        totals[1 + p[1] - 'A'] = totals[1 + p[1] - 'A'] + amount;
        p = q + 3;
        ++lines;
    }
    return lines;
}

// Today's reads of each program, one invoice at a time, on the text.
template <typename Float>
std::uint32_t exact_totals(const char* p, const char* end, std::uint32_t lines, Float* totals) {
    testkit::ChunkedSource source(std::string_view(p, static_cast<std::size_t>(end - p)));
    auto in = std::make_unique<console::FormattedInput>(source);
    char letter = '\0';
    Float amount = 0;
    for (std::uint32_t i = 0; i < lines; ++i) {
        if constexpr (sizeof(Float) == 8) {
            in->getchar();
            if (in->read_char(letter)) in->read_number(amount);
        } else {
            if (in->skip_separator_run() && in->read_char(letter) && in->skip_separator_run()) {
                in->read_number(amount);
            }
        }
        totals[0] = totals[0] + amount;
        if (letter >= 'A' && letter <= 'C') totals[1 + letter - 'A'] += amount;
    }
    return lines;
}

// What is measured: a way through common lines, the scalar loop (no way) or the exact reads.
struct Measured {
    enum Kind { a_way, scalar_loop, exact_reads };
    const char* name;
    Kind kind;
    const tally::Way* way;  // for a_way
};

template <typename Float>
std::uint32_t run_once(const Measured& measured, const Text& text, Float* totals) {
    if (measured.kind == Measured::scalar_loop) {
        return scalar_totals(text.begin(), text.end(), totals);
    }
    if (measured.kind == Measured::exact_reads) {
        return exact_totals(text.begin(), text.end(), text.lines, totals);
    }
    tally::LineRun<Float> run{
        text.begin(), text.end(), text.lines, {totals[0], totals[1], totals[2], totals[3]},
        '\0',         0,          nullptr};
    const std::uint32_t taken = measured.way->total(run);
    for (int k = 0; k < 4; ++k) totals[k] = run.totals[k];
    return taken;
}

// The processor time this process has taken so far, in seconds. Windows' std::clock counts time
// on the wall, so there it is the process's user and kernel times, which advance by the
// scheduler's tick (10 to 16 ms): give runs of a second or so (BYTES_PER_RUN).
double processor_seconds() {
#if defined(_WIN32)
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto hundred_ns = [](const FILETIME& t) {
        return static_cast<double>((std::uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime);
    };
    return (hundred_ns(kernel) + hundred_ns(user)) * 1e-7;
#else
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
#endif
}

// GB/s of one run: passes over the text until bytes_per_run bytes have been totalled.
template <typename Float>
double gigabytes_per_second(const Measured& measured, const Text& text, std::size_t bytes_per_run) {
    const auto size = static_cast<std::size_t>(text.end() - text.begin());
    const std::size_t passes = std::max<std::size_t>(1, bytes_per_run / size);
    Float totals[4] = {0, 0, 0, 0};
    const double start = processor_seconds();
    for (std::size_t pass = 0; pass < passes; ++pass) {
        if (run_once(measured, text, totals) != text.lines) {
            std::fprintf(stderr, "a pass did not take every line\n");
            std::exit(1);
        }
    }
    const double seconds = processor_seconds() - start;
    // Keeps the totals, and so the work, from being optimised away.
    if (totals[0] < 0) std::printf("%g\n", static_cast<double>(totals[0]));
    return static_cast<double>(passes * size) / seconds / 1e9;
}

// Figures of one measured thing on one mix, one per run.
struct Figures {
    std::vector<double> rates;          // GB/s
    std::vector<double> share_of_pure;  // of the same thing's GB/s on the pure text, same run
    std::vector<double> ratio;          // to the scalar loop (pure text) or the exact reads
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Every measured thing on every text in turn, `runs` times, so that slow and fast phases of a
// shared machine fall on all of them alike; texts[0] is the pure text. Prints per thing and
// text the median GB/s, the median share of the thing's own GB/s on the pure text in the same
// run, and the median ratio to the scalar loop (on the pure text) or the exact reads (on the
// others) of the same run.
template <typename Float>
void measure(const char* name, const std::vector<const tally::Way*>& ways,
             const std::vector<const bench::Mix*>& mixes, const std::vector<Text>& texts, int runs,
             std::size_t bytes_per_run) {
    std::vector<Measured> measured;
    for (const tally::Way* way : ways) measured.push_back({way->name, Measured::a_way, way});
    measured.push_back({"scalar loop", Measured::scalar_loop, nullptr});
    measured.push_back({"exact reads", Measured::exact_reads, nullptr});
    const std::size_t scalar = measured.size() - 2;
    const std::size_t exact = measured.size() - 1;
    // figures[m][t]: measured thing m on text t.
    std::vector<std::vector<Figures>> figures(measured.size(), std::vector<Figures>(texts.size()));
    for (int run = 0; run < runs; ++run) {
        std::vector<std::vector<double>> rate(measured.size(),
                                              std::vector<double>(texts.size(), 0));
        for (std::size_t t = 0; t < texts.size(); ++t) {
            for (std::size_t m = 0; m < measured.size(); ++m) {
                // The scalar loop takes plain lines only.
                if (m == scalar && t != 0) continue;
                rate[m][t] = gigabytes_per_second<Float>(measured[m], texts[t], bytes_per_run);
            }
        }
        for (std::size_t m = 0; m < measured.size(); ++m) {
            for (std::size_t t = 0; t < texts.size(); ++t) {
                if (m == scalar && t != 0) continue;
                Figures& f = figures[m][t];
                f.rates.push_back(rate[m][t]);
                f.share_of_pure.push_back(rate[m][t] / rate[m][0]);
                f.ratio.push_back(rate[m][t] / rate[t == 0 ? scalar : exact][t]);
            }
        }
    }
    for (std::size_t m = 0; m < measured.size(); ++m) {
        for (std::size_t t = 0; t < texts.size(); ++t) {
            if (m == scalar && t != 0) continue;
            const Figures& f = figures[m][t];
            std::printf("%-6s %-11s %-9s %6.2f GB/s  %4.0f%% of pure  %5.2f x %s\n", name,
                        measured[m].name, mixes[t]->name, median(f.rates),
                        100 * median(f.share_of_pure), median(f.ratio),
                        t == 0 ? "scalar" : "exact");
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    const auto text_bytes =
        static_cast<std::size_t>(argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1 << 20);
    const int runs = argc > 2 ? std::atoi(argv[2]) : 7;
    const auto bytes_per_run = static_cast<std::size_t>(
        argc > 3 ? std::strtoull(argv[3], nullptr, 10) : std::uint64_t{256} << 20);
    // The pure text first, then the mixes and ways named (all but odd-1, and every way the
    // processor runs, when none is named).
    std::vector<const bench::Mix*> mixes = {&bench::kMixes[0]};
    std::vector<const tally::Way*> ways;
    bool usage = text_bytes < 64 || runs < 1;
    for (int i = 4; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bench::Mix* mix = bench::find_mix(arg);
        const auto way = std::find_if(tally::all_ways().begin(), tally::all_ways().end(),
                                      [&](const tally::Way* w) { return arg == w->name; });
        if (mix != nullptr && !mix->odd) {
            if (mix != mixes[0]) mixes.push_back(mix);
        } else if (way != tally::all_ways().end() && (*way)->runs_here()) {
            ways.push_back(*way);
        } else {
            usage = true;
        }
    }
    if (usage) {
        std::fprintf(stderr,
                     "usage: %s [TEXT_BYTES [RUNS [BYTES_PER_RUN [MIX | WAY]...]]]\n"
                     "MIX: shapes-4, shapes-20 or shapes-50 (pure is always measured); WAY: one "
                     "this processor runs\n",
                     argv[0]);
        return 2;
    }
    if (mixes.size() == 1) {
        for (const bench::Mix& mix : bench::kMixes) {
            if (&mix != mixes[0] && !mix.odd) mixes.push_back(&mix);
        }
    }
    if (ways.empty()) {
        for (const tally::Way* way : tally::all_ways()) {
            if (way->runs_here()) ways.push_back(way);
        }
    }
    std::vector<Text> texts;
    for (const bench::Mix* mix : mixes) texts.push_back(make_text(text_bytes, *mix));
    std::printf("about %zu bytes a text; median of %d runs of %zu MB each\n", text_bytes, runs,
                bytes_per_run >> 20);
    measure<double>("double", ways, mixes, texts, runs, bytes_per_run);
    measure<float>("float", ways, mixes, texts, runs, bytes_per_run);
    return 0;
}
