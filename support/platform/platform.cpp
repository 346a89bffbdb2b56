#include "support/platform/platform.h"

#include <sched.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

namespace morvane::platform {

void sleep_ms(uint32_t milliseconds) {
  if (milliseconds == 0) {
    yield_processor();
    return;
  }
  timespec remaining{static_cast<time_t>(milliseconds / 1000),
                     static_cast<long>(milliseconds % 1000) * 1000000L};
  // A signal may cut the sleep short; sleep on for what is left.
  while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
  }
}

void yield_processor() { sched_yield(); }

uint32_t process_id() { return static_cast<uint32_t>(getpid()); }

bool is_console(int fd) { return isatty(fd) == 1; }

size_t page_size() {
  static const size_t size = [] {
    long value = sysconf(_SC_PAGESIZE);
    return value > 0 ? static_cast<size_t>(value) : size_t{4096};
  }();
  return size;
}

}  // namespace morvane::platform
