// Thread caches: in front of the bins, every thread keeps per size class a
// short list of free blocks, so that most allocations and frees touch no
// lock, no atomic and no memory shared with other threads.
//
// A list is LIFO, chained through the first word of its blocks. An empty
// list is refilled with half its limit of blocks from the bin under one lock;
// a full one gives half its limit back the same way (small_blocks.h).
// Refills come from the bins of the thread's own heap. Blocks freed by
// another thread than the one that allocated them go into the freeing
// thread's cache, and from there back to the bin of their slab's heap, so a
// block may end in any cache. Classes whose cache limit is 0 (the largest ones, see
// size_classes.cpp) always go to the bins.
//
// Invariants of a thread's cache (checked by thread_cache_check):
//   - only its own thread reads or writes it;
//   - each list holds limit - room distinct blocks, room <= limit, and limit is
//     the class's cache limit while the cache is active, 0 before its first
//     use and after the thread's end;
//   - every block in a list is the block of a slot of a live slab of the
//     list's class; the slot is handed out of the slab (counted in its bin's
//     in_use), and its header word is marked free, so a second free of the
//     block is ignored;
//   - heap is the thread's heap while the cache is active, 0 otherwise;
//   - at most limit blocks per class, so a thread caches at most 32 KiB per
//     class; when the thread ends, the cache goes back to the bins and stays
//     off (frees and allocations of its later exit code go to the bins).
//
// The cache is thread-local storage with a trivial destructor; its end is
// noticed through a pthread key, whose destructor allocates nothing.
#pragma once

#include <cstddef>
#include <cstdint>

#include "support/allocator/slab.h"

namespace morvane::heap {

// Per class, a list of heads[c] with limits[c] - rooms[c] blocks. The
// fields are arrays of their own, so that the common paths index them
// straight from the thread pointer, and free checks and counts down only the
// room.
struct alignas(64) ThreadCache {
  void* heads[kMaxClasses];     // newest block; each block's first word links to the next
  uint32_t rooms[kMaxClasses];  // blocks the list may still take
  uint32_t limits[kMaxClasses];
  uint32_t state;  // see thread_cache.cpp
  uint32_t heap;   // the heap refills come from (small_blocks.h)
  bool owns_heap;  // the heap is this thread's alone, to be handed on at its end
};

inline uint32_t cached_count(const ThreadCache& cache, unsigned size_class) {
  return cache.limits[size_class] - cache.rooms[size_class];
}

// Zero at thread start: every limit 0. Local-exec: the allocator is linked
// into executables only, so the record's offset from the thread pointer is
// fixed when the program is linked, and each access is one instruction
// with that offset in it (no register to load it into first).
extern constinit thread_local ThreadCache t_thread_cache [[gnu::tls_model("local-exec")]];

// The slow paths: the first use of a thread's cache, an empty or full list,
// a class that is not cached, a thread that has ended.
void* cache_refill(unsigned size_class);
// Called by cache_free with the class's room counted down below zero.
void cache_free_slow(void* block) noexcept;

// Puts `block` at the head of the class's list, which has room for it.
inline void cache_push(ThreadCache& cache, unsigned size_class, void* block) {
  *static_cast<void**>(block) = cache.heads[size_class];
  cache.heads[size_class] = block;
  --cache.rooms[size_class];
}

// A block of class `size_class` from the calling thread's cache; null when
// the class's list is empty.
inline void* cache_pop(unsigned size_class) {
  ThreadCache& cache = t_thread_cache;
  void* block = cache.heads[size_class];
  if (block == nullptr) [[unlikely]] return nullptr;
  cache.heads[size_class] = *static_cast<void**>(block);
  ++cache.rooms[size_class];
  slab_hand_to_caller(block);
  return block;
}

// A block of class `size_class` from the calling thread's cache, refilled
// from the bins when empty.
inline void* cache_allocate(unsigned size_class) {
  if (void* block = cache_pop(size_class)) [[likely]] return block;
  return cache_refill(size_class);
}

// Takes back `block`, a block of class `size_class` claimed by slot_claim,
// into the calling thread's cache; a full cache first gives half of the
// class's list back to the bin.
//
// The room is counted down first and its sign tested, one instruction on
// the counter: a list without room goes to -1 (rooms never exceed 512), and
// the slow path counts it back up before anything else.
inline void cache_free(unsigned size_class, void* block) {
  ThreadCache& cache = t_thread_cache;
  if (static_cast<int32_t>(--cache.rooms[size_class]) < 0) [[unlikely]] {
    cache_free_slow(block);
    return;
  }
  *static_cast<void**>(block) = cache.heads[size_class];
  cache.heads[size_class] = block;
}

// The heap of the calling thread, turning its cache on if it is not yet.
unsigned thread_heap();

// Gives every block of the calling thread's cache back to the bins; the
// cache stays usable.
void thread_cache_flush();

// Blocks of class `size_class` that the calling thread's cache holds.
size_t thread_cache_blocks(unsigned size_class);

// Checks the calling thread's cache against its invariants (taking the bin
// locks to look at the slabs); null when all hold, otherwise what is wrong.
const char* thread_cache_check();

}  // namespace morvane::heap
