// A slab: one block of the private heap cut into equal slots of one size
// class, with a bitmap of the slots handed out.
//
// Layout, from the slab's start (a little past a chunk boundary, see
// slab_tag below and chunk_map.h; the mapping covers the whole chunk): the
// header below (88 bytes), then the bitmap (one 32-bit word per
// 32 slots), padding up to slot_offset, then slot_count slots `stride` bytes
// apart. A slot is a 32-bit header word that says whether its block is with
// a caller (see the invariants), written when the slot is first handed
// out, followed by the caller's block: 16-byte aligned, class-size bytes
// usable. With a word of 4 bytes rather than an address's 8, the slots of
// the classes 12 bytes past a multiple of 16 (12, 28, 44, 76, 156, 892) are
// 16 bytes smaller: the 12-byte class's take 16 bytes instead of 32.
//
// Invariants (checked by slab_check):
//   - size_class, heap, slot_count and slot_offset never change; the slab
//     belongs to the bin of its class in heap `heap` (small_blocks.h), the
//     heap of the thread that made it. The slab's chunk is tagged with its
//     class in the chunk map exactly while the slab lives.
//   - under the bin's lock: bit i of the bitmap is 1 exactly when slot i is
//     handed out of the slab, to a caller or to a thread cache; the bits from
//     slot_count to the end of the last word are always 1; free_count is the
//     number of 0 bits; every bitmap word before word hint / 32 is full.
//   - a full slab (free_count 0) is in no list, with previous and next null;
//     every other slab is in the list of its bin.
//   - a slot's header word is kCallerWord exactly while its block is with a
//     caller; while the block is in a thread cache or free in the slab it is
//     kFreeWord, and a slot never handed out has 0. Free honours a block only
//     when the word is kCallerWord and writes kFreeWord before anything else,
//     so a second free of a block, wherever the block went since, changes
//     nothing until the block is handed out again. The word is written only
//     by the thread that holds the block (the caller, or the thread whose
//     cache holds it) or under the bin's lock. It shares the block's cache
//     line, which the free writes anyway, and its values are constants, so
//     handing a block out is one store of an immediate and free compares the
//     word with one.
#pragma once

#include <cstddef>
#include <cstdint>

#include "support/allocator/chunk_map.h"
#include "support/allocator/size_classes.h"

namespace morvane::heap {

// The header word of a slot whose block is with a caller, and of one whose
// block is in a thread cache or free in its slab. Arbitrary values rather
// than small numbers, so that the word copied before an over-aligned block
// (allocator_aligned) is unlikely to be matched by data a program left
// before some other pointer into a block.
inline constexpr uint32_t kCallerWord = 0x6A09E667;
inline constexpr uint32_t kFreeWord = 0xBB67AE85;

// The fields that never change and that every free reads without a lock
// have a cache line of their own; those that the bin's lock guards share
// theirs with the bitmap. So a free on one core does not miss because a
// refill on another has just taken slots of the same slab.
struct Slab {
  uint32_t slot_count;
  uint32_t size_class;
  uint32_t heap;  // whose bin of the class holds the slab
  uint32_t slot_offset;  // from the slab's start to slot 0
  char line_apart[48];
  uint32_t free_count;
  uint32_t hint;  // the lowest slot that may be free
  Slab* previous;
  Slab* next;

  uint32_t* bitmap() { return reinterpret_cast<uint32_t*>(this + 1); }
  const uint32_t* bitmap() const { return reinterpret_cast<const uint32_t*>(this + 1); }
  uint32_t bitmap_words() const { return (slot_count + 31) / 32; }
};

// Bytes between two slots of class `size_class`: the header word and the
// block, rounded up to 16 so that every block stays 16-byte aligned.
inline uint32_t slot_stride(unsigned size_class) { return g_size_classes.layout[size_class].stride; }

// The header word before a block.
inline uint32_t& slot_word(void* block) { return static_cast<uint32_t*>(block)[-1]; }
inline uint32_t slot_word(const void* block) { return static_cast<const uint32_t*>(block)[-1]; }

// A slab starts tag * 64 bytes into its chunk, where the chunk's tag in the
// chunk map is 1 + class * kSlabColours + (the chunk's number modulo
// kSlabColours). Chunks are 256 KiB-aligned; the offsets keep the headers
// and bitmaps of slabs, of one class and of different ones, from all
// competing for the same few cache sets. The tag alone then gives free the
// class and where the slots lie (SizeClasses::placement).
inline constexpr unsigned kSlabColours = 6;
inline constexpr uintptr_t kSlabColourStep = 64;

constexpr uint8_t slab_tag(unsigned size_class, uintptr_t chunk) {
  return static_cast<uint8_t>(1 + size_class * kSlabColours + (chunk >> kChunkShift) % kSlabColours);
}

// True for the tags that name slabs (every other placement has span 0).
constexpr bool is_slab_tag(uint8_t tag) { return tag != kNoChunk && tag != kLargeChunk; }

constexpr uint32_t slab_offset_of_tag(uint8_t tag) {
  return static_cast<uint32_t>(tag * kSlabColourStep);
}

// From a slab's start to slot 0 of a slab of `slots` slots: past the
// header and the bitmap, so that the block after slot 0's header word is
// 16-byte aligned.
constexpr uint32_t first_slot_offset(uint32_t slots) {
  size_t end_of_bitmap = sizeof(Slab) + 4 * ((slots + 31) / 32) + kSlotHeader;
  return static_cast<uint32_t>((end_of_bitmap + 15) / 16 * 16 - kSlotHeader);
}

// The layout of the slabs of a class of `size` bytes when the largest class
// has `limit` bytes: twice the limit in blocks, clamped to 4..1024 slots.
constexpr SlabLayout slab_layout(uint32_t size, uint32_t limit) {
  SlabLayout layout{};
  uint32_t slots = 2 * limit / size;
  layout.slots = slots < 4 ? 4 : slots > 1024 ? 1024 : slots;
  layout.stride = (size + kSlotHeader + 15) & ~15u;
  layout.first_block = first_slot_offset(layout.slots) + kSlotHeader;
  layout.span = layout.slots * layout.stride;
  // Exact for every distance within a slab: distances stay below 2^18 and
  // strides below 2^16, so the rounding error stays below 1 / stride.
  layout.inverse = ((uint64_t{1} << 40) + layout.stride - 1) / layout.stride;
  return layout;
}

// The placement of the slabs of a class with `layout` in chunks tagged `tag`.
constexpr SlabPlacement slab_placement(unsigned size_class, const SlabLayout& layout, uint8_t tag) {
  SlabPlacement placement{};
  placement.slab_offset = slab_offset_of_tag(tag);
  placement.first_block = placement.slab_offset + layout.first_block;
  placement.span = layout.span;
  placement.inverse = layout.inverse;
  placement.size_class = size_class;
  placement.stride = layout.stride;
  return placement;
}

// The slab of a chunk that the chunk map tags `tag`, a slab tag.
inline Slab* slab_at(uintptr_t chunk, uint8_t tag) {
  return reinterpret_cast<Slab*>(chunk + g_size_classes.placement[tag].slab_offset);
}

// The slab of a block handed out of a live slab (to a caller or to a
// thread cache).
inline Slab* slab_of_block(const void* block) {
  uintptr_t address = reinterpret_cast<uintptr_t>(block);
  return slab_at(chunk_start(address), chunk_map_tag(address));
}

// The slot whose block holds `pointer`; slot_count or more when the pointer
// lies before the first block or after the last slot. A slab fits in a
// chunk, so the distance is below 2^18 and the multiplication is exact.
inline uint32_t slab_slot_index(const Slab* slab, const void* pointer) {
  const SlabLayout& layout = g_size_classes.layout[slab->size_class];
  uintptr_t first_block = reinterpret_cast<uintptr_t>(slab) + layout.first_block;
  uintptr_t address = reinterpret_cast<uintptr_t>(pointer);
  if (address < first_block) return UINT32_MAX;
  uint64_t distance = address - first_block;
  if (distance >= kChunkSize) return UINT32_MAX;
  return static_cast<uint32_t>((distance * layout.inverse) >> 40);
}

// The block of slot `index`.
inline void* slab_block(const Slab* slab, uint32_t index) {
  const SlabLayout& layout = g_size_classes.layout[slab->size_class];
  return const_cast<char*>(reinterpret_cast<const char*>(slab)) + layout.first_block +
         size_t{index} * layout.stride;
}

// Marks a block (from a cache or just taken from its slab) as with a caller.
inline void slab_hand_to_caller(void* block) { slot_word(block) = kCallerWord; }

// True when `distance` (below the slots' span) from slot 0's block is the start
// of a slot's block.
//
// With distance = k * stride + r (r < stride), distance * inverse is
// k * 2^40 + k * e + r * inverse, e = stride * inverse - 2^40 < stride.
// k * e < k * stride < 2^18, while r >= 1 makes r * inverse >= 2^24 (and the
// sum stays below 2^40): so r is 0 exactly when the low 40 bits are below
// 2^18, and the slot is the product's bits from 40 up. Bits of `inverse`
// from 56 up (a chunk record keeps the class there) change only the
// product's bits from 56 up.
inline bool slot_starts_at(uint64_t distance, uint64_t inverse) {
  return ((distance * inverse) & ((uint64_t{1} << 40) - 1)) < kChunkSize;
}

// The placement of the chunk holding `address`: a slab's, or one of span 0
// for a chunk with no slab.
inline const SlabPlacement& placement_of(uintptr_t address) {
  return g_size_classes.placement[size_t{chunk_map_tag(address)}];
}

// From slot 0's block of the slab that `place` describes to `address`, an
// address in that slab's chunk; place.span or more when outside the slots.
inline uint64_t slot_distance(uintptr_t address, const SlabPlacement& place) {
  return (address & (kChunkSize - 1)) - place.first_block;
}

// The block of the slot `distance` (below place.span) lies in.
inline void* slot_block_at(uintptr_t chunk, uint64_t distance, const SlabPlacement& place) {
  uint64_t slot = (distance * place.inverse) >> 40;
  return reinterpret_cast<void*>(chunk + place.first_block + slot * place.stride);
}

// Marks `block`, a slot's block, free when it is with a caller. False, and
// nothing changed, when it is not: a block in a cache or free in its slab,
// so a second free is ignored.
inline bool slot_claim(void* block) {
  uint32_t& word = slot_word(block);
  if (word != kCallerWord) return false;
  word = kFreeWord;
  return true;
}

// Slots in a slab of the class: twice the small-block limit in blocks,
// clamped to 4..1024.
uint32_t slab_slot_count(unsigned size_class);

// Bytes of one slab of the class (at most a chunk).
size_t slab_bytes(unsigned size_class);

// Sets up a slab of the class for heap `heap` in `memory` (slab_bytes
// long, 16-byte aligned): all slots free, hint 0, unlinked.
Slab* slab_create(void* memory, unsigned size_class, unsigned heap);

// Hands out the lowest free slot at or after the hint and returns its block
// (its header word kFreeWord), or null when the slab is full.
void* slab_take(Slab* slab);

// Marks the slot holding `block` (a block as handed out, its header word
// marked free) free.
// False, and nothing changed, when the slot is not handed out.
bool slab_give(Slab* slab, void* block);

// Usable bytes from `pointer` (into a slot's block) to the end of the block.
size_t slab_usable_size(const Slab* slab, const void* pointer);

// Null when the slab keeps its invariants and belongs to the bin of class
// `size_class` in heap `heap`, otherwise what is wrong. Call under that
// bin's lock.
const char* slab_check(const Slab* slab, unsigned size_class, unsigned heap);

}  // namespace morvane::heap
