#include "support/file/fd_file.h"

#include <ace/Mem_Map.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "support/file/file.h"
#include "support/file/file_io.h"
#include "support/file/open_flags.h"

namespace morvane {

bool map_read_only_files = false;

namespace {

// Prefaulting reads the mapping through a scratch block of at most 1 MiB.
constexpr uint32_t kPrefaultChunk = 1u << 20;

int open_flags_for(int mode) {
  switch (mode) {
    case IF_MODE_CREATE: return O_RDWR | O_CREAT | O_TRUNC;
    case IF_MODE_READ: return O_RDONLY;
    default: return O_RDWR;  // update, append and unknown modes
  }
}

}  // namespace

iFdFile::iFdFile() = default;

iFdFile::~iFdFile() { iFdFile::close(); }

bool iFdFile::is_open() const { return mapped_ || descriptor_ != -1; }

bool iFdFile::open(const char* name, int mode, uint32_t flags) {
  name_.assign(name);
  if (is_open() || name == nullptr) return false;
  flags_ = mode == IF_MODE_READ ? kFileFlagReadOnly : 0;

  // The mapping opens by name and would follow a link: IF_NOFOLLOW opens
  // the descriptor instead.
  if (mode == IF_MODE_READ && (flags & IF_MAP) && !(flags & IF_NOFOLLOW) && map_read_only_files &&
      open_mapped(name, flags)) {
    return true;
  }

  // Share modes (IF_SHARED) and text mode (IF_TEXT) have no meaning here.
  const int system_flags = open_flags_for(mode) | O_CLOEXEC | ((flags & IF_NOFOLLOW) ? O_NOFOLLOW : 0);
  int fd;
  do {
    fd = ::open(name, system_flags, 0666);
  } while (fd == -1 && errno == EINTR);
  if (fd == -1) {
    if (errno == ENFILE || errno == EMFILE) {
      throw iFile::TooManyOpenFiles(WString(name, codepage_latin1));
    }
    return false;
  }
  descriptor_ = fd;
  if (mode == IF_MODE_APPEND) ::lseek(descriptor_, 0, SEEK_END);
  return is_open();
}

bool iFdFile::open_mapped(const char* name, uint32_t flags) {
  auto mapping = std::make_unique<ACE_Mem_Map>();
  if (mapping->map(name, static_cast<size_t>(-1), O_RDONLY, 0666, PROT_READ, MAP_PRIVATE,
                   nullptr, 0) < 0) {
    return false;  // go on with an ordinary read-only open
  }
  if (mapping->size() > UINT32_MAX) {
    mapping->close();  // beyond what the 32-bit positions can address
    return false;
  }
  mapping_ = std::move(mapping);
  mapped_base_ = static_cast<const unsigned char*>(mapping_->addr());
  mapped_size_ = static_cast<uint32_t>(mapping_->size());
  mapped_position_ = 0;
  mapped_ = true;
  if (flags & IF_PREFAULT) prefault();
  return true;
}

// Touches every page of the mapping once, front to back, so that later
// reads do not fault.
void iFdFile::prefault() {
  if (mapped_size_ == 0) return;
  std::vector<unsigned char> scratch(std::min(mapped_size_, kPrefaultChunk));
  for (uint32_t done = 0; done < mapped_size_;) {
    uint32_t chunk = std::min<uint32_t>(mapped_size_ - done, kPrefaultChunk);
    std::memcpy(scratch.data(), mapped_base_ + done, chunk);
    done += chunk;
  }
}

void iFdFile::close() {
  if (mapped_) {
    sync();
    mapping_->close();
    mapping_.reset();
    mapped_ = false;
    mapped_base_ = nullptr;
    mapped_position_ = mapped_size_ = 0;
  }
  if (descriptor_ != -1) {
    ::close(descriptor_);
    descriptor_ = -1;
  }
}

int32_t iFdFile::read(void* buffer, uint32_t n) {
  if (mapped_) {
    uint32_t count = std::min(n, mapped_size_ - mapped_position_);
    if (count == 0) return 0;
    std::memcpy(buffer, mapped_base_ + mapped_position_, count);
    mapped_position_ += count;
    return static_cast<int32_t>(count);
  }
  ssize_t result = file_io::read_some(descriptor_, buffer, n);
  if (result != static_cast<ssize_t>(n)) set_error();
  return static_cast<int32_t>(result);
}

int32_t iFdFile::write(const void* buffer, uint32_t n) {
  if (mapped_) {  // a mapped file is read-only
    set_error();
    return -1;
  }
  ssize_t result = file_io::write_some(descriptor_, buffer, n);
  if (result != static_cast<ssize_t>(n)) set_error();
  return static_cast<int32_t>(result);
}

int32_t iFdFile::tell() {
  if (mapped_) return static_cast<int32_t>(mapped_position_);
  return file_io::narrow_position(::lseek(descriptor_, 0, SEEK_CUR));
}

int32_t iFdFile::seek(int32_t offset, int whence) {
  if (mapped_) {
    int64_t target;
    switch (whence) {
      case kSeekBegin: target = offset; break;
      case kSeekCurrent: target = int64_t{mapped_position_} + offset; break;
      case kSeekEnd: target = int64_t{mapped_size_} - offset; break;
      default: set_error(); return -1;
    }
    if (target < 0 || target > mapped_size_ || target > INT32_MAX) return -1;
    mapped_position_ = static_cast<uint32_t>(target);
    return static_cast<int32_t>(target);
  }
  // The system knows more whence values (SEEK_DATA, SEEK_HOLE) that move.
  if (!file_io::valid_whence(whence)) {
    set_error();
    return -1;
  }
  return file_io::narrow_position(::lseek(descriptor_, offset, whence));
}

int32_t iFdFile::sync() {
  if (read_only()) return 0;
  if (descriptor_ == -1) return 0;
  return ::fsync(descriptor_);
}

int32_t iFdFile::flush() {
  if (mapped_) mapping_->sync(static_cast<size_t>(-1), 0);
  return 0;
}

}  // namespace morvane
