// The stream's reads: what each fills, and what it leaves in the input, with block ends put
// everywhere a token can be split.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <limits>
#include <string>

#include "console/formatted_input.hpp"
#include "tests/support/read_cases.hpp"

namespace {

using console::FormattedInput;
using console::TextBuffer;
using testing_support::check_read;
using testing_support::chunkings;
using testkit::ChunkedSource;
using testkit::drain;

constexpr std::int32_t kUntouched = 77;
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

struct IntCase {
    const char* input;
    bool filled;
    std::int32_t value;  // the field after the read: kUntouched when not filled
    const char* rest;
};

const IntCase kIntCases[] = {
    {"42", true, 42, ""},
    {"  -17x", true, -17, "x"},
    {"+5 6", true, 5, " 6"},
    {"007\n", true, 7, "\n"},
    {"\t\n\v\f\r 3", true, 3, ""},
    {"-x", false, kUntouched, "-x"},
    {"- 5", false, kUntouched, "- 5"},
    {"+", false, kUntouched, "+"},
    {"  x", false, kUntouched, "x"},
    {"   ", false, kUntouched, ""},
    {"", false, kUntouched, ""},
    {"\x85"
     "3",
     false, kUntouched,
     "\x85"
     "3"},
    {"1.5", true, 1, ".5"},
    {"2147483647", true, kMax, ""},
    {"2147483648", true, kMax, ""},
    {"-2147483648", true, kMin, ""},
    {"-2147483649", true, kMin, ""},
    {"99999999999999999999999999 1", true, kMax, " 1"},
    {"-99999999999999999999999999", true, kMin, ""},
    {"0000000000000000000000000012", true, 12, ""},
};

TEST(ReadInt, FillsAndLeavesAsCDoes) {
    for (const IntCase& c : kIntCases) {
        check_read(c.input, c.rest, ';', [&c](FormattedInput& in) {
            std::int32_t value = kUntouched;
            EXPECT_EQ(in.read_int(value), c.filled);
            EXPECT_EQ(value, c.value);
        });
    }
}

struct SeparatorCase {
    std::string input;
    bool skipped;
    std::string rest;
};

TEST(SkipSeparatorRun, TakesEveryByteButLettersAndDigits) {
    const SeparatorCase cases[] = {
        {", A", true, "A"},         {"(B) 7", true, "B) 7"},
        {" \t\r\n;:-+.", true, ""}, {std::string("\0\x01\x7f\x80\xff A", 7), true, "A"},
        {"A", false, "A"},          {"z", false, "z"},
        {"9,", false, "9,"},        {"", false, ""},
    };
    for (const SeparatorCase& c : cases) {
        check_read(c.input, c.rest, 'x',
                   [&c](FormattedInput& in) { EXPECT_EQ(in.skip_separator_run(), c.skipped); });
    }
}

// White space before a number, a separator run, and zeros in a number, of every length up to 24
// and then each byte value: a long run is taken eight bytes at a time, and must end at exactly
// the first byte that is not of it, wherever that byte stands.
TEST(SkipRuns, EndAtTheFirstByteOfAnotherKindWhateverItsPlace) {
    const std::string spaces = " \t\n\v\f\r";
    const std::string separators = " ,;-.\x80\xff\t";
    for (std::size_t length = 0; length <= 24; ++length) {
        std::string white_space, separator_run;
        for (std::size_t i = 0; i < length; ++i) {
            white_space += spaces[i % spaces.size()];
            separator_run += separators[i % separators.size()];
        }
        for (int byte = 0; byte < 256; ++byte) {
            SCOPED_TRACE(testing::Message() << "run of " << length << ", then byte " << byte);
            const char c = static_cast<char>(byte);
            {
                ChunkedSource source(white_space + c + "7;");
                FormattedInput in(source);
                std::int32_t value = 0;
                const bool number = console::chars::is_space(byte) ||
                                    console::chars::is_digit(byte) || console::chars::is_sign(byte);
                EXPECT_EQ(in.read_int(value), number);
                EXPECT_EQ(drain(in), number ? std::string(";") : c + std::string("7;"));
            }
            {
                ChunkedSource source(std::string(length, '0') + c + ";");
                FormattedInput in(source);
                double value = -1;
                const bool number = length > 0 || console::chars::is_digit(byte);
                EXPECT_EQ(in.read_number(value), number);
                // White space before a number is taken whether or not one follows.
                const bool taken = number ? console::chars::is_digit(byte) || c == '.'
                                          : console::chars::is_space(byte);
                EXPECT_EQ(drain(in), taken ? std::string(";") : c + std::string(";"));
                if (number) {
                    EXPECT_EQ(value, console::chars::is_digit(byte) ? byte - '0' : 0);
                }
            }
            {
                ChunkedSource source(separator_run + c + "A");
                FormattedInput in(source);
                in.skip_separator_run();
                EXPECT_EQ(drain(in), console::chars::is_separator(byte) ? std::string("A")
                                                                        : c + std::string("A"));
            }
        }
    }
}

TEST(ReadChar, TakesAnyByteAndFailsOnlyAtTheEnd) {
    ChunkedSource source(std::string(" \n\0x", 4));
    FormattedInput in(source);
    char letter = 'q';
    const char expected[] = {' ', '\n', '\0', 'x'};
    for (char e : expected) {
        EXPECT_TRUE(in.read_char(letter));
        EXPECT_EQ(letter, e);
    }
    EXPECT_FALSE(in.read_char(letter));
    EXPECT_EQ(letter, 'x');
    EXPECT_EQ(in.getchar(), FormattedInput::kEnd);
}

TEST(Getchar, ReturnsBytesAsUnsignedAndEndStaysEnd) {
    ChunkedSource source(
        "\xff"
        "a");
    FormattedInput in(source);
    EXPECT_EQ(in.getchar(), 0xff);
    EXPECT_EQ(in.getchar(), 'a');
    EXPECT_EQ(in.getchar(), FormattedInput::kEnd);
    EXPECT_EQ(in.getchar(), FormattedInput::kEnd);
    EXPECT_EQ(source.reads(), 2) << "the end of the input is not asked for again";
}

struct TextModeCase {
    const char* input;
    const char* read;
};

TEST(TextMode, DropsACarriageReturnOnlyRightBeforeALineFeed) {
    const TextModeCase cases[] = {
        {"a\r\nb", "a\nb"},     {"a\rb", "a\rb"},     {"\r", "\r"},
        {"\r\r\n", "\r\n"},     {"\r\n\r\n", "\n\n"}, {"\n\r", "\n\r"},
        {"x\r\r\r", "x\r\r\r"}, {"\r\n", "\n"},       {"1\r\n2\r\n", "1\n2\n"},
    };
    for (const auto& chunks : chunkings()) {
        for (const TextModeCase& c : cases) {
            SCOPED_TRACE(testing::Message()
                         << "input \"" << c.input << "\", chunks " << chunks.size());
            ChunkedSource source(c.input, chunks);
            FormattedInput in(source);
            EXPECT_EQ(drain(in), c.read);
            EXPECT_EQ(in.position(), std::string(c.read).size());
        }
    }
}

TEST(TextMode, HoldsACarriageReturnThatEndsAFullBlock) {
    // The first read fills a whole block whose last byte is a CR: whether that CR is dropped
    // depends on the first byte of the next block, or stays when the input ends there.
    const std::string full_block(TextBuffer::kBlockSize - 1, 'a');
    const TextModeCase cases[] = {
        {"\r\nb", "\nb"}, {"\rb", "\rb"}, {"\r\r\n", "\r\n"}, {"\r", "\r"}};
    for (const TextModeCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "block ends in \"" << c.input << "\"");
        ChunkedSource source(full_block + c.input);
        FormattedInput in(source);
        const std::string read = drain(in);
        EXPECT_TRUE(read.compare(0, full_block.size(), full_block) == 0);
        EXPECT_EQ(read.substr(full_block.size()), c.read);
    }
}

TEST(Blocks, ATokenSplitByTheBufferBlockEndReadsWhole) {
    for (std::size_t shift = 0; shift < 8; ++shift) {
        std::string text(TextBuffer::kBlockSize - shift, '\n');
        text += "-12.5e+1x 2147483648";
        ChunkedSource source(text);
        FormattedInput in(source);
        double amount = 0;
        std::int32_t count = 0;
        EXPECT_TRUE(in.read_number(amount));
        EXPECT_EQ(amount, -125.0);
        EXPECT_EQ(in.getchar(), 'x');
        EXPECT_TRUE(in.read_int(count));
        EXPECT_EQ(count, kMax);
        EXPECT_EQ(in.position(), text.size());
    }
}

TEST(Blocks, AWhiteSpaceRunLongerThanManyBlocksIsSkipped) {
    std::string text(5 * TextBuffer::kBlockSize + 3, ' ');
    text += "9";
    ChunkedSource source(text, {TextBuffer::kBlockSize / 3});
    FormattedInput in(source);
    std::int32_t value = 0;
    EXPECT_TRUE(in.read_int(value));
    EXPECT_EQ(value, 9);
}

TEST(ReadErrors, EndTheInputAndAreRemembered) {
    ChunkedSource source("12 ", {}, EIO);
    FormattedInput in(source);
    std::int32_t value = 0;
    EXPECT_TRUE(in.read_int(value));
    EXPECT_EQ(in.error(), 0);
    EXPECT_FALSE(in.read_int(value));
    EXPECT_EQ(value, 12);
    EXPECT_EQ(in.error(), EIO);
    EXPECT_EQ(in.getchar(), FormattedInput::kEnd);
}

}  // namespace
