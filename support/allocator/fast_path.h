// The paths of malloc and free, inline so that the process's entry points
// (support/malloc) and allocator.cpp reach the thread cache without a call.
// Only the allocator's own sources and support/malloc include this.
#pragma once

#include <cstddef>

#include "support/allocator/large_blocks.h"
#include "support/allocator/size_classes.h"
#include "support/allocator/small_blocks.h"
#include "support/allocator/thread_cache.h"

namespace morvane::heap {

inline constexpr size_t kBlockAlignment = 16;

inline void* fast_malloc(size_t bytes) {
  initialise_size_classes();
  unsigned size_class = class_of(bytes);
  if (size_class == kNoClass) [[unlikely]] return large_allocate(bytes, kBlockAlignment);
  return cache_allocate(size_class);
}

// Pointers are looked up in the chunk map before any memory is read, so a
// pointer into a slab or large block that went back to the system, or into
// memory the allocator never had, is ignored.
inline void fast_free(void* pointer) {
  if (Slab* slab = small_slab_of(pointer)) [[likely]] {
    unsigned size_class = slab->size_class;
    if (void* block = slab_claim(slab, pointer)) cache_free(size_class, block);
    return;
  }
  if (pointer != nullptr && large_owns(pointer)) large_free(pointer);
}

}  // namespace morvane::heap
