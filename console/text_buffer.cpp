#include "console/text_buffer.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "console/character_classes.hpp"
#include "console/word_at_a_time.hpp"

namespace console {
namespace {

// Whether a scan for white space or for digits stops at byte c, as at the sentinel.
bool stops_scans(char c) noexcept {
    return !chars::is_space_byte(c) && !chars::is_digit(c);
}

// How far back from the text's end a byte that stops the scans is looked for.
constexpr std::size_t kStopSearch = 256;

// How much of the text shown in place becomes the reads' text at a time, at the least.
constexpr std::size_t kSearchBytes = 4096;

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

// Text shown in place keeps the buffer's promises: readable bytes before and after it, room for
// the sentinel, and the unread text (less than kMaxLookahead bytes at a refill) shown again.
static_assert(TextBuffer::kGuardBytes <= ByteSource::kShownReadableBefore);
static_assert(TextBuffer::kPaddingBytes + 1 <= ByteSource::kShownReadableAfter);
static_assert(TextBuffer::kMaxLookahead <= ByteSource::kShownBackMax);

TextBuffer::TextBuffer(ByteSource& source) noexcept
    : source_(source), next_(buffer()), end_(buffer()), bulk_end_(buffer()), base_(buffer()) {}

bool TextBuffer::fill(std::size_t wanted) noexcept {
    while (available() < wanted) {
        if (at_end_) return false;
        if (search_shown_text(true)) continue;
        uncover_shown_end();
        // The unread text goes to the buffer first: it stays readable there whatever the source
        // does with the memory it showed, and the buffer is where the next block lands if the
        // source shows nothing more.
        move_unread_to_front();
        if (!show_in_place()) read_block();
    }
    return true;
}

void TextBuffer::take_bulk(const char* position) noexcept {
    if (position > end_) {
        // Text a bulk reader took holds no carriage return: it is the text as it stands.
        uncover_shown_end();
        source_.consume_shown(static_cast<std::size_t>(position - end_));
        end_ += position - end_;
    }
    next_ += position - next_;
}

void TextBuffer::rebase(char* text) noexcept {
    consumed_before_base_ += static_cast<std::uint64_t>(next_ - base_);
    base_ = next_ = text;
}

void TextBuffer::move_unread_to_front() noexcept {
    if (next_ == buffer()) return;
    const std::size_t unread = available();
    std::memmove(buffer(), next_, unread);
    rebase(buffer());
    end_ = bulk_end_ = buffer() + unread;
}

void TextBuffer::uncover_shown_end() noexcept {
    if (covered_) *end_ = byte_under_sentinel_;
    covered_ = false;
}

bool TextBuffer::show_in_place() noexcept {
    if (held_cr_) return false;
    const std::size_t unread = available();
    const ByteSource::Span shown = source_.show(unread);
    if (shown.size <= unread) return false;
    // The shown bytes start with the unread text over again, unfolded: the same text unless a
    // carriage return was dropped from it. A carriage return right after it is folded in the
    // buffer; later ones are found as the reads get near them.
    if (find_cr(shown.data, shown.data + unread + 1) != nullptr) return false;
    rebase(shown.data);
    end_ = shown.data + unread;
    bulk_end_ = shown.data + shown.size;
    // What is shown now is taken, up to its end if need be: the reads have nothing else.
    return search_shown_text(false);
}

bool TextBuffer::search_shown_text(bool may_leave_tail) noexcept {
    if (end_ == bulk_end_) return false;
    uncover_shown_end();
    // The next bytes become text for the reads up to the first carriage return; the rest of
    // what the source shows from that one on is read through the buffer, which folds it.
    char* limit = end_ + std::min(static_cast<std::size_t>(bulk_end_ - end_), kSearchBytes);
    if (const char* cr = find_cr(end_, limit)) {
        limit = bulk_end_ = end_ + (cr - end_);
        if (limit == end_) return false;
    }
    // The byte after the text must stop a scan for white space or digits. The text ends just
    // before such a byte of its own, found a few bytes back; only where none is near does the
    // sentinel overwrite the byte after it (a write that makes a private copy of that page).
    char* const lowest = limit - std::min(static_cast<std::size_t>(limit - end_) - 1, kStopSearch);
    char* stop = limit;
    while (stop > lowest && !stops_scans(*stop)) --stop;
    if (!stops_scans(*stop)) {
        // The last bytes shown (bulk_end_ stops short of the end shown only at a carriage
        // return), with no such byte among them: they are left for the source to show again at
        // the start of its next stretch, rather than covered by the sentinel, whose write would
        // copy the page they lie in.
        if (may_leave_tail && limit == bulk_end_ && *limit != '\r') return false;
        // A long run of blanks or digits: the text takes all that is shown up to the next
        // carriage return at once, so that the sentinel, and the private page it may need, comes
        // once for all of it.
        if (const char* cr = find_cr(limit, bulk_end_)) bulk_end_ = limit + (cr - limit);
        stop = limit = bulk_end_;
    }
    source_.consume_shown(static_cast<std::size_t>(stop - end_));
    end_ = stop;
    covered_ = !stops_scans(*end_);
    if (covered_) {
        byte_under_sentinel_ = *end_;
        *end_ = kSentinel;
    }
    return true;
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
        end_ = bulk_end_ = raw;  // a carriage return at the very end of the input stays
        *end_ = kSentinel;
        return;
    }
    char* raw_end = raw + got;
    held_cr_ = raw_end[-1] == '\r';
    if (held_cr_) --raw_end;
    end_ = bulk_end_ = fold_crlf(end_, raw_end);
    *end_ = kSentinel;
}

}  // namespace console
