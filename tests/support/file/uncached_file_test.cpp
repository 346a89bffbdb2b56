#include "support/file/uncached_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <random>
#include <string>

#include "support/file/fd_file.h"
#include "support/file/open_flags.h"
#include "support/platform/platform.h"
#include "tests/support/file/temp_dir.h"

namespace morvane {
namespace {

using ::testing::internal::CaptureStderr;
using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStderr;
using ::testing::internal::GetCapturedStdout;

const size_t kPage = platform::page_size();

std::string pattern(size_t size, unsigned seed = 1) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 13 + seed + i / 4093);
  return bytes;
}

struct AlignedBuffer {
  explicit AlignedBuffer(size_t size)
      : data(static_cast<char*>(std::aligned_alloc(kPage, (size + kPage - 1) / kPage * kPage))) {}
  ~AlignedBuffer() { std::free(data); }
  char* data;
};

// Every case runs with O_DIRECT and with the fallback for file systems that
// refuse it.
class UncachedFileTest : public testing::TempDirTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    uncached_files_refuse_direct_io = GetParam();
  }
  void TearDown() override {
    uncached_files_refuse_direct_io = false;
    TempDirTest::TearDown();
  }
};

TEST_P(UncachedFileTest, SmallUnalignedWriteLeavesAFileOfItsLogicalSize) {
  const std::string data = pattern(101);
  iUncachedFile file;
  ASSERT_TRUE(file.open(path("f").c_str(), IF_MODE_CREATE, 0));
  EXPECT_EQ(file.direct(), !GetParam());
  CaptureStdout();
  EXPECT_EQ(file.write(data.data() + 1, 100), 100);  // odd address: not page-aligned
  EXPECT_EQ(GetCapturedStdout(), "");
  EXPECT_EQ(file.size(), 100u);
  file.close();
  EXPECT_TRUE(testing::SameBytes(read_file("f"), data.substr(1)));
}

TEST_P(UncachedFileTest, UnalignedReadsAreReportedAndStillCorrect) {
  const std::string data = pattern(3 * kPage + 77);
  write_file("f", data);
  iUncachedFile file;
  ASSERT_TRUE(file.open(path("f").c_str(), IF_MODE_READ, 0));
  EXPECT_EQ(file.size(), data.size());
  ASSERT_EQ(file.seek(static_cast<int32_t>(kPage - 6), kSeekBegin), static_cast<int32_t>(kPage - 6));
  char buffer[10];
  CaptureStdout();
  EXPECT_EQ(file.read(buffer, 10), 10);
  EXPECT_EQ(GetCapturedStdout(), "Unaligned position");
  EXPECT_EQ(std::string(buffer, 10), data.substr(kPage - 6, 10));
  // A large aligned read crosses the 16-page bounce block several times.
  AlignedBuffer all(data.size() + kPage);
  ASSERT_EQ(file.seek(0, kSeekBegin), 0);
  CaptureStdout();
  EXPECT_EQ(file.read(all.data, static_cast<uint32_t>(data.size() + 100)),
            static_cast<int32_t>(data.size()));
  EXPECT_EQ(GetCapturedStdout(), "");
  EXPECT_TRUE(testing::SameBytes(std::string(all.data, data.size()), data));
  EXPECT_EQ(file.read(all.data, 1), 0) << "at the end";
  EXPECT_EQ(file.write("x", 1), -1) << "mode read";
}

TEST_P(UncachedFileTest, SeekCountsBackFromTheEnd) {
  write_file("f", pattern(100));
  iUncachedFile file;
  ASSERT_TRUE(file.open(path("f").c_str(), IF_MODE_UPDATE, 0));
  EXPECT_EQ(file.seek(0, kSeekEnd), 100);
  EXPECT_EQ(file.seek(5, kSeekEnd), 95);
  EXPECT_EQ(file.seek(-96, kSeekCurrent), -1);
  EXPECT_EQ(file.seek(300, kSeekBegin), 300) << "a writable file grows";
  EXPECT_EQ(file.size(), 300u);
  iUncachedFile reader;
  ASSERT_TRUE(reader.open(path("f").c_str(), IF_MODE_READ, 0));
  EXPECT_EQ(reader.seek(101, kSeekBegin), -1);
}

TEST_P(UncachedFileTest, OpenModes) {
  const std::string missing = path("missing");
  iUncachedFile reader;
  CaptureStderr();
  EXPECT_FALSE(reader.open(missing.c_str(), IF_MODE_READ, 0));
  EXPECT_EQ(GetCapturedStderr(), "Can't open " + missing);
  EXPECT_FALSE(reader.is_open());
  iUncachedFile update;
  ASSERT_TRUE(update.open(missing.c_str(), IF_MODE_UPDATE, 0)) << "update creates the file";
  EXPECT_FALSE(update.open(missing.c_str(), IF_MODE_UPDATE, 0)) << "already open";
  update.close();

  write_file("data", pattern(5000));
  iUncachedFile append;
  ASSERT_TRUE(append.open(path("data").c_str(), IF_MODE_APPEND, 0));
  EXPECT_EQ(append.tell(), 5000);
  CaptureStdout();
  EXPECT_EQ(append.write("tail", 4), 4);
  EXPECT_EQ(GetCapturedStdout(), "Unaligned position");
  append.close();
  EXPECT_TRUE(testing::SameBytes(read_file("data"), pattern(5000) + "tail"));

  iUncachedFile create;
  ASSERT_TRUE(create.open(path("data").c_str(), IF_MODE_CREATE, 0));
  EXPECT_EQ(create.size(), 0u);
  create.close();
  EXPECT_TRUE(testing::SameBytes(read_file("data"), "")) << "an empty file is not cut, it stays empty";
}

TEST_P(UncachedFileTest, AlignedWritesGoStraightToDisk) {
  AlignedBuffer buffer(4 * kPage);
  const std::string data = pattern(4 * kPage, 3);
  std::copy(data.begin(), data.end(), buffer.data);
  iUncachedFile file;
  ASSERT_TRUE(file.open(path("f").c_str(), IF_MODE_CREATE, 0));
  CaptureStdout();
  EXPECT_EQ(file.write(buffer.data, static_cast<uint32_t>(4 * kPage)), static_cast<int32_t>(4 * kPage));
  EXPECT_EQ(file.write(buffer.data, 10), 10);  // aligned memory, not whole pages
  EXPECT_EQ(GetCapturedStdout(), "");
  file.close();
  EXPECT_TRUE(testing::SameBytes(read_file("f"), data + data.substr(0, 10)));
}

// Random writes and reads at any alignment agree with a plain descriptor
// file, on disk after close too.
TEST_P(UncachedFileTest, BehavesLikeAPlainDescriptorFile) {
  const std::string start = pattern(9 * kPage + 5);
  write_file("plain", start);
  write_file("uncached", start);
  iFdFile plain;
  iUncachedFile uncached;
  ASSERT_TRUE(plain.open(path("plain").c_str(), IF_MODE_UPDATE, 0));
  ASSERT_TRUE(uncached.open(path("uncached").c_str(), IF_MODE_UPDATE, 0));
  std::mt19937 random(7);
  CaptureStdout();  // unaligned transfers print their diagnostic
  for (int step = 0; step < 300; ++step) {
    const int32_t end = plain.seek(0, kSeekEnd);
    const auto target = static_cast<int32_t>(random() % (static_cast<uint32_t>(end) + 1));
    ASSERT_EQ(uncached.seek(target, kSeekBegin), plain.seek(target, kSeekBegin));
    const uint32_t n = 1 + random() % static_cast<uint32_t>(random() % 2 ? 100 : 20 * kPage);
    if (random() % 2) {
      std::string a(n, 'a'), b(n, 'b');
      int32_t expected = plain.read(a.data(), n);
      ASSERT_EQ(uncached.read(b.data(), n), expected);
      ASSERT_TRUE(testing::SameBytes(a.substr(0, static_cast<size_t>(expected)),
                                     b.substr(0, static_cast<size_t>(expected))));
    } else {
      std::string bytes = pattern(n, static_cast<unsigned>(step));
      ASSERT_EQ(uncached.write(bytes.data(), n), plain.write(bytes.data(), n));
    }
    ASSERT_EQ(uncached.tell(), plain.tell());
  }
  GetCapturedStdout();
  plain.close();
  uncached.close();
  EXPECT_TRUE(testing::SameBytes(read_file("uncached"), read_file("plain")));
}

INSTANTIATE_TEST_SUITE_P(DirectAndFallback, UncachedFileTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? std::string("Fallback") : std::string("Direct");
                         });

}  // namespace
}  // namespace morvane
