#include "support/allocator/size_classes.h"

#include <gtest/gtest.h>

#include <iterator>

namespace morvane::heap {
namespace {

// The classes the growth rule must produce, written out independently.
constexpr uint32_t kClasses[] = {4,    8,    12,   16,   20,    24,    28,    32,    36,   40,
                                 44,   48,   56,   64,   76,    88,    104,   128,   156,  192,
                                 240,  304,  392,  512,  672,   892,   1200,  1632,  2240, 3104,
                                 4348, 6152, 8792, 12692, 18504, 27248, 40528, 60792};
constexpr unsigned kCount = std::size(kClasses);

unsigned reference_class(size_t bytes) {
  size_t wanted = bytes < 1024 ? bytes / 4 * 4 + 3 : bytes;
  for (unsigned c = 0; c < kCount; ++c) {
    if (kClasses[c] >= wanted) return c;
  }
  return kNoClass;
}

class SizeClassesTest : public ::testing::Test {
 protected:
  const SizeClasses& classes = g_size_classes;
};

TEST_F(SizeClassesTest, GrowthRuleGivesTheThirtyEightClasses) {
  ASSERT_EQ(classes.count, kCount);
  for (unsigned c = 0; c < kCount; ++c) EXPECT_EQ(classes.size[c], kClasses[c]) << "class " << c;
  EXPECT_EQ(classes.limit, 60792u);
}

TEST_F(SizeClassesTest, EveryRequestSizeMapsToItsClass) {
  for (size_t bytes = 0; bytes <= 60793; ++bytes) {
    ASSERT_EQ(class_of(bytes), reference_class(bytes)) << bytes << " bytes";
  }
  EXPECT_EQ(class_of(60792), kCount - 1);
  EXPECT_EQ(class_of(60793), kNoClass);
  EXPECT_EQ(class_of(size_t{1} << 40), kNoClass);
}

}  // namespace
}  // namespace morvane::heap
