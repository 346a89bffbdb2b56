// Small blocks: the 128 bins, one per size class, each with its spin lock and
// its list of slabs that have a free slot.
//
// Invariants of a bin, kept under its lock (checked by small_blocks_check):
//   - its list holds exactly its slabs that are not full, linked both ways;
//   - total_slots is the sum of the slot counts of all its slabs, listed or
//     full; in_use is the number of blocks handed out from them, so the free
//     counts of the listed slabs add up to total_slots - in_use.
//   - an empty slab is given back only while fewer than half of the bin's
//     slots are in use, and never when it is the only slab in the list.
#pragma once

#include <cstddef>
#include <cstdint>

#include "support/allocator/slab.h"
#include "support/heap/spinlock.h"

namespace morvane::heap {

struct alignas(32) Bin {
  SpinWord lock;
  Slab* head;
  uint32_t total_slots;
  uint32_t in_use;
};
static_assert(sizeof(Bin) == 32, "bin records are 32 bytes apart");

// A block of class `size_class`, or of the next class up when that bin is
// free and the own bin is busy. Reports the failure when the system refuses
// a new slab.
void* small_allocate(unsigned size_class);

// Gives back a block of `slab`; a block that is not handed out is ignored.
void small_free(Slab* slab, void* block);

struct BinCounts {
  uint32_t total_slots;
  uint32_t in_use;
  uint32_t listed_slabs;
};

// The counts of one bin, read under its lock.
BinCounts small_bin_counts(unsigned size_class);

// The lock word of a bin, for tests that make a bin busy.
SpinWord& small_bin_lock(unsigned size_class);

// Walks every bin under its lock and checks the invariants of the bin and of
// each listed slab; null when all hold, otherwise what is wrong.
const char* small_blocks_check();

}  // namespace morvane::heap
