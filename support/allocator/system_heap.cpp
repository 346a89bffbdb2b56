#include "support/allocator/system_heap.h"

#include <atomic>

#include "support/platform/low_level.h"

namespace morvane::heap {

namespace {
std::atomic<RefusalHook> refusal_hook{nullptr};
}  // namespace

void* system_allocate(size_t bytes) {
  RefusalHook hook = refusal_hook.load(std::memory_order_acquire);
  if (hook != nullptr && hook(bytes)) return nullptr;
  return platform::map_memory(bytes);
}

void system_release(void* start, size_t bytes) { platform::unmap_memory(start, bytes); }

void set_system_refusal(RefusalHook hook) { refusal_hook.store(hook, std::memory_order_release); }

}  // namespace morvane::heap
