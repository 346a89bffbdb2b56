#include "support/allocator/chunk_map.h"

#include "support/platform/low_level.h"

namespace morvane::heap {

// Zero-initialised: no region has a leaf.
constinit std::atomic<ChunkLeaf*> g_chunk_leaves[kRegionCount] = {};
constinit const ChunkRecord g_no_chunk_record = {};

ChunkLeaf* chunk_leaf_for(uintptr_t address) {
  std::atomic<ChunkLeaf*>& slot = g_chunk_leaves[address >> kRegionShift];
  ChunkLeaf* leaf = slot.load(std::memory_order_acquire);
  if (leaf != nullptr) return leaf;
  // A fresh mapping is zeroed: every chunk of the region unmarked.
  auto* made = static_cast<ChunkLeaf*>(platform::map_memory(sizeof(ChunkLeaf)));
  if (made == nullptr) return nullptr;
  if (slot.compare_exchange_strong(leaf, made, std::memory_order_acq_rel)) return made;
  platform::unmap_memory(made, sizeof(ChunkLeaf));  // another thread was first
  return leaf;
}

}  // namespace morvane::heap
