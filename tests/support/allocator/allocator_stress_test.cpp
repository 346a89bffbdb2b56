// Several threads allocate, free each other's blocks and reallocate them
// through a shared table of slots, checking every block's contents, while
// another thread walks all bins with the invariant checker and each worker
// checks its own thread cache now and then. Workers free some blocks twice
// (the second free must change nothing), and they run in generations: a
// generation ends with full caches and leaves its blocks in the slots for
// the next one to free, whose threads take over the heaps the ended ones
// gave up. The last generation has more threads than there are heaps, so
// some share one. Each worker's random sequence comes from a fixed
// seed, so a failure can be rerun.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "support/allocator/allocator.h"
#include "support/allocator/small_blocks.h"
#include "support/allocator/thread_cache.h"

namespace morvane {
namespace {

constexpr int kWorkers = 4;
constexpr int kGenerations = 4;
constexpr int kSlots = 1024;
constexpr int kRoundsPerWorker = 10000;  // per generation
constexpr int kCrowd = 70;               // workers of the last generation: more than kHeaps - 1
constexpr int kRoundsInTheCrowd = 100;
constexpr int kRoundsBetweenCacheChecks = 2048;
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
  std::atomic<const char*> problem{nullptr};
};

void note(Shared& shared, const char* problem) {
  const char* none = nullptr;
  if (problem != nullptr) shared.problem.compare_exchange_strong(none, problem);
}

// A block freed twice must not come back twice.
void free_twice(Shared& shared, size_t bytes) {
  void* block = allocator_malloc(bytes);
  allocator_free(block);
  allocator_free(block);
  void* first = allocator_malloc(bytes);
  void* second = allocator_malloc(bytes);
  if (first == second) shared.damaged.fetch_add(1);
  allocator_free(first);
  allocator_free(second);
}

// Ends the thread with full caches of the small classes: their blocks go
// back to the bins when the thread ends.
void fill_cache() {
  std::vector<void*> blocks;
  for (size_t bytes = 1; bytes <= 600; bytes += 13) {
    for (int i = 0; i < 8; ++i) blocks.push_back(allocator_malloc(bytes));
  }
  for (void* block : blocks) allocator_free(block);
}

// Takes whatever block a slot holds in exchange for `block` and checks,
// frees or grows it.
void worker(Shared& shared, int index, int rounds) {
  std::mt19937 random(kSeed + static_cast<uint32_t>(index));
  for (int round = 0; round < rounds; ++round) {
    if (round % kRoundsBetweenCacheChecks == 0) note(shared, heap::thread_cache_check());
    if (random() % 16 == 0) free_twice(shared, random() % 600);
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
  note(shared, heap::thread_cache_check());
  fill_cache();
}

TEST(AllocatorStress, ThreadsShareBlocksUnderTheInvariantChecker) {
  Shared shared;
  std::thread checker([&] {
    while (shared.running.load() && shared.problem.load() == nullptr) {
      note(shared, heap::small_blocks_check());
      std::this_thread::yield();
    }
  });
  static_assert(kCrowd > static_cast<int>(heap::kHeaps) - 1);
  for (int generation = 0; generation <= kGenerations; ++generation) {
    bool crowd = generation == kGenerations;
    int count = crowd ? kCrowd : kWorkers;
    std::vector<std::thread> workers;
    for (int i = 0; i < count; ++i) {
      workers.emplace_back(worker, std::ref(shared), generation * kWorkers + i,
                           crowd ? kRoundsInTheCrowd : kRoundsPerWorker);
    }
    for (std::thread& thread : workers) thread.join();
  }
  shared.running.store(false);
  checker.join();

  for (auto& slot : shared.slots) {
    unsigned char* block = slot.exchange(nullptr);
    if (block == nullptr) continue;
    if (!intact(block, allocator_msize(block))) shared.damaged.fetch_add(1);
    allocator_free(block);
  }
  const char* problem = shared.problem.load();
  EXPECT_EQ(problem, nullptr) << problem;
  EXPECT_EQ(shared.damaged.load(), 0);
  const char* cache = heap::thread_cache_check();
  EXPECT_EQ(cache, nullptr) << cache;
  heap::thread_cache_flush();
  const char* after = heap::small_blocks_check();
  EXPECT_EQ(after, nullptr) << after;
}

}  // namespace
}  // namespace morvane
