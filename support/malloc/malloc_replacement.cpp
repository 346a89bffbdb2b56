// The C library's allocation functions, replaced for the whole process by the
// slab allocator. Linked as object code (support_malloc) into the executable,
// these definitions take the place of the C library's: the C library itself,
// the C++ library and every shared library then allocate here.
//
// A refusal of the system is reported on both standard streams as
// everywhere else, but it cannot be thrown through C callers (the C library
// declares these functions noexcept): here it returns null with errno ENOMEM,
// as C callers expect. C++ code allocating with new gets the iException.
#include <errno.h>
#include <malloc.h>
#include <stdlib.h>

#include "support/allocator/allocator.h"
#include "support/allocator/fast_path.h"
#include "support/platform/platform.h"

using namespace morvane;

namespace {

bool is_power_of_two(size_t value) { return value != 0 && (value & (value - 1)) == 0; }

// The block that `allocate` returns, or null with ENOMEM when it throws.
template <typename Allocate>
void* or_enomem(Allocate allocate) noexcept {
  try {
    return allocate();
  } catch (...) {
    errno = ENOMEM;
    return nullptr;
  }
}

}  // namespace

extern "C" {

// malloc and free start on a cache line of their own: where they fell
// across one more line than they need, a pair took 5 % longer.
[[gnu::aligned(64)]] void* malloc(size_t bytes) noexcept {
  if (void* block = heap::cached_malloc(bytes)) [[likely]] return block;
  return or_enomem([=] { return heap::malloc_slow(bytes); });
}

[[gnu::aligned(64)]] void free(void* block) noexcept { heap::fast_free(block); }

void* calloc(size_t count, size_t size) noexcept {
  return or_enomem([=] { return allocator_calloc(count, size); });
}

void* realloc(void* block, size_t bytes) noexcept {
  return or_enomem([=] { return allocator_realloc(block, bytes); });
}

// The C library implements this without going through realloc, so it is
// replaced too; as there, an overflowing product returns null with ENOMEM.
void* reallocarray(void* block, size_t count, size_t size) noexcept {
  size_t bytes = 0;
  if (__builtin_mul_overflow(count, size, &bytes)) {
    errno = ENOMEM;
    return nullptr;
  }
  return realloc(block, bytes);
}

size_t malloc_usable_size(void* block) noexcept { return allocator_msize(block); }

void* aligned_alloc(size_t alignment, size_t bytes) noexcept {
  if (!is_power_of_two(alignment)) {
    errno = EINVAL;
    return nullptr;
  }
  return or_enomem([=] { return allocator_aligned(alignment, bytes); });
}

void* memalign(size_t alignment, size_t bytes) noexcept { return aligned_alloc(alignment, bytes); }

int posix_memalign(void** result, size_t alignment, size_t bytes) noexcept {
  if (!is_power_of_two(alignment) || alignment % sizeof(void*) != 0) return EINVAL;
  void* block = aligned_alloc(alignment, bytes);
  if (block == nullptr) return ENOMEM;
  *result = block;
  return 0;
}

void* valloc(size_t bytes) noexcept { return aligned_alloc(platform::page_size(), bytes); }

// The size is rounded up to whole pages; a size that cannot be is refused.
void* pvalloc(size_t bytes) noexcept {
  size_t page = platform::page_size();
  size_t rounded = (bytes + page - 1) & ~(page - 1);
  return aligned_alloc(page, rounded < bytes ? SIZE_MAX : rounded);
}

}  // extern "C"
