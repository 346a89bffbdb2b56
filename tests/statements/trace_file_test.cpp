#include "statements/trace_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "runtime/run_settings.h"
#include "session/connection.h"
#include "session/execute.h"
#include "support/platform/platform.h"
#include "tests/console/console_fixture.h"
#include "tests/support/file/temp_dir.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

// Runs in a fresh working directory, where the trace files land.
class TraceFileTest : public morvane::testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    previous_ = fs::current_path();
    fs::current_path(dir_);
    close_trace_file();
  }
  void TearDown() override {
    close_trace_file();
    fs::current_path(previous_);
    TempDirTest::TearDown();
  }
  static std::string name(uint32_t sequence) {
    char text[64];
    std::snprintf(text, sizeof text, "SQL.Tarnwick.%u.%09u", morvane::platform::process_id(),
                  sequence);
    return text;
  }
  fs::path previous_;
};

TEST_F(TraceFileTest, StatementsAreWrittenWithOneLineFeedEach) {
  uint32_t first = trace_counter;
  trace_statement("insert into t values(1)");
  trace_statement("two\nlines");
  EXPECT_EQ(read_file(name(first)), "insert into t values(1)\ntwo\nlines\n");
  EXPECT_EQ(trace_counter, first + 1);
}

TEST_F(TraceFileTest, AnEmptyTextCreatesTheFileAndWritesNothing) {
  uint32_t first = trace_counter;
  trace_statement("");
  EXPECT_TRUE(fs::exists(path(name(first))));
  EXPECT_EQ(fs::file_size(path(name(first))), 0u);
}

TEST_F(TraceFileTest, AFileAtTheRotationPositionIsLeftAndTheNextOneBegins) {
  uint32_t first = trace_counter;
  trace_statement("a");
  // Move the file near the limit instead of writing 2 GB: the file becomes
  // sparse when the next statement is written there.
  ASSERT_EQ(trace_file_holder()->get()->seek(TRACE_ROTATE_POSITION - 3, morvane::kSeekBegin),
            TRACE_ROTATE_POSITION - 3);
  trace_statement("bc");  // ends just at the limit
  auto full_size = fs::file_size(path(name(first)));
  EXPECT_EQ(full_size, static_cast<uintmax_t>(TRACE_ROTATE_POSITION));
  trace_statement("d");
  EXPECT_EQ(fs::file_size(path(name(first))), full_size);
  EXPECT_EQ(read_file(name(first + 1)), "d\n");
}

TEST_F(TraceFileTest, AFileThatAStatementTakesPastTwoGibibytesIsLeftAsWell) {
  uint32_t first = trace_counter;
  trace_statement("a");
  // Just below the rotation position (sparse again), one statement of
  // 10 MB takes the file past 2^31 - 1 bytes, where a 32-bit position can
  // no longer say where it is.
  ASSERT_EQ(trace_file_holder()->get()->seek(TRACE_ROTATE_POSITION - 1, morvane::kSeekBegin),
            TRACE_ROTATE_POSITION - 1);
  trace_statement(std::string(10'000'100, 'x').c_str());
  const auto full_size = fs::file_size(path(name(first)));
  ASSERT_GT(full_size, static_cast<uintmax_t>(INT32_MAX));
  trace_statement("next");
  EXPECT_EQ(fs::file_size(path(name(first))), full_size);
  EXPECT_EQ(read_file(name(first + 1)), "next\n");
}

TEST_F(TraceFileTest, BelowTheRotationPositionTheFileGoesOn) {
  uint32_t first = trace_counter;
  trace_statement("a");
  trace_file_holder()->get()->seek(TRACE_ROTATE_POSITION - 10, morvane::kSeekBegin);
  trace_statement("b");
  trace_statement("c");
  EXPECT_EQ(trace_counter, first + 1);
}

TEST_F(TraceFileTest, AFileThatCannotBeCreatedStopsTracingSilently) {
  // /proc takes no new files, even for root.
  fs::current_path("/proc");
  uint32_t first = trace_counter;
  trace_statement("a");
  trace_statement("b");
  EXPECT_EQ(trace_counter, first + 1);  // no other name is tried
  fs::current_path(dir_);
  trace_statement("c");
  EXPECT_FALSE(fs::exists(path(name(first))));
  EXPECT_FALSE(fs::exists(path(name(first + 1))));
}

// What stands at the next trace file's name: a regular file is emptied and
// traced into; a symbolic link is refused like a file that cannot be
// created (named in the message, tracing stops) and its target kept.
TEST_F(TraceFileTest, ALinkAtTheNameIsRefusedAndAFileThereIsEmptied) {
  struct Case {
    bool link;
    std::string message;  // after "Cannot create trace file '<name>"
  };
  for (const Case& c : {Case{false, ""}, Case{true, "': Too many levels of symbolic links\n"}}) {
    close_trace_file();
    const std::string at = name(trace_counter);
    write_file("target", "keep\n");
    if (c.link) {
      fs::create_symlink("target", path(at));
    } else {
      write_file(at, "an earlier run's statements\n");
    }
    ::testing::internal::CaptureStderr();
    trace_statement("a");
    trace_statement("");
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, c.message.empty() ? "" : "Cannot create trace file '" + at + c.message) << c.link;
    EXPECT_EQ(fs::is_symlink(path(at)), c.link);
    EXPECT_EQ(read_file("target"), "keep\n") << c.link;
    if (!c.link) {
      EXPECT_EQ(read_file(at), "a\n");
    }
  }
}

class DebugRunTest : public testing::ConsoleTest {
 protected:
  void SetUp() override {
    ConsoleTest::SetUp();
    dir_ = fs::temp_directory_path() / ("tarnwick-debug-" + std::to_string(getpid()));
    fs::create_directories(dir_);
    previous_ = fs::current_path();
    fs::current_path(dir_);
    close_trace_file();
  }
  void TearDown() override {
    close_trace_file();
    fs::current_path(previous_);
    fs::remove_all(dir_);
    ConsoleTest::TearDown();
  }
  fs::path dir_, previous_;
};

TEST_F(DebugRunTest, AFailedStatementIsTracedAndTheConnectionReopened) {
  settings.debug = true;
  settings.ignore_transaction = true;
  settings.immediate_is_simple_commit = true;
  open();
  fake_ql::Outcome lost;
  lost.error_code = QL_ERR_LOST;
  lost.error_text = "lost";
  fake_ql::push(lost);
  std::string text = "immediate commit";
  EXPECT_FALSE(settled(run_as(text, false)));  // with --debug a lost connection does not end the source
  EXPECT_EQ(fake_ql::calls(),
            (std::vector<std::string>{"open", "do " + std::string(10, ' ') + "commit", "close 1", "open"}));
  EXPECT_EQ(connection, 2);
  // One file in the directory, holding the statement as sent.
  int files = 0;
  for (const auto& entry : fs::directory_iterator(dir_)) {
    ++files;
    std::ifstream in(entry.path());
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, std::string(10, ' ') + "commit");
  }
  EXPECT_EQ(files, 1);
  EXPECT_EQ(output(), "Error : lost\n");
}

TEST_F(DebugRunTest, WithoutDebugNothingIsTraced) {
  open();
  fake_ql::Outcome failing;
  failing.error_code = QL_ERR_ENGINE;
  fake_ql::push(failing);
  std::string text = "insert x";
  settled(run_as(text, false));
  EXPECT_TRUE(fs::is_empty(dir_));
}

}  // namespace
}  // namespace tarnwick
