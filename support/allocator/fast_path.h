// The paths of malloc and free, inline so that the process's entry points
// (support/malloc) and allocator.cpp reach the thread cache without a call.
// Only the allocator's own sources and support/malloc include this.
//
// The common case, a block of up to 1 KiB from or into the thread's cache,
// calls nothing, and everything else goes through one out-of-line call at
// the end (a jump), so these functions set up no stack frame of their own.
#pragma once

#include <cstddef>
#include <cstdint>

#include "support/allocator/chunk_map.h"
#include "support/allocator/size_classes.h"
#include "support/allocator/slab.h"
#include "support/allocator/thread_cache.h"

namespace morvane::heap {

inline constexpr size_t kBlockAlignment = 16;

// Everything malloc does besides a cached block below 1 KiB: larger
// classes, large blocks, refills. May throw the allocator's failure report.
void* malloc_slow(size_t bytes);

// Everything free does besides a cached block: large blocks and pointers
// that are no blocks of this allocator (both out of slabs).
void free_outside_slabs(void* pointer) noexcept;

// A block of up to 1 KiB from the calling thread's cache; null when the
// request is larger or the class's list is empty.
inline void* cached_malloc(size_t bytes) {
  if (bytes >= 1024) [[unlikely]] return nullptr;
  return cache_pop(g_size_classes.small[bytes]);
}

inline void* fast_malloc(size_t bytes) {
  if (void* block = cached_malloc(bytes)) [[likely]] return block;
  return malloc_slow(bytes);
}

// Frees a pointer into a slot that is not the slot's block, which only an
// over-aligned block (allocator.cpp) may be; anything else is ignored.
void free_inside_block(void* pointer) noexcept;

// Pointers are looked up in the chunk map before any memory is read, so a
// pointer into a slab or large block that went back to the system, or into
// memory the allocator never had, is ignored. The chunk's record gives the
// slab's class and the place of its slots, so the slab's header is not read;
// chunks that hold no slab have a record of span 0, so they take the first
// way out. The rare over-aligned block is freed out of line.
inline void fast_free(void* pointer) {
  uintptr_t address = reinterpret_cast<uintptr_t>(pointer);
  const ChunkRecord& record = chunk_map_record(address);
  uint64_t distance = (address & (kChunkSize - 1)) - record.first_block.load(std::memory_order_relaxed);
  const uint32_t span = record.span.load(std::memory_order_relaxed);
  if (distance >= span) [[unlikely]] {
    if (span == 0) free_outside_slabs(pointer);
    return;  // otherwise in a slab but in no slot
  }
  const uint64_t inverse_and_class = record.inverse_and_class.load(std::memory_order_relaxed);
  if (!slot_starts_at(distance, inverse_and_class)) [[unlikely]] {
    free_inside_block(pointer);
    return;
  }
  if (!slot_claim(pointer)) [[unlikely]] return;  // not with a caller
  cache_free(static_cast<unsigned>(inverse_and_class >> kRecordClassShift), pointer);
}

}  // namespace morvane::heap
