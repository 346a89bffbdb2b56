#include "support/allocator/slab.h"

#include <cstring>

#include "support/allocator/size_classes.h"

namespace morvane::heap {

namespace {

constexpr uint32_t kFullWord = 0xFFFFFFFFu;

char* slot_start(const Slab* slab, uint32_t index) {
  return const_cast<char*>(reinterpret_cast<const char*>(slab)) + slab->slot_offset +
         size_t{index} * slot_stride(slab->size_class);
}

// The slot whose block holds `pointer`; slot_count or more when the pointer
// lies before the first block or after the last slot. A slab fits in a
// chunk, so the distance is below 2^18 and the multiplication is exact.
uint32_t slot_index(const Slab* slab, const void* pointer) {
  uintptr_t first_block = reinterpret_cast<uintptr_t>(slab) + slab->slot_offset + kSlotHeader;
  uintptr_t address = reinterpret_cast<uintptr_t>(pointer);
  if (address < first_block) return UINT32_MAX;
  uint64_t distance = address - first_block;
  if (distance >= (uint64_t{1} << 18)) return UINT32_MAX;
  return static_cast<uint32_t>((distance * g_size_classes.stride_inverse[slab->size_class]) >> 40);
}

// The first slot lies so that the block after its header word is 16-byte
// aligned.
uint32_t first_slot_offset(uint32_t bitmap_words) {
  size_t end_of_bitmap = sizeof(Slab) + 4 * bitmap_words + kSlotHeader;
  return static_cast<uint32_t>((end_of_bitmap + 15) / 16 * 16 - kSlotHeader);
}

// The lowest clear bit of a word that is not full, found byte by byte.
uint32_t lowest_clear_bit(uint32_t word) {
  uint32_t clear = ~word;
  uint32_t shift = 0;
  while ((clear & 0xFF) == 0) {
    clear >>= 8;
    shift += 8;
  }
  return shift + g_size_classes.lowest_bit[clear & 0xFF];
}

}  // namespace

uint32_t slab_slot_count(unsigned size_class) {
  uint32_t slots = 2 * g_size_classes.limit / g_size_classes.size[size_class];
  if (slots < 4) return 4;
  if (slots > 1024) return 1024;
  return slots;
}

size_t slab_bytes(unsigned size_class) {
  uint32_t slots = slab_slot_count(size_class);
  return first_slot_offset((slots + 31) / 32) + slots * slot_stride(size_class);
}

Slab* slab_create(void* memory, unsigned size_class) {
  Slab* slab = static_cast<Slab*>(memory);
  slab->slot_count = slab_slot_count(size_class);
  slab->free_count = slab->slot_count;
  slab->size_class = size_class;
  slab->bin = size_class;
  slab->previous = nullptr;
  slab->next = nullptr;
  slab->slot_offset = first_slot_offset(slab->bitmap_words());
  slab->hint = 0;
  uint32_t words = slab->bitmap_words();
  std::memset(slab->bitmap(), 0, 4 * words);
  // Padding bits past the last slot are marked handed out for good.
  uint32_t used_bits = slab->slot_count % 32;
  if (used_bits != 0) slab->bitmap()[words - 1] = kFullWord << used_bits;
  return slab;
}

void* slab_take(Slab* slab) {
  uint32_t* bitmap = slab->bitmap();
  uint32_t words = slab->bitmap_words();
  for (uint32_t w = slab->hint / 32; w < words; ++w) {
    if (bitmap[w] == kFullWord) continue;
    uint32_t bit = lowest_clear_bit(bitmap[w]);
    bitmap[w] |= 1u << bit;
    --slab->free_count;
    slab->hint = w * 32 + bit;
    char* slot = slot_start(slab, slab->hint);
    *reinterpret_cast<Slab**>(slot) = slab;
    return slot + kSlotHeader;
  }
  return nullptr;
}

bool slab_give(Slab* slab, void* block) {
  uint32_t index = slot_index(slab, block);
  if (index >= slab->slot_count) return false;
  uint32_t& word = slab->bitmap()[index / 32];
  uint32_t mask = 1u << (index % 32);
  if ((word & mask) == 0) return false;
  word &= ~mask;
  if (index < slab->hint) slab->hint = index;
  ++slab->free_count;
  slot_word(block) = reinterpret_cast<uintptr_t>(slab) | kFreeMark;
  return true;
}

void* slab_block_of(const Slab* slab, const void* pointer) {
  uint32_t index = slot_index(slab, pointer);
  if (index >= slab->slot_count) return nullptr;
  void* block = slot_start(slab, index) + kSlotHeader;
  uintptr_t address = reinterpret_cast<uintptr_t>(slab);
  if (slot_word(block) != address) return nullptr;
  if (block != pointer && slot_word(pointer) != address) return nullptr;
  return block;
}

size_t slab_usable_size(const Slab* slab, const void* pointer) {
  const char* end = slot_start(slab, slot_index(slab, pointer)) + kSlotHeader +
                    g_size_classes.size[slab->size_class];
  return static_cast<size_t>(end - static_cast<const char*>(pointer));
}

const char* slab_check(const Slab* slab, unsigned bin) {
  if (slab->bin != bin || slab->size_class != bin) return "slab in the list of another bin";
  if (slab->slot_count != slab_slot_count(bin)) return "slab with a wrong slot count";
  if (slab->slot_offset != first_slot_offset(slab->bitmap_words())) return "wrong slot offset";
  const uint32_t* bitmap = slab->bitmap();
  uint32_t words = slab->bitmap_words();
  uint32_t clear_bits = 0;
  for (uint32_t w = 0; w < words; ++w) {
    uint32_t word = bitmap[w];
    if (w < slab->hint / 32 && word != kFullWord) return "free slot below the hint's word";
    uint32_t used_bits = w + 1 == words ? slab->slot_count - 32 * w : 32;
    if (used_bits < 32 && (word >> used_bits) != (kFullWord >> used_bits)) {
      return "padding bit cleared";
    }
    clear_bits += static_cast<uint32_t>(__builtin_popcount(~word));
    // Slots free in the slab are touched by nobody else: their header words
    // are 0 (never handed out) or the slab's address with the free mark.
    for (uint32_t bit = 0; bit < used_bits; ++bit) {
      if ((word >> bit) & 1) continue;
      uintptr_t header = slot_word(slot_start(slab, 32 * w + bit) + kSlotHeader);
      if (header != 0 && header != (reinterpret_cast<uintptr_t>(slab) | kFreeMark)) {
        return "free slot without the free mark";
      }
    }
  }
  if (clear_bits != slab->free_count) return "free count differs from the bitmap";
  return nullptr;
}

}  // namespace morvane::heap
