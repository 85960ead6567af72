// A report that cannot be written, or an input that cannot be read, ends with status 1 and
// one line on standard error; with input from a pipe nobody is asked to press a key.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "tests/support/run_program.hpp"

namespace {

using testing_support::Output;
using testing_support::run_program;
using testing_support::run_with_input;

const char kInput[] = "1 1\nA 5\n2 0\n3 0\n";
const char kReport[] = "1 5.00\n2 0.00\n3 0.00\nA 5.00\nB 0.00\nC 0.00\n";
const char kZeroReport[] = "1 0.00\n2 0.00\n3 0.00\nA 0.00\nB 0.00\nC 0.00\n";

struct Program {
    const char* name;
    const char* path;
};
const Program kPrograms[] = {{"vantrel-strict", VANTREL_STRICT},
                             {"vantrel-lenient", VANTREL_LENIENT}};

struct LostReportCase {
    Output output;
    const char* reason;
};

TEST(LostReport, ExitsWithStatusOneAndOneLineNamingTheError) {
    const LostReportCase cases[] = {
        {Output::kFull, "No space left on device"},
        {Output::kClosed, "Bad file descriptor"},
        {Output::kPipeClosedEarly, "Broken pipe"},
    };
    for (const Program& program : kPrograms) {
        for (const LostReportCase& c : cases) {
            SCOPED_TRACE(testing::Message() << program.name << ": " << c.reason);
            const auto result = run_with_input(program.path, kInput, c.output);
            EXPECT_EQ(result.signal, 0);
            EXPECT_EQ(result.exit_status, 1);
            EXPECT_EQ(result.err,
                      std::string(program.name) + ": cannot write the report: " + c.reason + "\n");
        }
    }
}

TEST(UnreadableInput, PrintsTheReportAndExitsWithStatusOne) {
    for (const Program& program : kPrograms) {
        SCOPED_TRACE(program.name);
        const int directory = ::open(".", O_RDONLY | O_DIRECTORY);
        ASSERT_GE(directory, 0);
        auto result = run_program(program.path, directory);
        ::close(directory);
        EXPECT_EQ(result.out, kZeroReport);
        EXPECT_EQ(result.exit_status, 1);
        EXPECT_EQ(result.err,
                  std::string(program.name) + ": cannot read standard input: Is a directory\n");

        result = run_program(program.path, -1);
        EXPECT_EQ(result.out, kZeroReport);
        EXPECT_EQ(result.exit_status, 1);
        EXPECT_EQ(result.err, std::string(program.name) +
                                  ": cannot read standard input: Bad file descriptor\n");
    }
}

TEST(PipedInput, EndsWithoutAPromptOrAWait) {
    for (const Program& program : kPrograms) {
        SCOPED_TRACE(program.name);
        int input[2];
        ASSERT_EQ(::pipe(input), 0);
        ASSERT_EQ(::write(input[1], kInput, sizeof kInput - 1),
                  static_cast<ssize_t>(sizeof kInput - 1));
        ::close(input[1]);
        const auto result = run_program(program.path, input[0]);
        ::close(input[0]);
        EXPECT_EQ(result.out, kReport);
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(result.exit_status, 0);
    }
}

}  // namespace
