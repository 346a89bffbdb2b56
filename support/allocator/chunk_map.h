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
// The bits live in two levels: a static table of one pointer per 1 GiB
// region (1 MiB of zero-filled storage, touched only where used) and, per
// region that ever held a chunk, a leaf of 1 KiB of bits in a page mapped on
// first use and never given back. So the map costs the process about a
// megabyte of address space, which matters to runs under `ulimit -v`.
//
// Threads: any thread may add, remove and look up at any time; lookups are
// two relaxed loads. A lookup only sees an added chunk when the block it
// looks up reached the caller through something that synchronised with the
// allocation, as every correct use of a block does. A leaf is published
// with one compare-and-swap; a thread that loses the race unmaps its own.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace morvane::heap {

inline constexpr unsigned kChunkShift = 18;
inline constexpr size_t kChunkSize = size_t{1} << kChunkShift;
inline constexpr unsigned kAddressBits = 47;  // x86-64 user space
inline constexpr unsigned kRegionShift = 30;
inline constexpr size_t kRegionCount = size_t{1} << (kAddressBits - kRegionShift);
inline constexpr size_t kChunksPerRegion = size_t{1} << (kRegionShift - kChunkShift);

enum class ChunkKind { slab = 0, large = 1 };

// The bits of one region's chunks, per kind.
struct ChunkLeaf {
  std::atomic<uint64_t> words[2][kChunksPerRegion / 64];
};

extern std::atomic<ChunkLeaf*> g_chunk_leaves[kRegionCount];

inline uintptr_t chunk_start(uintptr_t address) { return address & ~(uintptr_t{kChunkSize} - 1); }
inline uintptr_t chunk_start_of(const void* pointer) {
  return chunk_start(reinterpret_cast<uintptr_t>(pointer));
}

// The leaf of the region holding `address` (below 2^47), made on first use;
// null when the system refuses the page for it.
ChunkLeaf* chunk_leaf_for(uintptr_t address);

// Marks the chunk at `start` (a chunk boundary below 2^47). False, with
// nothing marked, when the leaf for its region could not be made: the
// caller then treats the memory as refused.
inline bool chunk_map_add(ChunkKind kind, uintptr_t start) {
  ChunkLeaf* leaf = chunk_leaf_for(start);
  if (leaf == nullptr) return false;
  size_t chunk = (start >> kChunkShift) % kChunksPerRegion;
  leaf->words[static_cast<int>(kind)][chunk / 64].fetch_or(uint64_t{1} << (chunk % 64),
                                                          std::memory_order_release);
  return true;
}

// Clears the chunk at `start`, which chunk_map_add marked.
inline void chunk_map_remove(ChunkKind kind, uintptr_t start) {
  ChunkLeaf* leaf = g_chunk_leaves[start >> kRegionShift].load(std::memory_order_acquire);
  size_t chunk = (start >> kChunkShift) % kChunksPerRegion;
  leaf->words[static_cast<int>(kind)][chunk / 64].fetch_and(~(uint64_t{1} << (chunk % 64)),
                                                           std::memory_order_release);
}

// True when the chunk holding `address` is marked for `kind`.
inline bool chunk_map_contains(ChunkKind kind, uintptr_t address) {
  if ((address >> kAddressBits) != 0) return false;
  ChunkLeaf* leaf = g_chunk_leaves[address >> kRegionShift].load(std::memory_order_acquire);
  if (leaf == nullptr) return false;
  size_t chunk = (address >> kChunkShift) % kChunksPerRegion;
  uint64_t word = leaf->words[static_cast<int>(kind)][chunk / 64].load(std::memory_order_relaxed);
  return (word >> (chunk % 64)) & 1;
}

}  // namespace morvane::heap
