// Allocation entry points of the support library.
//
// Every buffer that a support-library function returns to its caller comes
// from heap_allocate and is given back with heap_free (the same as the C
// library's malloc and free, which the process allocator serves). The
// allocation never returns null: a refusal is thrown.
//
// What is thrown is decided above this library: the exception library
// installs a refusal handler when it is loaded (static initialisation) that
// throws iException "MEMORY ALLOCATION FAILURE [0x…] bytes". Until a handler
// is installed, and when the handler itself runs out of memory, a refusal
// throws std::bad_alloc.
#pragma once

#include <cstddef>
#include <cstdint>

namespace morvane {

// Returns a block of at least `bytes` bytes (1 when 0 is asked); a refusal
// of the system goes to the refusal handler (see above).
void* heap_allocate(size_t bytes);

// The same, aligned to `alignment` (a power of two, at least the size of a
// pointer); given back with heap_free as well.
void* heap_allocate_aligned(size_t alignment, size_t bytes);

// Gives back a block from heap_allocate; null is ignored.
void heap_free(void* block);

// Reports a refused request of `bytes` bytes: calls the handler, then throws
// std::bad_alloc should the handler return or none be installed.
[[noreturn]] void heap_refuse(size_t bytes);

// Typed convenience: room for `count` values of T, uninitialised. A count
// whose byte size overflows is refused like any other request too large.
template <typename T>
T* heap_allocate_array(size_t count) {
  if (count > SIZE_MAX / sizeof(T)) heap_refuse(SIZE_MAX);
  return static_cast<T*>(heap_allocate(count * sizeof(T)));
}

// Called with the refused byte count; it is expected to throw. Installed
// once, at static initialisation, by the exception library.
using RefusalHandler = void (*)(size_t refused_bytes);
void set_refusal_handler(RefusalHandler handler);

// Writes "MEMORY ALLOCATION FAILURE [0x" + `bytes` in upper-case hexadecimal
// (8 digits, more when the count needs them) + "] bytes" and a NUL into
// `text` (room for 64 bytes) and returns the length. Allocates nothing.
size_t format_refusal_message(size_t bytes, char* text);

}  // namespace morvane
