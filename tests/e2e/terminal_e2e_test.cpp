// The interactive shell through a pseudo-terminal: standard input and output
// are a terminal, so the console paths (terminal flags, per-line flushing,
// the conversions) run.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/e2e/run_binary.h"
#include "tests/support/file/temp_dir.h"

namespace {

class Terminal {
 public:
  explicit Terminal(const char* host) : Terminal(std::vector<std::string>{host, "--mode=w"}) {}
  // The binary with these arguments, its three standard streams on the terminal.
  explicit Terminal(const std::vector<std::string>& arguments) {
    std::vector<char*> argv = {const_cast<char*>(TARNWICK_BINARY)};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    child_ = forkpty(&master_, nullptr, nullptr, nullptr);
    if (child_ == 0) {
      execv(TARNWICK_BINARY, argv.data());
      _exit(121);
    }
  }
  ~Terminal() {
    if (child_ > 0) {
      kill(child_, SIGKILL);
      waitpid(child_, nullptr, 0);
    }
    if (master_ >= 0) close(master_);
  }

  void type(const std::string& text) { ASSERT_EQ(write(master_, text.data(), text.size()), static_cast<ssize_t>(text.size())); }

  // Reads until `wanted` has appeared on the screen or `seconds` have passed.
  bool wait_for(const std::string& wanted, int seconds = 10) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (screen_.find(wanted) == std::string::npos) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      pollfd descriptor{master_, POLLIN, 0};
      if (poll(&descriptor, 1, 100) <= 0) continue;
      char buffer[4096];
      ssize_t n = read(master_, buffer, sizeof buffer);
      if (n <= 0) return screen_.find(wanted) != std::string::npos;
      screen_.append(buffer, static_cast<size_t>(n));
    }
    return true;
  }

  int exit_code() {
    int status = 0;
    waitpid(child_, &status, 0);
    child_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  const std::string& screen() const { return screen_; }

 private:
  int master_ = -1;
  pid_t child_ = -1;
  std::string screen_;
};

TEST(TerminalSession, TypedStatementsComeBackAsTables) {
  Terminal terminal("--host=sqlite::memory:");
  ASSERT_TRUE(terminal.wait_for("type quit; to exit.\r\n")) << terminal.screen();
  terminal.type("create table t (id int, name text);\n");
  ASSERT_TRUE(terminal.wait_for("0 row affected\r\n")) << terminal.screen();
  terminal.type("insert into t values (1, 'Ann'),\n (22, 'Bo');\n");
  ASSERT_TRUE(terminal.wait_for("2 rows affected\r\n")) << terminal.screen();
  terminal.type("select * from t\n order by id;\n");
  ASSERT_TRUE(terminal.wait_for("|id|name|\r\n+--+----+\r\n|1 |Ann |\r\n|22|Bo  |\r\n"))
      << terminal.screen();
  terminal.type("select nope;\n");
  ASSERT_TRUE(terminal.wait_for("Error : no such column: nope\r\n")) << terminal.screen();
  terminal.type("quit;\n");
  EXPECT_EQ(terminal.exit_code(), 0);
}

TEST(TerminalSession, EndOfInputEndsTheRunAndRunsTheLastStatement) {
  Terminal terminal("--host=sqlite::memory:");
  ASSERT_TRUE(terminal.wait_for("type quit; to exit.\r\n"));
  terminal.type("select 42 as answer");
  terminal.type("\n\x04");  // Ctrl-D at the start of a line: end of input
  ASSERT_TRUE(terminal.wait_for("|42    |\r\n")) << terminal.screen();
  EXPECT_EQ(terminal.exit_code(), 0);
}

// Progress lines come by default, every 5 s, when standard error is a
// terminal and the run plays a replay log; never when it is a file. The log
// is held to 50 statements a second so that the run outlasts an interval.
class LoadProgress : public morvane::testing::TempDirTest {
 protected:
  std::string make_log() {
    std::string script;
    for (int i = 0; i < 290; ++i) script += "select 1;\n";
    write_file("script.sql", script);
    std::string command = std::string(TARNWICK_LOG_BINARY) + " " + path("script.sql") + " " +
                          path("slow.SQL.log.1") + " 2>/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return path("slow.SQL.log.1");
  }
};

TEST_F(LoadProgress, ProgressLinesAppearOnATerminalOnly) {
  std::string log = make_log();
  Terminal terminal(std::vector<std::string>{"--host=sqlite::memory:", "--silent", "--rate=50", "--sql=" + log});
  ASSERT_TRUE(terminal.wait_for("progress: 5.0 s, 2", 15)) << terminal.screen();
  ASSERT_TRUE(terminal.wait_for("/s, 0 failed, p50 ")) << terminal.screen();
  EXPECT_NE(terminal.screen().find("%), 5"), std::string::npos) << "the share of the log, about 50 a second";
  EXPECT_EQ(terminal.exit_code(), 0);

  tarnwick::e2e::RunResult to_file = tarnwick::e2e::run_tarnwick(
      {"--host=sqlite::memory:", "--silent", "--rate=50", "--sql=" + log}, "", dir_.string(), dir_.string());
  EXPECT_EQ(to_file.exit_code, 0);
  EXPECT_EQ(to_file.err, "");
  EXPECT_EQ(to_file.out, "");
}

}  // namespace
