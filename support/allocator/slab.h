// A slab: one block of the private heap cut into equal slots of one size
// class, with a bitmap of the slots handed out.
//
// Layout, from the slab's start (16-byte aligned):
//   the header below (40 bytes), then the bitmap (one 32-bit word per 32
//   slots), padding up to slot_offset, then slot_count slots `stride` bytes
//   apart. A slot is an 8-byte header word holding the slab's address,
//   followed by the caller's block: 16-byte aligned, class-size bytes usable.
//
// Invariants, kept under the lock of the slab's bin (checked by slab_check):
//   - size_class, bin, slot_count and slot_offset never change; bin equals
//     size_class.
//   - bit i of the bitmap is 1 exactly when slot i is handed out; the bits
//     from slot_count to the end of the last word are always 1.
//   - free_count is the number of 0 bits.
//   - every bitmap word before word hint / 32 is full.
//   - a full slab (free_count 0) is in no list, with previous and next null;
//     every other slab is in the list of its bin.
#pragma once

#include <cstddef>
#include <cstdint>

#include "support/allocator/size_classes.h"

namespace morvane::heap {

struct Slab {
  uint32_t slot_count;
  uint32_t free_count;
  uint32_t size_class;
  uint32_t bin;
  Slab* previous;
  Slab* next;
  uint32_t slot_offset;  // from the slab's start to slot 0
  uint32_t hint;         // the lowest slot that may be free

  uint32_t* bitmap() { return reinterpret_cast<uint32_t*>(this + 1); }
  const uint32_t* bitmap() const { return reinterpret_cast<const uint32_t*>(this + 1); }
  uint32_t bitmap_words() const { return (slot_count + 31) / 32; }
};

// Bytes between two slots of class `size_class`: the header word and the
// block, rounded up to 16 so that every block stays 16-byte aligned.
inline uint32_t slot_stride(unsigned size_class) {
  return (g_size_classes.size[size_class] + sizeof(void*) + 15) & ~15u;
}

// Slots in a slab of the class: twice the small-block limit in blocks,
// clamped to 4..1024.
uint32_t slab_slot_count(unsigned size_class);

// Bytes to ask of the system for one slab of the class.
size_t slab_bytes(unsigned size_class);

// Sets up a slab of the class in `memory` (slab_bytes long, 16-byte
// aligned): all slots free, hint 0, unlinked.
Slab* slab_create(void* memory, unsigned size_class);

// Hands out the lowest free slot at or after the hint and returns its block,
// or null when the slab is full.
void* slab_take(Slab* slab);

// Marks the slot holding `block` free. False, and nothing changed, when the
// slot is not handed out (a second free of the same block).
bool slab_give(Slab* slab, const void* block);

// Usable bytes from `block` (a pointer into a slot of the slab) to the end of
// the slot's block: the class size for a block as handed out.
size_t slab_usable_size(const Slab* slab, const void* block);

// Null when the slab keeps its invariants, otherwise what is wrong.
const char* slab_check(const Slab* slab, unsigned bin);

}  // namespace morvane::heap
