// Operating-system services for code that must not allocate or lock: the
// process allocator takes its memory here, and its failure report writes and
// exits through here. Each call goes straight to the kernel.
#pragma once

#include <cstddef>
#include <cstdint>

namespace morvane::platform {

// A fresh mapping of `bytes` zeroed, readable and writable bytes, aligned to
// the page size; null when the system refuses it.
void* map_memory(size_t bytes);


// Gives back [start, start + bytes) of a mapping from map_memory; `start` is
// page-aligned, `bytes` is rounded up to whole pages.
void unmap_memory(void* start, size_t bytes);

// Nanoseconds of a clock that never goes back (coarse: a few ms steps).
uint64_t monotonic_ns();

// Writes all `size` bytes to descriptor `fd` without buffering, retrying
// partial and interrupted writes; other failures are ignored.
void write_raw(int fd, const char* data, size_t size);

// Ends the process at once with `code`: no exit functions, no stream flush.
[[noreturn]] void exit_now(int code);

}  // namespace morvane::platform
