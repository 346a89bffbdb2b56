// The private heap: where slabs and large blocks come from. On Linux every
// request is its own anonymous mapping, so nothing here shares the C
// library's allocator that the process allocator replaces.
#pragma once

#include <cstddef>

namespace morvane::heap {

// True when the refusal hook (below) refuses a request of `bytes`: the
// caller then reports the failure as if the system had refused.
bool system_refuses(size_t bytes);

// `bytes` fresh zeroed bytes starting at an address M for which M + offset
// is a multiple of `alignment` (a power of two, at least the page size), and
// M below 2^47; null when the system refuses them.
void* system_allocate_aligned(size_t bytes, size_t alignment, size_t offset);

// Gives back [start, start + bytes) of what system_allocate_aligned returned,
// whole or in page-aligned pieces.
void system_release(void* start, size_t bytes);

// For tests: while a hook is set, every request for which it returns true is
// refused as if the system had refused it. Null removes the hook.
using RefusalHook = bool (*)(size_t bytes);
void set_system_refusal(RefusalHook hook);

}  // namespace morvane::heap
