#include "support/allocator/chunk_map.h"

#include "support/heap/spinlock.h"
#include "support/platform/low_level.h"

namespace morvane::heap {

std::atomic<std::atomic<uint64_t>*> g_chunk_maps[2] = {};

namespace {

constexpr size_t kMapWords = (size_t{1} << (kAddressBits - kChunkShift)) / 64;
constexpr int kExitCodeOnFailure = 66;

SpinWord create_lock{0};

std::atomic<uint64_t>* map_of(ChunkKind kind) {
  auto& slot = g_chunk_maps[static_cast<int>(kind)];
  std::atomic<uint64_t>* map = slot.load(std::memory_order_acquire);
  if (map != nullptr) return map;
  SpinGuard guard(create_lock);
  map = slot.load(std::memory_order_relaxed);
  if (map == nullptr) {
    void* memory = platform::reserve_memory(kMapWords * sizeof(uint64_t));
    if (memory == nullptr) {
      // Without its map the allocator cannot tell its blocks apart; there is
      // nothing sound left to do.
      static const char kMessage[] = "MEMORY ALLOCATION FAILURE [chunk map]\r\n";
      platform::write_raw(2, kMessage, sizeof kMessage - 1);
      platform::exit_now(kExitCodeOnFailure);
    }
    // Fresh anonymous memory reads as zero: every chunk unmarked.
    map = static_cast<std::atomic<uint64_t>*>(memory);
    slot.store(map, std::memory_order_release);
  }
  return map;
}

}  // namespace

void chunk_map_add(ChunkKind kind, uintptr_t start) {
  uintptr_t chunk = start >> kChunkShift;
  map_of(kind)[chunk / 64].fetch_or(uint64_t{1} << (chunk % 64), std::memory_order_release);
}

void chunk_map_remove(ChunkKind kind, uintptr_t start) {
  uintptr_t chunk = start >> kChunkShift;
  map_of(kind)[chunk / 64].fetch_and(~(uint64_t{1} << (chunk % 64)), std::memory_order_release);
}

}  // namespace morvane::heap
