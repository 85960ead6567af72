#include "console/byte_sink.hpp"

#include "console/platform.hpp"

namespace console {

bool FdSink::write(const char* data, std::size_t size) {
    return write_all(fd_, data, size);
}

}  // namespace console
