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

// Bit h is set while heap h (1 to kHeaps - 1) belongs to a thread. Heap 0
// is never handed out: it serves threads without an active cache.
std::atomic<uint64_t> heaps_taken{1};
std::atomic<uint32_t> next_shared_heap{0};

static_assert(kHeaps == 64, "heaps_taken has one bit per heap");

// A heap of its own for a starting thread, or, with all taken, one shared
// with others in turn.
void take_heap(ThreadCache& cache) {
  uint64_t taken = heaps_taken.load(std::memory_order_relaxed);
  while (~taken != 0) {
    unsigned heap = static_cast<unsigned>(__builtin_ctzll(~taken));
    if (heaps_taken.compare_exchange_weak(taken, taken | (uint64_t{1} << heap),
                                          std::memory_order_acq_rel)) {
      cache.heap = heap;
      cache.owns_heap = true;
      return;
    }
  }
  cache.heap = 1 + next_shared_heap.fetch_add(1, std::memory_order_relaxed) % (kHeaps - 1);
  cache.owns_heap = false;
}

// Hands the heap on to the next thread that starts; the thread goes on
// with heap 0.
void give_up_heap(ThreadCache& cache) {
  if (cache.owns_heap) {
    heaps_taken.fetch_and(~(uint64_t{1} << cache.heap), std::memory_order_acq_rel);
  }
  cache.heap = 0;
  cache.owns_heap = false;
}

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
  give_up_heap(cache);
}

// Turns the cache on at the thread's first allocation or free. The state
// changes first: registering the key may allocate, and that allocation then
// finds the cache active.
void activate(ThreadCache& cache) {
  cache.state = kActive;
  take_heap(cache);
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
        give_up_heap(cache);
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
  if (limit == 0) return small_allocate(cache.heap, size_class);
  void* blocks[kMaxBatch];
  unsigned wanted = std::min<unsigned>(limit / 2, kMaxBatch);
  unsigned taken = small_allocate_batch(cache.heap, size_class, blocks, wanted);
  if (taken == 0) return nullptr;  // refused while a refusal was being thrown
  for (unsigned i = taken; i-- > 1;) cache_push(cache, size_class, blocks[i]);
  slab_hand_to_caller(blocks[0]);
  return blocks[0];
}

void cache_free_slow(void* block) noexcept {
  unsigned size_class = placement_of(reinterpret_cast<uintptr_t>(block)).size_class;
  ThreadCache& cache = t_thread_cache;
  ++cache.rooms[size_class];  // cache_free counted it down past zero
  if (cache.state == kUnused) activate(cache);
  uint32_t limit = cache.limits[size_class];
  if (limit == 0) {
    small_free(slab_of_block(block), block);
    return;
  }
  if (cache.rooms[size_class] == 0) give_back(cache, size_class, limit - limit / 2);
  cache_push(cache, size_class, block);
}

unsigned thread_heap() {
  ThreadCache& cache = t_thread_cache;
  if (cache.state == kUnused) activate(cache);
  return cache.heap;
}

void thread_cache_flush() { flush(t_thread_cache); }

size_t thread_cache_blocks(unsigned size_class) {
  return cached_count(t_thread_cache, size_class);
}

const char* thread_cache_check() {
  const ThreadCache& cache = t_thread_cache;
  if (cache.heap >= kHeaps || (cache.state == kActive) != (cache.heap != 0)) {
    return "cache without its thread's heap";
  }
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
