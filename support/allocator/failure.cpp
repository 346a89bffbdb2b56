#include "support/allocator/failure.h"

#include <atomic>

#include "support/exception/exception.h"
#include "support/heap/heap.h"
#include "support/platform/low_level.h"

namespace morvane::heap {

namespace {

constexpr int kExitCodeOnFailure = 66;
std::atomic<bool> exit_on_failure{false};

// Set while this thread throws the exception of a refusal.
thread_local bool reporting = false;

}  // namespace

void report_failure(size_t refused_bytes) {
  if (reporting) return;  // the refusal's own exception was refused: null
  char text[64];
  size_t length = format_refusal_message(refused_bytes, text);
  for (int fd : {2, 1}) {
    platform::write_raw(fd, text, length);
    platform::write_raw(fd, "\r\n", 2);
  }
  if (exit_on_failure.load(std::memory_order_relaxed)) platform::exit_now(kExitCodeOnFailure);
  reporting = true;
  struct Reset {
    ~Reset() { reporting = false; }
  } reset;  // cleared once the exception has left this function
  throw iAllocationFailure(text);
}

void set_exit_on_failure(bool on) { exit_on_failure.store(on, std::memory_order_relaxed); }

}  // namespace morvane::heap
