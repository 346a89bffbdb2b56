#include "support/allocator/small_blocks.h"

#include <atomic>

#include "support/allocator/chunk_map.h"
#include "support/allocator/failure.h"
#include "support/allocator/size_classes.h"
#include "support/allocator/slab_reserve.h"
#include "support/allocator/system_heap.h"

namespace morvane::heap {

namespace {

// Heap h's bin of class c is bins[h][c]; a heap's bins lie together, so a
// thread touches only its own few cache lines of them.
Bin bins[kHeaps][kMaxClasses];

// One past the highest heap that ever had a slab, so that the checks and
// counts walk only the heaps in use.
std::atomic<unsigned> heaps_used{0};

void note_heap_used(unsigned heap) {
  unsigned used = heaps_used.load(std::memory_order_relaxed);
  while (used <= heap && !heaps_used.compare_exchange_weak(used, heap + 1, std::memory_order_relaxed)) {
  }
}

void link_at_head(Bin& bin, Slab* slab) {
  slab->previous = nullptr;
  slab->next = bin.head;
  if (bin.head != nullptr) bin.head->previous = slab;
  bin.head = slab;
}

void unlink(Bin& bin, Slab* slab) {
  if (slab->previous != nullptr) {
    slab->previous->next = slab->next;
  } else {
    bin.head = slab->next;
  }
  if (slab->next != nullptr) slab->next->previous = slab->previous;
  slab->previous = nullptr;
  slab->next = nullptr;
}

// Takes the own bin's lock with one exchange; when it is busy, the next bin
// up once; otherwise waits for the own one. Returns the class locked.
unsigned lock_bin_for(Bin* heap_bins, unsigned size_class) {
  if (spinlock_try_acquire(heap_bins[size_class].lock)) return size_class;
  unsigned larger = size_class + 1;
  if (larger < g_size_classes.count && spinlock_try_acquire(heap_bins[larger].lock)) return larger;
  spinlock_acquire(heap_bins[size_class].lock);
  return size_class;
}

// A new slab at the head of the bin's list, or null when the system refuses
// it (the bin unchanged). The slab takes a whole chunk, marked in the map.
Slab* add_slab(Bin& bin, unsigned size_class, unsigned heap) {
  size_t bytes = slab_bytes(size_class);
  if (system_refuses(bytes)) return nullptr;
  void* memory = slab_reserve_take(size_class);
  if (memory == nullptr) memory = system_allocate_aligned(kChunkSize, kChunkSize, 0);
  if (memory == nullptr) return nullptr;
  auto chunk = reinterpret_cast<uintptr_t>(memory);
  uint8_t tag = slab_tag(size_class, chunk);
  if (!chunk_map_add(chunk, tag)) {  // no page for the map: as refused
    system_release(memory, kChunkSize);
    return nullptr;
  }
  Slab* slab = slab_create(slab_at(chunk, tag), size_class, heap);
  note_heap_used(heap);
  link_at_head(bin, slab);
  bin.total_slots += slab->slot_count;
  return slab;
}

// Takes one block from the bin (locked), making a slab when none has a free
// slot; null when the system refuses the slab.
void* take_locked(Bin& bin, unsigned size_class, unsigned heap) {
  void* block = nullptr;
  Slab* slab = bin.head;
  for (; slab != nullptr; slab = slab->next) {
    block = slab_take(slab);
    if (block != nullptr) break;
  }
  if (block == nullptr) {
    slab = add_slab(bin, size_class, heap);
    if (slab == nullptr) return nullptr;
    block = slab_take(slab);
  }
  if (slab->free_count == 0) unlink(bin, slab);
  ++bin.in_use;
  return block;
}

// Gives a block back to its slab (the bin locked). Returns the slab when it
// is to go back to the system, after the lock is released.
Slab* give_locked(Bin& bin, Slab* slab, void* block) {
  bool below_half_used = 2 * bin.in_use < bin.total_slots;
  bool was_full = slab->free_count == 0;
  if (!slab_give(slab, block)) return nullptr;
  --bin.in_use;
  if (was_full) {
    link_at_head(bin, slab);
  } else if (slab->free_count == slab->slot_count && below_half_used &&
             (slab->previous != nullptr || slab->next != nullptr)) {
    unlink(bin, slab);
    bin.total_slots -= slab->slot_count;
    return slab;
  }
  return nullptr;
}

// The chunk leaves the map before its memory goes back (through the
// reserve), so that a late free of one of its blocks finds no slab.
void release_slab(Slab* slab) {
  chunk_map_remove(chunk_start_of(slab));
  slab_reserve_put(reinterpret_cast<void*>(chunk_start_of(slab)), slab->size_class,
                   slab_bytes(slab->size_class));
}

}  // namespace

void* small_allocate(unsigned heap, unsigned size_class) {
  void* block = nullptr;
  // Null only for a refusal met while the exception of another refusal
  // was being built (report_failure returned).
  if (small_allocate_batch(heap, size_class, &block, 1) == 0) return nullptr;
  slab_hand_to_caller(block);
  return block;
}

unsigned small_allocate_batch(unsigned heap, unsigned size_class, void** blocks, unsigned wanted) {
  unsigned locked = lock_bin_for(bins[heap], size_class);
  Bin& bin = bins[heap][locked];
  if (locked != size_class) wanted = 1;  // a borrowed block is not of the class asked
  unsigned taken = 0;
  while (taken < wanted) {
    void* block = take_locked(bin, locked, heap);
    if (block == nullptr) break;
    blocks[taken++] = block;
  }
  spinlock_release(bin.lock);
  // The lock is released first so that the bin stays usable after the throw.
  if (taken == 0) report_failure(slab_bytes(locked));
  return taken;
}

void small_free(Slab* slab, void* block) {
  Bin& bin = bins[slab->heap][slab->size_class];
  spinlock_acquire(bin.lock);
  Slab* empty = give_locked(bin, slab, block);
  spinlock_release(bin.lock);
  if (empty != nullptr) release_slab(empty);
}

void small_free_batch(unsigned size_class, void* chain, unsigned count) {
  // At most this many slabs empty out in one batch before they are released.
  constexpr unsigned kReleaseRoom = 16;
  Slab* empty[kReleaseRoom];
  unsigned empties = 0;
  // A cache's blocks mostly come from its own thread's heap; the lock
  // changes only where the heap of the blocks does. A slab's heap never
  // changes, and a block handed out keeps its slab alive, so the heap is
  // read before the lock.
  Bin* locked = nullptr;
  void* block = chain;
  for (unsigned i = 0; i < count; ++i) {
    void* next = *static_cast<void**>(block);
    Slab* slab = slab_of_block(block);
    Bin& bin = bins[slab->heap][size_class];
    if (&bin != locked) {
      if (locked != nullptr) spinlock_release(locked->lock);
      spinlock_acquire(bin.lock);
      locked = &bin;
    }
    Slab* released = give_locked(bin, slab, block);
    if (released != nullptr) {
      if (empties == kReleaseRoom) {
        // Rare: more slabs emptied by one batch than there is room for.
        spinlock_release(bin.lock);
        for (unsigned e = 0; e < empties; ++e) release_slab(empty[e]);
        empties = 0;
        spinlock_acquire(bin.lock);
      }
      empty[empties++] = released;
    }
    block = next;
  }
  if (locked != nullptr) spinlock_release(locked->lock);
  for (unsigned e = 0; e < empties; ++e) release_slab(empty[e]);
}

BinCounts small_bin_counts(unsigned size_class) {
  BinCounts counts{0, 0, 0};
  unsigned used = heaps_used.load(std::memory_order_relaxed);
  for (unsigned h = 0; h < used; ++h) {
    Bin& bin = bins[h][size_class];
    SpinGuard guard(bin.lock);
    counts.total_slots += bin.total_slots;
    counts.in_use += bin.in_use;
    for (Slab* slab = bin.head; slab != nullptr; slab = slab->next) ++counts.listed_slabs;
  }
  return counts;
}

SpinWord& small_bin_lock(unsigned heap, unsigned size_class) { return bins[heap][size_class].lock; }

namespace {

const char* check_bin(unsigned heap, unsigned size_class) {
  Bin& bin = bins[heap][size_class];
  SpinGuard guard(bin.lock);
  uint64_t listed_slots = 0;
  uint64_t listed_free = 0;
  const Slab* previous = nullptr;
  for (const Slab* slab = bin.head; slab != nullptr; slab = slab->next) {
    if (slab->previous != previous) return "broken backward link";
    if (const char* problem = slab_check(slab, size_class, heap)) return problem;
    if (slab->free_count == 0) return "full slab in a list";
    listed_slots += slab->slot_count;
    listed_free += slab->free_count;
    previous = slab;
  }
  if (bin.in_use > bin.total_slots) return "more blocks in use than slots";
  if (listed_slots > bin.total_slots) return "listed slots beyond the bin's total";
  if (listed_free != bin.total_slots - bin.in_use) return "free slots differ from the bin's counts";
  return nullptr;
}

}  // namespace

const char* small_block_check_handed_out(unsigned size_class, const void* block) {
  Slab* slab = small_slab_of(block);
  if (slab == nullptr) return "cached block outside every live slab";
  if (slab->size_class != size_class) return "cached block of another class";
  SpinGuard guard(bins[slab->heap][size_class].lock);
  auto first = reinterpret_cast<uintptr_t>(slab) + slab->slot_offset + kSlotHeader;
  auto distance = reinterpret_cast<uintptr_t>(block) - first;
  uint32_t index = static_cast<uint32_t>(distance / slot_stride(size_class));
  if (distance % slot_stride(size_class) != 0 || index >= slab->slot_count) {
    return "cached pointer that is not a slot's block";
  }
  if (((slab->bitmap()[index / 32] >> (index % 32)) & 1) == 0) return "cached block free in its slab";
  if (slot_word(block) != kFreeWord) {
    return "cached block not marked free";
  }
  return nullptr;
}

const char* small_blocks_check() {
  unsigned used = heaps_used.load(std::memory_order_relaxed);
  for (unsigned h = 0; h < used; ++h) {
    for (unsigned c = 0; c < g_size_classes.count; ++c) {
      if (const char* problem = check_bin(h, c)) return problem;
    }
  }
  return nullptr;
}

}  // namespace morvane::heap
