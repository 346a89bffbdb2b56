#include "support/platform/platform.h"

#include <fcntl.h>
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

void fill_closed_standard_descriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free number is `fd` itself, as the ones below it are open.
    int opened = open("/dev/null", O_RDWR);
    if (opened >= 0 && opened != fd) {
      dup2(opened, fd);
      close(opened);
    }
  }
}

}  // namespace morvane::platform
