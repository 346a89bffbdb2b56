// Which parts of the address space hold the allocator's live memory, so that
// free can tell its own blocks from anything else without reading the memory
// a pointer points to (which may have gone back to the system).
//
// The address space is cut into chunks of 256 KiB. Every slab starts at a
// chunk boundary and its mapping covers the whole chunk; every large block's
// mapping starts at the chunk boundary at or below its header. So no two
// live slabs or large-block headers share a chunk, and one byte per chunk,
// its tag, says what lives there: nothing, a large block, or a slab, whose
// class and place in the chunk the tag gives. Beside the tag, a slab's chunk
// has a record of 16 bytes holding the part of that placement which free
// needs, so that free's fast path reads neither a slab header nor the
// placement table. A tag and its record are set before the memory is handed
// out and cleared before it goes back to the system.
//
// The map lives in two levels: a static table of one pointer per 1 GiB
// region (1 MiB of zero-filled storage, touched only where used) and, per
// region that ever held a chunk, a leaf of 68 KiB of records and tags,
// mapped on first use, of which only the pages of used chunks are ever
// touched, and never given back. So the map costs the process about a
// megabyte of address space, which matters to runs under `ulimit -v`.
//
// Threads: any thread may add, remove and look up at any time; lookups are
// two dependent loads. A lookup only sees an added chunk when the block it
// looks up reached the caller through something that synchronised with the
// allocation, as every correct use of a block does. A leaf is published with
// one compare-and-swap; a thread that loses the race unmaps its own.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "support/allocator/size_classes.h"

namespace morvane::heap {

inline constexpr unsigned kChunkShift = 18;
inline constexpr size_t kChunkSize = size_t{1} << kChunkShift;
inline constexpr unsigned kAddressBits = 47;  // x86-64 user space
inline constexpr unsigned kRegionShift = 30;
inline constexpr size_t kRegionCount = size_t{1} << (kAddressBits - kRegionShift);
inline constexpr size_t kChunksPerRegion = size_t{1} << (kRegionShift - kChunkShift);

// A chunk's tag: kNoChunk, kLargeChunk, or any other value for a slab
// (slab.h says which class and where the slab lies).
inline constexpr uint8_t kNoChunk = 0;
inline constexpr uint8_t kLargeChunk = 0xFF;

// What free needs of a slab's chunk, copied from its tag's placement when
// the chunk is tagged, so that free reads it straight from the leaf rather
// than reading the tag and then the placement table: one dependent load
// less on every free. `span` is 0 for a chunk that holds no slab.
struct ChunkRecord {
  std::atomic<uint64_t> inverse_and_class;  // the class's inverse; its class in the top byte
  std::atomic<uint32_t> first_block;
  std::atomic<uint32_t> span;
};
inline constexpr unsigned kRecordClassShift = 56;

// The records and tags of one region's chunks.
struct ChunkLeaf {
  ChunkRecord records[kChunksPerRegion];
  std::atomic<uint8_t> tags[kChunksPerRegion];
};

// The record of every address where no slab lives.
extern const ChunkRecord g_no_chunk_record;

extern std::atomic<ChunkLeaf*> g_chunk_leaves[kRegionCount];

inline uintptr_t chunk_start(uintptr_t address) { return address & ~(uintptr_t{kChunkSize} - 1); }
inline uintptr_t chunk_start_of(const void* pointer) {
  return chunk_start(reinterpret_cast<uintptr_t>(pointer));
}

inline size_t chunk_in_region(uintptr_t address) {
  return (address >> kChunkShift) % kChunksPerRegion;
}

// The leaf of the region holding `address` (below 2^47), made on first use;
// null when the system refuses the page for it.
ChunkLeaf* chunk_leaf_for(uintptr_t address);

// Tags the chunk at `start` (a chunk boundary below 2^47) and writes its
// record from the tag's placement, the record first. False, with nothing
// tagged, when the leaf for its region could not be made: the
// caller then treats the memory as refused.
inline bool chunk_map_add(uintptr_t start, uint8_t tag) {
  ChunkLeaf* leaf = chunk_leaf_for(start);
  if (leaf == nullptr) return false;
  const size_t chunk = chunk_in_region(start);
  ChunkRecord& record = leaf->records[chunk];
  const SlabPlacement& place = g_size_classes.placement[tag];
  record.inverse_and_class.store(place.inverse | uint64_t{place.size_class} << kRecordClassShift,
                                 std::memory_order_relaxed);
  record.first_block.store(place.first_block, std::memory_order_relaxed);
  record.span.store(place.span, std::memory_order_relaxed);
  leaf->tags[chunk].store(tag, std::memory_order_release);
  return true;
}

// Clears the record's span and the tag of the chunk at `start`, which
// chunk_map_add tagged.
inline void chunk_map_remove(uintptr_t start) {
  ChunkLeaf* leaf = g_chunk_leaves[start >> kRegionShift].load(std::memory_order_acquire);
  const size_t chunk = chunk_in_region(start);
  leaf->records[chunk].span.store(0, std::memory_order_relaxed);
  leaf->tags[chunk].store(kNoChunk, std::memory_order_release);
}

// The tag of the chunk holding `address`; kNoChunk for any address the
// allocator has no live memory at, including addresses above user space.
inline uint8_t chunk_map_tag(uintptr_t address) {
  uintptr_t region = address >> kRegionShift;
  if (region >= kRegionCount) [[unlikely]] return kNoChunk;  // above user space
  ChunkLeaf* leaf = g_chunk_leaves[region].load(std::memory_order_acquire);
  if (leaf == nullptr) [[unlikely]] return kNoChunk;
  return leaf->tags[chunk_in_region(address)].load(std::memory_order_relaxed);
}

// The record of the chunk holding `address`; g_no_chunk_record for any
// address the allocator has no slab at, including addresses above user
// space.
inline const ChunkRecord& chunk_map_record(uintptr_t address) {
  uintptr_t region = address >> kRegionShift;
  if (region >= kRegionCount) [[unlikely]] return g_no_chunk_record;
  ChunkLeaf* leaf = g_chunk_leaves[region].load(std::memory_order_acquire);
  if (leaf == nullptr) [[unlikely]] return g_no_chunk_record;
  return leaf->records[chunk_in_region(address)];
}

}  // namespace morvane::heap
