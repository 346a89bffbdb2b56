// The private heap: where slabs and large blocks come from. On Linux every
// request is its own anonymous mapping, so nothing here shares the C
// library's allocator that the process allocator replaces.
#pragma once

#include <cstddef>

namespace morvane::heap {

// `bytes` fresh zeroed bytes, page-aligned; null when the system refuses
// them (or the refusal hook, below, does).
void* system_allocate(size_t bytes);

// Gives back [start, start + bytes) of what system_allocate returned, whole or
// in page-aligned pieces.
void system_release(void* start, size_t bytes);

// For tests: while a hook is set, every request for which it returns true is
// refused as if the system had refused it. Null removes the hook.
using RefusalHook = bool (*)(size_t bytes);
void set_system_refusal(RefusalHook hook);

}  // namespace morvane::heap
