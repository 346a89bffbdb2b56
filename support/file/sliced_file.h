// iFileSliced64: one logical file of 64-bit size stored as a row of slice
// files of kSliceSize bytes each. Slice 0 is the logical name itself, slice
// i is "NAME,i". Only the 64-bit transfer and positioning calls work; the
// 32-bit read, write, read_at, write_at, tell, seek, ftell, fseek, fread and
// fwrite throw iException "Invalid 32 bit call". getc, ungetc, gets, puts,
// putc and eof work through the 64-bit calls.
//
// Where a name holds "|", existence tests and removal use the part after the
// first "|"; the slice opens get the full name.
//
// Threads: with IF_MULTI_READ each thread has its own current position
// (kept under a mutex) and each slice is a MultiReadFdFile; the slice list
// and the size are not locked, so appending (writing or seeking past the
// end) REQUIRES one thread at a time. Without IF_MULTI_READ: REQUIRES
// external synchronization.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/file/abstract_file.h"

class ACE_Mutex;

namespace morvane {

class iFile;

class iFileSliced64 final : public iAbstractFile {
 public:
  // 2 GiB less 1 MiB.
  static constexpr int64_t kSliceSize = 2146435072;

  iFileSliced64();
  ~iFileSliced64() override;

  // At least one slice is open.
  bool is_open() const override;
  // Closes and forgets every slice.
  void close() override;
  int32_t read_at(void* buffer, uint32_t n, int32_t position) override;
  int32_t read(void* buffer, uint32_t n) override;
  int32_t write_at(const void* buffer, uint32_t n, int32_t position) override;
  int32_t write(const void* buffer, uint32_t n) override;
  int32_t tell() override;
  int32_t seek(int32_t offset, int whence) override;
  int32_t ftell() override;
  int32_t fseek(int32_t offset, int whence) override;
  // sync / flush of every slice; 0.
  int32_t sync() override;
  int32_t flush() override;
  // The byte at the current position, or -1.
  int32_t getc() override;
  // Steps back one byte; c, or -1.
  int32_t ungetc(int32_t c) override;
  int32_t puts(const char* text) override;
  int32_t putc(int32_t c) override;
  uint32_t fread(void* buffer, uint32_t size, uint32_t count) override;
  uint32_t fwrite(const void* buffer, uint32_t size, uint32_t count) override;
  // 1 at or past the end, 0 before it, -1 on failure.
  int32_t eof() override;
  // Bytes read at `position` (stops at the end of the data), -1 when a slice
  // read fails. Moves the current position to the end of what was read.
  int64_t read_at64(void* buffer, int64_t n, int64_t position) override;
  // Bytes written at `position`, appending slices as needed; -1 when a slice
  // write fails or nothing could be written. Moves the current position.
  int64_t write_at64(const void* buffer, int64_t n, int64_t position) override;
  int64_t size64() override { return size_; }

  // Mode 0 removes the old file and its slices, then creates slice 0; modes
  // 1 to 3 open every existing slice (mode 3 positioned at the end). With
  // IF_MULTI_READ the current position is per thread.
  bool open(const char* name, int mode, uint32_t flags, uint32_t cache_size);
  // write_at64 at the current position.
  int64_t write64(const void* buffer, int64_t n);
  // Whence 0 from the start, 1 from the current position, 2 back from the
  // end. A target beyond the size extends a writable file (earlier slices
  // filled to full length, the target's slice reaching the target); -1 in
  // mode read or for a negative target.
  int64_t seek64(int64_t offset, int whence);
  int64_t tell64();

  size_t slice_count() const { return slices_.size(); }

  // Removes the file `name` and every slice after it that exists: 0, or -1
  // when a removal failed.
  static int remove(const char* name);
  // The name of slice `index` of `name`.
  static std::string slice_name(const char* name, size_t index);

 private:
  void set_position(int64_t position);
  // The length of slice `index`'s data.
  int64_t data_length(size_t index) const;
  // Opens slice `index` with `mode`; false when it would not open.
  bool open_slice(size_t index, int mode);
  // Appends the next slice, first filling the current last one to its full
  // length; false when the new slice would not open.
  bool append_slice();
  // Writes "N" at `offset` of slice `index` when the slice is shorter.
  bool pad_slice(size_t index, int64_t offset);
  [[noreturn]] void refuse_32_bit_call() const;

  std::unique_ptr<ACE_Mutex> mutex_;
  std::vector<std::pair<uint64_t, int64_t>> positions_;  // (thread, position)
  bool per_thread_positions_ = false;
  int64_t shared_position_ = 0;
  int64_t size_ = 0;
  int mode_ = 0;
  uint32_t open_flags_ = 0;
  uint32_t cache_size_ = 0;
  std::vector<std::unique_ptr<iFile>> slices_;
};

}  // namespace morvane
