#include "support/heap/spinlock.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace morvane {
namespace {

TEST(SpinLock, WordIsZeroWhenFreeAndOneWhenHeld) {
  SpinWord word{0};
  spinlock_acquire(word);
  EXPECT_EQ(word.load(), 1u);
  EXPECT_FALSE(spinlock_try_acquire(word));
  spinlock_release(word);
  EXPECT_EQ(word.load(), 0u);
  EXPECT_TRUE(spinlock_try_acquire(word));
  spinlock_release(word);
}

TEST(SpinLock, MutualExclusionUnderContention) {
  // More threads than cores, so waiters must yield for the holder to run.
  SpinWord word{0};
  long counter = 0;  // guarded by word; a lost update shows a broken lock
  constexpr int kThreads = 6;
  constexpr int kRounds = 20000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < kRounds; ++i) {
        SpinGuard guard(word);
        ++counter;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(counter, long{kThreads} * kRounds);
  EXPECT_EQ(word.load(), 0u);
}

}  // namespace
}  // namespace morvane
