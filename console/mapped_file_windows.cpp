// Windows builds read standard input with the runtime's reads: the file is never mapped, and
// show() shows nothing.
#include "console/mapped_file.hpp"
#include "console/platform.hpp"

namespace console {

MappedFile::MappedFile(int fd, std::size_t) noexcept : fd_(fd) {}

MappedFile::~MappedFile() = default;

std::ptrdiff_t MappedFile::read(char* dst, std::size_t max) {
    return read_fd(fd_, dst, max);
}

ByteSource::Span MappedFile::show(std::size_t) noexcept {
    return {};
}

void MappedFile::consume_shown(std::size_t) noexcept {}

int MappedFile::later_error() const noexcept {
    return 0;
}

}  // namespace console
