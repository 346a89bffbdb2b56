#include "support/platform/low_level.h"

#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

namespace morvane::platform {

void* map_memory(size_t bytes) {
  void* start = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return start == MAP_FAILED ? nullptr : start;
}

void unmap_memory(void* start, size_t bytes) { munmap(start, bytes); }

uint64_t monotonic_ns() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
  return static_cast<uint64_t>(now.tv_sec) * 1000000000u + static_cast<uint64_t>(now.tv_nsec);
}

void write_raw(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t written = write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return;
    }
    data += written;
    size -= static_cast<size_t>(written);
  }
}

void exit_now(int code) { _exit(code); }

}  // namespace morvane::platform
