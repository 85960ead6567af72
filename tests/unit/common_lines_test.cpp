// The fast way through runs of common invoice lines, against two references on the same text:
// a plain line-by-line reader (strtod / strtof, one addition at a time), which says how many
// lines must be taken, and the programs' own exact reads, which say what taking them means.
// Faults are planted at every byte of a text and at random, block ends fall at every offset,
// and every way the processor runs, the portable one among them, runs with both totals types; every
// result must match bit for bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "console/formatted_input.hpp"
#include "tally/common_lines.hpp"
#include "tally/generic/line_index.hpp"
#include "tally/generic/line_shape.hpp"
#include "tally/way.hpp"
#include "testkit/bits.hpp"
#include "testkit/chunked_source.hpp"

namespace {

using testkit::bits;

using testkit::ChunkedSource;

constexpr std::uint32_t kNoLimit = std::numeric_limits<std::uint32_t>::max();

// What a call leaves behind, compared field by field (the floating fields by their bits).
template <typename Float>
struct Outcome {
    std::uint32_t taken = 0;
    std::ptrdiff_t stop = -1;  // from the text
    Float owner = 0;
    Float categories[3] = {0, 0, 0};
    char letter = '?';
    Float amount = 0;
};

template <typename Float>
void expect_same(const Outcome<Float>& got, const Outcome<Float>& want, const std::string& what) {
    EXPECT_EQ(got.taken, want.taken) << what;
    EXPECT_EQ(got.stop, want.stop) << what;
    EXPECT_EQ(bits(got.owner), bits(want.owner)) << what << " owner " << got.owner;
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(bits(got.categories[k]), bits(want.categories[k])) << what << " category " << k;
    }
    EXPECT_EQ(got.letter, want.letter) << what;
    EXPECT_EQ(bits(got.amount), bits(want.amount)) << what;
}

// The plain reader: one line at a time, each byte checked in turn. A common line is a line
// feed, A, B or C, a blank, then an amount: an optional sign, 1 to 9 digits, and an optional
// point with up to 2 digits after it; then a line feed. Double totals
// read the sign with the number (vantrel-strict), float totals skip it (vantrel-lenient).
template <typename Float>
Outcome<Float> read_plainly(const char* text, const char* end, std::uint32_t max_invoices,
                            Outcome<Float> start) {
    Outcome<Float> out = start;
    const char* p = text;
    const auto is_digit = [](char c) { return c >= '0' && c <= '9'; };
    while (out.taken < max_invoices) {
        if (end - p < 3 || p[0] != '\n' || p[1] < 'A' || p[1] > 'C' || p[2] != ' ') break;
        const char* const number = p + 3;
        const char* q = number;
        if (q < end && (*q == '-' || *q == '+')) ++q;
        const char* const digits = q;
        while (q < end && is_digit(*q)) ++q;
        if (q == digits || q - digits > 9) break;
        if (q < end && *q == '.') {
            const char* const point = q++;
            while (q < end && is_digit(*q) && q - point <= 2) ++q;
        }
        if (q == end || *q != '\n') break;
        const std::string amount(sizeof(Float) == 8 ? number : digits, q);
        Float value = 0;
        if constexpr (sizeof(Float) == 8) {
            value = std::strtod(amount.c_str(), nullptr);
        } else {
            value = std::strtof(amount.c_str(), nullptr);
        }
        out.owner = out.owner + value;
        out.categories[p[1] - 'A'] = out.categories[p[1] - 'A'] + value;
        out.letter = p[1];
        out.amount = value;
        ++out.taken;
        p = q;
        out.stop = p - text;
    }
    return out;
}

// The programs' exact reads of `invoices` invoices from the text: vantrel-strict's for double
// totals, vantrel-lenient's for float totals.
template <typename Float>
Outcome<Float> read_exactly(const char* text, const char* end, std::uint32_t invoices,
                            Outcome<Float> start) {
    ChunkedSource source(std::string(text, end));
    auto in = std::make_unique<console::FormattedInput>(source);
    Outcome<Float> out = start;
    for (std::uint32_t i = 0; i < invoices; ++i) {
        if constexpr (sizeof(Float) == 8) {
            in->getchar();
            if (in->read_char(out.letter)) in->read_number(out.amount);
        } else {
            if (in->skip_separator_run() && in->read_char(out.letter) && in->skip_separator_run()) {
                in->read_number(out.amount);
            }
        }
        out.owner = out.owner + out.amount;
        if (out.letter >= 'A' && out.letter <= 'C') {
            out.categories[out.letter - 'A'] = out.categories[out.letter - 'A'] + out.amount;
        }
    }
    out.taken = invoices;
    out.stop = invoices == 0 ? start.stop : static_cast<std::ptrdiff_t>(in->position());
    return out;
}

// Zeros over the stack where a way's call keeps its index of line ends: the ways run one after
// another on the same text, and an offset that one fails to write would otherwise be found
// there as the way before wrote it.
[[gnu::noinline]] void clear_stack_below() {
    volatile char bytes[64 * 1024];
    for (std::size_t i = 0; i < sizeof bytes; ++i) bytes[i] = 0;
}

template <typename Float>
Outcome<Float> run_way(const tally::Way& way, const char* text, const char* end,
                       std::uint32_t max_invoices, Outcome<Float> start) {
    clear_stack_below();
    tally::LineRun<Float> run{
        text,         end,
        max_invoices, {start.owner, start.categories[0], start.categories[1], start.categories[2]},
        start.letter, start.amount,
        nullptr};
    Outcome<Float> out = start;
    out.taken = way.total(run);
    if (out.taken == 0) return out;
    out.owner = run.totals[0];
    for (int k = 0; k < 3; ++k) out.categories[k] = run.totals[k + 1];
    out.letter = run.letter;
    out.amount = run.amount;
    out.stop = run.stop - text;
    return out;
}

// A text as the kernel sees it: the text itself, with 16 bytes before it and 64 after its end
// that it may read but must not take (they are the start of more common lines or line noise),
// and `shift` bytes more in front, which move the text across alignments.
class Placed {
  public:
    Placed(const std::string& text, std::size_t shift, const std::string& after)
        : bytes_(16 + shift + text.size() + 64, '\n') {
        std::string tail = after;
        while (tail.size() < 64) tail += "\nA 1.00";
        std::memcpy(bytes_.data(), "9\nB 12.50\nA 3.0", 16);
        std::memcpy(bytes_.data() + 16 + shift, text.data(), text.size());
        std::memcpy(bytes_.data() + 16 + shift + text.size(), tail.data(), 64);
        text_ = bytes_.data() + 16 + shift;
        end_ = text_ + text.size();
    }
    const char* text() const { return text_; }
    const char* end() const { return end_; }

  private:
    std::vector<char> bytes_;
    const char* text_;
    const char* end_;
};

// Common lines with random letters and amounts of every shape: mostly 1 to 5 integer digits
// and 2 decimals, else signs, whole amounts with or without a point, one decimal, up to 9
// integer digits, leading zeros; the line feed that ends the last one is part of the text.
std::string common_lines(std::mt19937& random, int lines) {
    std::string text;
    char line[40];
    for (int i = 0; i < lines; ++i) {
        const bool usual = random() % 2 == 0;
        static const char* const kSigns[] = {"", "", "-", "+"};
        const char* const sign = usual ? "" : kSigns[random() % 4];
        const int decimals = usual ? 2 : static_cast<int>(random() % 4) - 1;  // -1: no point
        const int most_digits = usual ? 5 : 9;
        const int digits = 1 + static_cast<int>(random() % static_cast<unsigned>(most_digits));
        std::string integer;
        for (int d = 0; d < digits; ++d) integer += static_cast<char>('0' + random() % 10);
        if (random() % 8 != 0)
            integer.erase(0, std::min(integer.find_first_not_of('0'), integer.size() - 1));
        std::string fraction = decimals < 0 ? "" : ".";
        for (int d = 0; d < decimals; ++d) fraction += static_cast<char>('0' + random() % 10);
        std::snprintf(line, sizeof line, "\n%c %s%s%s", 'A' + static_cast<int>(random() % 3), sign,
                      integer.c_str(), fraction.c_str());
        text += line;
    }
    return text + "\n";
}

// What is planted in a text: a byte put in place of the one at the position, put in before it,
// the byte there taken out, or the text's end put there.
struct Fault {
    const char* name;
    enum Kind { replace, insert, erase, cut } kind;
    char byte;
};

const Fault kFaults[] = {
    {"other letter D", Fault::replace, 'D'},
    {"at sign", Fault::replace, '@'},
    {"lower-case a", Fault::replace, 'a'},
    {"carriage return", Fault::replace, '\r'},
    {"tab", Fault::replace, '\t'},
    {"point", Fault::replace, '.'},  // a second point, or one in place of a digit or letter
    {"blank", Fault::replace, ' '},
    {"line feed", Fault::replace, '\n'},
    {"digit", Fault::replace, '7'},
    {"letter", Fault::replace, 'B'},
    {"minus", Fault::replace, '-'},
    {"exponent", Fault::replace, 'e'},
    {"byte above 127", Fault::replace, '\xC3'},  // its low 7 bits a letter, 'C'
    {"byte above 127, its low 7 bits a digit", Fault::replace, '\xB7'},
    {"byte above 127, its low 7 bits a minus", Fault::replace, '\xAD'},
    {"byte above 127, its low 7 bits a point", Fault::replace, '\xAE'},
    {"byte above 127, its low 7 bits a blank", Fault::replace, '\xA0'},
    {"byte above 127, its low 7 bits a line feed", Fault::replace, '\x8A'},
    {"NUL", Fault::replace, '\0'},
    {"colon, next to the digits", Fault::replace, ':'},
    {"slash, next to the digits", Fault::replace, '/'},
    {"digit inserted", Fault::insert, '5'},  // 10 integer digits, 3 decimals
    {"point inserted", Fault::insert, '.'},
    {"blank inserted", Fault::insert, ' '},
    {"line feed inserted", Fault::insert, '\n'},
    {"byte taken out", Fault::erase, 0},  // a missing blank, point, digit, letter
    {"end of the text", Fault::cut, 0},
};

std::string planted(std::string text, const Fault& fault, std::size_t at) {
    switch (fault.kind) {
        case Fault::replace:
            text[at] = fault.byte;
            break;
        case Fault::insert:
            text.insert(at, 1, fault.byte);
            break;
        case Fault::erase:
            text.erase(at, 1);
            break;
        case Fault::cut:
            text.resize(at);
            break;
    }
    return text;
}

// Totals the calls start from: zeros of both signs, values that swallow an amount or make
// ties, NaN and infinity.
template <typename Float>
std::vector<Outcome<Float>> starts() {
    const Float nan = std::numeric_limits<Float>::quiet_NaN();
    const Float inf = std::numeric_limits<Float>::infinity();
    return {
        {0, -1, 0, {0, 0, 0}, '?', 0},
        {0, -1, Float(-0.0), {Float(-0.0), Float(-0.0), Float(-0.0)}, 'Z', Float(-2.5)},
        {0, -1, Float(16777216), {Float(1e30), Float(0.1), Float(-123.45)}, 'x', Float(7)},
        {0, -1, nan, {inf, -inf, Float(99999.99)}, '\n', nan},
    };
}

// One text through every way the processor runs, against both references.
template <typename Float>
void check(const Placed& placed, std::uint32_t max_invoices, const Outcome<Float>& start,
           const std::string& what) {
    const Outcome<Float> want = read_plainly(placed.text(), placed.end(), max_invoices, start);
    if (want.taken > 0) {
        expect_same(want, read_exactly(placed.text(), placed.end(), want.taken, start),
                    what + " (the exact reads)");
    }
    for (const tally::Way* way : tally::all_ways()) {
        if (!way->runs_here()) continue;
        expect_same(run_way(*way, placed.text(), placed.end(), max_invoices, start), want,
                    what + " on " + way->name);
    }
}

template <typename Float>
void plant_everywhere() {
    std::mt19937 random(12);
    const std::string clean = common_lines(random, 24);  // about 240 bytes: 4 blocks
    for (const Fault& fault : kFaults) {
        for (std::size_t at = 0; at < clean.size(); ++at) {
            const std::string text = planted(clean, fault, at);
            const Placed placed(text, at % 64, "");
            const auto start = starts<Float>()[at % 4];
            check(placed, kNoLimit, start, std::string(fault.name) + " at " + std::to_string(at));
            if (::testing::Test::HasFailure()) return;
        }
    }
}

TEST(CommonInvoices, FaultAtEveryByteDouble) {
    plant_everywhere<double>();
}

TEST(CommonInvoices, FaultAtEveryByteFloat) {
    plant_everywhere<float>();
}

// Limits on the number of invoices, around the groups of lines that are worked out together
// (the additions run 64 lines behind the parse) and the stretches that are indexed at once; on
// random lines, and on lines of the longest shape (16 bytes), whose last line feed lies right at
// the end of the bytes that a limit lets the checks look at.
TEST(CommonInvoices, InvoiceLimits) {
    std::mt19937 random(7);
    constexpr std::size_t kStretch = tally::LineIndex::kMaxBytes;
    constexpr auto kLines = static_cast<std::uint32_t>(3 * kStretch / 8);  // beyond 3 stretches
    const std::string text = common_lines(random, static_cast<int>(kLines));
    std::string longest_lines;
    for (int i = 0; i < 100; ++i) {
        longest_lines += i % 2 == 0 ? "\nA -123456789.12" : "\nC +987654321.09";
    }
    const std::string longest = longest_lines + "\n";
    // The lines whose line feed ends them within the first stretch.
    const auto first =
        static_cast<std::uint32_t>(std::count(text.begin() + 1, text.begin() + kStretch, '\n'));
    const std::uint32_t limits[] = {0,     1,         2,          3,      4,         5,   31,
                                    32,    33,        63,         64,     65,        200, first - 1,
                                    first, first + 1, kLines - 1, kLines, kLines + 1};
    for (const std::string* lines : {&text, &longest}) {
        for (const std::uint32_t limit : limits) {
            for (const std::size_t shift : {0u, 1u, 31u, 63u}) {
                const Placed placed(*lines, shift, "\nB 2.00\n");
                const std::string what =
                    "limit " + std::to_string(limit) + (lines == &longest ? ", longest lines" : "");
                check(placed, limit, starts<double>()[limit % 4], what);
                check(placed, limit, starts<float>()[limit % 4], what);
            }
        }
    }
}

// Plain lines (1 to 5 integer digits, a point and 2 decimals: 7 to 11 bytes) that fill exactly
// `bytes` bytes, 7 to 11 or at least 14.
std::string plain_lines_of(std::size_t bytes) {
    std::string text;
    while (bytes > 0) {
        // The longest line that leaves a length such lines can fill.
        std::size_t length = std::min<std::size_t>(bytes, 11);
        while (bytes - length != 0 &&
               (bytes - length < 7 || bytes - length == 12 || bytes - length == 13)) {
            --length;
        }
        text += "\nB " + std::string(length - 6, '4') + ".25";
        bytes -= length;
    }
    return text;
}

// Fixed texts, from totals of -0.0 (where the sign of a zero amount shows): texts that do not
// start a common line at all or stop at once, and texts that a fault in the checks or the
// amounts gets wrong every time.
TEST(CommonInvoices, FixedTexts) {
    std::vector<std::string> texts = {
        "",
        "\n",
        " A 1.00\n",
        "A 1.00\n",
        "\nA 1.00",
        "\nA 1.00 \n",
        "\nD 1.00\n",
        "\r\nA 1.00\r\n",
        "\nA 12345678901.00\n",
        "\nA .50\n",
        // An amount without an integer digit among plain lines.
        "\nA 1.25\nB .50\nC 2.00\n",
        // Zero amounts of every shape, for groups of 8 lines and more.
        "\nA 0.00\nB 0.00\nC 0.00\nA 0.00\nB 0.00\nC 0.00\nA 0.00\nB 0.00\nC 0.00\nA 0.00\n",
        "\nA 0\nB 0.\nC 0.0\nA -0.00\nB +0\nC 00000.00\nA -0\nB 000000000\nC 0.00\nA +0.0\n",
        // 16 line ends in a block, and 9 and 10.
        "\nA 1\nB 2\nC 3\nA 4\nB 5\nC 6\nA 7\nB 8\nC 9\nA 1\nB 2\nC 3\nA 4\nB 5\nC 6\nA 7\nB 8\n",
        "\nA 1\nB 2\nC 3\nA 4\nB 5\nC 6\nA 7\nB 8\nC 90\nA 12345678.5\nB 123456789.12\n",
        "\nA 1\nB 2\nC 3\nA 4\nB 5\nC 6\nA 7\nB 8\nC 9\nA 10\nB 123456789.12\n",
        // Plain amounts whose cents times the double nearest 1/100 round to another double than
        // their division by 100 does.
        "\nA 0.35\nB 0.41\nC 0.47\nA 0.57\nB 0.69\nC 0.70\nA 0.82\nB 0.83\nC 0.94\n",
    };
    // A six-digit amount among plain lines, its digits across the end of the first block at
    // each place.
    for (std::size_t first_digit = 58; first_digit <= 64; ++first_digit) {
        texts.push_back(plain_lines_of(first_digit - 3) + "\nA 123456.78" + plain_lines_of(40) +
                        "\n");
    }
    for (const std::string& text : texts) {
        for (const std::size_t shift : {0u, 5u}) {
            const Placed placed(text, shift, "");
            const std::string what = "text " + testing::PrintToString(text);
            check(placed, kNoLimit, starts<double>()[1], what);
            check(placed, kNoLimit, starts<float>()[1], what);
        }
    }
}

// Long texts with a few faults at random places, and their ends anywhere.
template <typename Float>
void plant_at_random() {
    std::mt19937 random(2024);
    for (int round = 0; round < 400; ++round) {
        // Up to about 3 stretches of indexed bytes.
        std::string text = common_lines(
            random, 1 + static_cast<int>(random() % (3 * tally::LineIndex::kMaxBytes / 9)));
        const int faults = static_cast<int>(random() % 3);
        for (int i = 0; i < faults; ++i) {
            const Fault& fault = kFaults[random() % std::size(kFaults)];
            text = planted(text, fault, random() % text.size());
        }
        const std::uint32_t limit =
            random() % 4 == 0
                ? static_cast<std::uint32_t>(random() % (3 * tally::LineIndex::kMaxBytes / 8))
                : kNoLimit;
        const Placed placed(text, random() % 64, common_lines(random, 8));
        check(placed, limit, starts<Float>()[random() % 4], "round " + std::to_string(round));
        if (::testing::Test::HasFailure()) return;
    }
}

TEST(CommonInvoices, RandomFaultsDouble) {
    plant_at_random<double>();
}

TEST(CommonInvoices, RandomFaultsFloat) {
    plant_at_random<float>();
}

// CommonLines over a stream, on the programs' own tables: the text comes after a "#", which is
// read first and fills the buffer, as a batch head's read does in the programs.
class Stream {
  public:
    explicit Stream(const std::string& text)
        : source_("#" + text), in_(std::make_unique<console::FormattedInput>(source_)) {
        EXPECT_EQ(in_->getchar(), '#');
    }
    console::FormattedInput& in() { return *in_; }

  private:
    ChunkedSource source_;
    std::unique_ptr<console::FormattedInput> in_;
};

// Owners inside and outside 1 to 3, and counts that end inside a run or beyond it, on both
// programs' tables: the owner's total and the letters' take the amounts, every other total keeps
// its bits, letter and amount hold the last line's, and the next read starts at the line feed
// that ends the last line taken. On every way the processor runs.
TEST(CommonLines, TotalsForTheOwnerAndStopsWhereTheNextReadStarts) {
    const std::string text = "\nA 1.25\nB 2.50\nC 0.25\nA 4\n2 0\n";
    struct Row {
        std::int32_t owner;
        std::int32_t invoices;
        std::int32_t taken;
        double owner_sum;  // added to the owner's total
        double sums[3];    // added to A, B and C
        char letter;
        double amount;
        const char* rest;
    };
    const Row rows[] = {
        {1, 10, 4, 8.0, {5.25, 2.5, 0.25}, 'A', 4.0, "\n2 0\n"},
        {2, 4, 4, 8.0, {5.25, 2.5, 0.25}, 'A', 4.0, "\n2 0\n"},
        {3, 3, 3, 4.0, {1.25, 2.5, 0.25}, 'C', 0.25, "\nA 4\n2 0\n"},
        {3, 1, 1, 1.25, {1.25, 0, 0}, 'A', 1.25, "\nB 2.50\nC 0.25\nA 4\n2 0\n"},
        {0, 10, 4, 0, {5.25, 2.5, 0.25}, 'A', 4.0, "\n2 0\n"},
        {4, 2, 2, 0, {1.25, 2.5, 0}, 'B', 2.5, "\nC 0.25\nA 4\n2 0\n"},
        {-1, 10, 4, 0, {5.25, 2.5, 0.25}, 'A', 4.0, "\n2 0\n"},
        {std::numeric_limits<std::int32_t>::min(),
         10,
         4,
         0,
         {5.25, 2.5, 0.25},
         'A',
         4.0,
         "\n2 0\n"},
        {std::numeric_limits<std::int32_t>::max(),
         10,
         4,
         0,
         {5.25, 2.5, 0.25},
         'A',
         4.0,
         "\n2 0\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message()
                     << "owner " << row.owner << ", " << row.invoices << " invoices");
        // The start of every total, and what it must be after the call.
        const double start[6] = {10, 20, 30, 100, 200, 300};
        double want[6];
        std::copy(start, start + 6, want);
        if (row.owner >= 1 && row.owner <= 3) want[row.owner - 1] += row.owner_sum;
        for (int k = 0; k < 3; ++k) want[3 + k] += row.sums[k];
        for (const tally::Way* way : tally::all_ways()) {
            if (!way->runs_here()) continue;
            SCOPED_TRACE(way->name);
            {  // vantrel-strict's two tables of doubles
                Stream stream(text);
                tally::CommonLines common_lines(stream.in(), *way);
                double owners[3] = {start[0], start[1], start[2]};
                double categories[3] = {start[3], start[4], start[5]};
                char letter = '?';
                double amount = -7;
                EXPECT_EQ(
                    common_lines.total(row.invoices, row.owner, owners, categories, letter, amount),
                    row.taken);
                for (int k = 0; k < 3; ++k) {
                    EXPECT_EQ(bits(owners[k]), bits(want[k])) << "owner " << k + 1;
                    EXPECT_EQ(bits(categories[k]), bits(want[3 + k])) << "category " << k;
                }
                EXPECT_EQ(letter, row.letter);
                EXPECT_EQ(amount, row.amount);
                EXPECT_EQ(testkit::drain(stream.in()), row.rest);
            }
            {  // vantrel-lenient's one table of six floats
                Stream stream(text);
                tally::CommonLines common_lines(stream.in(), *way);
                float totals[6];
                for (int k = 0; k < 6; ++k) totals[k] = static_cast<float>(start[k]);
                char letter = '?';
                float amount = -7;
                EXPECT_EQ(common_lines.total(row.invoices, row.owner, totals, letter, amount),
                          row.taken);
                for (int k = 0; k < 6; ++k) {
                    EXPECT_EQ(bits(totals[k]), bits(static_cast<float>(want[k]))) << "total " << k;
                }
                EXPECT_EQ(letter, row.letter);
                EXPECT_EQ(amount, static_cast<float>(row.amount));
                EXPECT_EQ(testkit::drain(stream.in()), row.rest);
            }
        }
    }
}

// The backing off, as a sequence of calls, each with what it must take: at a byte that starts
// no common line ('x', nothing), or at a common line, which it takes ('1') unless it is one
// that the backing off skips ('0'). The calls that try and fail skip the next 0, 1, 3, 7 ...
// calls, at most 63; a call that takes a line starts the count again.
TEST(CommonLines, BacksOffAfterCallsThatTakeNothing) {
    const auto calls = [](int failing, int skipped) {
        return std::string(static_cast<std::size_t>(failing), 'x') +
               std::string(static_cast<std::size_t>(skipped), '0') + "1";
    };
    const std::string rows[] = {
        "1",
        calls(1, 0),
        calls(2, 1),
        calls(3, 0),  // the third call is skipped
        calls(4, 3),
        calls(5, 2),
        calls(8, 7),
        calls(32, 31),
        calls(64, 63),
        calls(128, 63),  // at most 63
        calls(2, 1) + calls(2, 1),
        calls(4, 3) + calls(1, 0),
    };
    std::string text;
    for (int i = 0; i < 300; ++i) text += "\nA 1.00";
    text += "\n";
    for (const std::string& row : rows) {
        SCOPED_TRACE("calls " + row);
        Stream stream(text);
        tally::CommonLines common_lines(stream.in());
        double owners[3] = {0, 0, 0};
        double categories[3] = {0, 0, 0};
        char letter = '?';
        double amount = 0;
        const std::string line = "\nA 1.00";
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (row[i] == 'x') stream.in().getchar();  // past the line feed: "A 1.00\n..."
            const std::int32_t taken = common_lines.total(1, 1, owners, categories, letter, amount);
            ASSERT_EQ(taken, row[i] == '1' ? 1 : 0) << "call " << i + 1;
            // On to the next line's line feed.
            for (std::size_t k = row[i] == 'x' ? 1 : 0; taken == 0 && k < line.size(); ++k) {
                stream.in().getchar();
            }
        }
    }
}

// The way a build takes among ways of which the first two do not run here, and the one line it
// writes when it does not get the way it asks for.
TEST(ChooseWay, TakesTheWayAskedForOrSaysWhichItTakes) {
    const auto no = []() noexcept { return false; };
    const auto yes = []() noexcept { return true; };
    const tally::Way widest{"widest", no, nullptr, nullptr};
    const tally::Way wide{"wide", no, nullptr, nullptr};
    const tally::Way narrow{"narrow", yes, nullptr, nullptr};
    const tally::Way plain{"plain", yes, nullptr, nullptr};
    const tally::Way* const ways[] = {&widest, &wide, &narrow, &plain};
    struct Row {
        const char* wanted;
        const char* taken;
        const char* said;
    };
    const Row rows[] = {
        {"", "narrow", ""},
        {"narrow", "narrow", ""},
        {"plain", "plain", ""},
        {"wide", "narrow",
         "vantrel: this build asks for the wide way, which this processor cannot run; it takes "
         "the narrow way\n"},
        {"neon", "narrow",
         "vantrel: this build asks for the neon way, which is not built for this processor; it "
         "takes the narrow way\n"},
    };
    for (const Row& row : rows) {
        testkit::StringSink errors;
        EXPECT_STREQ(tally::choose_way(ways, row.wanted, errors).name, row.taken) << row.wanted;
        EXPECT_EQ(errors.text, row.said);
    }
    // Every way built here that this processor runs is taken when asked for, silently.
    for (const tally::Way* way : tally::all_ways()) {
        if (!way->runs_here()) continue;
        testkit::StringSink errors;
        EXPECT_EQ(&tally::choose_way(tally::all_ways(), way->name, errors), way);
        EXPECT_EQ(errors.text, "");
    }
}

// Dividing by a reciprocal with one correction gives what the division gives, bit for bit (the
// sign of a zero too), for every weighed amount it may be used for.
TEST(ShortAmounts, DividedByReciprocalAsByDivision) {
    struct Row {
        int divisor_index;  // of kNegatedDivisors
        std::uint32_t step;
    };
    constexpr Row kRows[] = {{0, 1}, {1, 10}, {2, 10},  {4, 10},
                             {8, 1}, {9, 10}, {10, 10}, {12, 10}};
    for (const Row& row : kRows) {
        const double divisor = tally::kNegatedDivisors[row.divisor_index];
        const double reciprocal = tally::kNegatedReciprocals.of[row.divisor_index];
        for (std::uint32_t x = 0; x < 100'000'000; x += row.step) {
            const auto weighed = static_cast<double>(x);
            if (bits(tally::divided_by_reciprocal(weighed, divisor, reciprocal)) !=
                bits(weighed / divisor)) {
                FAIL() << x << " / " << divisor;
            }
        }
    }
}

}  // namespace
