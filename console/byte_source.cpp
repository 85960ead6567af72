#include "console/byte_source.hpp"

#include "console/platform.hpp"

namespace console {

std::ptrdiff_t FdSource::read(char* dst, std::size_t max) {
    return read_fd(fd_, dst, max);
}

}  // namespace console
