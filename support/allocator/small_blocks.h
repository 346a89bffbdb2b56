// Small blocks: heaps of bins, one bin per size class, each with its spin
// lock and its list of slabs that have a free slot. Thread caches
// (thread_cache.h) sit in front of them and move blocks in and out in
// batches.
//
// Each thread allocates from a heap of its own while there are heaps left
// (kHeaps), so the slabs it takes blocks from, and the cache lines of those
// blocks, are its own: blocks of two threads sharing a line or a slab's
// bitmap made every core wait for the others' writes. Heap 0 serves threads
// without a cache (before its first use and after their end), and threads
// beyond kHeaps - 1 share heaps. A block goes back to the bin of its slab's
// heap, whichever thread frees it; the bin's lock makes that safe, and the
// owner thread, the only other user of the bin, rarely waits for it. A
// heap outlives its thread: the next thread that starts takes it, slabs and
// all.
//
// Invariants of a bin, kept under its lock (checked by small_blocks_check):
//   - its list holds exactly its slabs that are not full, linked both ways;
//   - total_slots is the sum of the slot counts of all its slabs, listed or
//     full; in_use is the number of blocks handed out from them (to callers
//     and to thread caches), so the free counts of the listed slabs add up to
//     total_slots - in_use.
//   - an empty slab is given back only while fewer than half of the bin's
//     slots are in use, and never when it is the only slab in the list. A
//     block in a thread cache counts as in use, so a slab goes back only once
//     the caches have returned all its blocks.
#pragma once

#include <cstddef>
#include <cstdint>

#include "support/allocator/slab.h"
#include "support/heap/spinlock.h"

namespace morvane::heap {

inline constexpr unsigned kHeaps = 64;

struct alignas(32) Bin {
  SpinWord lock;
  Slab* head;
  uint32_t total_slots;
  uint32_t in_use;
};
static_assert(sizeof(Bin) == 32, "bin records are 32 bytes apart");

// A block of class `size_class` from heap `heap` for a caller (its header
// word unmarked), or of the next class up when that bin is free and the own
// bin is busy. Reports the failure when the system refuses a new slab.
void* small_allocate(unsigned heap, unsigned size_class);

// Up to `wanted` blocks of class `size_class` from heap `heap` into
// `blocks`, under one lock of the bin, their header words marked free;
// returns how many (at least 1). When the own bin is busy and the next one
// up is free, that bin serves one block of its class instead. Reports the
// failure when the system refuses a slab before any block was taken.
unsigned small_allocate_batch(unsigned heap, unsigned size_class, void** blocks, unsigned wanted);

// Gives back a block of `slab` (claimed with slot_claim) to the bin of its
// heap; a block that is not handed out is ignored.
void small_free(Slab* slab, void* block);

// Gives back `count` blocks of class `size_class` chained through their
// first word (the last one's link is ignored), each to the bin of its slab's
// heap, taking a bin's lock once for each run of blocks of one heap.
void small_free_batch(unsigned size_class, void* chain, unsigned count);

// The slab of a block handed out by this allocator, found through the chunk
// map without touching the memory: null when the pointer is in no live slab.
inline Slab* small_slab_of(const void* pointer) {
  uintptr_t address = reinterpret_cast<uintptr_t>(pointer);
  uint8_t tag = chunk_map_tag(address);
  if (!is_slab_tag(tag)) return nullptr;
  return slab_at(chunk_start(address), tag);
}

struct BinCounts {
  uint32_t total_slots;
  uint32_t in_use;
  uint32_t listed_slabs;
};

// The counts of a class's bins in all heaps together, each read under its
// lock.
BinCounts small_bin_counts(unsigned size_class);

// The lock word of a bin, for tests that make a bin busy.
SpinWord& small_bin_lock(unsigned heap, unsigned size_class);

// Walks every bin of every heap under its lock and checks the invariants of
// the bin and of each listed slab; null when all hold, otherwise what is
// wrong.
const char* small_blocks_check();

// Checks, under its bin's lock, that `block` is a block of class
// `size_class` handed out of a live slab; null when it is.
const char* small_block_check_handed_out(unsigned size_class, const void* block);

}  // namespace morvane::heap
