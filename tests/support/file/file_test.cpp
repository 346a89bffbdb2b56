#include "support/file/file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <typeinfo>

#include "support/file/buffered_file.h"
#include "support/file/fd_file.h"
#include "support/file/multi_read_file.h"
#include "support/file/paged_file.h"
#include "support/file/sliced_file.h"
#include "support/file/stream_file.h"
#include "support/file/uncached_file.h"
#include "support/platform/platform.h"
#include "tests/support/file/temp_dir.h"

namespace morvane {
namespace {

class FileHolderTest : public testing::TempDirTest {};

TEST_F(FileHolderTest, FactoryChoosesTheClassFromTheFlags) {
  write_file("f", "data");
  const std::string name = path("f");
  iFile plain;
  ASSERT_TRUE(plain.open(name.c_str(), IF_MODE_READ, 0, 0));
  EXPECT_EQ(typeid(*plain.get()), typeid(iFdFile));
  iFile buffered;
  ASSERT_TRUE(buffered.open(name.c_str(), IF_MODE_READ, IF_BUFFERED | IF_TEXT, 0));
  EXPECT_EQ(typeid(*buffered.get()), typeid(iBufferedFile<iFdFile>));
  iFile map_wins;
  ASSERT_TRUE(map_wins.open(name.c_str(), IF_MODE_READ, IF_BUFFERED | IF_MAP, 0));
  EXPECT_EQ(typeid(*map_wins.get()), typeid(iFdFile));
  iFile paged;
  ASSERT_TRUE(paged.open(name.c_str(), IF_MODE_READ, IF_PAGED | IF_BUFFERED, 1 << 20));
  auto* paged_fd = dynamic_cast<iMemoryPagedFile<iFdFile>*>(paged.get());
  ASSERT_NE(paged_fd, nullptr);
  EXPECT_EQ(paged_fd->page_limit(), 0u) << "the paged choice never passes the cache size on";
  iFile uncached;
  ASSERT_TRUE(uncached.open(name.c_str(), IF_MODE_READ, IF_UNCACHED | IF_PAGED, 0));
  auto* paged_direct = dynamic_cast<iMemoryPagedFile<iUncachedFile>*>(uncached.get());
  ASSERT_NE(paged_direct, nullptr);
  EXPECT_EQ(paged_direct->page_limit(), (64u << 20) / platform::page_size());
  iFile multi;
  ASSERT_TRUE(multi.open(name.c_str(), IF_MODE_READ, IF_MULTI_READ | IF_BUFFERED, 0));
  EXPECT_EQ(typeid(*multi.get()), typeid(MultiReadFdFile));
  iFile sliced;
  ASSERT_TRUE(sliced.open(name.c_str(), IF_MODE_READ,
                          IF_SLICED64 | IF_MULTI_READ | IF_UNCACHED | IF_PAGED | IF_BUFFERED, 0));
  EXPECT_EQ(typeid(*sliced.get()), typeid(iFileSliced64)) << "sliced wins over every choice";
  EXPECT_EQ(sliced.get()->size64(), 4);
  iFile missing;
  EXPECT_FALSE(missing.open(path("none").c_str(), IF_MODE_READ, IF_PAGED, 0));
  EXPECT_FALSE(missing.is_open());
}

TEST_F(FileHolderTest, OpenOnAnOpenHolderIsRefused) {
  write_file("a", "first");
  write_file("b", "second");
  iFile file;
  ASSERT_TRUE(file.open(path("a").c_str(), IF_MODE_READ, 0, 0));
  EXPECT_FALSE(file.open(path("b").c_str(), IF_MODE_READ, 0, 0));
  EXPECT_EQ(file.getc(), 'f') << "the open file keeps working";

  // A refused open leaves an unopened object that the next open replaces.
  iFile other;
  EXPECT_FALSE(other.open(path("missing").c_str(), IF_MODE_READ, 0, 0));
  ASSERT_NE(other.get(), nullptr);
  EXPECT_FALSE(other.is_open());
  EXPECT_TRUE(other.open(path("b").c_str(), IF_MODE_READ, 0, 0));
  EXPECT_EQ(other.getc(), 's');
  other.close();
  EXPECT_EQ(other.get(), nullptr);
  other.close();
  EXPECT_FALSE(other.open(nullptr, IF_MODE_READ, 0, 0));
}

TEST_F(FileHolderTest, NoFileResults) {
  iFile none;
  char buffer[4];
  EXPECT_FALSE(none.is_open());
  EXPECT_EQ(none.read(buffer, 4), -1);
  EXPECT_EQ(none.write(buffer, 4), -1);
  EXPECT_EQ(none.read_at(buffer, 4, 0), -1);
  EXPECT_EQ(none.write_at(buffer, 4, 0), -1);
  EXPECT_EQ(none.read(buffer, 0), 0);
  EXPECT_EQ(none.ftell(), 0);
  EXPECT_EQ(none.flush(), 0);
  EXPECT_EQ(none.getc(), -1);
  EXPECT_EQ(none.ungetc('a'), -1);
  EXPECT_EQ(none.eof(), -1);
}

TEST_F(FileHolderTest, ThrowingModeTurnsShortTransfersIntoErrors) {
  const std::string name = path("four");
  write_file("four", "abcd");
  iFile file;
  ASSERT_TRUE(file.open(name.c_str(), IF_MODE_READ, IF_THROW, 0));
  EXPECT_TRUE(file.throws_on_short_io());
  char buffer[16];
  EXPECT_EQ(file.read(buffer, 2), 2);
  EXPECT_EQ(file.read(buffer, 0), 0);
  try {
    file.read(buffer, 10);
    FAIL() << "no exception";
  } catch (const iFile::FileReadError& error) {
    EXPECT_EQ(std::string(error.what().narrow(0)), name);
  }
  EXPECT_THROW(file.write("x", 1), iFile::FileWriteError) << "read-only file";
  EXPECT_THROW(file.read_at(buffer, 5, 0), iFile::FileReadError);
  EXPECT_EQ(file.read_at(buffer, 4, 0), 4);

  // The flag stays for every later open of the holder.
  file.close();
  ASSERT_TRUE(file.open(name.c_str(), IF_MODE_UPDATE, 0, 0));
  EXPECT_THROW(file.write_at("x", 1, -3), iFile::FileWriteError);
  file.close();
  try {
    file.read(buffer, 1);
    FAIL() << "no exception without a file";
  } catch (const iFile::FileReadError& error) {
    EXPECT_TRUE(error.message().empty());
  }
  EXPECT_EQ(file.read(buffer, 0), 0) << "a read of 0 never throws, even without a file";
}

TEST_F(FileHolderTest, ErrorMessagesShowTheNameAfterItsLastBar) {
  const std::string one_bar = path("prefix|tail");
  const std::string two_bars = path("a|b|last");
  write_file("prefix|tail", "");
  write_file("a|b|last", "");
  iFile first;
  ASSERT_TRUE(first.open(one_bar.c_str(), IF_MODE_READ, IF_THROW, 0));
  char byte;
  try {
    first.read(&byte, 1);
    FAIL();
  } catch (const iException& error) {
    EXPECT_STREQ(error.what().narrow(0), "tail");
  }
  iFile second;
  ASSERT_TRUE(second.open(two_bars.c_str(), IF_MODE_READ, IF_THROW, 0));
  try {
    second.read(&byte, 1);
    FAIL();
  } catch (const iException& error) {
    EXPECT_STREQ(error.what().narrow(0), "last");
  }
}

// Standard input replaced by a pipe for the duration of a test.
class StdinFromPipe {
 public:
  explicit StdinFromPipe(const std::string& bytes) {
    int fds[2];
    EXPECT_EQ(pipe(fds), 0);
    EXPECT_EQ(::write(fds[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::close(fds[1]);
    saved_ = dup(0);
    dup2(fds[0], 0);
    ::close(fds[0]);
    std::clearerr(stdin);
  }
  ~StdinFromPipe() {
    dup2(saved_, 0);
    ::close(saved_);
    std::clearerr(stdin);
  }

 private:
  int saved_;
};

TEST_F(FileHolderTest, DashIsStandardInputAndIsNeverClosed) {
  StdinFromPipe input("xy\nz");
  iFile file;
  ASSERT_TRUE(file.open("-", 99, IF_THROW | IF_PAGED, 0)) << "mode and flags are not looked at";
  EXPECT_FALSE(file.throws_on_short_io());
  EXPECT_EQ(typeid(*file.get()), typeid(iFILEFile));
  EXPECT_EQ(file.eof(), 0);
  EXPECT_EQ(file.getc(), 'x');
  EXPECT_EQ(file.ungetc('Q'), 'Q');
  EXPECT_EQ(file.getc(), 'Q') << "standard input pushes the given byte back";
  char line[8];
  EXPECT_EQ(file.get()->gets(line, sizeof line), line);
  EXPECT_STREQ(line, "y\n");
  EXPECT_EQ(file.getc(), 'z');
  EXPECT_EQ(file.eof(), 0) << "the indicator is set only once a read hits the end";
  EXPECT_EQ(file.getc(), -1);
  EXPECT_EQ(file.eof(), 1);
  file.close();
  EXPECT_NE(fcntl(0, F_GETFD), -1) << "standard input is still open";
  EXPECT_EQ(fileno(stdin), 0);
}

TEST_F(FileHolderTest, StreamFileMapsItsOperationsOntoStdio) {
  FILE* stream = std::fopen(path("s").c_str(), "w+");
  ASSERT_NE(stream, nullptr);
  {
    iFILEFile file(stream, true);
    EXPECT_GE(file.puts("abc"), 0) << "stdio's non-negative result";
    EXPECT_EQ(file.putc('d'), 'd');
    EXPECT_EQ(file.fwrite("ef", 1, 2), 2u);
    EXPECT_EQ(file.ftell(), 6) << "the stream's position includes its buffer";
    EXPECT_EQ(file.tell(), 0) << "the descriptor has seen nothing yet";
    EXPECT_EQ(file.flush(), 0);
    EXPECT_EQ(file.tell(), 6);
    EXPECT_EQ(file.sync(), 0);
    EXPECT_EQ(file.fseek(0, SEEK_SET), 0);
    char buffer[8] = {};
    EXPECT_EQ(file.fread(buffer, 2, 3), 3u);
    EXPECT_STREQ(buffer, "abcdef");
    EXPECT_EQ(file.seek(1, SEEK_SET), 1);
    EXPECT_EQ(file.read(buffer, 2), 2);
    EXPECT_EQ(std::string(buffer, 2), "bc");
    EXPECT_EQ(file.error(), 0);
    EXPECT_THROW(file.size64(), iException);
  }  // owned: closed by the destructor
  EXPECT_EQ(read_file("s"), "abcdef");
}

}  // namespace
}  // namespace morvane
