// Thread caches and the pointers free must ignore: second frees wherever the
// block went (a cache, its slab, back to the system), pointers into a slab
// that are not blocks, foreign pointers, and the return of a cache when its
// thread ends.
#include "support/allocator/thread_cache.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <thread>
#include <vector>

#include "support/allocator/allocator.h"
#include "support/allocator/size_classes.h"
#include "support/allocator/slab_reserve.h"
#include "support/allocator/small_blocks.h"

namespace morvane {
namespace {

using heap::small_bin_counts;

// 2,240-byte blocks: 54 slots per slab, 14 cached per thread. Nothing but
// these tests uses the class.
constexpr size_t kCachedSize = 2000;
constexpr unsigned kCachedClass = 28;

class ThreadCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(heap::g_size_classes.size[kCachedClass], 2240u);
    ASSERT_EQ(heap::g_size_classes.cache_limit[kCachedClass], 14u);
  }
  void TearDown() override {
    EXPECT_EQ(heap::thread_cache_check(), nullptr);
    heap::thread_cache_flush();
    EXPECT_EQ(heap::small_blocks_check(), nullptr);
  }
};

TEST_F(ThreadCacheTest, SecondFreeOfACachedBlockChangesNothing) {
  void* block = allocator_malloc(kCachedSize);
  allocator_free(block);
  size_t cached = heap::thread_cache_blocks(kCachedClass);
  allocator_free(block);
  EXPECT_EQ(heap::thread_cache_blocks(kCachedClass), cached);
  EXPECT_EQ(heap::thread_cache_check(), nullptr);
  void* first = allocator_malloc(kCachedSize);
  void* second = allocator_malloc(kCachedSize);
  EXPECT_EQ(first, block);  // the cache hands out its newest block first
  EXPECT_NE(second, first);
  allocator_free(first);
  allocator_free(second);
}

TEST_F(ThreadCacheTest, SecondFreeAfterTheCacheReturnedTheBlockChangesNothing) {
  void* block = allocator_malloc(kCachedSize);
  allocator_free(block);
  heap::thread_cache_flush();
  heap::BinCounts before = small_bin_counts(kCachedClass);
  allocator_free(block);
  EXPECT_EQ(heap::thread_cache_blocks(kCachedClass), 0u);
  EXPECT_EQ(small_bin_counts(kCachedClass).in_use, before.in_use);
}

// Three slabs' worth, all freed and returned: the bin keeps one slab and
// gives the others back to the system; freeing every block again must
// neither crash nor change the bin.
TEST_F(ThreadCacheTest, SecondFreeAfterTheSlabWentBackChangesNothing) {
  heap::thread_cache_flush();
  uint32_t kept_before = small_bin_counts(kCachedClass).total_slots;
  std::vector<void*> blocks(3 * 54);
  for (void*& block : blocks) block = allocator_malloc(kCachedSize);
  for (void* block : blocks) allocator_free(block);
  heap::thread_cache_flush();
  heap::BinCounts after = small_bin_counts(kCachedClass);
  ASSERT_LT(after.total_slots, kept_before + 3 * 54);  // slabs went back
  for (void* block : blocks) allocator_free(block);  // their chunks in the reserve
  heap::slab_reserve_drain();                        // and now unmapped
  for (void* block : blocks) allocator_free(block);
  for (void* block : blocks) EXPECT_EQ(allocator_msize(block) == 0, heap::small_slab_of(block) == nullptr);
  EXPECT_EQ(heap::thread_cache_blocks(kCachedClass), 0u);
  heap::BinCounts again = small_bin_counts(kCachedClass);
  EXPECT_EQ(again.total_slots, after.total_slots);
  EXPECT_EQ(again.in_use, after.in_use);
}

TEST_F(ThreadCacheTest, PointersThatAreNotHandedOutBlocksAreIgnored) {
  heap::thread_cache_flush();
  auto* block = static_cast<unsigned char*>(allocator_calloc(1, kCachedSize));
  heap::thread_cache_flush();
  auto* slab = heap::small_slab_of(block);
  ASSERT_NE(slab, nullptr);
  heap::BinCounts before = small_bin_counts(kCachedClass);
  uint32_t stride = heap::slot_stride(kCachedClass);
  unsigned char stack_byte = 0;
  static unsigned char static_bytes[64];
  void* ignored[] = {
      block + 16,                                         // inside the block
      block + 8,                                          // not even 16-aligned
      reinterpret_cast<unsigned char*>(slab),             // the slab's header
      reinterpret_cast<unsigned char*>(slab) + 48,        // its bitmap
      block + 10 * stride,                                // a slot never handed out
      reinterpret_cast<unsigned char*>(slab) + (1 << 17), // past the last slot
      &stack_byte, static_bytes + 16, reinterpret_cast<void*>(16),
  };
  for (void* pointer : ignored) allocator_free(pointer);
  EXPECT_EQ(heap::thread_cache_blocks(kCachedClass), 0u);
  EXPECT_EQ(small_bin_counts(kCachedClass).in_use, before.in_use);
  EXPECT_EQ(allocator_msize(&stack_byte), 0u);
  for (size_t i = 0; i < kCachedSize; ++i) ASSERT_EQ(block[i], 0) << i;  // untouched
  allocator_free(block);
  EXPECT_EQ(heap::thread_cache_blocks(kCachedClass), 1u);
}

TEST_F(ThreadCacheTest, SecondFreeOfALargeBlockChangesNothing) {
  auto* large = static_cast<unsigned char*>(allocator_malloc(100000));
  allocator_free(large + 64);  // inside it, with zero bytes before
  EXPECT_EQ(allocator_msize(large), 100000u);
  allocator_free(large);
  allocator_free(large);
  EXPECT_EQ(allocator_msize(large), 0u);

  void* aligned = allocator_aligned(size_t{1} << 20, 70000);
  EXPECT_EQ(allocator_msize(aligned), 70000u);
  allocator_free(aligned);
  allocator_free(aligned);
  void* page_aligned = allocator_aligned(4096, 70000);
  allocator_free(static_cast<char*>(page_aligned) - 4096 + 16);  // where a 16-aligned one would be
  EXPECT_EQ(allocator_msize(page_aligned), 70000u);
  allocator_free(page_aligned);
  allocator_free(page_aligned);
}

TEST_F(ThreadCacheTest, ACacheHoldsAtMostItsLimitAndGivesHalfBack) {
  heap::thread_cache_flush();
  std::vector<void*> blocks(40);
  for (void*& block : blocks) block = allocator_malloc(kCachedSize);
  for (void* block : blocks) {
    allocator_free(block);
    ASSERT_LE(heap::thread_cache_blocks(kCachedClass), 14u);
  }
  EXPECT_GE(heap::thread_cache_blocks(kCachedClass), 7u);
  EXPECT_EQ(heap::thread_cache_check(), nullptr);
}

// A thread ends with blocks in its cache and blocks still in use that the
// main thread frees later: its cache goes back to the bin at its end.
TEST_F(ThreadCacheTest, AThreadsCacheGoesBackWhenItEnds) {
  heap::thread_cache_flush();
  uint32_t in_use_before = small_bin_counts(kCachedClass).in_use;
  std::vector<void*> kept(30);
  std::thread worker([&] {
    std::vector<void*> mine(30);
    for (void*& block : mine) block = allocator_malloc(kCachedSize);
    for (void*& block : kept) block = allocator_malloc(kCachedSize);
    for (void* block : mine) allocator_free(block);
    EXPECT_GT(heap::thread_cache_blocks(kCachedClass), 0u);
    EXPECT_EQ(heap::thread_cache_check(), nullptr);
  });
  worker.join();
  EXPECT_EQ(small_bin_counts(kCachedClass).in_use, in_use_before + 30);
  for (void* block : kept) allocator_free(block);
  heap::thread_cache_flush();
  EXPECT_EQ(small_bin_counts(kCachedClass).in_use, in_use_before);
}

}  // namespace
}  // namespace morvane
