#include "support/allocator/system_heap.h"

#include <atomic>
#include <cstdint>

#include "support/allocator/chunk_map.h"
#include "support/platform/low_level.h"
#include "support/platform/platform.h"

namespace morvane::heap {

namespace {

std::atomic<RefusalHook> refusal_hook{nullptr};

uintptr_t round_up(uintptr_t value, size_t unit) { return (value + unit - 1) & ~(uintptr_t{unit} - 1); }

bool fits(uintptr_t start, size_t alignment, size_t offset) {
  return ((start + offset) & (alignment - 1)) == 0;
}

}  // namespace

bool system_refuses(size_t bytes) {
  RefusalHook hook = refusal_hook.load(std::memory_order_acquire);
  return hook != nullptr && hook(bytes);
}

void* system_allocate_aligned(size_t bytes, size_t alignment, size_t offset) {
  size_t length = round_up(bytes, platform::page_size());
  if (length < bytes) return nullptr;
  // The kernel tends to place a mapping just below the previous one, so a
  // mapping of the exact length is often aligned already.
  void* memory = platform::map_memory(length);
  if (memory == nullptr) return nullptr;
  uintptr_t start = reinterpret_cast<uintptr_t>(memory);
  if (!fits(start, alignment, offset)) {
    platform::unmap_memory(memory, length);
    if (length > SIZE_MAX - alignment) return nullptr;
    memory = platform::map_memory(length + alignment);
    if (memory == nullptr) return nullptr;
    start = reinterpret_cast<uintptr_t>(memory);
    uintptr_t aligned = round_up(start + offset, alignment) - offset;
    if (aligned > start) platform::unmap_memory(memory, aligned - start);
    uintptr_t end = start + length + alignment;
    if (end > aligned + length) {
      platform::unmap_memory(reinterpret_cast<void*>(aligned + length), end - aligned - length);
    }
    start = aligned;
  }
  if (((start + length) >> kAddressBits) != 0) {
    platform::unmap_memory(reinterpret_cast<void*>(start), length);
    return nullptr;
  }
  return reinterpret_cast<void*>(start);
}

void system_release(void* start, size_t bytes) { platform::unmap_memory(start, bytes); }

void set_system_refusal(RefusalHook hook) { refusal_hook.store(hook, std::memory_order_release); }

}  // namespace morvane::heap
