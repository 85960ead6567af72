// Runs one of the stream's reads on a case's text in every way the text can arrive, and checks
// what the read leaves in the input; the caller's `read` does the read and checks what it gave.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/formatted_input.hpp"
#include "testkit/chunked_source.hpp"

namespace testing_support {

using testkit::ChunkedSource;
using testkit::drain;

using Chunkings = std::vector<std::vector<std::size_t>>;

// The chunkings every read case runs under: all at once, then block ends after every byte
// and at odd places.
inline const Chunkings& chunkings() {
    static const Chunkings all = {{}, {1}, {2}, {3}, {5, 1, 7}};
    return all;
}

// Text put after a token so that the reads find enough of it in the buffer to take the token
// straight from there; each table of read cases runs with and without such a tail. `fill` must
// end the token: ';' ends a number, 'x' a separator run.
inline std::string long_tail(char fill) {
    return std::string(2 * console::TextBuffer::kMaxLookahead, fill);
}

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
