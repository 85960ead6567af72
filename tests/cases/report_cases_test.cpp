// Each file NAME.in under cases/PROGRAM/ is given to that program as standard input; its
// report must be NAME.expected byte for byte, with status 0 and nothing on standard error. Each
// case is a test of its own with a time limit of a few seconds (set where the tests are listed),
// so a case that should take a moment and takes minutes fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/run_program.hpp"

namespace {

struct ReportCase {
    std::string program;  // the folder under cases/, named like the program's folder
    std::string name;
};

std::string program_path(const std::string& program) {
    return program == "strict" ? VANTREL_STRICT : VANTREL_LENIENT;
}

std::vector<ReportCase> all_cases() {
    std::vector<ReportCase> cases;
    for (const char* program : {"strict", "lenient"}) {
        const std::filesystem::path folder = std::filesystem::path(VANTREL_CASES) / program;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            if (entry.path().extension() == ".in") {
                cases.push_back({program, entry.path().stem().string()});
            }
        }
    }
    std::sort(cases.begin(), cases.end(), [](const ReportCase& a, const ReportCase& b) {
        return a.program + a.name < b.program + b.name;
    });
    return cases;
}

// Names the case in test listings, in place of a dump of its bytes.
void PrintTo(const ReportCase& c, std::ostream* out) {
    *out << c.program << "/" << c.name;
}

class ReportCases : public testing::TestWithParam<ReportCase> {};

TEST_P(ReportCases, PrintTheExpectedReport) {
    const ReportCase& c = GetParam();
    const std::string base = std::string(VANTREL_CASES) + "/" + c.program + "/" + c.name;
    const std::string input = testing_support::read_file(base + ".in");
    const auto result = testing_support::run_with_input(program_path(c.program), input);
    EXPECT_EQ(result.out, testing_support::read_file(base + ".expected"));
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.exit_status, 0);
}

INSTANTIATE_TEST_SUITE_P(Files, ReportCases, testing::ValuesIn(all_cases()),
                         [](const testing::TestParamInfo<ReportCase>& param_info) {
                             return param_info.param.program + "_" + param_info.param.name;
                         });

}  // namespace
