// Files under faults: refused writes, failed write-backs, failed opens and
// invalid arguments must be visible to the caller, never lost in silence.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "support/file/fd_file.h"
#include "support/file/file.h"
#include "support/file/open_flags.h"
#include "support/platform/platform.h"
#include "tests/support/file/temp_dir.h"

namespace morvane {
namespace {

class FileFaultTest : public testing::TempDirTest {};

const uint32_t kPage = static_cast<uint32_t>(platform::page_size());

// The two page caches, each with the flags that build it.
constexpr uint32_t kPagedFlags[] = {IF_PAGED, IF_UNCACHED};

// Runs `body` in a forked child and gives back its exit code (-1 when it
// died from a signal), so that process limits set there stay there.
template <typename Body>
int in_child(Body body) {
  pid_t child = fork();
  if (child == 0) _exit(body());
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(FileFaultTest, SeekRefusesUnknownWhenceAndKeepsThePosition) {
  write_file("f", std::string(100, 'x'));
  iFdFile file;
  ASSERT_TRUE(file.open(path("f").c_str(), IF_MODE_READ, 0));
  ASSERT_EQ(file.seek(40, kSeekBegin), 40);
  // 3 and 4 are SEEK_DATA and SEEK_HOLE to the system, which would move.
  for (int whence : {3, 4, -1, 7}) {
    file.clearerr();
    EXPECT_EQ(file.seek(0, whence), -1) << whence;
    EXPECT_EQ(file.error(), 1) << whence;
    EXPECT_EQ(file.tell(), 40) << whence;
  }
}

TEST_F(FileFaultTest, WritesToAReadOnlyPageCacheFailLikeADescriptorFile) {
  for (uint32_t flags : kPagedFlags) {
    write_file("f", "original");
    iFile plain;
    ASSERT_TRUE(plain.open(path("f").c_str(), IF_MODE_READ, 0, 0));
    EXPECT_EQ(plain.write("changed", 7), -1);
    EXPECT_EQ(plain.get()->error(), 1);

    iFile paged;
    ASSERT_TRUE(paged.open(path("f").c_str(), IF_MODE_READ, flags, 0)) << flags;
    EXPECT_EQ(paged.write("changed", 7), -1) << flags;
    EXPECT_EQ(paged.get()->error(), 1) << flags;
    EXPECT_EQ(paged.flush(), 0) << flags;
    EXPECT_EQ(paged.close(), 0) << flags;
    EXPECT_EQ(read_file("f"), "original") << flags;

    iFile throwing;
    ASSERT_TRUE(throwing.open(path("f").c_str(), IF_MODE_READ, flags | IF_THROW, 0));
    EXPECT_THROW(throwing.write("changed", 7), iFile::FileWriteError) << flags;
  }
}

TEST_F(FileFaultTest, AFailedWriteBackOnAFullDeviceIsReported) {
  // /dev/full takes every open and seek and refuses every write.
  for (uint32_t flags : kPagedFlags) {
    iFile file;
    ASSERT_TRUE(file.open("/dev/full", IF_MODE_UPDATE, flags, 0)) << flags;
    std::string data(3 * kPage, 'd');
    EXPECT_EQ(file.write(data.data(), static_cast<uint32_t>(data.size())),
              static_cast<int32_t>(data.size()))
        << "the bytes wait in the cache";
    EXPECT_EQ(file.get()->error(), 0) << flags;
    EXPECT_NE(file.flush(), 0) << flags;
    EXPECT_EQ(file.get()->error(), 1) << flags;
    // The pages stay dirty, so close tries again and fails again.
    EXPECT_NE(file.close(), 0) << flags;
    EXPECT_FALSE(file.is_open());

    iFile throwing;
    ASSERT_TRUE(throwing.open("/dev/full", IF_MODE_UPDATE, flags | IF_THROW, 0));
    throwing.write(data.data(), 10);
    EXPECT_THROW(throwing.flush(), iFile::FileWriteError) << flags;
    EXPECT_THROW(throwing.close(), iFile::FileWriteError) << flags;
    EXPECT_FALSE(throwing.is_open());
  }
}

TEST_F(FileFaultTest, AWriteBackPastTheFileSizeLimitIsReported) {
  for (uint32_t flags : kPagedFlags) {
    const std::string name = path("limited");
    int code = in_child([&] {
      signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails with EFBIG
      rlimit limit{2 * kPage, 2 * kPage};
      if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 10;
      iFile file;
      if (!file.open(name.c_str(), IF_MODE_CREATE, flags, 0)) return 11;
      std::string data(5 * kPage, 'd');
      if (file.write(data.data(), static_cast<uint32_t>(data.size())) != 5 * int32_t(kPage)) {
        return 12;
      }
      if (file.flush() == 0) return 13;  // two pages went out, three did not
      if (file.get()->error() != 1) return 14;
      return file.close() == 0 ? 15 : 0;
    });
    EXPECT_EQ(code, 0) << "flags " << flags;
  }
}

TEST_F(FileFaultTest, AFailedPagedOpenLeavesAClosedHolder) {
  write_file("plain", "plain");
  // A page cache needs a file it can seek in: a pipe is refused.
  const std::string fifo = path("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  int writer = ::open(fifo.c_str(), O_RDWR);  // so that opening to read does not wait
  ASSERT_NE(writer, -1);
  // The uncached cache cannot address a file past 2 GiB (a sparse one here).
  const std::string large = path("large");
  int fd = ::open(large.c_str(), O_CREAT | O_WRONLY, 0600);
  ASSERT_NE(fd, -1);
  ASSERT_EQ(ftruncate(fd, off_t{3} << 30), 0);
  ::close(fd);

  struct Case {
    std::string name;
    uint32_t flags;
  };
  for (const Case& c : {Case{fifo, IF_PAGED}, Case{large, IF_UNCACHED}}) {
    iFile holder;
    EXPECT_FALSE(holder.open(c.name.c_str(), IF_MODE_READ, c.flags, 0)) << c.name;
    EXPECT_FALSE(holder.is_open()) << c.name;
    EXPECT_TRUE(holder.open(path("plain").c_str(), IF_MODE_READ, 0, 0))
        << "a later open works after " << c.name;
  }
  ::close(writer);
}

}  // namespace
}  // namespace morvane
