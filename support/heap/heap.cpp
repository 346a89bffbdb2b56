#include "support/heap/heap.h"

#include <cstdlib>
#include <new>

namespace morvane {

void* heap_allocate(size_t bytes) {
  void* block = std::malloc(bytes == 0 ? 1 : bytes);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

void heap_free(void* block) { std::free(block); }

}  // namespace morvane
