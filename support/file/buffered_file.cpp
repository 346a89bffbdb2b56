#include "support/file/buffered_file.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "support/file/open_flags.h"
#include "support/heap/heap.h"

namespace morvane {

using BufferedFile = iBufferedFile<iFdFile>;

BufferedFile::~iBufferedFile() { BufferedFile::close(); }

bool BufferedFile::open(const char* name, int mode, uint32_t flags) {
  // The window needs a descriptor: never serve this class from a mapping.
  if (!iFdFile::open(name, mode, flags & ~IF_MAP)) return false;
  heap_free(window_);
  window_ = static_cast<unsigned char*>(heap_allocate(kWindowSize));
  std::memset(window_, 0xFF, kWindowSize);
  off_t current = ::lseek(descriptor_, 0, SEEK_CUR);
  off_t end = ::lseek(descriptor_, 0, SEEK_END);
  if (current < 0 || end < 0 || end > INT32_MAX) {
    close();  // beyond what the 32-bit positions can address
    return false;
  }
  position_ = static_cast<uint32_t>(current);
  size_ = static_cast<uint32_t>(end);
  if (seek(static_cast<int32_t>(position_), kSeekBegin) == -1) return false;
  window_start_ = 0;
  window_length_ = 0;
  return true;
}

void BufferedFile::close() {
  flush();
  iFdFile::close();
  heap_free(window_);
  window_ = nullptr;
  window_start_ = window_length_ = 0;
  position_ = 0;
}

int32_t BufferedFile::seek(int32_t offset, int whence) {
  const int64_t t = cached_seek_target(position_, size_, offset, whence);
  if (t != size_) {
    if (t < 0) return -1;
    if (t > size_) {
      if (read_only() || t > INT32_MAX) return -1;
      if (::lseek(descriptor_, t, SEEK_SET) == -1) return -1;
      size_ = static_cast<uint32_t>(t);
    }
  }
  position_ = static_cast<uint32_t>(t);
  return static_cast<int32_t>(t);
}

int32_t BufferedFile::flush() {
  if (window_dirty() && !read_only()) {
    flags_ &= ~kFileFlagDirty;
    if (window_length_ != 0) {
      ::lseek(descriptor_, window_start_, SEEK_SET);
      iFdFile::write(window_, window_length_);  // a short write sets the error bit
    }
  }
  return 0;
}

int32_t BufferedFile::sync() {
  flush();
  if (read_only()) return 0;
  return descriptor_ == -1 ? 0 : ::fsync(descriptor_);
}

void BufferedFile::copy_out(unsigned char* buffer, uint32_t origin, uint32_t from,
                            uint32_t to) const {
  std::memcpy(buffer + (from - origin), window_ + (from - window_start_), to - from);
}

void BufferedFile::copy_in(const unsigned char* buffer, uint32_t origin, uint32_t from,
                           uint32_t to) {
  std::memcpy(window_ + (from - window_start_), buffer + (from - origin), to - from);
  flags_ |= kFileFlagDirty;
}

void BufferedFile::refill(uint32_t start) {
  flush();
  window_start_ = start;
  window_length_ = 0;
  if (::lseek(descriptor_, start, SEEK_SET) == -1) return;
  uint32_t saved_state = state_;
  int32_t got = iFdFile::read(window_, kWindowSize);
  state_ = saved_state;  // a short window at the end of the file is no error
  window_length_ = got < 0 ? 0 : static_cast<uint32_t>(got);
}

int32_t BufferedFile::read_direct(unsigned char* buffer, uint32_t origin, uint32_t from,
                                  uint32_t to) {
  if (::lseek(descriptor_, from, SEEK_SET) == -1) return -1;
  int32_t got = iFdFile::read(buffer + (from - origin), to - from);
  if (got < 0) return got;
  if (!window_dirty()) return got;
  // A dirty window may hold bytes that lie past the end of the file on disk:
  // a short read cannot be patched from it, so write it back and read again.
  if (static_cast<uint32_t>(got) < to - from) {
    flush();
    ::lseek(descriptor_, from, SEEK_SET);
    return iFdFile::read(buffer + (from - origin), to - from);
  }
  // Data not yet written back wins over what the disk holds.
  uint32_t window_end = window_start_ + window_length_;
  if (window_length_ != 0 && window_start_ >= from && window_end <= to) {
    copy_out(buffer, origin, window_start_, window_end);
  }
  return got;
}

int32_t BufferedFile::read(void* out, uint32_t n) {
  if (window_ == nullptr) {  // closed
    set_error();
    return -1;
  }
  auto* buffer = static_cast<unsigned char*>(out);
  const uint32_t origin = position_;
  n = std::min<uint32_t>(n, INT32_MAX - position_);
  uint32_t low = origin;
  uint32_t high = origin + n;
  uint32_t copied = 0;
  bool refilled = false;
  while (low < high) {
    // 1. Take what the window holds: the whole range, its beginning or its end.
    const uint32_t window_end = window_start_ + window_length_;
    if (low >= window_start_ && high <= window_end) {
      copy_out(buffer, origin, low, high);
      copied += high - low;
      break;
    }
    if (low >= window_start_ && low < window_end) {
      copy_out(buffer, origin, low, window_end);
      copied += window_end - low;
      low = window_end;
    } else if (low < window_start_ && high > window_start_ && high <= window_end) {
      copy_out(buffer, origin, window_start_, high);
      copied += high - window_start_;
      high = window_start_;
    }
    if (low >= high) break;
    // 2. Large remainders go straight from the descriptor to the caller.
    if (high - low >= kBypassSize) {
      int32_t got = read_direct(buffer, origin, low, high);
      if (got < 0) return got;
      copied += static_cast<uint32_t>(got);
      break;
    }
    // 3. Otherwise move the window to the first wanted byte, once per call.
    if (refilled) break;
    refill(low);
    refilled = true;
  }
  position_ = origin + copied;
  return static_cast<int32_t>(copied);
}

int32_t BufferedFile::write(const void* in, uint32_t n) {
  if (read_only() || window_ == nullptr) {
    set_error();
    return -1;
  }
  if (n == 0) return 0;
  const auto* buffer = static_cast<const unsigned char*>(in);
  const uint32_t low = position_;
  n = std::min<uint32_t>(n, INT32_MAX - position_);
  const uint32_t high = low + n;
  const uint32_t window_end = window_start_ + window_length_;
  int32_t result = static_cast<int32_t>(n);

  if (low >= window_start_ && high <= window_end) {
    copy_in(buffer, low, low, high);
  } else {
    // Keep the window true to the new bytes wherever they overlap it.
    uint32_t overlap_low = std::max(low, window_start_);
    uint32_t overlap_high = std::min(high, window_end);
    if (overlap_low < overlap_high) copy_in(buffer, low, overlap_low, overlap_high);

    if (low >= window_start_ && low <= window_end && high <= window_start_ + kWindowSize) {
      copy_in(buffer, low, low, high);  // grows the valid part of the window
      window_length_ = high - window_start_;
    } else {
      flush();
      if (n < kBypassSize) {
        window_start_ = low;
        window_length_ = n;
        copy_in(buffer, low, low, high);
      } else {
        if (::lseek(descriptor_, low, SEEK_SET) == -1) return -1;
        result = iFdFile::write(buffer, n);
        if (result < 0) return result;
      }
    }
  }
  position_ = low + static_cast<uint32_t>(result);
  size_ = std::max(size_, position_);
  return result;
}

}  // namespace morvane
