// Standard input that is a regular file, read where its bytes lie: the file is mapped into memory
// one window at a time, each window replacing the last as the reads move on, so that memory stays
// fixed whatever the file's size. Text in a window is shown to the reads in place (show()); the
// bytes that need copying (a carriage return to fold) are copied out of the window by read().
//
// The mapping is private: the reads may write into a window (the text buffer puts its sentinel
// after the text) and nothing reaches the file. The file's read position is kept where read(2)
// would have left it, so that whoever shares the file descriptor finds the rest after the program.
//
// A file that grows while it is read is read to its new end, as read(2) would. A file that shrinks
// under the mapping would raise SIGBUS on the bytes past its new end: the fault handler puts a page
// of zeros in their place instead, the input ends with the read error kFileCutShort at the next
// refill, and later_error() reports it even if the reads never come back for more.
//
// Where the file cannot be mapped (not a regular file, a size of 0, a descriptor open for writing
// only, no room for the window, or a host without mappings) mapped() is false and the caller reads
// the descriptor as before.
#pragma once

#include <cstddef>
#include <cstdint>

#include "console/byte_source.hpp"

namespace console {

class MappedFile final : public ByteSource {
  public:
    static constexpr std::size_t kWindowBytes = 2 * 1024 * 1024;
    // Most new bytes that one show() returns: text is handed out in stretches this long, each
    // checked for carriage returns just before the reads go through it.
    static constexpr std::size_t kStretchBytes = 128 * 1024;

    // window_bytes is rounded up to whole pages; it must be at least two pages.
    explicit MappedFile(int fd, std::size_t window_bytes = kWindowBytes) noexcept;
    ~MappedFile() override;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    bool mapped() const noexcept { return region_ != nullptr; }

    std::ptrdiff_t read(char* dst, std::size_t max) override;
    Span show(std::size_t back) noexcept override;
    void consume_shown(std::size_t count) noexcept override;
    int later_error() const noexcept override;

  private:
    // Maps the window that starts at the page holding file offset `offset`; false if it fails.
    bool map_window(std::uint64_t offset) noexcept;
    // Whether the file now ends after the read position: asks the file's size again at the end
    // of what it was.
    bool more_to_read() noexcept;

    int fd_;
    std::size_t page_ = 0;
    std::size_t window_bytes_ = 0;
    char* region_ = nullptr;  // a guard page, the window, then a page of padding
    std::size_t region_bytes_ = 0;
    std::uint64_t window_offset_ = 0;  // the file offset at the window's start
    std::size_t window_mapped_ = 0;    // bytes of the file mapped there
    std::uint64_t start_ = 0;          // the read position when reading began
    std::uint64_t position_ = 0;       // the file offset of the next byte not consumed
    std::uint64_t size_ = 0;           // the file's size, as last asked
    bool broken_ = false;              // a window could not be mapped: read() goes on with read(2)
};

}  // namespace console
