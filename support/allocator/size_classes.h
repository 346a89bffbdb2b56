// The allocator's size classes and the two lookup tables built with them.
//
// The classes grow by about 5 % at the small end and up to 50 % at the large
// end (the rule is in size_classes.cpp); there are 38 of them, from 4 to
// 60,792 bytes, and the largest is the small-block limit: anything bigger is
// a large block with no class.
//
// The tables are built by the compiler (size_classes.cpp) and are read-only
// data of the program, so malloc needs no check that they are ready.
#pragma once

#include <cstddef>
#include <cstdint>

namespace morvane::heap {

inline constexpr unsigned kMaxClasses = 128;
inline constexpr unsigned kNoClass = ~0u;
// The most blocks a thread's cache keeps of one class (size_classes.cpp).
inline constexpr uint32_t kCacheMaxBlocks = 512;

// The layout that every slab of a class shares (see slab.h).
struct SlabLayout {
  uint32_t slots;        // slot count
  uint32_t stride;       // bytes between two slots: header word + block, rounded to 16
  uint32_t first_block;  // from the slab's start to slot 0's block
  uint32_t span;         // slots * stride: from slot 0's block past the last slot
  uint64_t inverse;      // ceil(2^40 / stride): slot index by multiplication
};

// Where the slab of a chunk with a given tag (chunk_map.h) lies, measured
// from the chunk's start, and which class it serves: all that free needs to
// check a pointer, with no read of the slab. 32 bytes, so a lookup is a shift.
struct SlabPlacement {
  uint32_t first_block;  // from the chunk's start to slot 0's block
  uint32_t span;         // slots * stride; 0 for a tag no slab has
  uint64_t inverse;      // the class's SlabLayout::inverse
  uint32_t size_class;
  uint32_t slab_offset;  // from the chunk's start to the slab
  uint32_t stride;
  uint32_t unused;
};

// Tags 1 to 254 may name slabs; 0 and 255 name no slab (chunk_map.h).
inline constexpr unsigned kChunkTags = 256;

struct SizeClasses {
  SlabPlacement placement[kChunkTags];  // per chunk tag, see slab.h; first, for free's lookup
  uint32_t size[kMaxClasses];  // block size of each class, ascending, multiples of 4
  uint32_t count;              // classes in use
  uint32_t limit;              // size of the largest class: the small-block limit
  uint8_t small[1024];         // small[n]: the class of a request of n bytes
  // large[k]: the class of a request of 256 * k + 1 bytes (from 1 KiB up);
  // one of 256 * k + 1 to 256 * (k + 1) bytes has that class or the next.
  uint8_t large[256];
  uint8_t lowest_bit[256];     // lowest_bit[x]: index of the lowest set bit of x; 8 for 0
  SlabLayout layout[kMaxClasses];      // where things lie in a slab of each class
  uint16_t cache_limit[kMaxClasses];  // blocks a thread may keep cached; 0: not cached
};

// Bytes of one slot's header word, before its block (slab.h).
inline constexpr uint32_t kSlotHeader = 4;

// The process-wide tables, constant from the program's start.
extern const SizeClasses g_size_classes;

// The class of a request of `bytes` bytes, kNoClass above the limit. Below
// 1024 bytes the request is rounded to 4*floor(n/4) + 3 first, so 8 gets the
// 12-byte class; from 1024 on it is the first class of at least `bytes`.
inline unsigned class_of(size_t bytes) {
  const SizeClasses& classes = g_size_classes;
  if (bytes < 1024) return classes.small[bytes];
  if (bytes > classes.limit) return kNoClass;
  unsigned c = classes.large[(bytes - 1) / 256];
  return classes.size[c] < bytes ? c + 1 : c;
}

}  // namespace morvane::heap
