#include "support/allocator/large_blocks.h"

#include <cstdint>

#include "support/allocator/chunk_map.h"
#include "support/allocator/failure.h"
#include "support/allocator/system_heap.h"
#include "support/platform/platform.h"

namespace morvane::heap {

namespace {

constexpr size_t kHeader = 16;

uintptr_t round_up(uintptr_t value, size_t unit) { return (value + unit - 1) & ~(uintptr_t{unit} - 1); }

}  // namespace

void* large_allocate(size_t bytes, size_t alignment) {
  if (bytes > SIZE_MAX - alignment) {
    report_failure(SIZE_MAX);
    return nullptr;  // refused while a refusal was being thrown
  }
  size_t asked = bytes + alignment;
  if (system_refuses(asked)) {
    report_failure(asked);
    return nullptr;  // refused while a refusal was being thrown
  }

  // Up to a chunk the mapping starts at a chunk boundary and the block lies
  // `alignment` bytes in (16 at least, for the header); beyond, the mapping
  // starts one chunk before a multiple of the alignment, where the block is.
  bool within_chunk = alignment <= kChunkSize;
  size_t lead = within_chunk ? (alignment < kHeader ? kHeader : alignment) : kChunkSize;
  void* memory = system_allocate_aligned(lead + bytes, within_chunk ? kChunkSize : alignment,
                                         within_chunk ? 0 : kChunkSize);
  if (memory == nullptr) {
    report_failure(asked);
    return nullptr;
  }

  uintptr_t start = reinterpret_cast<uintptr_t>(memory);
  uintptr_t block = start + lead;
  if (!chunk_map_add(start, kLargeChunk)) {  // no page for the map: as refused
    system_release(memory, round_up(block + bytes, platform::page_size()) - start);
    report_failure(asked);
    return nullptr;
  }
  size_t* header = reinterpret_cast<size_t*>(block - kHeader);
  header[0] = bytes;
  header[1] = 0;
  if (lead != kHeader) {
    // The block's address, and a word that is not 0 where a block 16 bytes
    // in would have its zero word.
    auto* first = reinterpret_cast<uintptr_t*>(start);
    first[0] = block;
    first[1] = ~uintptr_t{0};
  }
  return reinterpret_cast<void*>(block);
}

bool large_owns(const void* block) {
  uintptr_t address = reinterpret_cast<uintptr_t>(block);
  if (chunk_map_tag(address - kHeader) != kLargeChunk) return false;
  uintptr_t start = chunk_start(address - kHeader);
  if (static_cast<const size_t*>(block)[-1] != 0) return false;
  return address == start + kHeader ||
         (address >= start + 2 * kHeader && *reinterpret_cast<const uintptr_t*>(start) == address);
}

void large_free(void* block) {
  uintptr_t address = reinterpret_cast<uintptr_t>(block);
  uintptr_t start = chunk_start(address - kHeader);
  chunk_map_remove(start);
  uintptr_t end = round_up(address + large_size(block), platform::page_size());
  system_release(reinterpret_cast<void*>(start), end - start);
}

}  // namespace morvane::heap
