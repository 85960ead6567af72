// Writes a well-formed input of about the given size to standard output: three batches of
// invoices such as "A 12345.67", one per line, with amounts of one to five integer digits.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/invoice_lines.hpp"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s BYTES\n", argv[0]);
        return 2;
    }
    const std::uint64_t bytes = std::strtoull(argv[1], nullptr, 10);
    // An invoice line averages about 10 bytes.
    const std::uint64_t per_batch = bytes / 10 / 3 + 1;
    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    bench::InvoiceLines lines;
    char line[bench::InvoiceLines::kMaxLength];
    for (int owner = 1; owner <= 3; ++owner) {
        std::printf("%d %llu\n", owner, static_cast<unsigned long long>(per_batch));
        for (std::uint64_t i = 0; i < per_batch; ++i) {
            std::printf("%.*s\n", lines.next(line), line);
        }
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
