// Large blocks: requests above the small-block limit (and over-aligned ones
// that do not fit a slot), each one its own piece of the private heap.
//
// The 16 bytes before a large block are its header: the requested size, then
// a zero word. The mapping starts at the chunk boundary at or below the
// header (see chunk_map.h) and is marked in the chunk map while the block
// lives. A block that is not 16 bytes past that boundary (an over-aligned
// one) has its own address in the mapping's first word and a word that is
// not 0 in the second, so that no other address in the chunk passes for it.
#pragma once

#include <cstddef>

namespace morvane::heap {

// A block of `bytes` bytes whose address is a multiple of `alignment` (a
// power of two, at least 16). The failure is reported with bytes + alignment.
void* large_allocate(size_t bytes, size_t alignment);

// True when `block` is a live large block of this allocator. Reads no memory
// unless the chunk map says a live large block has its header there.
bool large_owns(const void* block);

// Gives a live large block back to the system.
void large_free(void* block);

// The requested size stored in the header.
inline size_t large_size(const void* block) { return static_cast<const size_t*>(block)[-2]; }

}  // namespace morvane::heap
