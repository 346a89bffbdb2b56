#include "support/allocator/size_classes.h"

#include "support/allocator/slab.h"

namespace morvane::heap {

namespace {

// The growth rule: each class is the previous one times a factor that starts
// at 1.05 and grows by 1 % per class up to 1.5, truncated to a multiple of 4
// and at least 4 bytes more. Classes are added while they stay within 64 KiB.
constexpr void build_classes(SizeClasses& classes) {
  uint32_t size = 4;
  double factor = 1.05;
  uint32_t next = 0;
  do {
    classes.size[classes.count++] = size;
    classes.limit = size;
    next = static_cast<uint32_t>(size * factor) & ~3u;
    if (next < size + 4) next = size + 4;
    factor = factor * 1.01 < 1.5 ? factor * 1.01 : 1.5;
    size = next;
  } while (next <= 65536 && classes.count < kMaxClasses);
}

constexpr unsigned first_class_of_at_least(const SizeClasses& classes, size_t bytes) {
  unsigned c = 0;
  while (classes.size[c] < bytes) ++c;
  return c;
}

// A thread keeps up to 32 KiB of blocks per class and at most
// kCacheMaxBlocks blocks; classes of which fewer than 4 fit are not cached
// at all (their slabs hold only a few slots, and a cached block would pin a
// large part of one). The block cap lets the smallest classes use their
// 32 KiB too: with a cap of 128, threads that allocate small blocks refilled
// and flushed their lists under the shared bin locks four times as often.
constexpr uint32_t kCacheBytesPerClass = 32768;
constexpr uint32_t kCacheMinBlocks = 4;

constexpr void build_slot_tables(SizeClasses& classes) {
  for (unsigned c = 0; c < classes.count; ++c) {
    uint32_t blocks = kCacheBytesPerClass / classes.size[c];
    if (blocks > kCacheMaxBlocks) blocks = kCacheMaxBlocks;
    classes.cache_limit[c] = static_cast<uint16_t>(blocks < kCacheMinBlocks ? 0 : blocks);
  }
}

constexpr void build_tables(SizeClasses& classes) {
  for (unsigned x = 0; x < 256; ++x) {
    uint8_t bit = 0;
    while (bit < 8 && (x & (1u << bit)) == 0) ++bit;
    classes.lowest_bit[x] = bit;
  }
  // Below 1 KiB a request of n bytes counts as one of 4*floor(n/4) + 3.
  for (size_t n = 0; n < 1024; ++n) {
    classes.small[n] = static_cast<uint8_t>(first_class_of_at_least(classes, n / 4 * 4 + 3));
  }
  for (size_t k = 0; k < 256 && 256 * k < classes.limit; ++k) {
    classes.large[k] = static_cast<uint8_t>(first_class_of_at_least(classes, 256 * k + 1));
  }
}

constexpr SizeClasses build_size_classes() {
  SizeClasses classes{};
  build_classes(classes);
  build_tables(classes);
  build_slot_tables(classes);
  for (unsigned c = 0; c < classes.count; ++c) {
    classes.layout[c] = slab_layout(classes.size[c], classes.limit);
    for (unsigned colour = 0; colour < kSlabColours; ++colour) {
      uint8_t tag = slab_tag(c, colour << kChunkShift);
      classes.placement[tag] = slab_placement(c, classes.layout[c], tag);
    }
  }
  return classes;
}

constexpr bool every_slab_fits(const SizeClasses& classes) {
  for (const SlabPlacement& placement : classes.placement) {
    if (placement.first_block + placement.span > kChunkSize) return false;
  }
  return true;
}

// Above 1 KiB, classes lie more than 256 bytes apart, so a 256-byte span of
// request sizes meets at most two classes (see class_of).
constexpr bool classes_apart_above_1k(const SizeClasses& classes) {
  for (unsigned c = 1; c < classes.count; ++c) {
    if (classes.size[c] > 1024 && classes.size[c] - classes.size[c - 1] <= 256) return false;
  }
  return classes.limit <= 256 * 256;
}

constexpr SizeClasses kBuilt = build_size_classes();
static_assert(classes_apart_above_1k(kBuilt), "a 256-byte span of sizes meets three classes");
static_assert(every_slab_fits(kBuilt), "a slab of some class outgrows its chunk");
static_assert(is_slab_tag(slab_tag(kBuilt.count - 1, (kSlabColours - 1) << kChunkShift)),
              "every class and colour has a tag of its own");
// Free sends pointers in chunks of these tags out of the slab path by span 0.
static_assert(kBuilt.placement[kNoChunk].span == 0 && kBuilt.placement[kLargeChunk].span == 0,
              "the tags of no slab have no slots");

}  // namespace

constinit const SizeClasses g_size_classes = kBuilt;

}  // namespace morvane::heap
