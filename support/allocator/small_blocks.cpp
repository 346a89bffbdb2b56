#include "support/allocator/small_blocks.h"

#include "support/allocator/failure.h"
#include "support/allocator/size_classes.h"
#include "support/allocator/system_heap.h"

namespace morvane::heap {

namespace {

Bin bins[kMaxClasses];

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
unsigned lock_bin_for(unsigned size_class) {
  if (spinlock_try_acquire(bins[size_class].lock)) return size_class;
  unsigned larger = size_class + 1;
  if (larger < g_size_classes.count && spinlock_try_acquire(bins[larger].lock)) return larger;
  spinlock_acquire(bins[size_class].lock);
  return size_class;
}

// A new slab at the head of the bin's list, or null when the system refuses
// it (the bin unchanged).
Slab* add_slab(Bin& bin, unsigned size_class) {
  void* memory = system_allocate(slab_bytes(size_class));
  if (memory == nullptr) return nullptr;
  Slab* slab = slab_create(memory, size_class);
  link_at_head(bin, slab);
  bin.total_slots += slab->slot_count;
  return slab;
}

}  // namespace

void* small_allocate(unsigned size_class) {
  size_class = lock_bin_for(size_class);
  Bin& bin = bins[size_class];
  void* block = nullptr;
  Slab* slab = bin.head;
  for (; slab != nullptr; slab = slab->next) {
    block = slab_take(slab);
    if (block != nullptr) break;
  }
  if (block == nullptr) {
    slab = add_slab(bin, size_class);
    if (slab == nullptr) {
      // The lock is released first so that the bin stays usable after the throw.
      spinlock_release(bin.lock);
      report_failure(slab_bytes(size_class));
      return nullptr;  // refused while a refusal was being thrown
    }
    block = slab_take(slab);
  }
  if (slab->free_count == 0) unlink(bin, slab);
  ++bin.in_use;
  spinlock_release(bin.lock);
  return block;
}

void small_free(Slab* slab, void* block) {
  Bin& bin = bins[slab->bin];
  spinlock_acquire(bin.lock);
  bool below_half_used = 2 * bin.in_use < bin.total_slots;
  bool was_full = slab->free_count == 0;
  if (!slab_give(slab, block)) {
    spinlock_release(bin.lock);
    return;
  }
  --bin.in_use;
  bool give_back = false;
  if (was_full) {
    link_at_head(bin, slab);
  } else if (slab->free_count == slab->slot_count && below_half_used &&
             (slab->previous != nullptr || slab->next != nullptr)) {
    unlink(bin, slab);
    bin.total_slots -= slab->slot_count;
    give_back = true;
  }
  spinlock_release(bin.lock);
  if (give_back) system_release(slab, slab_bytes(slab->size_class));
}

BinCounts small_bin_counts(unsigned size_class) {
  Bin& bin = bins[size_class];
  SpinGuard guard(bin.lock);
  BinCounts counts{bin.total_slots, bin.in_use, 0};
  for (Slab* slab = bin.head; slab != nullptr; slab = slab->next) ++counts.listed_slabs;
  return counts;
}

SpinWord& small_bin_lock(unsigned size_class) { return bins[size_class].lock; }

namespace {

const char* check_bin(unsigned size_class) {
  Bin& bin = bins[size_class];
  SpinGuard guard(bin.lock);
  uint64_t listed_slots = 0;
  uint64_t listed_free = 0;
  const Slab* previous = nullptr;
  for (const Slab* slab = bin.head; slab != nullptr; slab = slab->next) {
    if (slab->previous != previous) return "broken backward link";
    if (const char* problem = slab_check(slab, size_class)) return problem;
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

const char* small_blocks_check() {
  for (unsigned c = 0; c < kMaxClasses; ++c) {
    if (const char* problem = check_bin(c)) return problem;
  }
  return nullptr;
}

}  // namespace morvane::heap
