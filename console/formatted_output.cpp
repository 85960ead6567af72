#include "console/formatted_output.hpp"

#include <cerrno>
#include <cstdarg>
#include <cstdio>

namespace console {

void FormattedOutput::printf(const char* format, ...) noexcept {
    const std::size_t room = kBufferSize - used_;
    va_list arguments;
    va_start(arguments, format);
    const int length = std::vsnprintf(buffer_ + used_, room, format, arguments);
    va_end(arguments);
    if (length >= 0 && static_cast<std::size_t>(length) < room) {
        used_ += static_cast<std::size_t>(length);
        return;
    }
    if (error_ == 0) error_ = length < 0 ? EILSEQ : EOVERFLOW;
}

bool FormattedOutput::flush() noexcept {
    if (error_ != 0) {
        used_ = 0;
        return false;
    }
    if (used_ > 0 && !sink_.write(buffer_, used_)) error_ = errno != 0 ? errno : EIO;
    used_ = 0;
    return error_ == 0;
}

}  // namespace console
