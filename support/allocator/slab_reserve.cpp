#include "support/allocator/slab_reserve.h"

#include <cstdint>

#include "support/allocator/chunk_map.h"
#include "support/allocator/system_heap.h"
#include "support/heap/spinlock.h"
#include "support/platform/low_level.h"

namespace morvane::heap {

namespace {

constexpr unsigned kMaxChunks = 64;
constexpr size_t kMaxBytes = size_t{4} << 20;
constexpr uint64_t kMaxAgeNs = 100'000'000;

struct Entry {
  void* chunk;
  size_t bytes;
  uint64_t since;
  unsigned size_class;
};

// Oldest first.
struct Reserve {
  SpinWord lock{0};
  Entry entries[kMaxChunks];
  unsigned count = 0;
  size_t bytes = 0;
};

Reserve reserve;

// Moves the entries that are too many, too large together or too old into
// `expired` (room for kMaxChunks + 1); returns how many. Under the lock.
unsigned expire(uint64_t now, void** expired) {
  unsigned drop = 0;
  size_t bytes = reserve.bytes;
  while (drop < reserve.count &&
         (reserve.count - drop > kMaxChunks || bytes > kMaxBytes ||
          now - reserve.entries[drop].since > kMaxAgeNs)) {
    bytes -= reserve.entries[drop].bytes;
    expired[drop] = reserve.entries[drop].chunk;
    ++drop;
  }
  for (unsigned i = drop; i < reserve.count; ++i) reserve.entries[i - drop] = reserve.entries[i];
  reserve.count -= drop;
  reserve.bytes = bytes;
  return drop;
}

void give_back(void** chunks, unsigned count) {
  for (unsigned i = 0; i < count; ++i) system_release(chunks[i], kChunkSize);
}

}  // namespace

void* slab_reserve_take(unsigned size_class) {
  void* expired[kMaxChunks + 1];
  void* chunk = nullptr;
  unsigned dropped = 0;
  {
    SpinGuard guard(reserve.lock);
    if (reserve.count == 0) return nullptr;
    dropped = expire(platform::monotonic_ns(), expired);
    for (unsigned i = reserve.count; i-- > 0;) {
      if (reserve.entries[i].size_class != size_class) continue;
      chunk = reserve.entries[i].chunk;
      reserve.bytes -= reserve.entries[i].bytes;
      for (unsigned j = i + 1; j < reserve.count; ++j) reserve.entries[j - 1] = reserve.entries[j];
      --reserve.count;
      break;
    }
  }
  give_back(expired, dropped);
  return chunk;
}

void slab_reserve_put(void* chunk, unsigned size_class, size_t slab_bytes) {
  void* expired[kMaxChunks + 1];
  unsigned dropped = 0;
  {
    SpinGuard guard(reserve.lock);
    uint64_t now = platform::monotonic_ns();
    if (reserve.count == kMaxChunks) {
      dropped = expire(now, expired);
    }
    if (reserve.count == kMaxChunks) {  // none expired: the oldest goes
      expired[dropped++] = reserve.entries[0].chunk;
      reserve.bytes -= reserve.entries[0].bytes;
      for (unsigned i = 1; i < reserve.count; ++i) reserve.entries[i - 1] = reserve.entries[i];
      --reserve.count;
    }
    reserve.entries[reserve.count++] = Entry{chunk, slab_bytes, now, size_class};
    reserve.bytes += slab_bytes;
    unsigned more = expire(now, expired + dropped);
    dropped += more;
  }
  give_back(expired, dropped);
}

void slab_reserve_drain() {
  void* expired[kMaxChunks + 1];
  unsigned count = 0;
  {
    SpinGuard guard(reserve.lock);
    for (unsigned i = 0; i < reserve.count; ++i) expired[i] = reserve.entries[i].chunk;
    count = reserve.count;
    reserve.count = 0;
    reserve.bytes = 0;
  }
  give_back(expired, count);
}

}  // namespace morvane::heap
