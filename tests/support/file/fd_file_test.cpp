#include "support/file/fd_file.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <vector>

#include "support/file/file.h"
#include "support/file/open_flags.h"
#include "tests/support/file/temp_dir.h"

namespace morvane {
namespace {

class FdFileTest : public testing::TempDirTest {};

TEST_F(FdFileTest, OpenModes) {
  write_file("old", "previous");
  iFdFile create;
  ASSERT_TRUE(create.open(path("old").c_str(), IF_MODE_CREATE, 0));
  EXPECT_EQ(create.flags(), 0u);
  create.close();
  EXPECT_EQ(read_file("old"), "") << "create empties an existing file";

  iFdFile missing;
  EXPECT_FALSE(missing.open(path("none").c_str(), IF_MODE_UPDATE, 0));
  EXPECT_FALSE(missing.open(path("none").c_str(), IF_MODE_APPEND, 0));
  EXPECT_FALSE(missing.open(path("none").c_str(), IF_MODE_READ, 0));
  EXPECT_STREQ(missing.name(), path("none").c_str()) << "the name is kept even when refused";
  EXPECT_FALSE(missing.is_open());

  write_file("data", "0123456789");
  iFdFile append;
  ASSERT_TRUE(append.open(path("data").c_str(), IF_MODE_APPEND, 0));
  EXPECT_EQ(append.tell(), 10);
  EXPECT_EQ(append.write("ab", 2), 2);
  append.close();
  EXPECT_EQ(read_file("data"), "0123456789ab");

  iFdFile update;
  ASSERT_TRUE(update.open(path("data").c_str(), 7, 0)) << "unknown modes act as update";
  EXPECT_EQ(update.tell(), 0);
  EXPECT_EQ(update.write("X", 1), 1);
  EXPECT_FALSE(update.open(path("data").c_str(), IF_MODE_READ, 0)) << "already open";
  update.close();
  EXPECT_EQ(read_file("data"), "X123456789ab");

  iFdFile reader;
  ASSERT_TRUE(reader.open(path("data").c_str(), IF_MODE_READ, IF_TEXT | IF_SHARED));
  EXPECT_EQ(reader.flags(), kFileFlagReadOnly);
  EXPECT_EQ(reader.write("x", 1), -1);
  EXPECT_EQ(reader.error(), 1);
  EXPECT_EQ(reader.sync(), 0);
}

TEST_F(FdFileTest, CreatedFilesAreReadWriteForEveryoneLessTheUmask) {
  mode_t old_mask = umask(022);
  iFdFile file;
  ASSERT_TRUE(file.open(path("perm").c_str(), IF_MODE_CREATE, 0));
  umask(old_mask);
  struct stat info;
  ASSERT_EQ(stat(path("perm").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0644u);
}

TEST_F(FdFileTest, ShortTransfersSetTheErrorBit) {
  write_file("four", "abcd");
  iFdFile file;
  ASSERT_TRUE(file.open(path("four").c_str(), IF_MODE_READ, 0));
  char buffer[16];
  EXPECT_EQ(file.read(buffer, 10), 4);
  EXPECT_EQ(file.error(), 1);
  file.clearerr();
  EXPECT_EQ(file.error(), 0);
  EXPECT_EQ(file.state(), 0u);
  EXPECT_EQ(file.read(buffer, 0), 0);
  EXPECT_EQ(file.error(), 0) << "a complete transfer of 0 bytes is no error";
  iFdFile closed;
  EXPECT_EQ(closed.read(buffer, 1), -1);
  EXPECT_EQ(closed.error(), 1);
}

TEST_F(FdFileTest, BaseOperationsOverADescriptor) {
  write_file("lines", "ab\ncd");
  iFdFile file;
  ASSERT_TRUE(file.open(path("lines").c_str(), IF_MODE_UPDATE, 0));
  EXPECT_EQ(file.eof(), 0);
  EXPECT_EQ(file.ungetc('z'), -1) << "no byte before position 0";
  EXPECT_EQ(file.getc(), 'a');
  EXPECT_EQ(file.ungetc('z'), 'z');
  EXPECT_EQ(file.getc(), 'a') << "ungetc steps back over the file's own byte";
  EXPECT_EQ(file.tell(), 1);

  char line[8];
  std::memset(line, '#', sizeof line);
  EXPECT_EQ(file.gets(line, 1), nullptr) << "size 1 stores only the NUL";
  EXPECT_EQ(line[0], '\0');
  EXPECT_EQ(file.gets(line, sizeof line), line);
  EXPECT_STREQ(line, "b\n");
  EXPECT_EQ(file.gets(line, 2), line);
  EXPECT_STREQ(line, "c");
  EXPECT_EQ(file.gets(line, sizeof line), line);
  EXPECT_STREQ(line, "d");
  std::strcpy(line, "keep");
  EXPECT_EQ(file.eof(), 1);
  EXPECT_EQ(file.gets(line, sizeof line), nullptr);
  EXPECT_STREQ(line, "keep") << "at the end the buffer is left alone";
  EXPECT_EQ(file.getc(), -1);

  EXPECT_EQ(file.puts("xy"), 1);
  EXPECT_EQ(file.puts(nullptr), 0);
  EXPECT_EQ(file.putc(0x17A), 1);  // the low byte, 'z'
  EXPECT_EQ(file.ftell(), 8);
  EXPECT_EQ(file.fseek(0, kSeekBegin), 0);
  EXPECT_EQ(file.fseek(-5, kSeekBegin), -1);
  char all[16] = {};
  EXPECT_EQ(file.fread(all, 3, 5), 2u) << "8 bytes are two whole items of 3";
  EXPECT_EQ(std::string(all, 8), "ab\ncdxyz");
  EXPECT_EQ(file.fwrite("12345", 2, 2), 2u);
  EXPECT_EQ(file.read_at(all, 2, 8), 2);
  EXPECT_EQ(std::string(all, 2), "12");
  EXPECT_EQ(file.write_at("Q", 1, 0), 1);
  EXPECT_EQ(file.read_at(all, 1, -1), -1);
  file.close();
  EXPECT_EQ(read_file("lines"), "Qb\ncdxyz1234");
}

TEST_F(FdFileTest, EofOnEmptyAndAfterSeeks) {
  write_file("empty", "");
  iFdFile empty;
  ASSERT_TRUE(empty.open(path("empty").c_str(), IF_MODE_READ, 0));
  EXPECT_EQ(empty.eof(), 1);
  iFdFile closed;
  EXPECT_EQ(closed.eof(), -1);
  EXPECT_EQ(closed.tell(), -1);
}

TEST_F(FdFileTest, SixtyFourBitCallsThrow) {
  iFdFile file;
  char byte;
  for (int call = 0; call < 3; ++call) {
    try {
      if (call == 0) file.read_at64(&byte, 1, 0);
      if (call == 1) file.write_at64(&byte, 1, 0);
      if (call == 2) file.size64();
      FAIL() << "no exception";
    } catch (const iException& error) {
      EXPECT_STREQ(error.what().narrow(0), "Invalid 64 bit call");
    }
  }
}

TEST_F(FdFileTest, DescriptorLimitThrowsTooManyOpenFiles) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  // The sanitizers' runtime needs descriptors of its own (it probes memory
  // through a pipe) and misreports when none is left.
  GTEST_SKIP() << "not meaningful with every descriptor in use under a sanitizer";
#endif
  write_file("f", "x");
  rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
  rlimit low = saved;
  low.rlim_cur = 64;
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
  std::vector<std::unique_ptr<iFdFile>> files;
  std::string name = path("f");
  bool thrown = false;
  try {
    for (int i = 0; i < 100; ++i) {
      files.push_back(std::make_unique<iFdFile>());
      files.back()->open(name.c_str(), IF_MODE_READ, 0);
    }
  } catch (const iFile::TooManyOpenFiles& error) {
    thrown = true;
    EXPECT_EQ(std::string(error.message().narrow(0)), name);
  }
  files.clear();
  setrlimit(RLIMIT_NOFILE, &saved);
  EXPECT_TRUE(thrown);
  iFdFile again;
  EXPECT_TRUE(again.open(name.c_str(), IF_MODE_READ, 0)) << "descriptors were given back";
}

TEST_F(FdFileTest, DirectoriesAndUnreadableFiles) {
  iFdFile directory;
  EXPECT_FALSE(directory.open(dir_.c_str(), IF_MODE_UPDATE, 0));
  iFdFile dir_read;
  if (dir_read.open(dir_.c_str(), IF_MODE_READ, 0)) {  // Linux opens it, reads fail
    char byte;
    EXPECT_EQ(dir_read.read(&byte, 1), -1);
    EXPECT_EQ(dir_read.error(), 1);
  }
}

class MappedFileTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    map_read_only_files = true;
  }
  void TearDown() override {
    map_read_only_files = false;
    TempDirTest::TearDown();
  }
};

TEST_F(MappedFileTest, ReadsTellsAndSeeksInTheMapping) {
  write_file("m", "0123456789");
  iFdFile file;
  ASSERT_TRUE(file.open(path("m").c_str(), IF_MODE_READ, IF_MAP));
  EXPECT_TRUE(file.mapped());
  EXPECT_EQ(file.descriptor(), -1);
  char buffer[16] = {};
  EXPECT_EQ(file.read(buffer, 4), 4);
  EXPECT_EQ(std::string(buffer, 4), "0123");
  EXPECT_EQ(file.tell(), 4);
  EXPECT_EQ(file.seek(3, kSeekEnd), 7) << "whence 2 counts back from the end";
  EXPECT_EQ(file.read(buffer, 10), 3);
  EXPECT_EQ(std::string(buffer, 3), "789");
  EXPECT_EQ(file.error(), 0) << "a short mapped read is no error";
  EXPECT_EQ(file.seek(11, kSeekBegin), -1);
  EXPECT_EQ(file.seek(-1, kSeekBegin), -1);
  EXPECT_EQ(file.seek(0, 5), -1);
  EXPECT_EQ(file.tell(), 10) << "a refused seek leaves the position";
  EXPECT_EQ(file.seek(-4, kSeekCurrent), 6);
  EXPECT_EQ(file.eof(), 0);
  EXPECT_EQ(file.getc(), '6');
  EXPECT_EQ(file.flush(), 0);
  EXPECT_EQ(file.sync(), 0);
  file.close();
  EXPECT_FALSE(file.is_open());
}

TEST_F(MappedFileTest, PrefaultAndTheConditionsForMapping) {
  std::string big(3 * 1024 * 1024 + 17, 'q');
  big[big.size() - 1] = 'z';
  write_file("big", big);
  iFdFile prefaulted;
  ASSERT_TRUE(prefaulted.open(path("big").c_str(), IF_MODE_READ, IF_MAP | IF_PREFAULT));
  EXPECT_TRUE(prefaulted.mapped());
  EXPECT_EQ(prefaulted.seek(1, kSeekEnd), static_cast<int32_t>(big.size() - 1));
  EXPECT_EQ(prefaulted.getc(), 'z');

  iFdFile writable;
  ASSERT_TRUE(writable.open(path("big").c_str(), IF_MODE_UPDATE, IF_MAP));
  EXPECT_FALSE(writable.mapped()) << "only mode read maps";
  iFdFile unflagged;
  ASSERT_TRUE(unflagged.open(path("big").c_str(), IF_MODE_READ, 0));
  EXPECT_FALSE(unflagged.mapped());
  map_read_only_files = false;
  iFdFile switched_off;
  ASSERT_TRUE(switched_off.open(path("big").c_str(), IF_MODE_READ, IF_MAP));
  EXPECT_FALSE(switched_off.mapped());
}

TEST_F(MappedFileTest, EmptyAndMissingFilesFallBack) {
  write_file("empty", "");
  iFdFile empty;
  ASSERT_TRUE(empty.open(path("empty").c_str(), IF_MODE_READ, IF_MAP | IF_PREFAULT));
  char byte;
  EXPECT_EQ(empty.read(&byte, 1), 0);
  EXPECT_EQ(empty.eof(), 1);
  iFdFile missing;
  EXPECT_FALSE(missing.open(path("none").c_str(), IF_MODE_READ, IF_MAP));
}

}  // namespace
}  // namespace morvane
