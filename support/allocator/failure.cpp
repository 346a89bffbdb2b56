#include "support/allocator/failure.h"

#include <atomic>
#include <cstring>

#include "support/exception/exception.h"
#include "support/platform/low_level.h"

namespace morvane::heap {

namespace {

constexpr int kExitCodeOnFailure = 66;
std::atomic<bool> exit_on_failure{false};

// Writes the message into `text` (room for 64 bytes) and returns its length.
size_t format_message(size_t refused_bytes, char* text) {
  static const char kPrefix[] = "MEMORY ALLOCATION FAILURE [0x";
  static const char kSuffix[] = "] bytes";
  static const char kHex[] = "0123456789ABCDEF";
  char digits[16];
  size_t count = 0;
  do {
    digits[count++] = kHex[refused_bytes % 16];
    refused_bytes /= 16;
  } while (refused_bytes != 0);
  while (count < 8) digits[count++] = '0';
  size_t length = 0;
  std::memcpy(text, kPrefix, sizeof kPrefix - 1);
  length += sizeof kPrefix - 1;
  while (count > 0) text[length++] = digits[--count];
  std::memcpy(text + length, kSuffix, sizeof kSuffix);  // with its NUL
  return length + sizeof kSuffix - 1;
}

}  // namespace

void report_failure(size_t refused_bytes) {
  char text[64];
  size_t length = format_message(refused_bytes, text);
  for (int fd : {2, 1}) {
    platform::write_raw(fd, text, length);
    platform::write_raw(fd, "\r\n", 2);
  }
  if (exit_on_failure.load(std::memory_order_relaxed)) platform::exit_now(kExitCodeOnFailure);
  throw iException(text);
}

void set_exit_on_failure(bool on) { exit_on_failure.store(on, std::memory_order_relaxed); }

}  // namespace morvane::heap
