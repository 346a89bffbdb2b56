// Files read from several threads at once; run under ThreadSanitizer too.
#include <string>
#include <thread>
#include <vector>

#include "support/file/multi_read_file.h"
#include "support/file/open_flags.h"
#include "support/file/sliced_file.h"
#include "tests/support/file/temp_dir.h"

namespace morvane {
namespace {

class MultiThreadFileTest : public testing::TempDirTest {};

std::string pattern(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 17 + i / 255);
  return bytes;
}

TEST_F(MultiThreadFileTest, EachThreadReadsWithItsOwnPosition) {
  const std::string data = pattern(64 * 1024);
  write_file("f", data);
  MultiReadFdFile file;
  ASSERT_TRUE(file.open(path("f").c_str(), IF_MODE_READ, 0, 0));
  EXPECT_EQ(file.flags(), kFileFlagReadOnly);
  constexpr int kThreads = 4;
  std::vector<std::string> got(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      // Each thread starts elsewhere and reads in small steps: a shared
      // position would interleave the threads' reads.
      const int32_t start = t * 1000;
      if (file.seek(start, kSeekBegin) != start) return;
      std::string& mine = got[static_cast<size_t>(t)];
      char buffer[97];
      for (int32_t n; (n = file.read(buffer, sizeof buffer)) > 0;) mine.append(buffer, static_cast<size_t>(n));
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_TRUE(testing::SameBytes(got[static_cast<size_t>(t)], data.substr(static_cast<size_t>(t) * 1000)))
        << "thread " << t;
  }
  EXPECT_EQ(file.descriptor_count(), kThreads + 1u) << "the opener's and one per thread";
  EXPECT_EQ(file.error(), 0);
  file.close();
  EXPECT_FALSE(file.is_open());
}

TEST_F(MultiThreadFileTest, CreateEmptiesTheFileOnlyOnce) {
  MultiReadFdFile file;
  ASSERT_TRUE(file.open(path("f").c_str(), IF_MODE_CREATE, 0, 0));
  ASSERT_EQ(file.write("first", 5), 5);
  std::thread other([&] { EXPECT_EQ(file.read_at(nullptr, 0, 0), 0); });
  other.join();
  EXPECT_EQ(read_file("f"), "first") << "the second thread's descriptor did not truncate";
}

TEST_F(MultiThreadFileTest, AThreadWhoseDescriptorCannotOpenGetsFailures) {
  write_file("f", "data");
  MultiReadFdFile file;
  ASSERT_TRUE(file.open(path("f").c_str(), IF_MODE_READ, 0, 0));
  std::filesystem::remove(path("f"));
  std::thread other([&] {
    char byte;
    EXPECT_EQ(file.read(&byte, 1), -1);
    EXPECT_EQ(file.tell(), -1);
    EXPECT_EQ(file.eof(), -1);
    EXPECT_EQ(file.flush(), -1);
  });
  other.join();
  char byte;
  EXPECT_EQ(file.read(&byte, 1), 1) << "the opener's descriptor still works";
}

TEST_F(MultiThreadFileTest, SlicedFilePositionsArePerThread) {
  const std::string data = pattern(4096);
  write_file("s", data);
  iFileSliced64 file;
  ASSERT_TRUE(file.open(path("s").c_str(), IF_MODE_READ, IF_MULTI_READ, 0));
  constexpr int kThreads = 4;
  std::vector<std::string> got(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      if (file.seek64(t * 100, kSeekBegin) != t * 100) return;
      for (int c; (c = file.getc()) != -1;) got[static_cast<size_t>(t)].push_back(static_cast<char>(c));
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_TRUE(testing::SameBytes(got[static_cast<size_t>(t)], data.substr(static_cast<size_t>(t) * 100)));
  }
  EXPECT_EQ(file.tell64(), 0) << "the main thread's own position never moved";
}

}  // namespace
}  // namespace morvane
