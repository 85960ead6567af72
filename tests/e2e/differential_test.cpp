// Both programs against the C library: thousands of generated inputs run through each program
// and through a baseline that reads with scanf and getchar in the same patterns, which must
// print the same report. The inputs stay where the two must agree: the programs' decided rules
// differ from the host library on purpose for a sign or point without digits, an exponent
// marker without digits, text that overflows 32 bits, and inf, nan or hexadecimal text, so the
// generator writes none of those. The baseline gets the input with CR LF already folded, as
// the programs see it. Every digit run is short: read as an invoice count where text is out of
// step, it makes the baseline repeat its reads that many times. The seed is printed;
// VANTREL_SEED=N replays a run.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>

#include "testkit/text_mode.hpp"
#include "tests/support/random_seed.hpp"
#include "tests/support/run_program.hpp"

namespace {

class InputMaker {
  public:
    explicit InputMaker(std::uint64_t seed) : random_(seed) {}

    std::string make() {
        std::string text;
        const int batches = pick(0, 9) == 0 ? pick(0, 2) : 3;  // sometimes it ends early
        for (int batch = 0; batch < batches; ++batch) {
            white(text);
            text += owner();
            white(text);
            const int count = pick(-1, 5);
            text += std::to_string(count);
            for (int i = 0; i < count + pick(-2, 1); ++i) invoice(text);
        }
        if (pick(0, 3) == 0) junk(text);
        return text;
    }

  private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

    std::string owner() {
        const int kind = pick(0, 9);
        if (kind == 0) return std::to_string(pick(-5, 9));
        if (kind == 2) return "+" + std::to_string(pick(1, 3));
        return std::to_string(pick(1, 3));
    }
    void white(std::string& text) {
        static const char* const kinds[] = {" ", "\n", "\t", "\r\n", "  ", "\v", "\f", " \n "};
        const int count = pick(0, 6) == 0 ? pick(0, 3) : 1;
        for (int i = 0; i < count; ++i) text += kinds[pick(0, 7)];
    }
    // Separators of every kind: blanks, line breaks, punctuation, control and high bytes.
    void separator(std::string& text) {
        static const char* const kinds[] = {" ",  "\n",   "\t", ", ",   ";",    "(", ")",
                                            ": ", "\r\n", "/",  "\x80", "\xff", "#", "[ ]"};
        const int kind = pick(0, 15);
        if (kind == 14) return;  // none: tokens run together
        if (kind == 15) {
            text += std::string(1, '\0');
            return;
        }
        text += kinds[kind];
    }
    void letter(std::string& text) {
        static const char kLetters[] = "AAABBBCCCabcZq07";
        text += kLetters[pick(0, 15)];
    }
    void digits(std::string& text, int count) {
        for (int i = 0; i < count; ++i) text += static_cast<char>('0' + pick(0, 9));
    }
    // A number whose every sign, point and exponent marker has digits where C needs them.
    void amount(std::string& text) {
        const int shape = pick(0, 5);
        // A sign before a point is a sign without digits to an integer read that lands there.
        if (shape != 0 && pick(0, 5) == 0) text += pick(0, 1) ? "-" : "+";
        if (shape == 0) {
            text += '.';
            digits(text, pick(1, 4));
        } else {
            digits(text, pick(1, 5));
            if (shape >= 2) {
                text += '.';
                digits(text, pick(1, shape == 5 ? 5 : 2));
            }
        }
        if (pick(0, 9) == 0) {
            text += pick(0, 1) ? "e" : "E";
            if (pick(0, 1)) text += pick(0, 1) ? "-" : "+";
            digits(text, pick(1, 3));
        }
    }
    void invoice(std::string& text) {
        separator(text);
        letter(text);
        separator(text);
        amount(text);
    }
    void junk(std::string& text) {
        static const char kJunk[] = "ABC qyz 12 ,;\n\t#";
        for (int i = pick(1, 20); i > 0; --i) text += kJunk[pick(0, 15)];
    }

    std::mt19937_64 random_;
};

void run_against_baseline(const char* program, const char* baseline, int inputs) {
    const std::uint64_t seed = testing_support::seed_for_run();
    std::printf("%s\n", testing_support::seed_note(seed).c_str());
    InputMaker maker(seed);
    int differences = 0;
    for (int i = 0; i < inputs && differences < 5; ++i) {
        const std::string input = maker.make();
        const auto mine = testing_support::run_with_input(program, input);
        const auto theirs = testing_support::run_with_input(baseline, testkit::fold_crlf(input));
        if (mine.out != theirs.out || mine.exit_status != 0) {
            ++differences;
            ADD_FAILURE() << testing_support::seed_note(seed) << ", input " << i << ":\n"
                          << testing::PrintToString(input) << "\nprogram:\n"
                          << mine.out << "baseline:\n"
                          << theirs.out;
        }
    }
}

// Inputs per program. Under an emulator each of the two runs per input starts the emulator as
// well and takes some 30 ms instead of 1: a third as many keep a cross build's tests to about a
// minute, and a new seed each run still reaches other inputs over time.
int input_count() {
    return testing_support::emulator() != nullptr ? 500 : 1500;
}

TEST(AgainstTheCLibrary, StrictReportsMatchOnGeneratedInputs) {
    run_against_baseline(VANTREL_STRICT, VANTREL_BASELINE_STRICT, input_count());
}

TEST(AgainstTheCLibrary, LenientReportsMatchOnGeneratedInputs) {
    run_against_baseline(VANTREL_LENIENT, VANTREL_BASELINE_LENIENT, input_count());
}

}  // namespace
