#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "console/mapped_file.hpp"
#include "console/platform.hpp"

namespace console {
namespace {

std::uint64_t round_up(std::uint64_t value, std::size_t page) {
    return (value + page - 1) / page * page;
}

// What the SIGBUS handler knows of the one window mapped now (a process maps one file at a time):
// where its file bytes lie, which bytes of the file they are, and whether some were found gone.
std::atomic<int> window_fd{-1};
std::atomic<char*> window_begin{nullptr};
std::atomic<std::uint64_t> window_offset{0};
std::atomic<std::size_t> window_file_bytes{0};
std::atomic<std::size_t> window_page{0};
volatile sig_atomic_t file_shrank = 0;
struct sigaction previous_bus_action {};

// Puts pages of zeros in place of the window's pages that no longer hold a byte of the file;
// false when there are none. It asks the file for its size rather than trusting the fault's
// address, which some emulators report wrongly.
bool zero_the_pages_past_the_end() {
    char* const begin = window_begin.load();
    struct stat status {};
    if (begin == nullptr || ::fstat(window_fd.load(), &status) != 0) return false;
    const std::uint64_t size = static_cast<std::uint64_t>(status.st_size);
    const std::uint64_t offset = window_offset.load();
    const std::size_t mapped = window_file_bytes.load();
    const std::size_t kept = size <= offset
                                 ? 0
                                 : static_cast<std::size_t>(std::min<std::uint64_t>(
                                       round_up(size - offset, window_page.load()), mapped));
    if (kept == mapped) return false;
    if (::mmap(begin + kept, mapped - kept, PROT_READ | PROT_WRITE,
               MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) == MAP_FAILED) {
        return false;
    }
    window_file_bytes.store(kept);
    return true;
}

void on_bus_error(int signal_number, siginfo_t* info, void*) {
    const bool from_an_access = info->si_code > 0;  // not sent by kill() or raise()
    if (from_an_access && zero_the_pages_past_the_end()) {
        // The file shrank under the window: the access runs again on zeros, and the next refill
        // reports the read error.
        file_shrank = 1;
        return;
    }
    // Not the window's: handled as it would have been without this handler, the access by
    // running again, the signal sent by another process by raising it anew.
    ::sigaction(SIGBUS, &previous_bus_action, nullptr);
    if (!from_an_access) ::raise(signal_number);
}

void watch_bus_errors(int fd, char* window, std::size_t page) {
    window_fd.store(fd);
    window_page.store(page);
    window_file_bytes.store(0);
    window_begin.store(window);
    file_shrank = 0;
    struct sigaction action {};
    action.sa_sigaction = on_bus_error;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGBUS, &action, &previous_bus_action);
}

// Tells the handler which bytes of the file the window now maps.
void watch_window(std::uint64_t offset, std::size_t bytes) {
    window_file_bytes.store(0);
    window_offset.store(offset);
    window_file_bytes.store(bytes);
}

void stop_watching_bus_errors() {
    ::sigaction(SIGBUS, &previous_bus_action, nullptr);
    window_begin.store(nullptr);
}

}  // namespace

MappedFile::MappedFile(int fd, std::size_t window_bytes) noexcept : fd_(fd) {
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size <= 0) return;
    const off_t here = ::lseek(fd, 0, SEEK_CUR);
    if (here < 0 || here >= status.st_size) return;
    if (window_begin.load() != nullptr) return;  // another file is mapped in this process

    page_ = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    window_bytes_ = static_cast<std::size_t>(round_up(std::max(window_bytes, 2 * page_), page_));
    region_bytes_ = page_ + window_bytes_ + page_;
    void* const region =
        ::mmap(nullptr, region_bytes_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (region == MAP_FAILED) return;
    region_ = static_cast<char*>(region);
    start_ = position_ = static_cast<std::uint64_t>(here);
    size_ = static_cast<std::uint64_t>(status.st_size);
    watch_bus_errors(fd, region_ + page_, page_);
    if (!map_window(position_)) {
        stop_watching_bus_errors();
        ::munmap(region_, region_bytes_);
        region_ = nullptr;
        broken_ = false;
    }
}

MappedFile::~MappedFile() {
    if (region_ == nullptr) return;
    stop_watching_bus_errors();
    ::munmap(region_, region_bytes_);
}

bool MappedFile::map_window(std::uint64_t offset) noexcept {
    char* const window = region_ + page_;
    const std::uint64_t first = offset - offset % page_;
    const auto bytes = static_cast<std::size_t>(
        std::min<std::uint64_t>(window_bytes_, round_up(size_, page_) - first));
    if (::mmap(window, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_FIXED, fd_,
               static_cast<off_t>(first)) == MAP_FAILED) {
        // The window may be gone with the failed call: anonymous pages keep the region readable
        // (and the fault handler's), and the rest of the file is read with read(2).
        ::mmap(window, window_bytes_, PROT_READ | PROT_WRITE,
               MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
        watch_window(first, 0);
        window_mapped_ = 0;
        broken_ = true;
        ::lseek(fd_, static_cast<off_t>(position_), SEEK_SET);
        return false;
    }
    watch_window(first, bytes);
    // Whatever a longer window before left behind this one becomes padding again.
    if (bytes < window_mapped_) {
        ::mmap(window + bytes, window_mapped_ - bytes, PROT_READ | PROT_WRITE,
               MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
    }
    window_offset_ = first;
    window_mapped_ = bytes;
    // Fault the window's pages in now, in one call, rather than one page fault at a time as the
    // reads reach them. Reading them does not copy them; only the page that a write touches is.
#ifdef MADV_POPULATE_READ
    ::madvise(window, bytes, MADV_POPULATE_READ);
#endif
    return true;
}

bool MappedFile::more_to_read() noexcept {
    if (position_ < size_) return true;
    struct stat status {};
    if (::fstat(fd_, &status) == 0) size_ = static_cast<std::uint64_t>(status.st_size);
    return position_ < size_;
}

ByteSource::Span MappedFile::show(std::size_t back) noexcept {
    if (region_ == nullptr || broken_ || file_shrank != 0) return {};
    if (back > kShownBackMax || back > position_ - start_ || !more_to_read()) return {};
    const std::uint64_t from = position_ - back;
    std::uint64_t to = std::min(size_, position_ + kStretchBytes);
    // Bytes after the mapped ones, up to the region's end, are anonymous pages: past the window
    // there is always room for the padding.
    if (from < window_offset_ || to > window_offset_ + window_mapped_) {
        if (!map_window(from)) return {};
        to = std::min(to, window_offset_ + window_mapped_);
    }
    return {region_ + page_ + (from - window_offset_), static_cast<std::size_t>(to - from)};
}

void MappedFile::consume_shown(std::size_t count) noexcept {
    position_ += count;
    ::lseek(fd_, static_cast<off_t>(position_), SEEK_SET);
}

int MappedFile::later_error() const noexcept {
    return region_ != nullptr && file_shrank != 0 ? kFileCutShort : 0;
}

std::ptrdiff_t MappedFile::read(char* dst, std::size_t max) {
    if (region_ == nullptr || broken_) return read_fd(fd_, dst, max);
    const Span shown = show(0);
    if (file_shrank == 0 && shown.size > 0) std::memcpy(dst, shown.data, std::min(max, shown.size));
    if (file_shrank != 0) {
        errno = kFileCutShort;
        return -1;
    }
    if (shown.size == 0) return broken_ ? read_fd(fd_, dst, max) : 0;
    const std::size_t count = std::min(max, shown.size);
    consume_shown(count);
    return static_cast<std::ptrdiff_t>(count);
}

}  // namespace console
