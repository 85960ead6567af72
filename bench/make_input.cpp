// Writes a well-formed input of about the given size to standard output: three batches of
// invoices such as "A 12345.67", one per line, with amounts of one to five integer digits, some of
// them replaced by lines of other shapes when a mix other than "pure" is named
// (bench/invoice_lines.hpp).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/invoice_lines.hpp"

int main(int argc, char** argv) {
    const bench::Mix* mix = argc == 2   ? &bench::kMixes[0]
                            : argc == 3 ? bench::find_mix(argv[2])
                                        : nullptr;
    if (mix == nullptr) {
        std::fprintf(stderr, "usage: %s BYTES [MIX]\nmixes:", argv[0]);
        for (const bench::Mix& m : bench::kMixes) std::fprintf(stderr, " %s", m.name);
        std::fprintf(stderr, " (default %s)\n", bench::kMixes[0].name);
        return 2;
    }
    const std::uint64_t bytes = std::strtoull(argv[1], nullptr, 10);
    // An invoice line averages about 10 bytes, in every mix; every mix of one size has the same
    // number of invoices.
    const std::uint64_t per_batch = bytes / 10 / 3 + 1;
    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    bench::InvoiceLines lines(*mix);
    char line[bench::InvoiceLines::kMaxLength];
    for (int owner = 1; owner <= 3; ++owner) {
        std::printf("%d %llu\n", owner, static_cast<unsigned long long>(per_batch));
        for (std::uint64_t i = 0; i < per_batch; ++i) {
            std::printf("%.*s\n", lines.next(line), line);
        }
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
