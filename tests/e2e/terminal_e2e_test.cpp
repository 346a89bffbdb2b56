// The interactive shell through a pseudo-terminal: standard input and output
// are a terminal, so the console paths (terminal flags, per-line flushing,
// the conversions) run.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>

namespace {

class Terminal {
 public:
  explicit Terminal(const char* host) {
    child_ = forkpty(&master_, nullptr, nullptr, nullptr);
    if (child_ == 0) {
      execl(TARNWICK_BINARY, TARNWICK_BINARY, host, "--mode=w", static_cast<char*>(nullptr));
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

  // Reads until `wanted` has appeared on the screen or 10 s have passed.
  bool wait_for(const std::string& wanted) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
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

}  // namespace
