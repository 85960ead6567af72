// Writes a well-formed input of about the given size to standard output: three batches of
// invoices such as "A 12345.67", one per line, with amounts of one to five integer digits.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// A small fixed generator, so that the same size always gives the same file.
struct Random {
    std::uint64_t state = 0x9e3779b97f4a7c15u;
    std::uint32_t next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return static_cast<std::uint32_t>(state >> 16);
    }
};

}  // namespace

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
    Random random;
    for (int owner = 1; owner <= 3; ++owner) {
        std::printf("%d %llu\n", owner, static_cast<unsigned long long>(per_batch));
        for (std::uint64_t i = 0; i < per_batch; ++i) {
            const std::uint32_t r = random.next();
            const std::uint32_t magnitudes[] = {10, 100, 1000, 10000, 100000};
            const std::uint32_t whole = r % magnitudes[(r >> 20) % 5];
            std::printf("%c %u.%02u\n", 'A' + static_cast<int>((r >> 24) % 3), whole,
                        (r >> 8) % 100);
        }
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
