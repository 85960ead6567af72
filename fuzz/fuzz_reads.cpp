// Fuzzes the console layer's reads. The fuzzer chooses the block sizes in which the input
// arrives, a sequence of reads, and the text. Every read is checked against C's rules through
// the C library (strtod, strtof) on the text it consumed, and the whole sequence must give the
// same results when the text arrives in one block.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "console/formatted_input.hpp"
#include "testkit/bits.hpp"
#include "testkit/chunked_source.hpp"
#include "testkit/text_mode.hpp"

namespace {

enum class Read : std::uint8_t { kGetchar, kChar, kInt, kDouble, kFloat, kSeparators, kCount };

struct Outcome {
    bool filled;
    std::uint64_t value;  // the field's bits
    std::uint64_t position;
    bool operator==(const Outcome&) const = default;
};

bool is_space(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
bool is_alnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Where the C library reads more than the programs' number grammar on purpose: infinities,
// NaN and hexadecimal forms.
bool starts_with_special_number(const char* p) {
    if (*p == '+' || *p == '-') ++p;
    return (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) || *p == 'i' || *p == 'I' || *p == 'n' ||
           *p == 'N';
}

double library_strto(const char* text, char** stop, double) {
    return std::strtod(text, stop);
}
float library_strto(const char* text, char** stop, float) {
    return std::strtof(text, stop);
}

// The library's value of the number at text, as bits.
template <typename Float>
std::uint64_t library_number(const char* text, char** stop) {
    return testkit::bits(library_strto(text, stop, Float{}));
}

template <typename Float>
Outcome read_number(console::FormattedInput& in) {
    Float value = 7;
    const bool filled = in.read_number(value);
    return {filled, testkit::bits(value), 0};
}

// A number read, against strtod or strtof on the same text: the same value from the same
// characters, or no number where the library finds none.
template <typename Float>
void check_number(const std::string& text, std::size_t start, std::size_t to, bool filled,
                  std::uint64_t bits) {
    const char* rest = text.c_str() + start;
    char* stop = nullptr;
    if (!starts_with_special_number(rest)) {
        const std::uint64_t expected = library_number<Float>(rest, &stop);
        if (!filled && stop != rest) std::abort();
        if (filled && (static_cast<std::size_t>(stop - rest) != to - start || bits != expected))
            std::abort();
    } else if (filled) {
        // The library would read on ("0x1" as hexadecimal); the part taken is still a number.
        const std::string token = text.substr(start, to - start);
        if (library_number<Float>(token.c_str(), &stop) != bits || *stop != '\0') std::abort();
    }
}

// What C's formatted reads say about the text a read consumed, from `from` to `to`.
void check_against_c(Read read, const std::string& text, std::size_t from, std::size_t to,
                     bool filled, std::uint64_t bits) {
    std::size_t start = from;
    if (read == Read::kInt || read == Read::kDouble || read == Read::kFloat) {
        while (start < text.size() && is_space(text[start])) ++start;
        // White space is always consumed; a failed read consumes nothing more.
        if (to < start || (!filled && to != start)) std::abort();
    }
    switch (read) {
        case Read::kGetchar:
        case Read::kChar:
            if (filled != (to == from + 1)) std::abort();
            if (filled && bits != static_cast<unsigned char>(text[from])) std::abort();
            break;
        case Read::kInt: {
            const std::string rest = text.substr(start);
            char* stop = nullptr;
            const long long value = std::strtoll(rest.c_str(), &stop, 10);
            if (!filled) {
                if (stop != rest.c_str()) std::abort();
                break;
            }
            if (static_cast<std::size_t>(stop - rest.c_str()) != to - start) std::abort();
            const long long saturated =
                std::clamp<long long>(value, std::numeric_limits<std::int32_t>::min(),
                                      std::numeric_limits<std::int32_t>::max());
            if (static_cast<std::int32_t>(bits) != saturated) std::abort();
            break;
        }
        case Read::kDouble:
            check_number<double>(text, start, to, filled, bits);
            break;
        case Read::kFloat:
            check_number<float>(text, start, to, filled, bits);
            break;
        case Read::kSeparators:
            if (filled != (to > from)) std::abort();
            for (std::size_t i = from; i < to; ++i) {
                if (is_alnum(text[i])) std::abort();
            }
            if (to < text.size() && !is_alnum(text[to])) std::abort();  // the run is whole
            break;
        case Read::kCount:
            break;
    }
}

std::vector<Outcome> run(const std::string& raw, const std::vector<std::size_t>& blocks,
                         const std::vector<Read>& reads, const std::string* text) {
    testkit::ChunkedSource source(raw, blocks);
    console::FormattedInput in(source);
    std::vector<Outcome> outcomes;
    for (Read read : reads) {
        const std::uint64_t from = in.position();
        Outcome outcome{false, 0, 0};
        switch (read) {
            case Read::kGetchar: {
                const int c = in.getchar();
                outcome.filled = c != console::FormattedInput::kEnd;
                outcome.value = outcome.filled ? static_cast<std::uint64_t>(c) : 0;
                break;
            }
            case Read::kChar: {
                char c = 0;
                outcome.filled = in.read_char(c);
                outcome.value = static_cast<unsigned char>(c);
                break;
            }
            case Read::kInt: {
                std::int32_t value = 7;
                outcome.filled = in.read_int(value);
                outcome.value = static_cast<std::uint32_t>(value);
                break;
            }
            case Read::kDouble:
                outcome = read_number<double>(in);
                break;
            case Read::kFloat:
                outcome = read_number<float>(in);
                break;
            case Read::kSeparators:
                outcome.filled = in.skip_separator_run();
                break;
            case Read::kCount:
                break;
        }
        outcome.position = in.position();
        if (text != nullptr)
            check_against_c(read, *text, from, outcome.position, outcome.filled, outcome.value);
        outcomes.push_back(outcome);
    }
    return outcomes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    std::vector<std::size_t> blocks(provider.ConsumeIntegralInRange<std::size_t>(0, 6));
    for (auto& block : blocks) block = provider.ConsumeIntegralInRange<std::size_t>(1, 300);
    std::vector<Read> reads(provider.ConsumeIntegralInRange<std::size_t>(1, 40));
    for (auto& read : reads) {
        read = static_cast<Read>(
            provider.ConsumeIntegralInRange<int>(0, static_cast<int>(Read::kCount) - 1));
    }
    const std::string raw = provider.ConsumeRemainingBytesAsString();
    const std::string text = testkit::fold_crlf(raw);
    const auto in_blocks = run(raw, blocks, reads, &text);
    if (run(raw, {}, reads, nullptr) != in_blocks) std::abort();
    return 0;
}
