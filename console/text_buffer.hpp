// Input in text mode, held in one fixed buffer: bytes are read from a source in blocks of up to
// 64 KiB, and a carriage return right before a line feed is dropped as each block arrives, also
// when the pair is split between two blocks. Every other byte reaches the reads as it is.
//
// A source that shows its bytes in place (a mapped file) is read where they lie instead: the text
// is then the source's memory, not the buffer. It becomes the reads' text a few KiB at a time, as
// each part is searched for carriage returns; from one on, the bytes are copied into the buffer
// and folded there. Code that reads in bulk may look further, up to bulk_end(), at bytes not yet
// searched: it must take no text that holds a carriage return, and then needs no search at all.
//
// Invariants the reads rely on:
// - the unread text is [next(), end()); the byte at end() is neither white space nor a digit
//   (kSentinel, or for text shown in place often a byte of the input itself), so a scan for
//   either stops there without a bounds check per byte;
// - kPaddingBytes bytes from end() on and kGuardBytes bytes before the buffer's start are
//   readable (their values mean nothing), so that words may be loaded across either edge;
// - a carriage return that ends a block is held back until the next block shows whether a line
//   feed follows it; it is not in [next(), end()) meanwhile.
#pragma once

#include <cstddef>
#include <cstdint>

#include "console/byte_source.hpp"

namespace console {

class TextBuffer {
  public:
    // Bytes asked of the source per read.
    static constexpr std::size_t kBlockSize = 64 * 1024;
    // Most bytes that a read needs to see at once: unread text shorter than this is moved to the
    // front of the buffer before the next block is read behind it, so that a token split by a
    // block end reads on contiguously.
    static constexpr std::size_t kMaxLookahead = 64;
    static constexpr std::size_t kPaddingBytes = 64;
    static constexpr std::size_t kGuardBytes = 16;
    static constexpr char kSentinel = '\0';

    explicit TextBuffer(ByteSource& source) noexcept;
    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;

    const char* next() const noexcept { return next_; }
    const char* end() const noexcept { return end_; }
    std::size_t available() const noexcept { return static_cast<std::size_t>(end_ - next_); }
    // Consumes bytes that are available.
    void advance(std::size_t count) noexcept { next_ += count; }
    void advance_to(const char* position) noexcept { next_ += position - next_; }

    // The end of what a bulk reader may look at: end(), or further in text shown in place, where
    // [end(), bulk_end()) may hold carriage returns that text mode would drop. The guard and
    // padding bytes stand around [next(), bulk_end()) as around the text.
    const char* bulk_end() const noexcept { return bulk_end_; }
    // Consumes up to `position`, in [next(), bulk_end()], text that holds no carriage return.
    void take_bulk(const char* position) noexcept;

    // Makes at least `wanted` bytes (at most kMaxLookahead) available, reading blocks as needed;
    // false when the input ends first (what there is stays available).
    bool fill(std::size_t wanted) noexcept;

    // Bytes consumed so far, counting a dropped carriage return as none.
    std::uint64_t position() const noexcept {
        return consumed_before_base_ + static_cast<std::uint64_t>(next_ - base_);
    }
    // The errno of the read error that ended the input early, or the source's later error, or 0.
    int error() const noexcept { return error_ != 0 ? error_ : source_.later_error(); }

  private:
    char* buffer() noexcept { return storage_ + kGuardBytes; }
    const char* buffer() const noexcept { return storage_ + kGuardBytes; }
    // Moves the unread text to the buffer's start, making room for a whole block behind it.
    void move_unread_to_front() noexcept;
    // Makes the text start at `text` from now on, counting what was consumed before it.
    void rebase(char* text) noexcept;
    // Takes what the source shows next in place; false when it shows nothing new, when a
    // carriage return is held back, or when the next byte is one to fold.
    bool show_in_place() noexcept;
    // Makes more of the text shown in place the reads' text, up to the next carriage return;
    // false when there is none before it, or, where `may_leave_tail`, when all that is left are
    // the last bytes shown and no byte among them stops a scan (the next stretch shown starts
    // with them).
    bool search_shown_text(bool may_leave_tail) noexcept;
    // Puts back the source's byte that the sentinel after shown text covers.
    void uncover_shown_end() noexcept;
    // Reads one block behind the unread text and drops its carriage returns that precede a line
    // feed; sets at_end_ at the end of the input or on a read error.
    void read_block() noexcept;

    ByteSource& source_;
    char* next_;
    char* end_;
    char* bulk_end_;
    char* base_;  // where the text in use starts: the buffer, or a stretch the source shows
    std::uint64_t consumed_before_base_ = 0;
    bool covered_ = false;          // the sentinel at end_ covers a byte the source showed
    char byte_under_sentinel_ = 0;  // that byte
    bool held_cr_ = false;  // a carriage return ended the last block and is not yet in the text
    bool at_end_ = false;
    int error_ = 0;
    char storage_[kGuardBytes + kMaxLookahead + kBlockSize + kPaddingBytes] = {};
};

// Drops each carriage return that directly precedes a line feed in [begin, end), in place, and
// returns the new end.
char* fold_crlf(char* begin, char* end) noexcept;

}  // namespace console
