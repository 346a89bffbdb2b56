#include "support/file/paged_file.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "support/file/fd_file.h"
#include "support/file/open_flags.h"
#include "support/file/uncached_file.h"
#include "support/platform/platform.h"
#include "tests/support/file/temp_dir.h"

namespace morvane {
namespace {

using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStdout;

const uint32_t kPage = static_cast<uint32_t>(platform::page_size());

std::string pattern(size_t size, unsigned seed = 1) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 11 + seed + i / 4091);
  return bytes;
}

// The same cases over both inner files.
template <typename F>
class PagedFileTest : public testing::TempDirTest {
 protected:
  // Opens `name` in `mode` behind a page cache of `cache_bytes`.
  std::unique_ptr<iMemoryPagedFile<F>> open_paged(const std::string& name, int mode,
                                                  uint32_t cache_bytes) {
    auto inner = std::make_unique<F>();
    inner->open(path(name).c_str(), mode, 0);
    auto paged = std::make_unique<iMemoryPagedFile<F>>();
    EXPECT_TRUE(paged->open(inner.release(), mode, cache_bytes));
    return paged;
  }
};

using InnerFiles = ::testing::Types<iFdFile, iUncachedFile>;
TYPED_TEST_SUITE(PagedFileTest, InnerFiles);

TYPED_TEST(PagedFileTest, OpenTakesTheInnerFileAndItsEnd) {
  this->write_file("a|b", pattern(100));
  auto paged = this->open_paged("a|b", IF_MODE_UPDATE, kPage - 1);
  EXPECT_EQ(paged->page_limit(), 0u) << "less than a page means no limit";
  EXPECT_STREQ(paged->name(), "|b") << "the name from its last bar on";
  EXPECT_EQ(paged->size(), 100u);
  EXPECT_EQ(paged->tell(), 0);
  EXPECT_EQ(paged->seek(10, kSeekEnd), 90);
  EXPECT_EQ(paged->eof(), 0);
  EXPECT_EQ(paged->seek(-91, kSeekCurrent), -1);

  iMemoryPagedFile<TypeParam> refused;
  EXPECT_FALSE(refused.open(nullptr, IF_MODE_READ, 0));
  EXPECT_FALSE(refused.open(new TypeParam(), IF_MODE_READ, 0)) << "an unopened inner file";
  EXPECT_FALSE(refused.is_open());
}

TYPED_TEST(PagedFileTest, ReadsAndWritesAcrossPages) {
  const std::string data = pattern(5 * kPage + 10);
  this->write_file("f", data);
  auto paged = this->open_paged("f", IF_MODE_UPDATE, 0);
  std::string buffer(3 * kPage, '\0');
  ASSERT_EQ(paged->seek(static_cast<int32_t>(kPage - 5), kSeekBegin), static_cast<int32_t>(kPage - 5));
  EXPECT_EQ(paged->read(buffer.data(), 2 * kPage), static_cast<int32_t>(2 * kPage));
  EXPECT_EQ(buffer.substr(0, 2 * kPage), data.substr(kPage - 5, 2 * kPage));
  EXPECT_EQ(paged->loaded_pages(), 3u);
  ASSERT_EQ(paged->seek(static_cast<int32_t>(5 * kPage), kSeekBegin), static_cast<int32_t>(5 * kPage));
  EXPECT_EQ(paged->read(buffer.data(), 100), 10) << "reads stop at the size";
  EXPECT_EQ(paged->eof(), 1);
  EXPECT_EQ(paged->write("XYZ", 3), 3);
  EXPECT_EQ(paged->size(), 5 * kPage + 13);
  EXPECT_EQ(paged->read_at(buffer.data(), 6, static_cast<int32_t>(5 * kPage + 7)), 6);
  EXPECT_EQ(buffer.substr(0, 6), data.substr(5 * kPage + 7, 3) + "XYZ");
  EXPECT_TRUE(testing::SameBytes(this->read_file("f"), data)) << "nothing written back before a flush";
  EXPECT_EQ(paged->flush(), 0);
  EXPECT_FALSE(paged->page_dirty(5));
  paged->close();  // an uncached inner file is cut to its size only here
  EXPECT_TRUE(testing::SameBytes(this->read_file("f"), data + "XYZ"));
}

TYPED_TEST(PagedFileTest, AppendingKeepsTheBytesOfAnUnloadedLastPage) {
  const std::string data = pattern(kPage + 100);
  this->write_file("f", data);
  auto paged = this->open_paged("f", IF_MODE_UPDATE, 8 * kPage);
  ASSERT_EQ(paged->seek(0, kSeekEnd), static_cast<int32_t>(kPage + 100));
  EXPECT_FALSE(paged->page_loaded(1));
  EXPECT_EQ(paged->write("end", 3), 3);
  // Whole pages and pages past the end are made without reading.
  ASSERT_EQ(paged->seek(static_cast<int32_t>(3 * kPage), kSeekBegin), static_cast<int32_t>(3 * kPage));
  const std::string whole = pattern(kPage, 9);
  EXPECT_EQ(paged->write(whole.data(), kPage), static_cast<int32_t>(kPage));
  paged->close();
  EXPECT_FALSE(paged->is_open());
  std::string expected = data + "end";
  expected.resize(3 * kPage, '\0');
  EXPECT_TRUE(testing::SameBytes(this->read_file("f"), expected + whole));
}

TYPED_TEST(PagedFileTest, QuickEvictionFromThe22ndLoadWithALimitOf20) {
  const std::string data = pattern(30 * kPage);
  this->write_file("f", data);
  auto paged = this->open_paged("f", IF_MODE_READ, 20 * kPage);
  ASSERT_EQ(paged->page_limit(), 20u);
  std::string page(kPage, '\0');
  for (uint32_t i = 0; i < 30; ++i) {
    ASSERT_EQ(paged->read(page.data(), kPage), static_cast<int32_t>(kPage));
    ASSERT_TRUE(testing::SameBytes(page, data.substr(size_t{i} * kPage, kPage)));
    const uint32_t loads = i + 1;
    // Up to the 21st load nothing is dropped; from the 22nd on, each load
    // first drops the least-used clean page, the lowest index first.
    EXPECT_EQ(paged->loaded_pages(), std::min(loads, 21u)) << "load " << loads;
    EXPECT_EQ(paged->charge(), std::min(loads, 21u));
    if (loads >= 22) {
      EXPECT_FALSE(paged->page_loaded(loads - 22));
      EXPECT_TRUE(paged->page_loaded(loads - 21));
    }
  }
  EXPECT_EQ(paged->candidate_count(), 21u);
}

TYPED_TEST(PagedFileTest, CountersStartAt128AndGrowPerAccess) {
  this->write_file("f", pattern(4 * kPage));
  auto paged = this->open_paged("f", IF_MODE_UPDATE, 4 * kPage);
  char byte;
  ASSERT_EQ(paged->read(&byte, 1), 1);
  EXPECT_EQ(paged->page_counter(0), 128u);
  ASSERT_EQ(paged->read_at(&byte, 1, 0), 1);
  EXPECT_EQ(paged->page_counter(0), 129u);
  ASSERT_EQ(paged->write("x", 1), 1);
  EXPECT_EQ(paged->page_counter(0), 130u);
  EXPECT_TRUE(paged->page_dirty(0));
  EXPECT_EQ(paged->candidate_count(), 0u) << "a dirty page is no candidate";
  EXPECT_EQ(paged->sync(), 0);
  EXPECT_FALSE(paged->page_dirty(0));
  EXPECT_EQ(paged->candidate_count(), 1u);
}

TYPED_TEST(PagedFileTest, BatchEvictionWritesBackAndKeepsPagesAsCandidates) {
  this->write_file("f", "");
  auto paged = this->open_paged("f", IF_MODE_UPDATE, 4 * kPage);
  const std::string data = pattern(8 * kPage, 5);
  CaptureStdout();
  // Dirty pages are never candidates, so only the batch path can make room.
  EXPECT_EQ(paged->write(data.data(), 8 * kPage), static_cast<int32_t>(8 * kPage));
  EXPECT_EQ(GetCapturedStdout(), "") << "no diagnostic on the normal paths";
  EXPECT_GT(paged->candidate_count(), 0u);
  EXPECT_LT(this->read_file("f").size(), data.size()) << "the batch wrote part of it";
  std::string back(8 * kPage, '\0');
  EXPECT_EQ(paged->read_at(back.data(), 8 * kPage, 0), static_cast<int32_t>(8 * kPage));
  EXPECT_TRUE(testing::SameBytes(back, data));
  paged->close();
  EXPECT_TRUE(testing::SameBytes(this->read_file("f"), data));
}

// The same random sequence on a paged file with a small page limit and on a
// plain descriptor file: the same reads, and the same bytes after close.
TYPED_TEST(PagedFileTest, BehavesLikeAPlainDescriptorFile) {
  for (unsigned seed = 1; seed <= 4; ++seed) {
    const std::string start = pattern(12 * kPage + 321, seed);
    this->write_file("plain", start);
    this->write_file("paged", start);
    iFdFile plain;
    ASSERT_TRUE(plain.open(this->path("plain").c_str(), IF_MODE_UPDATE, 0));
    auto paged = this->open_paged("paged", IF_MODE_UPDATE, (2 + seed) * kPage);
    std::mt19937 random(seed);
    CaptureStdout();
    for (int step = 0; step < 300; ++step) {
      const int32_t end = plain.seek(0, kSeekEnd);
      const auto target = static_cast<int32_t>(random() % (static_cast<uint32_t>(end) + 1));
      ASSERT_EQ(paged->seek(target, kSeekBegin), plain.seek(target, kSeekBegin));
      const uint32_t n = 1 + random() % (random() % 3 == 0 ? 6 * kPage : 300);
      if (random() % 2) {
        std::string a(n, 'a'), b(n, 'b');
        int32_t expected = plain.read(a.data(), n);
        ASSERT_EQ(paged->read(b.data(), n), expected) << "step " << step;
        ASSERT_TRUE(testing::SameBytes(a.substr(0, static_cast<size_t>(expected)),
                                       b.substr(0, static_cast<size_t>(expected))));
      } else {
        std::string bytes = pattern(n, static_cast<unsigned>(step));
        ASSERT_EQ(paged->write(bytes.data(), n), plain.write(bytes.data(), n));
      }
      ASSERT_EQ(paged->tell(), plain.tell());
      ASSERT_LE(paged->loaded_pages(), 64u);
    }
    std::string diagnostics = GetCapturedStdout();
    EXPECT_EQ(diagnostics.find("error"), std::string::npos) << diagnostics;
    EXPECT_EQ(diagnostics.find("assert violation"), std::string::npos) << diagnostics;
    plain.close();
    paged->close();
    ASSERT_TRUE(testing::SameBytes(this->read_file("paged"), this->read_file("plain"))) << "seed " << seed;
  }
}

}  // namespace
}  // namespace morvane
