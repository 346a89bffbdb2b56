// The spin lock shared by the heap allocator and the string type.
//
// A lock is one 32-bit word: 0 free, 1 held. Acquiring exchanges 1 into the
// word until the old value was 0, yielding the processor after every 100
// failed attempts; releasing stores 0 back. There is no owner check, no
// recursion and no fairness: hold it only for a few instructions.
#pragma once

#include <atomic>
#include <cstdint>

namespace morvane {

using SpinWord = std::atomic<uint32_t>;

// Number of failed exchanges between two yields of the processor.
inline constexpr int kSpinAttemptsBeforeYield = 100;

// One exchange; true when the lock was free and is now held by the caller.
inline bool spinlock_try_acquire(SpinWord& word) {
  return word.exchange(1, std::memory_order_acquire) == 0;
}

// Waits for the lock, spinning and yielding as long as it takes.
void spinlock_acquire_slow(SpinWord& word);

// Takes the lock: one exchange when it is free, otherwise the wait above.
inline void spinlock_acquire(SpinWord& word) {
  if (!spinlock_try_acquire(word)) spinlock_acquire_slow(word);
}

// A release store of 0: the same ordering as exchanging 0 in, without the
// cost of a locked instruction.
inline void spinlock_release(SpinWord& word) { word.store(0, std::memory_order_release); }

// Holds a spin lock for the lifetime of a scope.
class SpinGuard {
 public:
  explicit SpinGuard(SpinWord& word) : word_(word) { spinlock_acquire(word_); }
  ~SpinGuard() { spinlock_release(word_); }
  SpinGuard(const SpinGuard&) = delete;
  SpinGuard& operator=(const SpinGuard&) = delete;

 private:
  SpinWord& word_;
};

}  // namespace morvane
