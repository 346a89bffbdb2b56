#include "support/heap/spinlock.h"

#include "support/platform/platform.h"

namespace morvane {

void spinlock_acquire_slow(SpinWord& word) {
  int attempts = 0;
  while (!spinlock_try_acquire(word)) {
    if (++attempts == kSpinAttemptsBeforeYield) {
      attempts = 0;
      platform::yield_processor();
    }
  }
}

}  // namespace morvane
