#include "support/allocator/allocator.h"

#include <cstdint>
#include <cstring>

#include "support/allocator/failure.h"
#include "support/allocator/fast_path.h"
#include "support/allocator/large_blocks.h"
#include "support/allocator/size_classes.h"
#include "support/allocator/small_blocks.h"
#include "support/allocator/thread_cache.h"

namespace morvane {

using heap::Slab;

namespace {

constexpr size_t kAlignment = heap::kBlockAlignment;

}  // namespace

namespace heap {

void* malloc_slow(size_t bytes) {
  unsigned size_class = class_of(bytes);
  if (size_class == kNoClass) return large_allocate(bytes, kBlockAlignment);
  return cache_allocate(size_class);
}

// An over-aligned block has its block's header word copied before it
// (allocator_aligned); fast_free has checked that the pointer lies in a slot.
void free_inside_block(void* pointer) noexcept {
  if (slot_word(pointer) != kCallerWord) return;
  uintptr_t address = reinterpret_cast<uintptr_t>(pointer);
  const SlabPlacement& place = placement_of(address);
  void* block = slot_block_at(chunk_start(address), slot_distance(address, place), place);
  if (slot_claim(block)) cache_free(place.size_class, block);
}

void free_outside_slabs(void* pointer) noexcept {
  if (pointer != nullptr && large_owns(pointer)) large_free(pointer);
}

}  // namespace heap

void* allocator_malloc(size_t bytes) { return heap::fast_malloc(bytes); }

void allocator_free(void* pointer) { heap::fast_free(pointer); }

size_t allocator_msize(const void* block) {
  if (block == nullptr) return 0;
  if (Slab* slab = heap::small_slab_of(block)) return heap::slab_usable_size(slab, block);
  return heap::large_owns(block) ? heap::large_size(block) : 0;
}

void* allocator_realloc(void* block, size_t bytes) {
  if (block == nullptr) return allocator_malloc(bytes);
  size_t old_size = allocator_msize(block);
  if (old_size >= bytes) return block;
  void* moved = allocator_malloc(bytes);
  if (moved == nullptr) return nullptr;
  std::memcpy(moved, block, old_size);
  allocator_free(block);
  return moved;
}

void* allocator_calloc(size_t count, size_t size) {
  size_t bytes = 0;
  if (__builtin_mul_overflow(count, size, &bytes)) {
    heap::report_failure(SIZE_MAX);
    return nullptr;
  }
  void* block = allocator_malloc(bytes);
  if (block == nullptr) return nullptr;
  // A large block is a fresh mapping and already zero.
  if (heap::small_slab_of(block) != nullptr) std::memset(block, 0, bytes);
  return block;
}

void* allocator_aligned(size_t alignment, size_t bytes) {
  if (alignment <= kAlignment) return allocator_malloc(bytes);
  // A slot with alignment - 16 bytes to spare holds an aligned block. The
  // word before the aligned address, inside the slot's block, gets a copy of
  // the block's header word, so free and msize find the slot from either
  // address.
  size_t spare = alignment - kAlignment;
  if (spare > heap::g_size_classes.limit || bytes > heap::g_size_classes.limit - spare) {
    return heap::large_allocate(bytes, alignment);
  }
  void* block = allocator_malloc(bytes + spare);
  if (block == nullptr) return nullptr;
  uintptr_t aligned = (reinterpret_cast<uintptr_t>(block) + spare) & ~(uintptr_t{alignment} - 1);
  void* result = reinterpret_cast<void*>(aligned);
  if (result != block) heap::slot_word(result) = heap::slot_word(block);
  return result;
}

void allocator_set_exit_on_failure(bool on) { heap::set_exit_on_failure(on); }

}  // namespace morvane
