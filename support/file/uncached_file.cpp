#include "support/file/uncached_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "support/file/file_io.h"
#include "support/file/open_flags.h"
#include "support/heap/heap.h"
#include "support/platform/platform.h"
#include "support/string/owned_text.h"

namespace morvane {

bool uncached_files_refuse_direct_io = false;

namespace {

// The fixed diagnostics of this class, written to standard output and then
// carried on from. They read like typos but are the class's established
// texts, matched byte for byte by whoever watches the output: keep them.
constexpr const char* kWriteShort = "jerkjrtjk";      // a write or cut-back moved fewer bytes
constexpr const char* kWriteIncomplete = "erklrtklrekl";  // a direct write ended short
constexpr const char* kUnaligned = "Unaligned position";  // a transfer off a page boundary

}  // namespace

// The open file: descriptor, logical size and position, and the bounce
// block (16 page-aligned pages inside an allocation of 17).
struct iUncachedFile::Handle {
  int descriptor = -1;
  uint32_t size = 0;
  uint32_t position = 0;
  OwnedText name;
  int mode = 0;
  unsigned char* bounce = nullptr;
  void* allocation = nullptr;
  bool direct = false;
  size_t page = 0;

  ~Handle() { heap_free(allocation); }
};

namespace {

int open_flags_for(int mode) {
  switch (mode) {
    case IF_MODE_READ: return O_RDONLY;
    case IF_MODE_CREATE: return O_RDWR | O_CREAT | O_TRUNC;
    default: return O_RDWR | O_CREAT;
  }
}

}  // namespace

iUncachedFile::iUncachedFile() = default;

iUncachedFile::~iUncachedFile() { iUncachedFile::close(); }

bool iUncachedFile::is_open() const { return handle_ != nullptr && handle_->descriptor != -1; }

uint32_t iUncachedFile::size() const { return handle_ ? handle_->size : 0; }

bool iUncachedFile::direct() const { return handle_ && handle_->direct; }

bool iUncachedFile::open(const char* name, int mode, uint32_t /*flags*/) {
  name_.assign(name);
  if (handle_ != nullptr || name == nullptr) return false;
  auto handle = std::make_unique<Handle>();
  handle->name.assign(name);
  handle->mode = mode;
  handle->page = platform::page_size();
  handle->allocation = heap_allocate((kBouncePages + 1) * handle->page);
  auto start = reinterpret_cast<uintptr_t>(handle->allocation);
  handle->bounce = reinterpret_cast<unsigned char*>((start + handle->page - 1) &
                                                    ~(uintptr_t{handle->page} - 1));

  int flags = open_flags_for(mode) | O_CLOEXEC;
  int fd = -1;
  if (!uncached_files_refuse_direct_io) {
    fd = ::open(name, flags | O_DIRECT, 0666);
    handle->direct = fd != -1;
  }
  if (fd == -1 && (uncached_files_refuse_direct_io || errno == EINVAL)) {
    fd = ::open(name, flags, 0666);  // no O_DIRECT here: drop the cache instead
  }
  struct stat info;
  if (fd != -1 && (fstat(fd, &info) != 0 || info.st_size > UINT32_MAX)) {
    ::close(fd);  // beyond what the 32-bit positions can address
    fd = -1;
  }
  if (fd == -1) {
    std::fprintf(stderr, "Can't open %s", name);
    std::fflush(stderr);
    return false;
  }
  handle->descriptor = fd;
  handle->size = static_cast<uint32_t>(info.st_size);
  handle->position = mode == IF_MODE_APPEND ? handle->size : 0;
  handle_ = std::move(handle);
  return true;
}

void iUncachedFile::close() {
  if (handle_ == nullptr) return;
  Handle& h = *handle_;
  if (h.descriptor != -1) {
    // Whole-page writes may have run past the logical end: cut it back.
    if (h.mode != IF_MODE_READ && h.size != 0) {
      if (::ftruncate(h.descriptor, h.size) != 0) file_io::print_diagnostic(kWriteShort);
    }
    ::close(h.descriptor);
  }
  handle_.reset();
}

int32_t iUncachedFile::tell() {
  return handle_ ? static_cast<int32_t>(handle_->position) : -1;
}

int32_t iUncachedFile::seek(int32_t offset, int whence) {
  if (!handle_) return -1;
  Handle& h = *handle_;
  int64_t target;
  switch (whence) {
    case kSeekCurrent: target = int64_t{h.position} + offset; break;
    case kSeekEnd: target = int64_t{h.size} - offset; break;
    default: target = offset; break;
  }
  if (target < 0 || target > INT32_MAX) return -1;
  if (target > h.size) {
    if (h.mode == IF_MODE_READ) return -1;
    h.size = static_cast<uint32_t>(target);
  }
  h.position = static_cast<uint32_t>(target);
  return static_cast<int32_t>(target);
}

void iUncachedFile::drop_cache(off_t offset, size_t length) const {
  if (!handle_->direct) posix_fadvise(handle_->descriptor, offset, static_cast<off_t>(length),
                                      POSIX_FADV_DONTNEED);
}

// Reads whole pages into the bounce block; what lies past the end of the
// file reads as zeros.
void iUncachedFile::read_pages(uint32_t first_page, uint32_t pages) {
  Handle& h = *handle_;
  size_t bytes = pages * h.page;
  off_t offset = static_cast<off_t>(first_page) * static_cast<off_t>(h.page);
  ssize_t got = file_io::pread_some(h.descriptor, h.bounce, bytes, offset);
  size_t valid = got < 0 ? 0 : static_cast<size_t>(got);
  std::memset(h.bounce + valid, 0, bytes - valid);
  drop_cache(offset, bytes);
}

bool iUncachedFile::write_pages(uint32_t first_page, uint32_t pages) {
  Handle& h = *handle_;
  size_t bytes = pages * h.page;
  off_t offset = static_cast<off_t>(first_page) * static_cast<off_t>(h.page);
  const bool written =
      file_io::pwrite_some(h.descriptor, h.bounce, bytes, offset) == static_cast<ssize_t>(bytes);
  if (!written) file_io::print_diagnostic(kWriteShort);
  drop_cache(offset, bytes);
  return written;
}

int32_t iUncachedFile::read(void* out, uint32_t n) {
  if (!is_open()) {
    set_error();
    return -1;
  }
  Handle& h = *handle_;
  if (h.position % h.page != 0) file_io::print_diagnostic(kUnaligned);
  if (h.position >= h.size) return 0;
  n = std::min(n, h.size - h.position);
  auto* buffer = static_cast<unsigned char*>(out);
  uint32_t copied = 0;
  while (n > 0) {
    uint32_t first_page = static_cast<uint32_t>(h.position / h.page);
    uint32_t last_page = static_cast<uint32_t>((uint64_t{h.position} + n - 1) / h.page);
    uint32_t pages = std::min(last_page - first_page + 1, kBouncePages);
    read_pages(first_page, pages);
    uint64_t pages_end = (uint64_t{first_page} + pages) * h.page;
    uint32_t chunk = static_cast<uint32_t>(std::min<uint64_t>(uint64_t{h.position} + n, pages_end) -
                                           h.position);
    std::memcpy(buffer, h.bounce + (h.position - uint64_t{first_page} * h.page), chunk);
    h.position += chunk;
    buffer += chunk;
    n -= chunk;
    copied += chunk;
  }
  return static_cast<int32_t>(copied);
}

int32_t iUncachedFile::write(const void* in, uint32_t n) {
  if (!is_open() || handle_->mode == IF_MODE_READ) {
    set_error();
    return -1;
  }
  Handle& h = *handle_;
  if (h.position % h.page != 0) file_io::print_diagnostic(kUnaligned);
  n = std::min<uint32_t>(n, INT32_MAX - h.position);
  if (h.position + n > h.size) h.size = h.position + n;
  const auto* buffer = static_cast<const unsigned char*>(in);

  // Page-aligned memory, position and length: straight to the disk. (With
  // O_DIRECT a length that is not whole pages would be refused, so such a
  // write takes the bounce block instead.)
  if (reinterpret_cast<uintptr_t>(buffer) % h.page == 0 && h.position % h.page == 0 &&
      n % h.page == 0) {
    ssize_t written = file_io::pwrite_some(h.descriptor, buffer, n, h.position);
    uint32_t count = written < 0 ? 0 : static_cast<uint32_t>(written);
    if (count < n) {
      file_io::print_diagnostic(kWriteShort);
      set_error();
    }
    drop_cache(h.position, n);
    h.position += count;
    if (count != n) file_io::print_diagnostic(kWriteIncomplete);
    return static_cast<int32_t>(count);
  }

  uint32_t taken = 0;
  while (n > 0) {
    uint32_t first_page = static_cast<uint32_t>(h.position / h.page);
    uint32_t offset = static_cast<uint32_t>(h.position % h.page);
    uint32_t last_page = static_cast<uint32_t>((uint64_t{h.position} + n - 1) / h.page);
    uint32_t pages = std::min(last_page - first_page + 1, kBouncePages);
    bool ends_inside_last = (uint64_t{h.position} + n) % h.page != 0 &&
                            first_page + pages - 1 == last_page;
    if (offset != 0) {
      pages = 1;  // a partial first page is handled alone, after reading it
      read_pages(first_page, 1);
    } else if (ends_inside_last) {
      if (pages == 1) {
        read_pages(first_page, 1);
      } else {
        --pages;  // the partial last page waits for the next pass
      }
    }
    uint64_t pages_end = (uint64_t{first_page} + pages) * h.page;
    uint32_t chunk = static_cast<uint32_t>(std::min<uint64_t>(uint64_t{h.position} + n, pages_end) -
                                           h.position);
    std::memcpy(h.bounce + offset, buffer, chunk);
    if (!write_pages(first_page, pages)) {
      set_error();  // the count says how much reached the disk
      break;
    }
    h.position += chunk;
    buffer += chunk;
    n -= chunk;
    taken += chunk;
  }
  return static_cast<int32_t>(taken);
}

}  // namespace morvane
