// Standard input read where it lies: a file mapped in windows must read as the same file read in
// blocks, whatever falls on a window's edge, and a file that changes while it is read must not
// bring the program down.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <random>
#include <string>

#include "console/formatted_input.hpp"
#include "console/mapped_file.hpp"
#include "console/platform.hpp"
#include "tally/common_lines.hpp"
#include "testkit/chunked_source.hpp"

namespace {

using console::FormattedInput;
using console::MappedFile;
using testkit::ChunkedSource;

const std::size_t kPage = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
// The smallest window, so that a few pages of text cross several.
const std::size_t kWindow = 2 * kPage;

// A file holding `text`, open for reading, removed when the test ends.
class TempFile {
  public:
    explicit TempFile(const std::string& text) {
        char path[] = "/tmp/vantrel-mapped-XXXXXX";
        const int fd = ::mkstemp(path);
        path_ = path;
        EXPECT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
        ::close(fd);
        fd_ = ::open(path, O_RDONLY);
    }
    ~TempFile() {
        ::close(fd_);
        ::unlink(path_.c_str());
    }
    int fd() const { return fd_; }
    void resize(std::size_t size) const {
        EXPECT_EQ(::truncate(path_.c_str(), static_cast<off_t>(size)), 0);
    }
    void append(const std::string& text) const {
        const int fd = ::open(path_.c_str(), O_WRONLY | O_APPEND);
        EXPECT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
        ::close(fd);
    }

  private:
    std::string path_;
    int fd_ = -1;
};

// What the reads make of a text: a number wherever one stands, else the next byte.
std::string transcript(FormattedInput& in) {
    std::string out;
    for (;;) {
        double number = 0;
        if (in.read_number(number)) {
            char text[40];
            std::snprintf(text, sizeof text, "<%.17g>", number);
            out += text;
            continue;
        }
        const int c = in.getchar();
        if (c == FormattedInput::kEnd) return out;
        out.push_back(static_cast<char>(c));
    }
}

// The totals of invoice lines read as vantrel-strict reads them, one batch of many: runs of
// common lines in bulk, straight from the text, where they stand, the rest one at a time.
std::string invoice_totals(FormattedInput& in) {
    constexpr std::int32_t kInvoices = 1 << 30;
    tally::CommonLines common_lines(in);
    double owners[3] = {};
    double categories[3] = {};
    char letter = '\0';
    double amount = 0;
    for (std::int32_t invoice = 0; invoice < kInvoices; ++invoice) {
        invoice += common_lines.total(kInvoices - invoice, 1, owners, categories, letter, amount);
        if (in.getchar() == FormattedInput::kEnd) break;
        if (in.read_char(letter)) in.read_number(amount);
        owners[0] += amount;
        if (letter >= 'A' && letter <= 'C') categories[letter - 'A'] += amount;
    }
    char text[120];
    std::snprintf(text, sizeof text, "%.17g %.17g %.17g %.17g at %llu", owners[0], categories[0],
                  categories[1], categories[2], static_cast<unsigned long long>(in.position()));
    return text;
}

std::string repeated(const std::string& piece, std::size_t size) {
    std::string text;
    while (text.size() < size) text += piece;
    return text;
}

// Invoice lines, most of them common ones, some with CR LF, drawn from `seed`.
std::string random_lines(unsigned seed, std::size_t size) {
    static const char* const kLines[] = {"A 12.50\n", "B -3\n",  "C 1234567.5\n", "A 0.25\n",
                                         "B 7.5\r\n", "A  4\n",  "C 99.99\n",     "\r\n",
                                         "B 8\n",     "A 1e2\n", "C .5\n",        "B 6.25\n"};
    std::mt19937 draw(seed);
    std::string text = "\n";
    while (text.size() < size) text += kLines[draw() % std::size(kLines)];
    return text;
}

// Text of numbers, white space, other bytes and, if asked, carriage returns, drawn from `seed`.
std::string random_text(unsigned seed, std::size_t size, bool carriage_returns) {
    static const char kBytes[] = "0123456789012345.-e  \n\n\tAx\r\r";
    const std::size_t choices = sizeof kBytes - (carriage_returns ? 1 : 3);
    std::mt19937 draw(seed);
    std::string text(size, ' ');
    for (char& c : text) c = kBytes[draw() % choices];
    return text;
}

TEST(MappedFile, ReadsAsTheBlockReadsDo) {
    struct Case {
        const char* name;
        std::string text;
    };
    // In the smallest window and in the usual one, where a window holds several stretches.
    for (const std::size_t window : {kWindow, MappedFile::kWindowBytes}) {
        // The first block copied out of a text that starts with a carriage return.
        const std::size_t first_block = std::min(window, console::TextBuffer::kBlockSize);
        const std::size_t first_stretch = std::min(window, MappedFile::kStretchBytes);
        const std::size_t past_a_stretch = MappedFile::kStretchBytes + kPage;
        std::vector<Case> cases = {
            {"lines over many windows", repeated("A 12.5\nB -3\n", 9 * kWindow)},
            {"CR LF lines among LF lines", repeated("A 1.25\n", 3 * kPage) +
                                               repeated("A 1.25\r\n", 2 * kPage) +
                                               repeated("A 1.25\n", 3 * kPage)},
            {"a CR that ends a copied block, then a long text without one",
             "\r" + std::string(first_block - 2, 'x') + "\r" +
                 std::string(2 * console::TextBuffer::kBlockSize, 'y')},
            {"blanks over a stretch's end, with nothing that ends a scan",
             std::string(past_a_stretch, ' ') + "7 8"},
            {"digits over a stretch's end", std::string(past_a_stretch, '1') + " 8"},
            {"a sign that ends a stretch: the next read looks past it",
             std::string(first_stretch - 1, ' ') + "-x-5"},
            {"a file that ends at a page's end",
             repeated("B 0.5\n", 2 * kPage).substr(0, 2 * kPage)},
            {"one byte", "5"},
        };
        for (unsigned seed = 1; seed <= 8; ++seed) {
            cases.push_back({"invoice lines", random_lines(seed, 9 * kWindow + seed * 131)});
        }
        cases.push_back({"long runs of common lines, a CR LF line now and then",
                         repeated(repeated("A 12.50\n", 40 * kPage) + "B 7.5\r\n", 4 * window)});
        for (unsigned seed = 1; seed <= 24; ++seed) {
            cases.push_back({"random text", random_text(seed, 5 * kPage + seed * 97, seed % 2)});
        }
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message()
                         << c.name << ", " << c.text.size() << " bytes, window " << window);
            const TempFile file(c.text);
            // Byte by byte, by the reads of numbers that look ahead across a stretch's end, and
            // as a program reads, common lines in bulk.
            for (const auto read : {testkit::drain, transcript, invoice_totals}) {
                ChunkedSource blocks(c.text);
                FormattedInput from_blocks(blocks);
                const std::string expected = read(from_blocks);
                ASSERT_EQ(::lseek(file.fd(), 0, SEEK_SET), 0);
                MappedFile mapped(file.fd(), window);
                ASSERT_TRUE(mapped.mapped());
                FormattedInput from_file(mapped);
                EXPECT_EQ(read(from_file), expected);
                EXPECT_EQ(from_file.position(), from_blocks.position());
                EXPECT_EQ(from_file.error(), 0);
            }
        }
    }
}

TEST(MappedFile, IsReadInPlaceFromWhereTheFilePositionStandsAndLeavesItAsReadsWould) {
    const std::string text = "skip" + repeated("A 2\n", 2 * MappedFile::kStretchBytes);
    const TempFile file(text);
    ASSERT_EQ(::lseek(file.fd(), 4, SEEK_SET), 4);
    MappedFile mapped(file.fd());
    FormattedInput in(mapped);
    std::int32_t value = 0;
    ASSERT_FALSE(in.read_int(value));  // "A" comes first, not "skip"
    // More text at once than the buffer could hold: it is read where it lies.
    EXPECT_GT(in.buffered_end() - in.buffered_begin(),
              console::TextBuffer::kBlockSize + console::TextBuffer::kMaxLookahead);
    EXPECT_EQ(in.getchar(), 'A');
    EXPECT_TRUE(in.read_int(value));
    EXPECT_EQ(value, 2);
    // Whoever shares the file finds it past what was read, as after read(2), and not before.
    const off_t shared = ::lseek(file.fd(), 0, SEEK_CUR);
    EXPECT_GE(shared, 4 + 3);
    EXPECT_LE(static_cast<std::size_t>(shared), text.size());
    EXPECT_EQ(testkit::drain(in), text.substr(7));
    EXPECT_EQ(::lseek(file.fd(), 0, SEEK_CUR), static_cast<off_t>(text.size()));
}

TEST(MappedFile, ReadsWhatIsAppendedWhileItReads) {
    struct Case {
        const char* name;
        std::string before;
        std::string appended;
        std::int64_t sum;
        std::size_t window;
    };
    const Case cases[] = {
        {"a few bytes, then several windows more", "1 2 ", repeated("3 ", 3 * kWindow),
         1 + 2 + 3 * static_cast<std::int64_t>(3 * kWindow / 2), kWindow},
        // The reads reach the old end in a stretch of its own, 3 bytes inside a number that the
        // appended digit goes on: those bytes must be taken even though no byte of theirs ends it.
        {"an old end 3 bytes after a stretch's, inside a number",
         "1 " + std::string(2 * MappedFile::kStretchBytes + 1, '0'), "5 6", 1 + 5 + 6,
         MappedFile::kWindowBytes},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TempFile file(c.before);
        MappedFile mapped(file.fd(), c.window);
        FormattedInput in(mapped);
        std::int32_t value = 0;
        ASSERT_TRUE(in.read_int(value));
        file.append(c.appended);
        std::int64_t sum = value;
        while (in.read_int(value)) sum += value;
        EXPECT_EQ(sum, c.sum);
        EXPECT_EQ(in.error(), 0);
    }
}

TEST(MappedFile, AFileCutShortWhileItIsReadEndsInAReadError) {
    const std::string text = repeated("A 1\n", 8 * kWindow);
    for (const std::size_t cut : {kWindow + 1, kWindow + kPage, 3 * kWindow + 7}) {
        SCOPED_TRACE(testing::Message() << "cut to " << cut << " bytes");
        const TempFile file(text);
        MappedFile mapped(file.fd(), kWindow);
        FormattedInput in(mapped);
        std::string read;
        for (std::size_t i = 0; i < kWindow + 3; ++i)
            read.push_back(static_cast<char>(in.getchar()));
        file.resize(cut);
        // The pages past the new end are gone from the window: reading on must not crash, and
        // must not end as though the input were whole.
        read += testkit::drain(in);
        EXPECT_EQ(in.error(), console::kFileCutShort);
        EXPECT_EQ(read.substr(0, cut), text.substr(0, cut));
    }
}

}  // namespace
