// Several threads allocate, free each other's blocks and reallocate them
// through a shared table of slots, checking every block's contents, while
// another thread walks all bins with the invariant checker. Each worker's
// random sequence comes from a fixed seed, so a failure can be rerun.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "support/allocator/allocator.h"
#include "support/allocator/small_blocks.h"

namespace morvane {
namespace {

constexpr int kWorkers = 4;
constexpr int kSlots = 1024;
constexpr int kRoundsPerWorker = 40000;
constexpr uint32_t kSeed = 20240607;

// A block's usable bytes hold its tag in byte 0 and a pattern derived from it.
unsigned char pattern(unsigned char tag, size_t index) {
  return static_cast<unsigned char>(tag + index * 7);
}

void fill(unsigned char* block, unsigned char tag, size_t from) {
  size_t usable = allocator_msize(block);
  block[0] = tag;
  for (size_t i = from < 1 ? 1 : from; i < usable; ++i) block[i] = pattern(tag, i);
}

// True when the block's first `bytes` usable bytes still hold its pattern.
bool intact(const unsigned char* block, size_t bytes) {
  for (size_t i = 1; i < bytes; ++i) {
    if (block[i] != pattern(block[0], i)) return false;
  }
  return true;
}

size_t random_size(std::mt19937& random) {
  uint32_t kind = random() % 100;
  if (kind < 85) return random() % 600;
  if (kind < 98) return random() % 60793;
  return 60793 + random() % 100000;
}

struct Shared {
  std::atomic<unsigned char*> slots[kSlots] = {};
  std::atomic<int> damaged{0};
  std::atomic<bool> running{true};
};

// Takes whatever block a slot holds in exchange for `block` and checks,
// frees or grows it.
void worker(Shared& shared, int index) {
  std::mt19937 random(kSeed + static_cast<uint32_t>(index));
  for (int round = 0; round < kRoundsPerWorker; ++round) {
    auto& slot = shared.slots[random() % kSlots];
    unsigned char* block = nullptr;
    if (random() % 4 != 0) {
      block = static_cast<unsigned char*>(allocator_malloc(random_size(random)));
      fill(block, static_cast<unsigned char>(random()), 0);
    }
    unsigned char* old = slot.exchange(block, std::memory_order_acq_rel);
    if (old == nullptr) continue;
    size_t old_size = allocator_msize(old);
    if (!intact(old, old_size)) shared.damaged.fetch_add(1);
    if (random() % 3 == 0) {
      // Grow it and hand it on, keeping its contents.
      old = static_cast<unsigned char*>(allocator_realloc(old, old_size + random() % 2000));
      if (!intact(old, old_size)) shared.damaged.fetch_add(1);
      fill(old, old[0], old_size);
      old = slot.exchange(old, std::memory_order_acq_rel);
      if (old != nullptr && !intact(old, allocator_msize(old))) shared.damaged.fetch_add(1);
    }
    allocator_free(old);
  }
}

TEST(AllocatorStress, ThreadsShareBlocksUnderTheInvariantChecker) {
  Shared shared;
  std::string problem;
  std::thread checker([&] {
    while (shared.running.load() && problem.empty()) {
      if (const char* found = heap::small_blocks_check()) problem = found;
      std::this_thread::yield();
    }
  });
  std::vector<std::thread> workers;
  for (int i = 0; i < kWorkers; ++i) workers.emplace_back(worker, std::ref(shared), i);
  for (std::thread& thread : workers) thread.join();
  shared.running.store(false);
  checker.join();

  for (auto& slot : shared.slots) {
    unsigned char* block = slot.exchange(nullptr);
    if (block == nullptr) continue;
    if (!intact(block, allocator_msize(block))) shared.damaged.fetch_add(1);
    allocator_free(block);
  }
  EXPECT_EQ(problem, "");
  EXPECT_EQ(shared.damaged.load(), 0);
  const char* after = heap::small_blocks_check();
  EXPECT_EQ(after, nullptr) << after;
}

}  // namespace
}  // namespace morvane
