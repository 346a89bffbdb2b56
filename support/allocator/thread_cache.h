// Thread caches: in front of the bins, every thread keeps per size class a
// short list of free blocks, so that most allocations and frees touch no
// lock, no atomic and no memory shared with other threads.
//
// A list is LIFO, chained through the first word of its blocks. An empty
// list is refilled with half its limit of blocks from the bin under one lock;
// a full one gives half its limit back the same way (small_blocks.h). Blocks
// freed by another thread than the one that allocated them go into the
// freeing thread's cache: the bins are global, so a block may end in any
// cache. Classes whose cache limit is 0 (the largest ones, see
// size_classes.cpp) always go to the bins.
//
// Invariants of a thread's cache (checked by thread_cache_check):
//   - only its own thread reads or writes it;
//   - each list holds `count` distinct blocks, count <= limit, and limit is
//     the class's cache limit while the cache is active, 0 before its first
//     use and after the thread's end;
//   - every block in a list is the block of a slot of a live slab of the
//     list's class; the slot is handed out of the slab (counted in its bin's
//     in_use), and its header word carries the free mark, so a second free
//     of the block is ignored;
//   - at most limit blocks per class, so a thread caches at most 32 KiB per
//     class; when the thread ends, the cache goes back to the bins and stays
//     off (frees and allocations of its later exit code go to the bins).
//
// The cache is thread-local storage with a trivial destructor; its end is
// noticed through a pthread key, whose destructor allocates nothing.
#pragma once

#include <cstddef>

#include "support/allocator/slab.h"

namespace morvane::heap {

// A block of class `size_class` from the calling thread's cache, refilled
// from the bins when empty.
void* cache_allocate(unsigned size_class);

// Takes back `block`, a block of `slab` as handed out (its header word the
// slab's address), into the calling thread's cache; a full cache first gives
// half of the class's list back to the bin.
void cache_free(Slab* slab, void* block);

// Gives every block of the calling thread's cache back to the bins; the
// cache stays usable.
void thread_cache_flush();

// Blocks of class `size_class` that the calling thread's cache holds.
size_t thread_cache_blocks(unsigned size_class);

// Checks the calling thread's cache against its invariants (taking the bin
// locks to look at the slabs); null when all hold, otherwise what is wrong.
const char* thread_cache_check();

}  // namespace morvane::heap
