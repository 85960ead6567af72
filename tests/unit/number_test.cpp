// "%lf" and "%f": the number grammar, what a read leaves in the input, and correct rounding
// to nearest from the decimal text, also where the text is very long or lies next to a point
// halfway between two representable values.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

#include "console/formatted_input.hpp"
#include "testkit/bits.hpp"
#include "tests/support/random_seed.hpp"
#include "tests/support/read_cases.hpp"

namespace {

using console::FormattedInput;
using testing_support::check_read;
using testing_support::Chunkings;
using testing_support::chunkings;
using testkit::bits;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr float kInfF = std::numeric_limits<float>::infinity();

template <typename Float>
struct NumberCase {
    std::string input;
    bool filled;
    Float value;  // compared bit for bit; -7 stands for "not filled"
    std::string rest;
};

// A number is read straight from the buffer when enough text follows it there, and otherwise a
// byte at a time: each case runs with and without a long tail of semicolons, which end any number.
// The value is compared bit for bit.
template <typename Float>
void check(const NumberCase<Float>& c, const Chunkings& all = chunkings()) {
    check_read(
        c.input, c.rest, ';',
        [&c](FormattedInput& in) {
            Float value = -7;
            EXPECT_EQ(in.read_number(value), c.filled);
            EXPECT_EQ(bits(value), bits(c.value)) << "read " << value << ", expected " << c.value;
        },
        all);
}

// The generated texts are many: each arrives in one block (with and without the tail).
const Chunkings kOneBlock = {{}};

std::string repeated(char c, std::size_t n) {
    return std::string(n, c);
}

const std::vector<NumberCase<double>>& double_cases() {
    static const std::vector<NumberCase<double>> cases = {
        // The grammar and what stays in the input.
        {"12345.67", true, 12345.67, ""},
        {"  \n\t-2.5 x", true, -2.5, " x"},
        {"+.5e1", true, 5.0, ""},
        {".5", true, 0.5, ""},
        {"5.", true, 5.0, ""},
        {"5.x", true, 5.0, "x"},
        {"5e", true, 5.0, "e"},
        {"5e+", true, 5.0, "e+"},
        {"5E-x", true, 5.0, "E-x"},
        {"5e-3", true, 0.005, ""},
        {"5E2B", true, 500.0, "B"},
        {"1.2.3", true, 1.2, ".3"},
        {"0x10", true, 0.0, "x10"},
        {"-0", true, -0.0, ""},
        {"0e999999999999", true, 0.0, ""},
        {"-.x", false, -7, "-.x"},
        {".", false, -7, "."},
        {"+", false, -7, "+"},
        {"-", false, -7, "-"},
        {"e5", false, -7, "e5"},
        {"inf", false, -7, "inf"},
        {"nan", false, -7, "nan"},
        {"  ", false, -7, ""},
        {"", false, -7, ""},
        {"B 7", false, -7, "B 7"},
        // Shapes around the word boundaries of the in-buffer read.
        {"1234567.1234567x", true, 1234567.1234567, "x"},
        {"12345678.5", true, 12345678.5, ""},
        {"1234567.12345678", true, 1234567.12345678, ""},
        {"0.00000001", true, 1e-8, ""},
        {"12345.67\n", true, 12345.67, "\n"},
        {"7.", true, 7.0, ""},
        {"7..5", true, 7.0, ".5"},
        {"1.5e3", true, 1500.0, ""},
        {"1.5e", true, 1.5, "e"},
        {"1.5E+2x", true, 150.0, "x"},
        {"\t\v\f\r 42.25", true, 42.25, ""},
        {"         42", true, 42.0, ""},
        {"-12345.67", true, -12345.67, ""},
        {"+0.5", true, 0.5, ""},
        {"1\x80", true, 1.0, "\x80"},
        {"99999999", true, 99999999.0, ""},
        {"1234.56789", true, 1234.56789, ""},
        {"1234567.89", true, 1234567.89, ""},
        {"0.12345678", true, 0.12345678, ""},
        {".123456789", true, 0.123456789, ""},
        // Rounding at halfway points: ties go to the even neighbour, anything beyond goes up.
        {"9007199254740993", true, 9007199254740992.0, ""},
        {"9007199254740995", true, 9007199254740996.0, ""},
        {"9007199254740993.0000000000000000000000000001", true, 9007199254740994.0, ""},
        {"9007199254740993" + repeated('0', 1000) + "1e-1001", true, 9007199254740994.0, ""},
        {"0.1", true, 0.1, ""},
        {"999999.99", true, 999999.99, ""},
        {"16777217", true, 16777217.0, ""},
        // Just past the powers of ten that a double holds exactly (up to 10^22): each is rounded,
        // and a product or quotient with one would round twice.
        {"3e23", true, 3e23, ""},
        {"1e-23", true, 1e-23, ""},
        // The range ends.
        {"1.7976931348623157e308", true, std::numeric_limits<double>::max(), ""},
        {"1.7976931348623158e308", true, std::numeric_limits<double>::max(), ""},
        {"1.7976931348623159e308", true, kInf, ""},
        {"1e309", true, kInf, ""},
        {"-1e309", true, -kInf, ""},
        {"1e" + repeated('9', 100), true, kInf, ""},
        {"1e-" + repeated('9', 100), true, 0.0, ""},
        {"-1e-400", true, -0.0, ""},
        {"4.9406564584124654e-324", true, std::numeric_limits<double>::denorm_min(), ""},
        {"2.4703282292062327e-324", true, 0.0, ""},
        {"2.4703282292062328e-324", true, std::numeric_limits<double>::denorm_min(), ""},
        // Very long text, in fixed memory.
        {repeated('0', 100000) + "1.5", true, 1.5, ""},
        {"1" + repeated('0', 100000) + "e-100000", true, 1.0, ""},
        {"0." + repeated('0', 100000) + "25e100001", true, 2.5, ""},
        {"1" + repeated('0', 400), true, kInf, ""},
        {"1" + repeated('0', 300), true, 1e300, ""},
    };
    return cases;
}

const std::vector<NumberCase<float>>& float_cases() {
    static const std::vector<NumberCase<float>> cases = {
        {"0.1", true, 0.1f, ""},
        {"999999.99", true, 1000000.0f, ""},
        {"16777217", true, 16777216.0f, ""},
        {"16777219", true, 16777220.0f, ""},
        {"16777217.000001", true, 16777218.0f, ""},
        {"1677721.7", true, 1677721.75f, ""},
        {"16777.217", true, 16777.216796875f, ""},
        {"0.3", true, 0.3f, ""},
        {"12345.67", true, 12345.669921875f, ""},
        // Just past the powers of ten that a float holds exactly (up to 10^10).
        {"1.7e12", true, 1.7e12f, ""},
        {"17e11", true, 1.7e12f, ""},
        // Just above the halfway point between 1 and the next float: rounding through a double
        // would land on the halfway point itself and then on 1.
        {"1.0000000596046448", true, 1.00000011920928955078125f, ""},
        {"1.000000059604644775390625", true, 1.0f, ""},
        {"1.000000059604644775390625" + repeated('0', 5000) + "1", true, 1.00000011920928955078125f,
         ""},
        {"3.4028235e38", true, std::numeric_limits<float>::max(), ""},
        {"3.4028235677973365e38", true, std::numeric_limits<float>::max(), ""},
        {"3.4028236e38", true, kInfF, ""},
        {"1e39", true, kInfF, ""},
        {"-1e39", true, -kInfF, ""},
        {"7e-46", true, 0.0f, ""},
        {"7.1e-46", true, std::numeric_limits<float>::denorm_min(), ""},
        {"5e", true, 5.0f, "e"},
        {"-.", false, -7.0f, "-."},
        {repeated('9', 3000), true, kInfF, ""},
    };
    return cases;
}

TEST(ReadDouble, FollowsTheGrammarAndRoundsCorrectly) {
    for (const auto& c : double_cases()) check(c);
}

TEST(ReadFloat, RoundsOnceFromTheDecimalText) {
    for (const auto& c : float_cases()) check(c);
}

template <typename Float>
Float library_number(const char* text, char** stop = nullptr) {
    if constexpr (sizeof(Float) == sizeof(double)) {
        return std::strtod(text, stop);
    } else {
        return std::strtof(text, stop);
    }
}

TEST(ReadNumbers, AgreeWithTheLibraryOnShortDecimals) {
    // Every amount with up to three integer and two decimal digits, as invoices are written.
    for (int cents = 0; cents < 100000; cents += 7) {
        const std::string text = std::to_string(cents / 100) + "." +
                                 std::to_string(cents % 100 / 10) + std::to_string(cents % 10);
        check(NumberCase<double>{text, true, library_number<double>(text.c_str()), ""}, kOneBlock);
        check(NumberCase<float>{text, true, library_number<float>(text.c_str()), ""}, kOneBlock);
        if (HasFailure()) return;
    }
}

// Random short numbers of every shape the grammar allows, and some it does not, each read
// straight from the buffer and a byte at a time, against the C library's strtod and strtof,
// which agree with the grammar on text without inf, nan or hexadecimal forms.
class RandomShapes {
  public:
    explicit RandomShapes(std::uint64_t seed) : random_(seed) {}
    std::string next() {
        std::string text;
        for (int i = pick(0, 3); i > 0; --i) text += " \t\n"[pick(0, 2)];
        if (pick(0, 3) == 0) text += "+-"[pick(0, 1)];
        digits(text, pick(0, 9));
        if (pick(0, 2) != 0) text += '.';
        digits(text, pick(0, 9));
        if (pick(0, 4) == 0) {
            text += "eE"[pick(0, 1)];
            if (pick(0, 1) == 0) text += "+-"[pick(0, 1)];
            digits(text, pick(0, 3));
        }
        text += ";x.e5 \n"[pick(0, 6)];
        return text;
    }

  private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    void digits(std::string& text, int count) {
        for (int i = 0; i < count; ++i) text += static_cast<char>('0' + pick(0, 9));
    }
    std::mt19937_64 random_;
};

template <typename Float>
void agree_with_library(const std::string& text) {
    char* stop = nullptr;
    const Float expected = library_number<Float>(text.c_str(), &stop);
    const bool converted = stop != text.c_str();
    std::size_t blanks = 0;
    while (blanks < text.size() && std::isspace(static_cast<unsigned char>(text[blanks]))) ++blanks;
    const std::string rest = converted ? std::string(stop) : text.substr(blanks);
    check(NumberCase<Float>{text, converted, converted ? expected : Float(-7), rest}, kOneBlock);
}

TEST(ReadNumbers, AgreeWithTheLibraryOnRandomShortText) {
    const std::uint64_t seed = testing_support::seed_for_run();
    SCOPED_TRACE(testing_support::seed_note(seed));
    RandomShapes shapes(seed);
    for (int i = 0; i < 20000 && !HasFailure(); ++i) {
        const std::string text = shapes.next();
        agree_with_library<double>(text);
        agree_with_library<float>(text);
    }
}

}  // namespace
