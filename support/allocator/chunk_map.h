// Which parts of the address space hold the allocator's live memory, so that
// free can tell its own blocks from anything else without reading the memory
// a pointer points to (which may have gone back to the system).
//
// The address space is cut into chunks of 256 KiB. Every slab starts at a
// chunk boundary and its mapping covers the whole chunk; every large block's
// mapping starts at the chunk boundary at or below its header. So no two
// live slabs or large-block headers share a chunk, and one bit per chunk and
// kind says whether a live one is there. Bits are set before the memory is
// handed out and cleared before it goes back to the system.
//
// Threads: any thread may add, remove and look up at any time; lookups are
// single relaxed loads. A lookup only sees an added chunk when the block it
// looks up reached the caller through something that synchronised with the
// allocation, as every correct use of a block does.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace morvane::heap {

inline constexpr unsigned kChunkShift = 18;
inline constexpr size_t kChunkSize = size_t{1} << kChunkShift;
inline constexpr unsigned kAddressBits = 47;  // x86-64 user space

enum class ChunkKind { slab = 0, large = 1 };

inline constexpr size_t kChunkMapWords = (size_t{1} << (kAddressBits - kChunkShift)) / 64;

// The maps: one bit per chunk and kind, 64 MiB each of zero-filled static
// storage, of which only the pages for chunks in use are ever touched.
extern std::atomic<uint64_t> g_chunk_maps[2][kChunkMapWords];

inline uintptr_t chunk_start(uintptr_t address) { return address & ~(uintptr_t{kChunkSize} - 1); }
inline uintptr_t chunk_start_of(const void* pointer) {
  return chunk_start(reinterpret_cast<uintptr_t>(pointer));
}

// Marks the chunk at `start` (a chunk boundary below 2^47).
inline void chunk_map_add(ChunkKind kind, uintptr_t start) {
  uintptr_t chunk = start >> kChunkShift;
  g_chunk_maps[static_cast<int>(kind)][chunk / 64].fetch_or(uint64_t{1} << (chunk % 64),
                                                            std::memory_order_release);
}

// Clears the chunk at `start`.
inline void chunk_map_remove(ChunkKind kind, uintptr_t start) {
  uintptr_t chunk = start >> kChunkShift;
  g_chunk_maps[static_cast<int>(kind)][chunk / 64].fetch_and(~(uint64_t{1} << (chunk % 64)),
                                                             std::memory_order_release);
}

// True when the chunk holding `address` is marked for `kind`.
inline bool chunk_map_contains(ChunkKind kind, uintptr_t address) {
  if ((address >> kAddressBits) != 0) return false;
  uintptr_t chunk = address >> kChunkShift;
  uint64_t word = g_chunk_maps[static_cast<int>(kind)][chunk / 64].load(std::memory_order_relaxed);
  return (word >> (chunk % 64)) & 1;
}

}  // namespace morvane::heap
