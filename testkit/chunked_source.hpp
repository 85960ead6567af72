// Text in memory as a byte source that hands its text over in chunks of chosen sizes, so that
// tests and fuzzers can put block ends anywhere: inside a number, between a CR and its LF, in a
// run of white space. And a byte sink that keeps what it is given.
#pragma once

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "console/byte_sink.hpp"
#include "console/byte_source.hpp"
#include "console/formatted_input.hpp"

namespace testkit {

class ChunkedSource final : public console::ByteSource {
  public:
    // chunk_sizes cycle; an empty list hands everything over at once. At the end of the text
    // the source reports the end of the input, or the error error_at_end when it is not 0.
    explicit ChunkedSource(std::string_view text, std::vector<std::size_t> chunk_sizes = {},
                           int error_at_end = 0)
        : text_(text), chunk_sizes_(std::move(chunk_sizes)), error_at_end_(error_at_end) {}

    std::ptrdiff_t read(char* dst, std::size_t max) override {
        ++reads_;
        if (offset_ == text_.size()) {
            if (error_at_end_ == 0) return 0;
            errno = error_at_end_;
            return -1;
        }
        std::size_t size = text_.size() - offset_;
        if (!chunk_sizes_.empty()) {
            size = std::min(size,
                            std::max<std::size_t>(chunk_sizes_[next_++ % chunk_sizes_.size()], 1));
        }
        size = std::min(size, max);
        std::memcpy(dst, text_.data() + offset_, size);
        offset_ += size;
        return static_cast<std::ptrdiff_t>(size);
    }

    int reads() const { return reads_; }

  private:
    std::string text_;
    std::vector<std::size_t> chunk_sizes_;
    int error_at_end_;
    std::size_t offset_ = 0;
    std::size_t next_ = 0;
    int reads_ = 0;
};

class StringSink final : public console::ByteSink {
  public:
    bool write(const char* data, std::size_t size) override {
        text.append(data, size);
        return true;
    }
    std::string text;
};

// Everything a stream has left, byte by byte.
inline std::string drain(console::FormattedInput& in) {
    std::string rest;
    for (int c = in.getchar(); c != console::FormattedInput::kEnd; c = in.getchar()) {
        rest.push_back(static_cast<char>(c));
    }
    return rest;
}

}  // namespace testkit
