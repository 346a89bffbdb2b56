// The system calls of the file classes, in one place: transfers retried
// when a signal interrupts them, 64-bit positions narrowed for the 32-bit
// interface, and the fixed diagnostic texts some classes print.
#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>

namespace morvane::file_io {

// read/write of at most INT32_MAX bytes (what a 32-bit result can count).
inline ssize_t read_some(int fd, void* buffer, uint32_t n) {
  ssize_t result;
  do {
    result = ::read(fd, buffer, std::min<uint32_t>(n, INT32_MAX));
  } while (result == -1 && errno == EINTR);
  return result;
}

inline ssize_t write_some(int fd, const void* buffer, uint32_t n) {
  ssize_t result;
  do {
    result = ::write(fd, buffer, std::min<uint32_t>(n, INT32_MAX));
  } while (result == -1 && errno == EINTR);
  return result;
}

inline ssize_t pread_some(int fd, void* buffer, size_t n, off_t offset) {
  ssize_t result;
  do {
    result = ::pread(fd, buffer, n, offset);
  } while (result == -1 && errno == EINTR);
  return result;
}

inline ssize_t pwrite_some(int fd, const void* buffer, size_t n, off_t offset) {
  ssize_t result;
  do {
    result = ::pwrite(fd, buffer, n, offset);
  } while (result == -1 && errno == EINTR);
  return result;
}

// A 64-bit position as a 32-bit result: positions past 2 GiB are failures of
// the 32-bit interface.
inline int32_t narrow_position(int64_t position) {
  return position < 0 || position > INT32_MAX ? -1 : static_cast<int32_t>(position);
}

// Whence values of the 32-bit interface: begin (0), current (1), end (2).
inline bool valid_whence(int whence) { return whence >= 0 && whence <= 2; }

// Writes one of the fixed diagnostic texts to standard output, as it is (no
// line end is added), and flushes it.
inline void print_diagnostic(const char* text) {
  std::fputs(text, stdout);
  std::fflush(stdout);
}

}  // namespace morvane::file_io
