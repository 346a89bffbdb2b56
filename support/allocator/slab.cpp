#include "support/allocator/slab.h"

#include <cstring>


namespace morvane::heap {

namespace {

constexpr uint32_t kFullWord = 0xFFFFFFFFu;

char* slot_start(const Slab* slab, uint32_t index) {
  return static_cast<char*>(slab_block(slab, index)) - kSlotHeader;
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

uint32_t slab_slot_count(unsigned size_class) { return g_size_classes.layout[size_class].slots; }

size_t slab_bytes(unsigned size_class) {
  const SlabLayout& layout = g_size_classes.layout[size_class];
  return layout.first_block - kSlotHeader + size_t{layout.slots} * layout.stride;
}

Slab* slab_create(void* memory, unsigned size_class, unsigned heap) {
  Slab* slab = static_cast<Slab*>(memory);
  slab->slot_count = slab_slot_count(size_class);
  slab->free_count = slab->slot_count;
  slab->size_class = size_class;
  slab->heap = heap;
  slab->previous = nullptr;
  slab->next = nullptr;
  slab->slot_offset = first_slot_offset(slab->slot_count);
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
    *reinterpret_cast<uint32_t*>(slot) = kFreeWord;
    return slot + kSlotHeader;
  }
  return nullptr;
}

bool slab_give(Slab* slab, void* block) {
  uint32_t index = slab_slot_index(slab, block);
  if (index >= slab->slot_count) return false;
  uint32_t& word = slab->bitmap()[index / 32];
  uint32_t mask = 1u << (index % 32);
  if ((word & mask) == 0) return false;
  word &= ~mask;
  if (index < slab->hint) slab->hint = index;
  ++slab->free_count;
  return true;
}

size_t slab_usable_size(const Slab* slab, const void* pointer) {
  const char* end = slot_start(slab, slab_slot_index(slab, pointer)) + kSlotHeader +
                    g_size_classes.size[slab->size_class];
  return static_cast<size_t>(end - static_cast<const char*>(pointer));
}

const char* slab_check(const Slab* slab, unsigned size_class, unsigned heap) {
  if (slab->heap != heap || slab->size_class != size_class) return "slab in the list of another bin";
  uintptr_t chunk = chunk_start_of(slab);
  if (chunk_map_tag(chunk) != slab_tag(size_class, chunk)) return "slab's chunk not tagged with its class";
  if (slab_at(chunk, slab_tag(size_class, chunk)) != slab) return "slab not where its chunk's tag puts it";
  const ChunkRecord& record = chunk_map_record(chunk);
  const SlabPlacement& place = g_size_classes.placement[slab_tag(size_class, chunk)];
  if (record.span.load(std::memory_order_relaxed) != place.span ||
      record.first_block.load(std::memory_order_relaxed) != place.first_block ||
      record.inverse_and_class.load(std::memory_order_relaxed) !=
          (place.inverse | uint64_t{size_class} << kRecordClassShift)) {
    return "slab's chunk record differs from its tag's placement";
  }
  if (slab->slot_count != slab_slot_count(size_class)) return "slab with a wrong slot count";
  if (slab->slot_offset != first_slot_offset(slab->slot_count)) return "wrong slot offset";
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
    // are 0 (never handed out) or kFreeWord.
    for (uint32_t bit = 0; bit < used_bits; ++bit) {
      if ((word >> bit) & 1) continue;
      uint32_t header = slot_word(slot_start(slab, 32 * w + bit) + kSlotHeader);
      if (header != 0 && header != kFreeWord) {
        return "free slot not marked free";
      }
    }
  }
  if (clear_bits != slab->free_count) return "free count differs from the bitmap";
  return nullptr;
}

}  // namespace morvane::heap
