// iBufferedFile<iFdFile>: a descriptor file with one 8192-byte window of the
// file held in memory, so that many small reads and writes become few
// system calls. Transfers of 4096 bytes or more bypass the window; a dirty
// window is written back by flush, sync, close, and before the window moves.
//
// The logical position and size live here; the descriptor is only moved when
// it is used.
//
// Threads: one thread at a time (REQUIRES: external synchronization).
#pragma once

#include <cstdint>

#include "support/file/fd_file.h"

namespace morvane {

template <typename Base>
class iBufferedFile;

template <>
class iBufferedFile<iFdFile> final : public iFdFile {
 public:
  static constexpr uint32_t kWindowSize = 8192;
  static constexpr uint32_t kBypassSize = 4096;

  iBufferedFile() = default;
  ~iBufferedFile() override;

  // Writes back a dirty window, then closes the descriptor and frees the
  // window; the size keeps its value.
  void close() override;
  int32_t read(void* buffer, uint32_t n) override;
  // -1 (error bit set) on a read-only file.
  int32_t write(const void* buffer, uint32_t n) override;
  int32_t tell() override { return static_cast<int32_t>(position_); }
  // Whence 2 counts back from the end. A target beyond the size extends a
  // writable file (the size becomes the target) and fails on a read-only one.
  int32_t seek(int32_t offset, int whence) override;
  int32_t sync() override;
  // Writes back a dirty window; 0.
  int32_t flush() override;
  // The byte at the position, straight from the window when it holds it
  // (the common case of a sequential scan); otherwise a one-byte read.
  int32_t getc() override {
    if (position_ - window_start_ < window_length_ && position_ >= window_start_) {
      return window_[position_++ - window_start_];
    }
    return iFdFile::getc();
  }
  // 1 when the position is at or past the logical size.
  int32_t eof() override { return position_ >= size_ ? 1 : 0; }
  // Opens as iFdFile does (never mapped), then sets up a fresh window.
  bool open(const char* name, int mode, uint32_t flags) override;

  uint32_t window_start() const { return window_start_; }
  uint32_t window_length() const { return window_length_; }
  bool window_dirty() const { return (flags_ & kFileFlagDirty) != 0; }
  uint32_t size() const { return size_; }

 private:
  // Copies [from, to) of the file out of the window into the caller's buffer,
  // whose first byte is the file byte `origin`.
  void copy_out(unsigned char* buffer, uint32_t origin, uint32_t from, uint32_t to) const;
  // Copies [from, to) of the file into the window and marks it dirty.
  void copy_in(const unsigned char* buffer, uint32_t origin, uint32_t from, uint32_t to);
  // Reads up to a window of the file at `start`; false when the read failed.
  void refill(uint32_t start);
  // A direct read of [from, to) into the buffer; the count or -1.
  int32_t read_direct(unsigned char* buffer, uint32_t origin, uint32_t from, uint32_t to);

  uint32_t window_start_ = 0;
  uint32_t window_length_ = 0;
  unsigned char* window_ = nullptr;
  uint32_t position_ = 0;
  uint32_t size_ = 0;
};

}  // namespace morvane
