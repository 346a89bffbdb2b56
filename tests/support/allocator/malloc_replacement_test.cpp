// The process really allocates through the slab allocator: the C library,
// the C++ library and operator new all hand out its blocks. Built only
// without sanitizers, linked with support_malloc like the executable.
#include <errno.h>
#include <malloc.h>
#include <stdlib.h>
#include <string.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <new>
#include <string>

#include "support/exception/exception.h"
#include "support/allocator/allocator.h"
#include "support/allocator/system_heap.h"

namespace morvane {
namespace {

uint32_t header_word(const void* block) { return static_cast<const uint32_t*>(block)[-1]; }

bool aligned_to(const void* block, size_t alignment) {
  return reinterpret_cast<uintptr_t>(block) % alignment == 0;
}

// Keeps the compiler from pairing a malloc with its free and dropping both.
template <typename T>
T* escape(T* block) {
  asm volatile("" : : "r"(block) : "memory");
  return block;
}

TEST(MallocReplacement, CLibraryBlocksHaveTheUsableSizeOfTheirClass) {
  char* copy = strdup("hello world");  // 12 bytes, the 16-byte class
  EXPECT_EQ(malloc_usable_size(copy), 16u);
  EXPECT_EQ(allocator_msize(copy), 16u);
  EXPECT_NE(header_word(copy), 0u);
  free(copy);

  void* block = escape(malloc(8));
  EXPECT_EQ(malloc_usable_size(block), 12u);
  block = escape(realloc(block, 13));
  EXPECT_EQ(malloc_usable_size(block), 16u);
  free(block);
  block = escape(calloc(0, 8));
  EXPECT_EQ(malloc_usable_size(block), 4u);
  free(block);
  EXPECT_EQ(malloc_usable_size(nullptr), 0u);
}

TEST(MallocReplacement, CxxLibraryAndOperatorNewAllocateHere) {
  std::string text(100, 'x');  // 101 bytes: the 104-byte class
  EXPECT_EQ(malloc_usable_size(text.data()), 104u);
  auto numbers = std::make_unique<int[]>(2);
  EXPECT_EQ(malloc_usable_size(numbers.get()), 12u);
  auto value = std::make_unique<double>(1.0);
  EXPECT_EQ(malloc_usable_size(value.get()), 12u);
  int* nothrow = escape(new (std::nothrow) int(3));  // 4 bytes: the 8-byte class
  EXPECT_EQ(malloc_usable_size(nothrow), 8u);
  delete nothrow;
}

TEST(MallocReplacement, OverAlignedRequests) {
  struct alignas(128) Wide {
    char bytes[200];
  };
  auto wide = std::make_unique<Wide>();
  EXPECT_TRUE(aligned_to(wide.get(), 128));
  Wide* array = escape(new Wide[3]);
  EXPECT_TRUE(aligned_to(array, 128));
  delete[] array;

  void* block = nullptr;
  ASSERT_EQ(posix_memalign(&block, 64, 10), 0);
  EXPECT_TRUE(aligned_to(block, 64));
  free(block);
  EXPECT_EQ(posix_memalign(&block, 24, 10), EINVAL);
  block = escape(aligned_alloc(4096, 5000));
  EXPECT_TRUE(aligned_to(block, 4096));
  EXPECT_GE(malloc_usable_size(block), 5000u);
  free(block);
  errno = 0;
  EXPECT_EQ(aligned_alloc(48, 10), nullptr);
  EXPECT_EQ(errno, EINVAL);
  block = escape(memalign(256, 300));
  EXPECT_TRUE(aligned_to(block, 256));
  free(block);
  block = escape(valloc(10));
  EXPECT_TRUE(aligned_to(block, 4096));
  free(block);
  block = escape(pvalloc(10));
  EXPECT_TRUE(aligned_to(block, 4096));
  EXPECT_GE(malloc_usable_size(block), 4096u);
  free(block);
}

// A refusal is reported on both streams in every case; C callers then get
// null with ENOMEM, operator new throws, nothrow new returns null.
TEST(MallocReplacement, RefusalThroughEachEntryPoint) {
  heap::set_system_refusal([](size_t bytes) { return bytes == 65536 + 16; });
  const std::string report = "MEMORY ALLOCATION FAILURE [0x00010010] bytes\r\n";
  ::testing::internal::CaptureStderr();
  errno = 0;
  EXPECT_EQ(escape(malloc(65536)), nullptr);
  EXPECT_EQ(errno, ENOMEM);
  EXPECT_EQ(escape(calloc(65536, 1)), nullptr);
  EXPECT_EQ(escape(new (std::nothrow) char[65536]), nullptr);
  EXPECT_THROW(escape(new char[65536]), iException);
  void* block = nullptr;
  EXPECT_EQ(posix_memalign(&block, 16, 65536), ENOMEM);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), report + report + report + report + report);
  heap::set_system_refusal(nullptr);

  errno = 0;
  volatile size_t count = SIZE_MAX / 2;
  EXPECT_EQ(reallocarray(nullptr, count, 3), nullptr);
  EXPECT_EQ(errno, ENOMEM);
}

}  // namespace
}  // namespace morvane
