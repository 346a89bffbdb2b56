#include "support/allocator/large_blocks.h"

#include <cstdint>

#include "support/allocator/failure.h"
#include "support/allocator/system_heap.h"
#include "support/platform/platform.h"

namespace morvane::heap {

namespace {

constexpr size_t kHeader = 16;

uintptr_t round_down(uintptr_t value, size_t unit) { return value & ~(uintptr_t{unit} - 1); }
uintptr_t round_up(uintptr_t value, size_t unit) { return round_down(value + unit - 1, unit); }

}  // namespace

void* large_allocate(size_t bytes, size_t alignment) {
  if (bytes > SIZE_MAX - alignment) {
    report_failure(SIZE_MAX);
    return nullptr;  // refused while a refusal was being thrown
  }
  size_t asked = bytes + alignment;
  void* memory = system_allocate(asked);
  if (memory == nullptr) {
    report_failure(asked);
    return nullptr;
  }

  // The mapping is page-aligned, so for alignments up to a page the block
  // lies `alignment` bytes in; beyond that the pages before the header's
  // page and those after the block are given back.
  const size_t page = platform::page_size();
  uintptr_t start = reinterpret_cast<uintptr_t>(memory);
  uintptr_t block = round_up(start + kHeader, alignment);
  uintptr_t first_page = round_down(block - kHeader, page);
  if (first_page > start) system_release(memory, first_page - start);
  uintptr_t used_end = round_up(block + bytes, page);
  uintptr_t mapped_end = round_up(start + asked, page);
  if (mapped_end > used_end) system_release(reinterpret_cast<void*>(used_end), mapped_end - used_end);

  size_t* header = reinterpret_cast<size_t*>(block - kHeader);
  header[0] = bytes;
  header[1] = 0;
  return reinterpret_cast<void*>(block);
}

void large_free(void* block) {
  uintptr_t address = reinterpret_cast<uintptr_t>(block);
  uintptr_t first_page = round_down(address - kHeader, platform::page_size());
  system_release(reinterpret_cast<void*>(first_page), address + large_size(block) - first_page);
}

}  // namespace morvane::heap
