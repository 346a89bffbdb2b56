// Sources that cannot be sought in or addressed with 32-bit positions:
// pipes and files past 2 GiB, as scripts and as replay logs.
#include "statements/input_source.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include "tests/statements/read_all.h"
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include "statements/replay_log.h"
#include "tests/support/file/temp_dir.h"

namespace tarnwick {
namespace {

using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

std::vector<std::string> g_statements;

void collect(char* text, bool /*query*/) { g_statements.push_back(text); }

struct Enough {};
// Stops a replay that would run for long: two statements are enough.
void collect_two(char* text, bool query) {
  collect(text, query);
  if (g_statements.size() == 2) throw Enough{};
}

// A little-endian, 8-bit replay log of `texts`.
std::string narrow_log(const std::vector<std::string>& texts) {
  std::string bytes("\0\0\0\0\1\0\0\0", 8);
  for (const std::string& text : texts) {
    uint32_t length = static_cast<uint32_t>(text.size());
    bytes.append(4, '\0');
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>(length >> (8 * i) & 0xFF));
    bytes += text;
  }
  return bytes;
}

class InputSourceTest : public morvane::testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    g_statements.clear();
  }
  void TearDown() override {
    if (writer_.joinable()) writer_.join();
    TempDirTest::TearDown();
  }

  // A named pipe that a thread fills with `bytes` once a reader opens it.
  std::string pipe_with(const std::string& name, const std::string& bytes) {
    std::string fifo = path(name);
    EXPECT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    writer_ = std::thread([fifo, bytes] {
      int fd = ::open(fifo.c_str(), O_WRONLY);
      if (fd == -1) return;
      for (size_t done = 0; done < bytes.size();) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
      }
      ::close(fd);
    });
    return fifo;
  }

  // A sparse file of 3 GiB that begins with `head`.
  std::string large_file(const std::string& name, const std::string& head) {
    write_file(name, head);
    EXPECT_EQ(truncate(path(name).c_str(), off_t{3} << 30), 0);
    return path(name);
  }

  std::string text_of(morvane::iFile& source) {
    std::string text;
    for (int c = source.getc(); c != -1; c = source.getc()) text.push_back(static_cast<char>(c));
    return text;
  }

  std::thread writer_;
};

TEST_F(InputSourceTest, ScriptsFromAPipeAreReadWhole) {
  // More than any stdio buffer, and an ungetc at the end of every line.
  std::string script;
  for (int i = 0; i < 20000; ++i) script += "select " + std::to_string(i) + "; -- c\n";
  std::string fifo = pipe_with("script", script);
  morvane::iFile source;
  ASSERT_EQ(open_source(source, fifo.c_str()), SourceKind::text);
  EXPECT_EQ(text_of(source), script);
}

TEST_F(InputSourceTest, ReplayLogsFromAPipePlayToTheirEnd) {
  std::vector<std::string> texts;
  for (int i = 0; i < 50000; ++i) texts.push_back("insert into t values (" + std::to_string(i) + ")");
  std::string fifo = pipe_with("run.SQL.log.1", narrow_log(texts));
  morvane::iFile source;
  ASSERT_EQ(open_source(source, fifo.c_str()), SourceKind::replay_log);
  EXPECT_EQ(testing::play_all(source, "run.SQL.log.1", false, collect), ReplayEnd::finished);
  EXPECT_EQ(g_statements, texts);
}

TEST_F(InputSourceTest, ADamagedLogFromAPipeIsReportedWithoutAllocatingItsClaim) {
  // The last record claims 4 GiB; only 3 bytes follow.
  std::string bytes = narrow_log({"select 1"}) + std::string("\0\0\0\0\xF0\xFF\xFF\xFF" "abc", 11);
  std::string fifo = pipe_with("bad.SQL.log.1", bytes);
  morvane::iFile source;
  ASSERT_EQ(open_source(source, fifo.c_str()), SourceKind::replay_log);
  CaptureStderr();
  ReplayEnd end = testing::play_all(source, "bad.SQL.log.1", false, collect);
  EXPECT_EQ(GetCapturedStderr(), "Invalid entry in file 'bad.SQL.log.1' (skipping at this point)\n");
  EXPECT_EQ(end, ReplayEnd::invalid_entry);
  EXPECT_EQ(g_statements, std::vector<std::string>{"select 1"});
}

TEST_F(InputSourceTest, FilesPastTwoGibibytesAreRead) {
  morvane::iFile script;
  ASSERT_EQ(open_source(script, large_file("big.sql", "select 1;").c_str()), SourceKind::text);
  EXPECT_EQ(script.getc(), 's');
  script.close();

  // The rest of the sparse log is records of empty texts.
  std::string log = large_file("big.SQL.log.1", narrow_log({"select 1", "select 2"}));
  morvane::iFile source;
  ASSERT_EQ(open_source(source, log.c_str()), SourceKind::replay_log);
  EXPECT_THROW(testing::play_all(source, "big.SQL.log.1", false, collect_two), Enough);
  EXPECT_EQ(g_statements, (std::vector<std::string>{"select 1", "select 2"}));
}

}  // namespace
}  // namespace tarnwick
