// A slab: one block of the private heap cut into equal slots of one size
// class, with a bitmap of the slots handed out.
//
// Layout, from the slab's start (a chunk boundary, see chunk_map.h; the
// mapping covers the whole chunk): the header below (40 bytes), then the
// bitmap (one 32-bit word per 32 slots), padding up to slot_offset, then
// slot_count slots `stride` bytes apart. A slot is an 8-byte header word
// followed by the caller's block: 16-byte aligned, class-size bytes usable.
//
// Invariants (checked by slab_check):
//   - size_class, bin, slot_count and slot_offset never change; bin equals
//     size_class. The slab's chunk is marked in the chunk map exactly while
//     the slab lives.
//   - under the bin's lock: bit i of the bitmap is 1 exactly when slot i is
//     handed out of the slab, to a caller or to a thread cache; the bits from
//     slot_count to the end of the last word are always 1; free_count is the
//     number of 0 bits; every bitmap word before word hint / 32 is full.
//   - a full slab (free_count 0) is in no list, with previous and next null;
//     every other slab is in the list of its bin.
//   - a slot's header word is the slab's address exactly while its block is
//     with a caller. While the block is in a thread cache or free in the slab
//     the word is the address with kFreeMark set; a slot never handed out
//     has 0. So free honours a block only when the word is the address, and a
//     second free of a block, wherever the block went since, changes nothing
//     until the block is handed out again.
#pragma once

#include <cstddef>
#include <cstdint>

#include "support/allocator/size_classes.h"

namespace morvane::heap {

inline constexpr uintptr_t kFreeMark = 1;

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
inline uint32_t slot_stride(unsigned size_class) { return g_size_classes.stride[size_class]; }

// The header word before a block.
inline uintptr_t& slot_word(void* block) { return static_cast<uintptr_t*>(block)[-1]; }
inline uintptr_t slot_word(const void* block) { return static_cast<const uintptr_t*>(block)[-1]; }

// Slots in a slab of the class: twice the small-block limit in blocks,
// clamped to 4..1024.
uint32_t slab_slot_count(unsigned size_class);

// Bytes of one slab of the class (at most a chunk).
size_t slab_bytes(unsigned size_class);

// Sets up a slab of the class in `memory` (slab_bytes long, 16-byte
// aligned): all slots free, hint 0, unlinked.
Slab* slab_create(void* memory, unsigned size_class);

// Hands out the lowest free slot at or after the hint and returns its block
// (its header word set to the slab), or null when the slab is full.
void* slab_take(Slab* slab);

// Marks the slot holding `block` (a block as handed out) free and sets its
// header word's free mark. False, and nothing changed, when the slot is not
// handed out.
bool slab_give(Slab* slab, void* block);

// The block that `pointer` frees when it points into the slab: the block of
// a slot whose header word is the slab's address, when `pointer` is that
// block or an over-aligned address in it with the slab's address in the
// word before it. Null for anything else (never handed out, freed already,
// the header or bitmap, the padding after the last slot).
void* slab_block_of(const Slab* slab, const void* pointer);

// Usable bytes from `pointer` (into a slot's block) to the end of the block.
size_t slab_usable_size(const Slab* slab, const void* pointer);

// Null when the slab keeps its invariants, otherwise what is wrong. Call
// under the lock of the slab's bin.
const char* slab_check(const Slab* slab, unsigned bin);

}  // namespace morvane::heap
