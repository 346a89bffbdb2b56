#include "support/file/sliced_file.h"

#include <ace/Guard_T.h>
#include <ace/Mutex.h>
#include <ace/OS_NS_Thread.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "support/exception/exception.h"
#include "support/file/file.h"
#include "support/file/open_flags.h"

namespace morvane {

namespace {

constexpr int64_t kSlice = iFileSliced64::kSliceSize;

// The part of a name used to test for and remove files: after the first "|".
const char* path_part(const std::string& name) {
  size_t bar = name.find('|');
  return bar == std::string::npos ? name.c_str() : name.c_str() + bar + 1;
}

bool exists(const std::string& name) {
  struct stat info;
  return ::stat(path_part(name), &info) == 0;
}

uint64_t thread_key(ACE_thread_t thread) { return static_cast<uint64_t>(thread); }

}  // namespace

iFileSliced64::iFileSliced64() : mutex_(std::make_unique<ACE_Mutex>()) {}

iFileSliced64::~iFileSliced64() { iFileSliced64::close(); }

std::string iFileSliced64::slice_name(const char* name, size_t index) {
  std::string base = name == nullptr ? "" : name;
  return index == 0 ? base : base + "," + std::to_string(index);
}

int iFileSliced64::remove(const char* name) {
  if (::remove(path_part(slice_name(name, 0))) != 0) return -1;
  for (size_t index = 1; exists(slice_name(name, index)); ++index) {
    if (::remove(path_part(slice_name(name, index))) != 0) return -1;
  }
  return 0;
}

bool iFileSliced64::is_open() const { return !slices_.empty(); }

void iFileSliced64::close() { slices_.clear(); }

bool iFileSliced64::open_slice(size_t index, int mode) {
  auto holder = std::make_unique<iFile>();
  if (!holder->open(slice_name(name_.get(), index).c_str(), mode, open_flags_ & ~IF_SLICED64,
                    cache_size_)) {
    return false;
  }
  slices_.push_back(std::move(holder));
  return true;
}

bool iFileSliced64::open(const char* name, int mode, uint32_t flags, uint32_t cache_size) {
  if (is_open() || name == nullptr) return false;
  per_thread_positions_ = (flags & IF_MULTI_READ) != 0;
  positions_.clear();
  shared_position_ = 0;
  size_ = 0;
  name_.assign(name);
  flags_ = mode == IF_MODE_READ ? kFileFlagReadOnly : 0;
  mode_ = mode;
  open_flags_ = flags;
  cache_size_ = cache_size;

  if (mode == IF_MODE_CREATE) {
    remove(name);  // a missing old file is no failure
    return open_slice(0, IF_MODE_CREATE);
  }
  if (mode != IF_MODE_READ && mode != IF_MODE_UPDATE && mode != IF_MODE_APPEND) return false;
  const int slice_mode = mode == IF_MODE_APPEND ? IF_MODE_UPDATE : mode;
  if (!open_slice(0, slice_mode)) return false;
  for (size_t index = 1; exists(slice_name(name, index)); ++index) {
    if (!open_slice(index, slice_mode)) {
      slices_.clear();  // an existing slice that will not open fails the whole
      return false;
    }
  }
  int32_t last = slices_.back()->get()->seek(0, kSeekEnd);
  size_ = int64_t(slices_.size() - 1) * kSlice + std::max(last, 0);
  if (mode == IF_MODE_APPEND) {
    set_position(size_);
  } else {
    slices_.front()->get()->seek(0, kSeekBegin);
    set_position(0);
  }
  return true;
}

int64_t iFileSliced64::tell64() {
  if (!per_thread_positions_) return shared_position_;
  const ACE_thread_t self = ACE_OS::thr_self();
  ACE_Guard<ACE_Mutex> guard(*mutex_);
  for (const auto& [thread, position] : positions_) {
    if (ACE_OS::thr_equal(static_cast<ACE_thread_t>(thread), self)) return position;
  }
  positions_.emplace_back(thread_key(self), 0);
  return 0;
}

void iFileSliced64::set_position(int64_t position) {
  if (!per_thread_positions_) {
    shared_position_ = position;
    return;
  }
  const ACE_thread_t self = ACE_OS::thr_self();
  ACE_Guard<ACE_Mutex> guard(*mutex_);
  for (auto& [thread, current] : positions_) {
    if (ACE_OS::thr_equal(static_cast<ACE_thread_t>(thread), self)) {
      current = position;
      return;
    }
  }
  positions_.emplace_back(thread_key(self), position);
}

int64_t iFileSliced64::data_length(size_t index) const {
  if (index + 1 < slices_.size()) return kSlice;
  int64_t rest = size_ % kSlice;
  return rest == 0 ? kSlice : rest;
}

bool iFileSliced64::pad_slice(size_t index, int64_t offset) {
  iAbstractFile* slice = slices_[index]->get();
  int32_t length = slice->seek(0, kSeekEnd);
  if (length < 0) return false;
  if (length > offset) return true;
  return slice->write_at("N", 1, static_cast<int32_t>(offset)) == 1;
}

bool iFileSliced64::append_slice() {
  // Every slice before the last must have the full length, or positions in
  // later slices would not match their data.
  if (!slices_.empty() && !pad_slice(slices_.size() - 1, kSlice - 1)) return false;
  return open_slice(slices_.size(), mode_ == IF_MODE_READ ? IF_MODE_READ : IF_MODE_CREATE);
}

int64_t iFileSliced64::read_at64(void* out, int64_t n, int64_t position) {
  if (position < 0) return -1;
  if (n <= 0 || position >= size_) return 0;
  auto* buffer = static_cast<unsigned char*>(out);
  int64_t remaining = std::min(n, size_ - position);
  int64_t at = position;
  int64_t total = 0;
  while (remaining > 0) {
    const auto index = static_cast<size_t>(at / kSlice);
    const int64_t offset = at % kSlice;
    if (index >= slices_.size()) break;
    const int64_t length = data_length(index);
    if (offset >= length) break;
    const int64_t chunk = std::min(remaining, length - offset);
    int32_t got = slices_[index]->read_at(buffer + total, static_cast<uint32_t>(chunk),
                                          static_cast<int32_t>(offset));
    if (got < 0) return -1;
    if (got == 0) break;
    at += got;
    total += got;
    remaining -= got;
  }
  if (total > 0) set_position(at);
  return total;
}

int64_t iFileSliced64::write_at64(const void* in, int64_t n, int64_t position) {
  if (n <= 0 || mode_ == IF_MODE_READ) return 0;
  if (position < 0) return -1;
  const auto* buffer = static_cast<const unsigned char*>(in);
  int64_t remaining = n;
  int64_t at = position;
  int64_t total = 0;
  bool appended_all = true;
  while (remaining > 0) {
    const auto index = static_cast<size_t>(at / kSlice);
    const int64_t offset = at % kSlice;
    while (appended_all && index >= slices_.size()) appended_all = append_slice();
    if (!appended_all) break;  // no slice to write into: stop here
    const int64_t chunk = std::min(remaining, kSlice - offset);
    int32_t written = slices_[index]->write_at(buffer + total, static_cast<uint32_t>(chunk),
                                               static_cast<int32_t>(offset));
    if (written < 0) return -1;
    at += written;
    total += written;
    remaining -= written;
    size_ = std::max(size_, at);
    if (written != chunk) break;
  }
  if (total > 0) set_position(at);
  return total == 0 && !appended_all ? -1 : total;
}

int64_t iFileSliced64::write64(const void* buffer, int64_t n) {
  return write_at64(buffer, n, tell64());
}

int64_t iFileSliced64::seek64(int64_t offset, int whence) {
  int64_t target;
  switch (whence) {
    case kSeekCurrent: target = tell64() + offset; break;
    case kSeekEnd: target = size_ - offset; break;
    default: target = offset; break;
  }
  if (target != size_) {
    if (target < 0) return -1;
    if (target > size_) {
      if (mode_ == IF_MODE_READ || slices_.empty()) return -1;
      const auto index = static_cast<size_t>(target / kSlice);
      while (index >= slices_.size()) {
        if (!append_slice()) return -1;
      }
      const int64_t offset = target % kSlice;
      if (offset != 0 && !pad_slice(index, offset - 1)) return -1;
      size_ = target;
    }
  }
  set_position(target);
  return target;
}

int32_t iFileSliced64::getc() {
  unsigned char byte;
  return read_at64(&byte, 1, tell64()) == 1 ? byte : -1;
}

int32_t iFileSliced64::ungetc(int32_t c) { return seek64(-1, kSeekCurrent) == -1 ? -1 : c; }

int32_t iFileSliced64::puts(const char* text) {
  if (text == nullptr) return 0;
  auto length = static_cast<int64_t>(std::strlen(text));
  return write64(text, length) == length ? 1 : 0;
}

int32_t iFileSliced64::putc(int32_t c) {
  unsigned char byte = static_cast<unsigned char>(c);
  return write64(&byte, 1) == 1 ? 1 : 0;
}

int32_t iFileSliced64::eof() {
  int64_t position = tell64();
  int64_t end = seek64(0, kSeekEnd);
  seek64(position, kSeekBegin);
  if (position < 0 || end < 0) return -1;
  return position >= end ? 1 : 0;
}

int32_t iFileSliced64::sync() {
  for (auto& slice : slices_) slice->get()->sync();
  return 0;
}

int32_t iFileSliced64::flush() {
  for (auto& slice : slices_) slice->flush();
  return 0;
}

void iFileSliced64::refuse_32_bit_call() const { throw iException("Invalid 32 bit call"); }

int32_t iFileSliced64::read_at(void*, uint32_t, int32_t) { refuse_32_bit_call(); }
int32_t iFileSliced64::read(void*, uint32_t) { refuse_32_bit_call(); }
int32_t iFileSliced64::write_at(const void*, uint32_t, int32_t) { refuse_32_bit_call(); }
int32_t iFileSliced64::write(const void*, uint32_t) { refuse_32_bit_call(); }
int32_t iFileSliced64::tell() { refuse_32_bit_call(); }
int32_t iFileSliced64::seek(int32_t, int) { refuse_32_bit_call(); }
int32_t iFileSliced64::ftell() { refuse_32_bit_call(); }
int32_t iFileSliced64::fseek(int32_t, int) { refuse_32_bit_call(); }
uint32_t iFileSliced64::fread(void*, uint32_t, uint32_t) { refuse_32_bit_call(); }
uint32_t iFileSliced64::fwrite(const void*, uint32_t, uint32_t) { refuse_32_bit_call(); }

}  // namespace morvane
