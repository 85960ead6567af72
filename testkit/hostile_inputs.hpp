// Hostile inputs: very long numbers and runs that must give the right report in fixed memory and
// linear time. One table for the end-to-end test (a few million bytes) and the benchmark (tens of
// millions, and a gigabyte of white space); the sizes are the caller's.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testkit {

enum class Program { kStrict, kLenient };

// One piece of an input: `text`, `times` times over.
struct Piece {
    std::string text;
    std::uint64_t times = 1;
};

struct HostileInput {
    const char* name;
    Program program;
    std::vector<Piece> pieces;
    const char* report;
};

// The inputs, with runs of about `run_bytes` bytes and white space of about `white_space_bytes`.
inline std::vector<HostileInput> hostile_inputs(std::uint64_t run_bytes,
                                                std::uint64_t white_space_bytes) {
    const char* const kReport = "1 12.50\n2 0.00\n3 0.00\nA 12.50\nB 0.00\nC 0.00\n";
    const std::uint64_t n = run_bytes;
    return {
        {"an amount with many leading zeros",
         Program::kStrict,
         {{"1 1\nA "}, {"0", n}, {"12.5\n2 0\n3 0\n"}},
         kReport},
        {"an amount with many zeros after the point",
         Program::kLenient,
         {{"1 1\nA 12.5"}, {"0", n}, {"\n2 0\n3 0\n"}},
         kReport},
        {"many zeros between the point and the digits",
         Program::kStrict,
         {{"1 1\nA 0."}, {"0", n}, {"125e" + std::to_string(n + 2) + "\n2 0\n3 0\n"}},
         kReport},
        {"many blanks between two batches",
         Program::kStrict,
         {{"1 1\nA 12.5"}, {" ", n}, {"2 0\n3 0\n"}},
         kReport},
        {"many separator bytes in an invoice",
         Program::kLenient,
         {{"1 1"}, {",", n / 2}, {"A"}, {"\xff", n / 2}, {"12.5\n2 0\n3 0\n"}},
         kReport},
        {"many line breaks before the input",
         Program::kLenient,
         {{"\r\n", n / 2}, {"1 1 A 12.5 2 0 3 0"}},
         kReport},
        {"white space before the input (strict)",
         Program::kStrict,
         {{" \n\t", white_space_bytes / 3}, {"1 1\nA 12.5\n2 0\n3 0\n"}},
         kReport},
        {"white space before the input (lenient)",
         Program::kLenient,
         {{" \n\t", white_space_bytes / 3}, {"1 1\nA 12.5\n2 0\n3 0\n"}},
         kReport},
    };
}

}  // namespace testkit
