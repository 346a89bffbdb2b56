// Large blocks: requests above the small-block limit (and over-aligned ones
// that do not fit a slot), each one its own piece of the private heap.
//
// The 16 bytes before a large block are its header: the requested size, then
// a zero word. That zero in the word just before the block is what tells a
// large block from a small one, whose word there is its slab's address.
// The mapping starts at the page holding the header.
#pragma once

#include <cstddef>

namespace morvane::heap {

// A block of `bytes` bytes whose address is a multiple of `alignment` (a
// power of two, at least 16). Asks the system for bytes + alignment and
// reports the failure with that count when it is refused.
void* large_allocate(size_t bytes, size_t alignment);

// Gives the block back to the system.
void large_free(void* block);

// The requested size stored in the header.
inline size_t large_size(const void* block) { return static_cast<const size_t*>(block)[-2]; }

}  // namespace morvane::heap
