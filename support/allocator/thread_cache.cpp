#include "support/allocator/thread_cache.h"

#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <cstdint>

#include "support/allocator/small_blocks.h"
#include "support/heap/spinlock.h"

namespace morvane::heap {

constinit thread_local ThreadCache t_thread_cache{};

namespace {

enum CacheState : uint32_t { kUnused = 0, kActive, kRetired };

constexpr unsigned kMaxBatch = 64;

pthread_key_t exit_key;
std::atomic<bool> exit_key_made{false};
SpinWord exit_key_lock{0};

void* next_of(void* block) { return *static_cast<void**>(block); }

// Gives the `count` newest blocks of the class's list back to the bin.
void give_back(ThreadCache& cache, unsigned size_class, uint32_t count) {
  if (count == 0) return;
  void* chain = cache.heads[size_class];
  void* rest = chain;
  for (uint32_t i = 0; i < count; ++i) rest = next_of(rest);
  cache.heads[size_class] = rest;
  cache.rooms[size_class] += count;
  small_free_batch(size_class, chain, count);
}

void flush(ThreadCache& cache) {
  for (unsigned c = 0; c < kMaxClasses; ++c) give_back(cache, c, cached_count(cache, c));
}

void turn_off(ThreadCache& cache) {
  for (unsigned c = 0; c < kMaxClasses; ++c) cache.limits[c] = cache.rooms[c] = 0;
}

// Runs when a thread that used its cache ends: the blocks go back, and the
// cache stays off for whatever the thread's later exit code frees. The
// cache is off before the first block goes back, so that a free on the way
// goes to the bins and not into a list already emptied.
void retire(void*) {
  ThreadCache& cache = t_thread_cache;
  cache.state = kRetired;
  void* chains[kMaxClasses];
  uint32_t counts[kMaxClasses];
  for (unsigned c = 0; c < kMaxClasses; ++c) {
    chains[c] = cache.heads[c];
    counts[c] = cached_count(cache, c);
    cache.heads[c] = nullptr;
  }
  turn_off(cache);
  for (unsigned c = 0; c < kMaxClasses; ++c) {
    if (counts[c] != 0) small_free_batch(c, chains[c], counts[c]);
  }
}

// Turns the cache on at the thread's first allocation or free. The state
// changes first: registering the key may allocate, and that allocation then
// finds the cache active.
void activate(ThreadCache& cache) {
  cache.state = kActive;
  for (unsigned c = 0; c < g_size_classes.count; ++c) {
    cache.limits[c] = cache.rooms[c] = g_size_classes.cache_limit[c];
  }
  if (!exit_key_made.load(std::memory_order_acquire)) {
    SpinGuard guard(exit_key_lock);
    if (!exit_key_made.load(std::memory_order_relaxed)) {
      if (pthread_key_create(&exit_key, retire) != 0) {
        // Without the key a thread's end goes unnoticed; caching would then
        // keep its blocks for good, so this thread goes to the bins.
        cache.state = kRetired;
        turn_off(cache);
        return;
      }
      exit_key_made.store(true, std::memory_order_release);
    }
  }
  pthread_setspecific(exit_key, &cache);
}

}  // namespace

void* cache_refill(unsigned size_class) {
  ThreadCache& cache = t_thread_cache;
  if (cache.state == kUnused) activate(cache);
  if (void* block = cache_pop(size_class)) return block;  // filled while activating
  uint32_t limit = cache.limits[size_class];
  if (limit == 0) return small_allocate(size_class);
  void* blocks[kMaxBatch];
  unsigned wanted = std::min<unsigned>(limit / 2, kMaxBatch);
  unsigned taken = small_allocate_batch(size_class, blocks, wanted);
  if (taken == 0) return nullptr;  // refused while a refusal was being thrown
  for (unsigned i = taken; i-- > 1;) cache_push(cache, size_class, blocks[i]);
  slab_hand_to_caller(blocks[0]);
  return blocks[0];
}

void cache_free_slow(void* block) noexcept {
  unsigned size_class = placement_of(reinterpret_cast<uintptr_t>(block)).size_class;
  ThreadCache& cache = t_thread_cache;
  if (cache.state == kUnused) activate(cache);
  uint32_t limit = cache.limits[size_class];
  if (limit == 0) {
    small_free(slab_of_block(block), block);
    return;
  }
  if (cache.rooms[size_class] == 0) give_back(cache, size_class, limit - limit / 2);
  cache_push(cache, size_class, block);
}

void thread_cache_flush() { flush(t_thread_cache); }

size_t thread_cache_blocks(unsigned size_class) {
  return cached_count(t_thread_cache, size_class);
}

const char* thread_cache_check() {
  const ThreadCache& cache = t_thread_cache;
  for (unsigned c = 0; c < kMaxClasses; ++c) {
    uint32_t expected_limit = cache.state == kActive ? g_size_classes.cache_limit[c] : 0;
    if (cache.limits[c] != expected_limit) return "cache limit differs from its class's";
    if (cache.rooms[c] > cache.limits[c]) return "cache holds more than its limit";
    uint32_t count = cached_count(cache, c);
    const void* blocks[kCacheMaxBlocks];
    uint32_t seen = 0;
    for (void* block = cache.heads[c]; block != nullptr; block = next_of(block)) {
      if (seen == count) return "cache list longer than its count";
      if (const char* problem = small_block_check_handed_out(c, block)) return problem;
      blocks[seen++] = block;
    }
    if (seen != count) return "cache list shorter than its count";
    std::sort(blocks, blocks + seen);
    if (std::adjacent_find(blocks, blocks + seen) != blocks + seen) return "block cached twice";
  }
  return nullptr;
}

}  // namespace morvane::heap
