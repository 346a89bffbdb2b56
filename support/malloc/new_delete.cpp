// Every replaceable form of operator new and delete, served by the slab
// allocator. Linked as object code with malloc_replacement.cpp.
//
// The throwing forms throw iException on a refusal (after the report); the
// nothrow forms return null instead.
#include <new>

#include "support/allocator/allocator.h"
#include "support/allocator/fast_path.h"

using morvane::allocator_aligned;
using morvane::heap::fast_free;
using morvane::heap::fast_malloc;

namespace {

// The allocator gives null only for a refusal met while the exception of
// another refusal is being built; the throwing forms never return it.
void* never_null(void* block) {
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

void* aligned(std::size_t bytes, std::align_val_t alignment) {
  return never_null(allocator_aligned(static_cast<std::size_t>(alignment), bytes));
}

template <typename Allocate>
void* or_null(Allocate allocate) noexcept {
  try {
    return allocate();
  } catch (...) {
    return nullptr;
  }
}

}  // namespace

void* operator new(std::size_t bytes) { return never_null(fast_malloc(bytes)); }
void* operator new[](std::size_t bytes) { return never_null(fast_malloc(bytes)); }
void* operator new(std::size_t bytes, std::align_val_t alignment) { return aligned(bytes, alignment); }
void* operator new[](std::size_t bytes, std::align_val_t alignment) {
  return aligned(bytes, alignment);
}

void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept {
  return or_null([bytes] { return fast_malloc(bytes); });
}
void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept {
  return or_null([bytes] { return fast_malloc(bytes); });
}
void* operator new(std::size_t bytes, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return or_null([=] { return aligned(bytes, alignment); });
}
void* operator new[](std::size_t bytes, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return or_null([=] { return aligned(bytes, alignment); });
}

void operator delete(void* block) noexcept { fast_free(block); }
void operator delete[](void* block) noexcept { fast_free(block); }
void operator delete(void* block, std::size_t) noexcept { fast_free(block); }
void operator delete[](void* block, std::size_t) noexcept { fast_free(block); }
void operator delete(void* block, std::align_val_t) noexcept { fast_free(block); }
void operator delete[](void* block, std::align_val_t) noexcept { fast_free(block); }
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { fast_free(block); }
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept { fast_free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { fast_free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { fast_free(block); }
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept {
  fast_free(block);
}
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept {
  fast_free(block);
}
