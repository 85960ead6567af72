#include "console/output_stream.hpp"

#include <cerrno>
#include <cstdarg>
#include <cstdio>

#include "console/system.hpp"

namespace console {

bool FdSink::write(const char* data, std::size_t size) {
    return write_all(fd_, data, size);
}

void OutputStream::printf(const char* format, ...) noexcept {
    for (int attempt = 0; attempt < 2; ++attempt) {
        const std::size_t room = kBufferSize - used_;
        va_list arguments;
        va_start(arguments, format);
        const int length = std::vsnprintf(buffer_ + used_, room, format, arguments);
        va_end(arguments);
        if (length < 0) {
            if (error_ == 0) error_ = EILSEQ;
            return;
        }
        if (static_cast<std::size_t>(length) < room) {
            used_ += static_cast<std::size_t>(length);
            return;
        }
        // It did not fit behind what is buffered: write that out and format again.
        if (!flush()) return;
    }
    // Longer than the whole buffer: the text cannot be written whole, and is lost.
    if (error_ == 0) error_ = EOVERFLOW;
}

bool OutputStream::flush() noexcept {
    if (error_ != 0) {
        used_ = 0;
        return false;
    }
    if (used_ > 0 && !sink_.write(buffer_, used_)) error_ = errno != 0 ? errno : EIO;
    used_ = 0;
    return error_ == 0;
}

}  // namespace console
