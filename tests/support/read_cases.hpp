// Runs one of the stream's reads on a case's text in every way the text can arrive, and checks
// what the read leaves in the input; the caller's `read` does the read and checks what it gave.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/formatted_input.hpp"
#include "tests/support/chunked_source.hpp"

namespace testing_support {

using Chunkings = std::vector<std::vector<std::size_t>>;

// The text goes to the stream as "#" + input + tail in each of `all` chunkings, with no tail and
// with a long tail of `fill`, which must end the token read. The "#" is taken first: that read
// fills the buffer, so `read` starts in the buffer, where it may take its token straight from
// there. What is left after `read` must be rest + tail.
template <typename Read>
void check_read(const std::string& input, const std::string& rest, char fill, Read read,
                const Chunkings& all = chunkings()) {
    for (const std::string& tail : {std::string(), long_tail(fill)}) {
        for (const auto& chunks : all) {
            SCOPED_TRACE(testing::Message()
                         << "input \"" << input.substr(0, 60) << "\" (" << input.size()
                         << " bytes), chunks " << chunks.size() << ", tail " << tail.size());
            ChunkedSource source("#" + input + tail, chunks);
            console::FormattedInput in(source);
            ASSERT_EQ(in.getchar(), '#');
            read(in);
            EXPECT_EQ(drain(in), rest + tail);
        }
    }
}

}  // namespace testing_support
