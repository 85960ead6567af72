// Standard streams for fuzzing a whole program in-process: standard input is the fuzzer's
// data, handed over in blocks of a chosen size, and standard output is kept in memory. Each run
// starts with fresh streams; the closing pause has nobody to wait for.
#include "fuzz/fuzz_streams.hpp"

#include <algorithm>
#include <cstring>
#include <new>

#include "console/standard_streams.hpp"

namespace fuzz_streams {
namespace {

class DataSource final : public console::ByteSource {
  public:
    std::ptrdiff_t read(char* dst, std::size_t max) override {
        const std::size_t size = std::min({max, block, data.size() - offset});
        std::memcpy(dst, data.data() + offset, size);
        offset += size;
        return static_cast<std::ptrdiff_t>(size);
    }
    std::string_view data;
    std::size_t block = 1;
    std::size_t offset = 0;
};

class StringSink final : public console::ByteSink {
  public:
    bool write(const char* data, std::size_t size) override {
        text.append(data, size);
        return true;
    }
    std::string text;
};

DataSource source;
StringSink sink;
alignas(console::InputStream) unsigned char input_storage[sizeof(console::InputStream)];
alignas(console::OutputStream) unsigned char output_storage[sizeof(console::OutputStream)];
console::InputStream* input = nullptr;
console::OutputStream* output = nullptr;

}  // namespace

std::string run(int (*program)(), std::string_view data, std::size_t block) {
    source.data = data;
    source.block = block;
    source.offset = 0;
    sink.text.clear();
    // The streams hold no resources: a new run simply builds new ones in the same place.
    input = new (input_storage) console::InputStream(source);
    output = new (output_storage) console::OutputStream(sink);
    if (program() != 0) std::abort();
    return sink.text;
}

}  // namespace fuzz_streams

namespace console {

InputStream& standard_input() {
    return *fuzz_streams::input;
}
OutputStream& standard_output() {
    return *fuzz_streams::output;
}
void closing_pause() {
    standard_output().flush();
}
int exit_status(const char*) {
    return standard_output().flush() ? 0 : 1;
}

}  // namespace console
