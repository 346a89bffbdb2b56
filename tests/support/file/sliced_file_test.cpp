#include "support/file/sliced_file.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <filesystem>
#include <string>

#include "support/exception/exception.h"
#include "support/file/open_flags.h"
#include "tests/support/file/temp_dir.h"

namespace morvane {
namespace {

constexpr int64_t kSlice = iFileSliced64::kSliceSize;

class SlicedFileTest : public testing::TempDirTest {
 protected:
  std::string slice(int index) const {
    return index == 0 ? path("big") : path("big") + "," + std::to_string(index);
  }
  int64_t size_on_disk(const std::string& name) const {
    struct stat info;
    return ::stat(name.c_str(), &info) == 0 ? info.st_size : -1;
  }
};

TEST_F(SlicedFileTest, ThirtyTwoBitCallsAreRefusedAndTheByteCallsWork) {
  iFileSliced64 file;
  ASSERT_TRUE(file.open(path("big").c_str(), IF_MODE_CREATE, 0, 0));
  char buffer[4];
  auto expect_refused = [](auto call) {
    try {
      call();
      ADD_FAILURE() << "no exception";
    } catch (const iException& error) {
      EXPECT_STREQ(error.what().narrow(0), "Invalid 32 bit call");
    }
  };
  expect_refused([&] { file.read(buffer, 1); });
  expect_refused([&] { file.write(buffer, 1); });
  expect_refused([&] { file.read_at(buffer, 1, 0); });
  expect_refused([&] { file.write_at(buffer, 1, 0); });
  expect_refused([&] { file.tell(); });
  expect_refused([&] { file.seek(0, kSeekBegin); });
  expect_refused([&] { file.ftell(); });
  expect_refused([&] { file.fseek(0, kSeekBegin); });
  expect_refused([&] { file.fread(buffer, 1, 1); });
  expect_refused([&] { file.fwrite(buffer, 1, 1); });

  EXPECT_EQ(file.puts("ab\n"), 1);
  EXPECT_EQ(file.putc('c'), 1);
  EXPECT_EQ(file.puts(nullptr), 0);
  EXPECT_EQ(file.size64(), 4);
  EXPECT_EQ(file.eof(), 1);
  EXPECT_EQ(file.seek64(0, kSeekBegin), 0);
  EXPECT_EQ(file.eof(), 0);
  EXPECT_EQ(file.getc(), 'a');
  EXPECT_EQ(file.ungetc('z'), 'z');
  EXPECT_EQ(file.getc(), 'a');
  char line[8];
  EXPECT_EQ(file.gets(line, sizeof line), line);
  EXPECT_STREQ(line, "b\n");
  EXPECT_EQ(file.seek64(1, kSeekEnd), 3) << "whence 2 counts back from the end";
  EXPECT_EQ(file.getc(), 'c');
  EXPECT_EQ(file.getc(), -1);
  EXPECT_EQ(file.seek64(-1, kSeekBegin), -1);
  EXPECT_EQ(file.sync(), 0);
  EXPECT_EQ(file.flush(), 0);
}

TEST_F(SlicedFileTest, SparseSeekFillsEarlierSlicesAndReadsCrossTheBoundary) {
  {
    iFileSliced64 file;
    ASSERT_TRUE(file.open(path("big").c_str(), IF_MODE_CREATE, 0, 0));
    ASSERT_EQ(file.seek64(kSlice - 4, kSeekBegin), kSlice - 4);
    EXPECT_EQ(file.slice_count(), 1u);
    EXPECT_EQ(file.write64("0123456789", 10), 10);
    EXPECT_EQ(file.slice_count(), 2u);
    EXPECT_EQ(file.size64(), kSlice + 6);
    EXPECT_EQ(file.tell64(), kSlice + 6);
  }
  EXPECT_EQ(size_on_disk(slice(0)), kSlice);
  EXPECT_EQ(size_on_disk(slice(1)), 6);

  iFileSliced64 file;
  ASSERT_TRUE(file.open(path("big").c_str(), IF_MODE_READ, 0, 0));
  EXPECT_EQ(file.size64(), kSlice + 6) << "reopening finds the size";
  char buffer[16] = {};
  EXPECT_EQ(file.read_at64(buffer, 10, kSlice - 4), 10);
  EXPECT_EQ(std::string(buffer, 10), "0123456789");
  EXPECT_EQ(file.tell64(), kSlice + 6);
  EXPECT_EQ(file.read_at64(buffer, 10, kSlice + 2), 4) << "stops at the end";
  EXPECT_EQ(file.read_at64(buffer, 1, kSlice + 6), 0);
  EXPECT_EQ(file.write_at64("x", 1, 0), 0) << "mode read writes nothing";
  EXPECT_EQ(file.seek64(kSlice + 7, kSeekBegin), -1) << "mode read does not grow";
}

TEST_F(SlicedFileTest, SeekPastTheEndPadsTheTargetSliceWithN) {
  iFileSliced64 file;
  ASSERT_TRUE(file.open(path("big").c_str(), IF_MODE_CREATE, 0, 0));
  ASSERT_EQ(file.seek64(2 * kSlice + 100, kSeekBegin), 2 * kSlice + 100);
  EXPECT_EQ(file.size64(), 2 * kSlice + 100);
  EXPECT_EQ(file.slice_count(), 3u);
  EXPECT_EQ(size_on_disk(slice(0)), kSlice);
  EXPECT_EQ(size_on_disk(slice(1)), kSlice);
  EXPECT_EQ(size_on_disk(slice(2)), 100);
  char byte = 0;
  EXPECT_EQ(file.read_at64(&byte, 1, 2 * kSlice + 99), 1);
  EXPECT_EQ(byte, 'N');
  EXPECT_EQ(file.read_at64(&byte, 1, kSlice - 1), 1);
  EXPECT_EQ(byte, 'N');
}

TEST_F(SlicedFileTest, CreateRemovesTheSlicesOfAnOlderLongerFile) {
  write_file("big", "old0");
  write_file("big,1", "old1");
  write_file("big,2", "old2");
  write_file("big,4", "unrelated: after a gap");
  iFileSliced64 file;
  ASSERT_TRUE(file.open(path("big").c_str(), IF_MODE_CREATE, 0, 0));
  EXPECT_EQ(file.size64(), 0);
  EXPECT_EQ(size_on_disk(slice(0)), 0);
  EXPECT_EQ(size_on_disk(slice(1)), -1);
  EXPECT_EQ(size_on_disk(slice(2)), -1);
  EXPECT_EQ(size_on_disk(slice(4)), 22) << "removal stops at the first missing slice";
}

TEST_F(SlicedFileTest, OpenModesAndBrokenSlices) {
  iFileSliced64 missing;
  EXPECT_FALSE(missing.open(path("big").c_str(), IF_MODE_READ, 0, 0));
  EXPECT_FALSE(missing.open(path("big").c_str(), 9, 0, 0));

  write_file("big", "abc");
  iFileSliced64 append;
  ASSERT_TRUE(append.open(path("big").c_str(), IF_MODE_APPEND, 0, 0));
  EXPECT_EQ(append.tell64(), 3);
  EXPECT_EQ(append.puts("d"), 1);
  append.close();
  EXPECT_FALSE(append.is_open());
  EXPECT_EQ(read_file("big"), "abcd");

  // A slice that exists but cannot be opened fails the whole open.
  std::filesystem::create_directory(slice(1));
  iFileSliced64 broken;
  EXPECT_FALSE(broken.open(path("big").c_str(), IF_MODE_UPDATE, 0, 0));
  EXPECT_FALSE(broken.is_open());
}

TEST_F(SlicedFileTest, BarNamesUseTheirTailForExistenceAndRemoval) {
  EXPECT_EQ(iFileSliced64::slice_name("x|/tmp/a", 2), "x|/tmp/a,2");
  write_file("big", "0");
  write_file("big,1", "1");
  EXPECT_EQ(iFileSliced64::remove(("prefix|" + path("big")).c_str()), 0);
  EXPECT_EQ(size_on_disk(slice(0)), -1);
  EXPECT_EQ(size_on_disk(slice(1)), -1);
  EXPECT_EQ(iFileSliced64::remove(path("big").c_str()), -1) << "nothing to remove";
}

// A write of one byte more than a slice fills slice 0 and makes slice 1 of
// one byte. The source is an untouched anonymous mapping (zero pages), so
// only the file writes cost anything.
TEST_F(SlicedFileTest, AWriteOfOneSlicePlusOneByte) {
  const size_t length = static_cast<size_t>(kSlice) + 1;
  struct statvfs disk;
  if (statvfs(dir_.c_str(), &disk) == 0 && uint64_t{disk.f_bavail} * disk.f_frsize < 3 * uint64_t{length}) {
    GTEST_SKIP() << "less than 6 GiB free in " << dir_ << " for a 2 GiB write";
  }
  void* zeros = mmap(nullptr, length, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  ASSERT_NE(zeros, MAP_FAILED);
  {
    iFileSliced64 file;
    ASSERT_TRUE(file.open(path("big").c_str(), IF_MODE_CREATE, 0, 0));
    EXPECT_EQ(file.write_at64(zeros, static_cast<int64_t>(length), 0), static_cast<int64_t>(length));
    EXPECT_EQ(file.slice_count(), 2u);
  }
  munmap(zeros, length);
  EXPECT_EQ(size_on_disk(slice(0)), kSlice);
  EXPECT_EQ(size_on_disk(slice(1)), 1);
  iFileSliced64 reopened;
  ASSERT_TRUE(reopened.open(path("big").c_str(), IF_MODE_READ, 0, 0));
  EXPECT_EQ(reopened.size64(), kSlice + 1);
}

}  // namespace
}  // namespace morvane
