// iAbstractFile: the interface behind every file of the program.
//
// Threads: a file object belongs to one thread at a time; these classes take
// no locks (REQUIRES: external synchronization).
//
// Sizes and positions of the 32-bit operations are 32-bit: counts unsigned,
// results and positions signed, -1 for failure. Operations that are not
// abstract have a default behaviour built on read, write, tell and seek,
// described with each one; a subclass may override it.
#pragma once

#include <cstdint>

#include "support/string/owned_text.h"

namespace morvane {

// Bits of the state word.
inline constexpr uint32_t kFileStateError = 2;  // a short or failed transfer
// Bits of the flags word.
inline constexpr uint32_t kFileFlagReadOnly = 1;
inline constexpr uint32_t kFileFlagDirty = 2;  // used by the buffered file

// Whence values of seek.
inline constexpr int kSeekBegin = 0;
inline constexpr int kSeekCurrent = 1;
inline constexpr int kSeekEnd = 2;

// The target of a seek on a file that keeps its own position and size (the
// buffered and paged files): offset from the start (whence 0 and unknown
// values), from the position (1), or back from the end (2). Computed in
// floating point and truncated, so no sum can overflow.
inline int64_t cached_seek_target(uint32_t position, uint32_t size, int32_t offset, int whence) {
  double target;
  switch (whence) {
    case kSeekCurrent: target = static_cast<double>(position) + offset; break;
    case kSeekEnd: target = static_cast<double>(size) - offset; break;
    default: target = offset; break;
  }
  return static_cast<int64_t>(target);
}

class iAbstractFile {
 public:
  iAbstractFile() = default;
  iAbstractFile(const iAbstractFile&) = delete;
  iAbstractFile& operator=(const iAbstractFile&) = delete;
  virtual ~iAbstractFile() = 0;

  virtual bool is_open() const = 0;
  // Closes the file; safe to call on a closed file.
  virtual void close() = 0;
  // seek(position, begin), then read; -1 when the seek fails.
  virtual int32_t read_at(void* buffer, uint32_t n, int32_t position);
  // Bytes read, fewer at the end of the file, -1 on failure.
  virtual int32_t read(void* buffer, uint32_t n) = 0;
  // seek(position, begin), then write; -1 when the seek fails.
  virtual int32_t write_at(const void* buffer, uint32_t n, int32_t position);
  // Bytes written, -1 on failure.
  virtual int32_t write(const void* buffer, uint32_t n) = 0;
  // The current position, -1 on failure.
  virtual int32_t tell() = 0;
  // Moves to offset from the beginning (0), the current position (1) or the
  // end (2); the new position, or -1.
  virtual int32_t seek(int32_t offset, int whence) = 0;
  // tell().
  virtual int32_t ftell();
  // 0 when seek succeeded, -1 when it failed.
  virtual int32_t fseek(int32_t offset, int whence);
  // Pushes buffered data out and commits it to the device; 0 on success.
  virtual int32_t sync() = 0;
  // Pushes buffered data out; 0 on success.
  virtual int32_t flush() = 0;
  // Reads a line of at most size - 1 bytes, the newline kept, and ends it
  // with NUL. Null (buffer untouched) at the end of the file or on failure,
  // null also when no byte was stored.
  virtual char* gets(char* buffer, int32_t size);
  // The next byte as 0-255, or -1.
  virtual int32_t getc();
  // Steps back one byte: the next read delivers the file's own byte, not c.
  // Returns c, or -1 when the step back fails (at position 0).
  virtual int32_t ungetc(int32_t c);
  // 1 when the whole text was written, else 0 (0 for null).
  virtual int32_t puts(const char* text);
  // 1 when the low byte of c was written, else 0.
  virtual int32_t putc(int32_t c);
  // read(size * count); whole items read (0 on failure).
  virtual uint32_t fread(void* buffer, uint32_t size, uint32_t count);
  // write(size * count); whole items written (0 on failure).
  virtual uint32_t fwrite(const void* buffer, uint32_t size, uint32_t count);
  // 1 at or past the end, 0 before it, -1 on failure. Found by two seeks:
  // it reports the end before a read has hit it.
  virtual int32_t eof();
  // 1 when the error bit of the state word is set.
  virtual int32_t error();
  // Clears the state word.
  virtual void clearerr();
  // The 64-bit operations; this class throws iException "Invalid 64 bit
  // call" for each.
  virtual int64_t read_at64(void* buffer, int64_t n, int64_t position);
  virtual int64_t write_at64(const void* buffer, int64_t n, int64_t position);
  virtual int64_t size64();

  // The name the file was last opened with, or null.
  const char* name() const { return name_.get(); }
  uint32_t state() const { return state_; }
  uint32_t flags() const { return flags_; }

 protected:
  void set_error() { state_ |= kFileStateError; }
  bool read_only() const { return (flags_ & kFileFlagReadOnly) != 0; }

  OwnedText name_;
  uint32_t state_ = 0;
  uint32_t flags_ = 0;
};

}  // namespace morvane
