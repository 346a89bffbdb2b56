// The process allocator: size-classed slabs for blocks up to 60,792 bytes,
// one mapping per larger block.
//
// These functions are the allocator itself. The executable makes them the
// process's malloc family and operator new/delete by linking the
// support_malloc object library (see docs/ARCHITECTURE.md); sanitizer builds
// do not, and call them directly.
//
// Blocks are 16-byte aligned. A small block's usable size is its class size
// (malloc(8) gets 12 bytes, malloc(1024) 1200); a large block's is the size
// asked. When the system refuses memory the failure is reported on both
// standard streams and thrown as iException (see support/allocator/failure.h).
// The one null result: a request refused while this thread is building the
// exception of an earlier refusal.
//
// Threads: every function is safe to call from any thread at any time; a
// block may be freed or reallocated by another thread than the one that
// allocated it. Each thread keeps a few free blocks per size class of its
// own (support/allocator/thread_cache.h), returned when the thread ends.
#pragma once

#include <cstddef>

namespace morvane {

// A block of at least `bytes` bytes; 0 bytes gives a 4-byte block.
void* allocator_malloc(size_t bytes);

// Gives a block back. Ignored: null, a block that is not handed out (a
// second free, also once its memory went back to the system), and any
// pointer that is not a live block of this allocator.
void allocator_free(void* block);

// Null `block`: allocator_malloc. When the block already holds `bytes` it is
// returned unchanged (a block never shrinks); otherwise its contents move to
// a new block and it is freed.
void* allocator_realloc(void* block, size_t bytes);

// count * size zero bytes. A product that overflows is refused like a
// request the system cannot serve.
void* allocator_calloc(size_t count, size_t size);

// Usable bytes of a block from the allocator; 0 for null and for pointers
// into no live slab or large block.
size_t allocator_msize(const void* block);

// A block of `bytes` bytes at a multiple of `alignment`, a power of two.
// Up to 16 this is allocator_malloc.
void* allocator_aligned(size_t alignment, size_t bytes);

// When on, a refusal ends the process with exit code 66 after the report
// instead of throwing. Off at start.
void allocator_set_exit_on_failure(bool on);

}  // namespace morvane
