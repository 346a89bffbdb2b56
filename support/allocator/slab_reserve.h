// Chunks of slabs that have left their bins, kept mapped for a short while
// before they go back to the system, so that a bin whose use falls and rises
// again (a producer running ahead of its consumer, a burst of statements)
// takes one back without a new mapping and a page fault per page.
//
// A chunk in the reserve is out of the chunk map: frees of its old blocks
// are ignored as for a chunk given back. A chunk is taken back only for a
// slab of the same class, so its slots lie where they lay, and their header
// words are still 0 or marked free, as a new slab's must be. The reserve holds at most 64 chunks
// and 4 MiB of slab bytes, and a chunk at most 100 ms; what goes beyond is
// given back at the next put or take.
//
// Threads: safe from any thread; one spin lock, held for a few instructions.
#pragma once

#include <cstddef>

namespace morvane::heap {

// The newest chunk in the reserve that held a slab of `size_class`, or null
// when there is none. Its memory holds whatever that slab left there.
void* slab_reserve_take(unsigned size_class);

// Puts the chunk of an empty slab of `size_class` that left its bin
// (already out of the chunk map), `slab_bytes` of it touched, into the
// reserve.
void slab_reserve_put(void* chunk, unsigned size_class, size_t slab_bytes);

// Gives every chunk of the reserve back to the system.
void slab_reserve_drain();

}  // namespace morvane::heap
