#include "console/text_buffer.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "console/word_at_a_time.hpp"

namespace console {

namespace {

// The first carriage return in [begin, end), or null.
const char* find_cr(const char* begin, const char* end) noexcept {
#if defined(_WIN32)
    // The C runtime the Windows builds link (msvcrt.dll, as wine implements it) compares one byte
    // at a time in memchr: here a word of eight bytes is tested at once, with subtractions whose
    // borrows can flag only bytes after the first carriage return.
    constexpr std::uint64_t kOnes = 0x0101010101010101u;
    while (end - begin >= 8) {
        const std::uint64_t x = words::load_word(begin) ^ (kOnes * '\r');
        const std::uint64_t flags = (x - kOnes) & ~x & (kOnes * 0x80);
        if (flags != 0) return begin + words::bytes_before_flag(flags);
        begin += 8;
    }
#endif
    return static_cast<const char*>(
        std::memchr(begin, '\r', static_cast<std::size_t>(end - begin)));
}

}  // namespace

char* fold_crlf(char* begin, char* end) noexcept {
    const char* first_cr = find_cr(begin, end);
    if (first_cr == nullptr) return end;
    char* out = begin + (first_cr - begin);
    const char* in = out;
    while (in < end) {
        // `in` is at a carriage return: drop it when a line feed follows, then copy up to the
        // next carriage return.
        if (in + 1 < end && in[1] == '\n') ++in;
        const char* next_cr = find_cr(in + 1, end);
        const char* stop = next_cr == nullptr ? end : next_cr;
        const auto length = static_cast<std::size_t>(stop - in);
        std::memmove(out, in, length);
        out += length;
        in = stop;
    }
    return out;
}

TextBuffer::TextBuffer(ByteSource& source) noexcept
    : source_(source), next_(buffer()), end_(buffer()) {}

bool TextBuffer::fill(std::size_t wanted) noexcept {
    while (available() < wanted) {
        if (at_end_) return false;
        move_unread_to_front();
        read_block();
    }
    return true;
}

void TextBuffer::move_unread_to_front() noexcept {
    if (next_ == buffer()) return;
    const std::size_t unread = available();
    std::memmove(buffer(), next_, unread);
    consumed_before_buffer_ += static_cast<std::uint64_t>(next_ - buffer());
    next_ = buffer();
    end_ = buffer() + unread;
}

void TextBuffer::read_block() noexcept {
    // A carriage return held back from the last block goes first, to be looked at together with
    // the byte that now follows it.
    char* raw = end_;
    if (held_cr_) *raw++ = '\r';
    held_cr_ = false;
    const std::ptrdiff_t got = source_.read(raw, kBlockSize);
    if (got <= 0) {
        if (got < 0) error_ = errno != 0 ? errno : EIO;
        at_end_ = true;
        end_ = raw;  // a carriage return at the very end of the input stays
        *end_ = kSentinel;
        return;
    }
    char* raw_end = raw + got;
    held_cr_ = raw_end[-1] == '\r';
    if (held_cr_) --raw_end;
    end_ = fold_crlf(end_, raw_end);
    *end_ = kSentinel;
}

}  // namespace console
