// Allocation entry points of the support library.
//
// Every buffer that a support-library function returns to its caller comes
// from heap_allocate and is given back with heap_free (the same as the C
// library's malloc and free, which the process allocator serves). The
// allocation never returns null: a refusal is thrown.
#pragma once

#include <cstddef>

namespace morvane {

// Returns a block of at least `bytes` bytes (1 when 0 is asked); throws
// std::bad_alloc when the system refuses it.
void* heap_allocate(size_t bytes);

// Gives back a block from heap_allocate; null is ignored.
void heap_free(void* block);

// Typed convenience: room for `count` values of T, uninitialised.
template <typename T>
T* heap_allocate_array(size_t count) {
  return static_cast<T*>(heap_allocate(count * sizeof(T)));
}

}  // namespace morvane
