// Chunks of slabs that have left their bins, kept mapped for a short while
// before they go back to the system, so that a bin whose use falls and rises
// again (a producer running ahead of its consumer, a burst of statements)
// takes one back without a new mapping and a page fault per page.
//
// A chunk in the reserve is out of the chunk map: frees of its old blocks
// are ignored as for a chunk given back. The reserve holds at most 64 chunks
// and 4 MiB of slab bytes, and a chunk at most 100 ms; what goes beyond is
// given back at the next put or take.
//
// Threads: safe from any thread; one spin lock, held for a few instructions.
#pragma once

#include <cstddef>

namespace morvane::heap {

// A chunk from the reserve (the newest), or null when it is empty. Its
// memory holds whatever its last slab left there.
void* slab_reserve_take();

// Puts the chunk of a slab that left its bin (already out of the chunk
// map), `slab_bytes` of it touched, into the reserve.
void slab_reserve_put(void* chunk, size_t slab_bytes);

// Gives every chunk of the reserve back to the system.
void slab_reserve_drain();

}  // namespace morvane::heap
