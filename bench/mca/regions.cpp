// The two inner loops of one way of the tally, on the lines of one of the benchmark's inputs, for
// bench/mca/run:
// the block checks' loop (one block classified and checked) and the line walk's loop (the amounts
// of one group worked out, and the additions of one group, as walk_lines runs it), for both
// totals types. Each round of a loop is marked by two hint instructions that run as no-ops, so
// that the instructions a round runs can be picked out of a trace of the program. Not built with
// the project: the script builds it for 64-bit ARM with the way's file, VANTREL_MCA_WAY, included.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "bench/invoice_lines.hpp"
#include VANTREL_MCA_WAY

// Region r starts at HINT #(100 + 2r) and ends at HINT #(101 + 2r). The memory clobbers keep the
// loads and stores of one round between them.
#define MCA_BEGIN(region) __asm__ volatile("hint #(100 + 2 * " #region ")" ::: "memory")
#define MCA_END(region) __asm__ volatile("hint #(101 + 2 * " #region ")" ::: "memory")

namespace tally {

// Region 0: one block indexed as index_lines indexes it (classified, checked, its line ends
// written), by the rules the walk takes on the mix: the plain lines' on pure text, the wider
// ones on any other.
template <checks::Rules kRules>
[[gnu::noinline]] std::uint32_t mca_blocks(const char* text, std::size_t blocks) {
    checks::Carries carry = checks::carries_before_a_run();
    static LineIndex index;
    std::uint32_t count = 0;
    std::size_t fault = 0;
    bool accepted = true;
    for (std::size_t block = 0; block < 64 * blocks && accepted; block += 64) {
        MCA_BEGIN(0);
        accepted = checks::index_block<Block, kRules>(text, block, 0, carry, index, count, fault);
        MCA_END(0);
    }
    return count + static_cast<std::uint32_t>(fault);
}

// Regions 1 (double) and 2 (float): walk_lines' loop, the amounts of the group kAhead groups on
// and the additions of this one, and once every kAhead rounds the long lines left unread by the
// last kAhead groups' amounts, read one at a time (in the round that works out the last of
// them, as walk_lines reads them).
template <typename F>
[[gnu::noinline]] void mca_lines(const char* text, const LineIndex& index, F* totals) {
    constexpr std::uint32_t kLines = WayNumbers<F>::kLines;
    // Whole groups only, each with the line feed that ends its last line.
    const std::uint32_t groups = index.count / kLines;
    constexpr std::uint32_t kAhead = kLinesAheadOfSums / kLines;
    constexpr std::uint32_t kMaxGroups = (LineIndex::kCapacity + kLines - 1) / kLines;
    alignas(64) F negated[kMaxGroups][kLines];
    WayNumbers<F> numbers(totals);
    std::uint64_t unread = 0;
    const auto amounts_of_group = [&](std::uint32_t group) {
        unread |= std::uint64_t{amounts_of<WayNumbers<F>, false>(negated[group], text,
                                                                 index.line_feeds + kLines * group)}
                  << (kLines * (group % kAhead));
    };
    // The unread lines of the block that holds `group`.
    const auto read_unread = [&](std::uint32_t group) {
        read_lines_left_unread<WayNumbers<F>>(negated, text, index.line_feeds,
                                              kLines * (group - group % kAhead), unread);
    };
    for (std::uint32_t group = 0; group < kAhead; ++group) amounts_of_group(group);
    read_unread(0);
    for (std::uint32_t group = 0; group + kAhead < groups; ++group) {
        if constexpr (sizeof(F) == sizeof(double)) {
            MCA_BEGIN(1);
        } else {
            MCA_BEGIN(2);
        }
        const std::uint32_t ahead = group + kAhead;
        amounts_of_group(ahead);
        if ((ahead + 1) % kAhead == 0) read_unread(ahead);
        take_group(numbers, negated[group], text, index.line_feeds, kLines * group, kLines);
        if constexpr (sizeof(F) == sizeof(double)) {
            MCA_END(1);
        } else {
            MCA_END(2);
        }
    }
    numbers.store(totals);
}

}  // namespace tally

int main(int argc, char** argv) {
    // The lines of one of the benchmark's inputs (pure, unless a mix is named: shapes-20 and
    // the like), from a line feed on, and the bytes the ways may read around them.
    const bench::Mix* mix = bench::find_mix(argc > 1 ? argv[1] : "pure");
    if (mix == nullptr || mix->odd) {
        std::fprintf(stderr, "usage: %s [pure | shapes-4 | shapes-20 | shapes-50]\n", argv[0]);
        return 2;
    }
    std::string text(tally::kBytesReadBeforeText, '\n');
    bench::InvoiceLines lines(*mix);
    char line[bench::InvoiceLines::kMaxLength];
    while (text.size() < 2 * tally::LineIndex::kMaxBytes) {
        text += '\n';
        text.append(line, static_cast<std::size_t>(lines.next(line)));
    }
    text += '\n';
    text.append(tally::kBytesReadAfterEnd, '\n');
    const char* start = text.data() + tally::kBytesReadBeforeText;
    const char* end = text.data() + text.size() - tally::kBytesReadAfterEnd;

    static tally::LineIndex index;
    tally::index_lines<tally::Block, tally::checks::Rules::common>(start, end, ~std::uint32_t{0},
                                                                   index);
    double doubles[4] = {0, 0, 0, 0};
    float floats[4] = {0, 0, 0, 0};
    tally::mca_lines(start, index, doubles);
    tally::mca_lines(start, index, floats);
    const std::uint32_t indexed = mix->other_lines == 0
                                      ? tally::mca_blocks<tally::checks::Rules::plain>(
                                            start, tally::LineIndex::kMaxBytes / 64)
                                      : tally::mca_blocks<tally::checks::Rules::common>(
                                            start, tally::LineIndex::kMaxBytes / 64);
    std::printf("%u lines; totals %.2f %.2f; %u\n", index.count, doubles[0],
                static_cast<double>(floats[0]), indexed);
    std::printf("%.2f bytes a line\n",
                static_cast<double>(index.line_feeds[index.count]) / index.count);
}
