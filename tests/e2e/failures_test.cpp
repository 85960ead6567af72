// A report that cannot be written, or an input that cannot be read, ends with status 1 and
// one line on standard error; with input from a pipe nobody is asked to press a key. An input
// file that another process cuts short or adds to while a program reads it brings no crash.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

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

        // A file the shell opened for writing only: it cannot be mapped either.
        char path[] = "/tmp/vantrel-write-only-XXXXXX";
        const int file = ::mkstemp(path);
        ASSERT_EQ(::write(file, kInput, sizeof kInput - 1),
                  static_cast<ssize_t>(sizeof kInput - 1));
        ::close(file);
        const int write_only = ::open(path, O_WRONLY);
        ::unlink(path);
        result = run_program(program.path, write_only);
        ::close(write_only);
        EXPECT_EQ(result.out, kZeroReport);
        EXPECT_EQ(result.exit_status, 1);
        EXPECT_EQ(result.err, std::string(program.name) +
                                  ": cannot read standard input: Bad file descriptor\n");

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

// While a program reads a long amount (tens of MB of zeros) from a file, `change` runs on the
// file as soon as the program has started reading, which shows in the file position that the
// program shares with this process.
struct ChangingInputCase {
    const char* name;
    void (*change)(int fd, off_t read_so_far);
    int exit_status;
    const char* err;  // after the program's name
    const char* report;
};

TEST(ChangingInput, ACutEndsInAReadErrorAndAnAdditionIsRead) {
    const ChangingInputCase cases[] = {
        {"cut short a page past where the program reads",
         [](int fd, off_t read_so_far) { ASSERT_EQ(::ftruncate(fd, read_so_far + 4096), 0); }, 1,
         ": cannot read standard input: the file was cut short while it was read\n", nullptr},
        {"the batches' end written after the program started",
         [](int fd, off_t) {
             const char tail[] = "5\n2 1\nB 2\n3 0\n";
             ASSERT_EQ(::pwrite(fd, tail, sizeof tail - 1, ::lseek(fd, 0, SEEK_END)),
                       static_cast<ssize_t>(sizeof tail - 1));
         },
         0, "", "1 0.00\n2 2.00\n3 0.00\nA 0.00\nB 2.00\nC 0.00\n"},
    };
    const std::string start = "1 1\nA 0." + std::string(std::size_t{64} << 20, '0');
    for (const Program& program : kPrograms) {
        for (const ChangingInputCase& c : cases) {
            SCOPED_TRACE(testing::Message() << program.name << ": " << c.name);
            char path[] = "/tmp/vantrel-changing-XXXXXX";
            const int fd = ::mkstemp(path);
            ::unlink(path);
            ASSERT_EQ(::write(fd, start.data(), start.size()), static_cast<ssize_t>(start.size()));
            ::lseek(fd, 0, SEEK_SET);
            std::thread changer([&] {
                const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
                off_t read_so_far = 0;
                while ((read_so_far = ::lseek(fd, 0, SEEK_CUR)) == 0 &&
                       std::chrono::steady_clock::now() < give_up) {
                    std::this_thread::sleep_for(std::chrono::microseconds(200));
                }
                c.change(fd, read_so_far);
            });
            const auto result = run_program(program.path, fd);
            changer.join();
            ::close(fd);
            EXPECT_EQ(result.signal, 0);
            EXPECT_EQ(result.exit_status, c.exit_status);
            EXPECT_EQ(result.err, c.err[0] == '\0' ? "" : program.name + std::string(c.err));
            if (c.report != nullptr) {
                EXPECT_EQ(result.out, c.report);
            }
        }
    }
}

}  // namespace
