// The allocator through its own functions, so that these tests also run in
// the sanitizer builds, where the process keeps the sanitizer's malloc.
#include "support/allocator/allocator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "support/allocator/thread_cache.h"
#include "support/exception/exception.h"
#include "support/allocator/size_classes.h"
#include "support/allocator/small_blocks.h"
#include "support/allocator/system_heap.h"

namespace morvane {
namespace {

using heap::small_bin_counts;

// The word before a block: its chunk's address for a small block with a
// caller, 0 for a large one.
uint32_t header_word(const void* block) { return static_cast<const uint32_t*>(block)[-1]; }

bool aligned_to(const void* block, size_t alignment) {
  return reinterpret_cast<uintptr_t>(block) % alignment == 0;
}

// A class that nothing but these tests allocates from: 4 slots per slab.
constexpr size_t kRareSize = 40000;
constexpr unsigned kRareClass = 36;  // 40,528 bytes

class AllocatorTest : public ::testing::Test {
 protected:
  void TearDown() override {
    heap::set_system_refusal(nullptr);
    EXPECT_EQ(heap::small_blocks_check(), nullptr);
  }
};

TEST_F(AllocatorTest, UsableSizesFollowTheClasses) {
  struct Case {
    size_t asked;
    size_t usable;
    bool small;
  };
  for (Case c : {Case{0, 4, true}, Case{3, 4, true}, Case{4, 8, true}, Case{8, 12, true},
                 Case{9, 12, true}, Case{892, 1200, true}, Case{1024, 1200, true},
                 Case{60792, 60792, true}, Case{60793, 60793, false}, Case{200000, 200000, false}}) {
    void* block = allocator_malloc(c.asked);
    EXPECT_EQ(allocator_msize(block), c.usable) << c.asked;
    EXPECT_EQ(header_word(block) != 0, c.small) << c.asked;
    EXPECT_TRUE(aligned_to(block, 16)) << c.asked;
    if (!c.small) {
      EXPECT_EQ(static_cast<size_t*>(block)[-2], c.asked);
    }
    allocator_free(block);
  }
  EXPECT_EQ(allocator_msize(nullptr), 0u);
  allocator_free(nullptr);
}

// Fills each block's whole usable size with its own pattern, then checks all
// of them: blocks that overlapped or sizes that overstated would show.
TEST_F(AllocatorTest, UsableBytesOfLiveBlocksDoNotOverlap) {
  std::vector<unsigned char*> blocks;
  for (size_t bytes = 0; bytes < 3000; bytes += 7) {
    blocks.push_back(static_cast<unsigned char*>(allocator_malloc(bytes)));
  }
  for (size_t alignment : {32, 64, 256, 4096, 65536}) {
    blocks.push_back(static_cast<unsigned char*>(allocator_aligned(alignment, 100)));
    EXPECT_TRUE(aligned_to(blocks.back(), alignment)) << alignment;
    EXPECT_GE(allocator_msize(blocks.back()), 100u);
  }
  blocks.push_back(static_cast<unsigned char*>(allocator_aligned(1 << 20, 70000)));
  EXPECT_TRUE(aligned_to(blocks.back(), 1 << 20));
  for (size_t i = 0; i < blocks.size(); ++i) {
    std::memset(blocks[i], static_cast<int>(i), allocator_msize(blocks[i]));
  }
  for (size_t i = 0; i < blocks.size(); ++i) {
    size_t usable = allocator_msize(blocks[i]);
    for (size_t j = 0; j < usable; ++j) {
      ASSERT_EQ(blocks[i][j], static_cast<unsigned char>(i)) << "block " << i << " byte " << j;
    }
    allocator_free(blocks[i]);
  }
}

TEST_F(AllocatorTest, ReallocNeverShrinksAndMovesContents) {
  char* block = static_cast<char*>(allocator_realloc(nullptr, 8));
  EXPECT_EQ(allocator_msize(block), 12u);
  std::memcpy(block, "abcdefghijk", 12);
  EXPECT_EQ(allocator_realloc(block, 12), block);
  EXPECT_EQ(allocator_realloc(block, 1), block);
  EXPECT_EQ(allocator_realloc(block, 0), block);

  char* moved = static_cast<char*>(allocator_realloc(block, 13));
  EXPECT_NE(moved, block);
  EXPECT_EQ(allocator_msize(moved), 16u);
  EXPECT_STREQ(moved, "abcdefghijk");

  char* large = static_cast<char*>(allocator_realloc(moved, 100000));
  EXPECT_STREQ(large, "abcdefghijk");
  EXPECT_EQ(allocator_realloc(large, 70000), large);
  allocator_free(large);
}

TEST_F(AllocatorTest, CallocZeroesReusedSlots) {
  unsigned char* dirty = static_cast<unsigned char*>(allocator_malloc(kRareSize));
  std::memset(dirty, 0xAB, kRareSize);
  allocator_free(dirty);
  unsigned char* clean = static_cast<unsigned char*>(allocator_calloc(4, kRareSize / 4));
  EXPECT_EQ(clean, dirty);  // the same slot again
  for (size_t i = 0; i < kRareSize; ++i) ASSERT_EQ(clean[i], 0) << i;
  allocator_free(clean);

  void* empty = allocator_calloc(0, 100);
  EXPECT_EQ(allocator_msize(empty), 4u);
  allocator_free(empty);
  unsigned char* large = static_cast<unsigned char*>(allocator_calloc(1, 100000));
  EXPECT_EQ(large[0] | large[99999], 0);
  allocator_free(large);
}

TEST_F(AllocatorTest, SecondFreeOfASmallBlockChangesNothing) {
  void* block = allocator_malloc(kRareSize);
  allocator_free(block);
  heap::BinCounts before = small_bin_counts(kRareClass);
  allocator_free(block);
  heap::BinCounts after = small_bin_counts(kRareClass);
  EXPECT_EQ(after.in_use, before.in_use);
  EXPECT_EQ(after.total_slots, before.total_slots);
  void* first = allocator_malloc(kRareSize);
  void* second = allocator_malloc(kRareSize);
  EXPECT_NE(first, second);
  allocator_free(first);
  allocator_free(second);
}

// Slabs of the rare class hold 4 blocks, so 12 blocks fill three slabs.
TEST_F(AllocatorTest, SlabsAreReusedKeptAndGivenBack) {
  ASSERT_EQ(small_bin_counts(kRareClass).in_use, 0u);
  std::vector<void*> blocks(12);
  for (void*& block : blocks) block = allocator_malloc(kRareSize);
  heap::Slab* slabs[3] = {heap::small_slab_of(blocks[0]), heap::small_slab_of(blocks[4]), heap::small_slab_of(blocks[8])};
  for (int i = 0; i < 12; ++i) ASSERT_EQ(heap::small_slab_of(blocks[i]), slabs[i / 4]) << i;
  ASSERT_EQ(small_bin_counts(kRareClass).total_slots, 12u);
  EXPECT_EQ(small_bin_counts(kRareClass).listed_slabs, 0u);  // full slabs are unlinked

  // Freed slots are handed out again, lowest first.
  allocator_free(blocks[6]);
  allocator_free(blocks[5]);
  EXPECT_EQ(allocator_malloc(kRareSize), blocks[5]);
  EXPECT_EQ(allocator_malloc(kRareSize), blocks[6]);

  // Slab 1 goes back into the list; emptying slab 0 keeps it while the bin
  // is at least half used (8 of 12 in use before the last free).
  allocator_free(blocks[4]);
  for (int i = 0; i < 4; ++i) allocator_free(blocks[i]);
  EXPECT_EQ(small_bin_counts(kRareClass).total_slots, 12u);
  // Emptying slab 2 with fewer than half in use gives it back.
  for (int i = 8; i < 12; ++i) allocator_free(blocks[i]);
  EXPECT_EQ(small_bin_counts(kRareClass).total_slots, 8u);
  // Slab 0 stayed empty in the list; emptying slab 1 gives it back, but
  // slab 0 is then the bin's only slab and is kept.
  for (int i = 5; i < 8; ++i) allocator_free(blocks[i]);
  heap::BinCounts last = small_bin_counts(kRareClass);
  EXPECT_EQ(last.total_slots, 4u);
  EXPECT_EQ(last.listed_slabs, 1u);
  EXPECT_EQ(last.in_use, 0u);
}

// Slabs lie at one of several offsets in their chunks, which the chunk's tag
// gives; free and msize must find every block and ignore every pointer
// between blocks whichever offset its slab has.
TEST_F(AllocatorTest, BlocksAreFoundInSlabsAtEveryOffset) {
  std::vector<unsigned char*> blocks(40);  // ten slabs of four
  for (unsigned char*& block : blocks) block = static_cast<unsigned char*>(allocator_malloc(kRareSize));
  std::vector<uintptr_t> offsets;
  for (unsigned char* block : blocks) {
    heap::Slab* slab = heap::small_slab_of(block);
    ASSERT_NE(slab, nullptr);
    ASSERT_EQ(header_word(block), heap::kCallerWord);
    uintptr_t chunk = heap::chunk_start_of(block);
    EXPECT_EQ(slab->size_class, kRareClass);
    EXPECT_EQ(allocator_msize(block), 40528u);
    offsets.push_back(reinterpret_cast<uintptr_t>(slab) - chunk);
    allocator_free(block + 16);  // inside a block: ignored
    allocator_free(reinterpret_cast<unsigned char*>(slab) + 64);  // the slab's header: ignored
  }
  std::sort(offsets.begin(), offsets.end());
  EXPECT_GT(std::unique(offsets.begin(), offsets.end()) - offsets.begin(), 1);
  EXPECT_EQ(small_bin_counts(kRareClass).in_use, 40u);
  for (unsigned char* block : blocks) {
    allocator_free(block);
    allocator_free(block);  // a second free: ignored
  }
  EXPECT_EQ(small_bin_counts(kRareClass).in_use, 0u);
}

TEST_F(AllocatorTest, BusyBinBorrowsTheNextOneUpOnce) {
  SpinWord& own = heap::small_bin_lock(heap::thread_heap(), kRareClass);
  SpinWord& next = heap::small_bin_lock(heap::thread_heap(), kRareClass + 1);
  spinlock_acquire(own);
  void* borrowed = allocator_malloc(kRareSize);
  EXPECT_EQ(allocator_msize(borrowed), 60792u);  // a block of the next class

  // With both busy it waits for its own bin.
  spinlock_acquire(next);
  std::thread releaser([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    spinlock_release(own);
  });
  void* waited = allocator_malloc(kRareSize);
  releaser.join();
  spinlock_release(next);
  EXPECT_EQ(allocator_msize(waited), 40528u);
  allocator_free(waited);
  allocator_free(borrowed);
}

// Runs `statement`, expecting the failure report for `digits` on both
// standard streams and as the thrown iException.
template <typename Statement>
void expect_failure(const char* digits, Statement statement) {
  std::string message = std::string("MEMORY ALLOCATION FAILURE [0x") + digits + "] bytes";
  ::testing::internal::CaptureStderr();
  ::testing::internal::CaptureStdout();
  std::string thrown;
  try {
    statement();
  } catch (const iException& error) {
    thrown = error.what().narrow(0);
  }
  std::string out = ::testing::internal::GetCapturedStdout();
  std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(thrown, message);
  EXPECT_EQ(err, message + "\r\n");
  EXPECT_EQ(out, message + "\r\n");
}

TEST_F(AllocatorTest, RefusedLargeBlockReportsSizeWithHeader) {
  heap::set_system_refusal([](size_t bytes) { return bytes == 65536 + 16; });
  expect_failure("00010010", [] { allocator_malloc(65536); });
  expect_failure("00010010", [] { allocator_calloc(16384, 4); });
}

TEST_F(AllocatorTest, RefusedSlabReportsItsSizeAndLeavesTheBinUsable) {
  std::vector<void*> blocks;
  heap::BinCounts counts = small_bin_counts(kRareClass);
  for (uint32_t i = counts.in_use; i < counts.total_slots; ++i) {
    blocks.push_back(allocator_malloc(kRareSize));
  }
  // 92 bytes of header, bitmap and padding, then 4 slots of 40,544 bytes.
  heap::set_system_refusal([](size_t bytes) { return bytes == 92 + 4 * 40544; });
  expect_failure("000279DC", [] { allocator_malloc(kRareSize); });
  heap::set_system_refusal(nullptr);
  blocks.push_back(allocator_malloc(kRareSize));
  for (void* block : blocks) allocator_free(block);
}

TEST_F(AllocatorTest, RequestsBeyondTheMachineAreRefused) {
  expect_failure("800000000010", [] { allocator_malloc(size_t{1} << 47); });
  expect_failure("FFFFFFFFFFFFFFFF", [] { allocator_malloc(SIZE_MAX - 8); });
  expect_failure("FFFFFFFFFFFFFFFF", [] { allocator_calloc(SIZE_MAX / 2, 3); });
  expect_failure("FFFFFFFFFFFFFFFF", [] { allocator_aligned(4096, SIZE_MAX - 100); });
}

TEST_F(AllocatorTest, ExitOnFailureEndsWithCode66) {
  heap::set_system_refusal([](size_t bytes) { return bytes == 65536 + 16; });
  EXPECT_EXIT(
      {
        allocator_set_exit_on_failure(true);
        allocator_malloc(65536);
      },
      ::testing::ExitedWithCode(66), "MEMORY ALLOCATION FAILURE \\[0x00010010\\] bytes");
}

}  // namespace
}  // namespace morvane
