// The interactive shell through a pseudo-terminal: standard input and output
// are a terminal, so the console paths run (line editor, prompts, history,
// Ctrl-C, the terminal's character set, per-line flushing).
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/run_binary.h"
#include "tests/support/file/temp_dir.h"

namespace tarnwick::e2e {
namespace {

using Clock = std::chrono::steady_clock;

// What a terminal has besides the arguments: a window size (none known
// when 0, as a new pseudo-terminal has), variables set ("NAME=value") or
// removed ("NAME") in the environment, and standard input from a pipe that
// holds `piped_input` instead of the terminal.
struct TerminalSetup {
  unsigned short rows = 0, columns = 0;
  std::vector<std::string> environment;
  std::optional<std::string> piped_input;
};

class Terminal {
 public:
  // Runs tarnwick with `arguments` on a new pseudo-terminal, in a UTF-8
  // locale, with `home` as its home folder (where the history lives).
  Terminal(const std::vector<std::string>& arguments, const std::string& home, const TerminalSetup& setup = {}) {
    winsize size{setup.rows, setup.columns, 0, 0};
    child_ = forkpty(&master_, nullptr, nullptr, setup.rows > 0 ? &size : nullptr);
    if (child_ == 0) {
      setenv("HOME", home.c_str(), 1);
      setenv("LANG", "C.UTF-8", 1);
      unsetenv("LC_ALL");
      unsetenv("LC_CTYPE");
      setenv("TERM", "xterm", 1);
      for (const std::string& variable : setup.environment) {
        size_t equals = variable.find('=');
        if (equals == std::string::npos) {
          unsetenv(variable.c_str());
        } else {
          setenv(variable.substr(0, equals).c_str(), variable.c_str() + equals + 1, 1);
        }
      }
      int ends[2];
      if (setup.piped_input && pipe(ends) == 0) {
        if (write(ends[1], setup.piped_input->data(), setup.piped_input->size()) < 0) _exit(122);
        close(ends[1]);
        dup2(ends[0], 0);
        close(ends[0]);
      }
      std::vector<char*> argv{const_cast<char*>(TARNWICK_BINARY)};
      for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
      argv.push_back(nullptr);
      execv(TARNWICK_BINARY, argv.data());
      _exit(121);
    }
  }
  ~Terminal() {
    if (child_ > 0) {
      kill(child_, SIGKILL);
      waitpid(child_, nullptr, 0);
    }
    hang_up();
  }

  // Types `text`, at least 100 ms after the last awaited output: a prompt
  // shows a moment before the editor has the terminal in its own mode, and
  // keys typed before that (Ctrl-C, Ctrl-R, arrows) would reach the
  // terminal's line discipline instead. No person types that fast.
  void type(const std::string& text) {
    std::this_thread::sleep_until(last_seen_ + std::chrono::milliseconds(100));
    ASSERT_EQ(write(master_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }

  // Reads until `wanted` has appeared on the screen after what earlier
  // waits consumed, or `seconds` have passed.
  bool wait_for(const std::string& wanted, int seconds = 10) {
    auto deadline = Clock::now() + std::chrono::seconds(seconds);
    for (;;) {
      size_t found = screen_.find(wanted, seen_);
      if (found != std::string::npos) {
        seen_ = found + wanted.size();
        last_seen_ = Clock::now();
        return true;
      }
      if (Clock::now() > deadline) return false;
      pollfd descriptor{master_, POLLIN, 0};
      if (poll(&descriptor, 1, 50) <= 0) continue;
      char buffer[4096];
      ssize_t n = read(master_, buffer, sizeof buffer);
      if (n <= 0) return false;
      screen_.append(buffer, static_cast<size_t>(n));
    }
  }

  // Types `line` once the first prompt shows, then Enter.
  void enter(const std::string& line) { type(line + "\r"); }

  // The exit code, or -1 when the process did not end by itself within
  // `seconds` (or ended by a signal).
  int exit_code(int seconds = 10) {
    auto deadline = Clock::now() + std::chrono::seconds(seconds);
    int status = 0;
    while (waitpid(child_, &status, WNOHANG) == 0) {
      if (Clock::now() > deadline) return -1;
      drain();
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    child_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // Closes the terminal under the shell.
  void hang_up() {
    if (master_ >= 0) close(master_);
    master_ = -1;
  }

  const std::string& screen() const { return screen_; }
  std::string unseen() const { return screen_.substr(seen_); }

 private:
  // Keeps the terminal's buffer from filling while the process ends.
  void drain() {
    if (master_ < 0) return;
    pollfd descriptor{master_, POLLIN, 0};
    char buffer[4096];
    while (poll(&descriptor, 1, 0) > 0) {
      ssize_t n = read(master_, buffer, sizeof buffer);
      if (n <= 0) break;
      screen_.append(buffer, static_cast<size_t>(n));
    }
  }

  int master_ = -1;
  pid_t child_ = -1;
  std::string screen_;
  size_t seen_ = 0;
  Clock::time_point last_seen_ = Clock::now();
};

constexpr const char* kPrompt = "sqlite:memory=> ";
constexpr const char* kLeft = "\x1b[D";
constexpr const char* kUp = "\x1b[A";
constexpr const char* kHome = "\x1b[H";
constexpr const char* kEnd = "\x1b[F";
constexpr const char* kCtrlC = "\x03";
constexpr const char* kCtrlD = "\x04";

class TerminalSession : public morvane::testing::TempDirTest {
 protected:
  std::vector<std::string> sqlite() const { return {"--host=sqlite::memory:", "--mode=w"}; }

  // One session: `line` typed, then quit. What the screen showed.
  std::string type_and_quit(const std::string& line) {
    Terminal terminal(sqlite(), dir_.string());
    EXPECT_TRUE(terminal.wait_for(kPrompt));
    terminal.enter(line);
    EXPECT_TRUE(terminal.wait_for(kPrompt)) << terminal.unseen();
    terminal.enter("quit");
    EXPECT_EQ(terminal.exit_code(), 0);
    return terminal.screen();
  }
};

TEST_F(TerminalSession, TypedStatementsComeBackAsTables) {
  Terminal terminal(sqlite(), dir_.string());
  ASSERT_TRUE(terminal.wait_for(std::string("type quit; to exit.\r\n") + kPrompt)) << terminal.screen();
  terminal.enter("create table t (id int, name text);");
  ASSERT_TRUE(terminal.wait_for("0 row affected\r\n")) << terminal.screen();
  terminal.enter("insert into t values (1, 'Ann'),");
  terminal.enter(" (22, 'Bo');");
  ASSERT_TRUE(terminal.wait_for("2 rows affected\r\n")) << terminal.screen();
  terminal.enter("select * from t");
  terminal.enter(" order by id;");
  ASSERT_TRUE(terminal.wait_for("|id|name|\r\n+--+----+\r\n|1 |Ann |\r\n|22|Bo  |\r\n"))
      << terminal.screen();
  terminal.enter("select nope;");
  ASSERT_TRUE(terminal.wait_for("Error : no such column: nope\r\n")) << terminal.screen();
  terminal.enter("quit;");
  EXPECT_EQ(terminal.exit_code(), 0);
}

TEST_F(TerminalSession, PromptsShowWhatIsOpen) {
  Terminal terminal(sqlite(), dir_.string());
  ASSERT_TRUE(terminal.wait_for(kPrompt)) << terminal.screen();
  terminal.enter("select 1 as");
  ASSERT_TRUE(terminal.wait_for("sqlite:memory-> ")) << terminal.unseen();
  terminal.enter("'a");
  ASSERT_TRUE(terminal.wait_for("sqlite:memory'> ")) << terminal.unseen();
  terminal.enter("b' /* note");
  ASSERT_TRUE(terminal.wait_for("sqlite:memory*> ")) << terminal.unseen();
  terminal.enter("*/;");
  ASSERT_TRUE(terminal.wait_for("|a\r\nb|\r\n+---+\r\n|1  |\r\n" + std::string(kPrompt))) << terminal.unseen();
  // "exit" inside an open statement is text (a column name here), not a quit.
  terminal.enter("select 2 as");
  terminal.enter("exit;");
  ASSERT_TRUE(terminal.wait_for("|exit|\r\n")) << terminal.unseen();
  terminal.enter("\\q");
  EXPECT_EQ(terminal.exit_code(), 0);
}

TEST_F(TerminalSession, ArrowKeysEditTheLineAndTheUpArrowRecallsAStatement) {
  Terminal terminal(sqlite(), dir_.string());
  ASSERT_TRUE(terminal.wait_for(kPrompt)) << terminal.screen();
  terminal.type(std::string("elect 1 as ab") + kLeft + kLeft + "x" + kHome + "s" + kEnd + ";\r");
  ASSERT_TRUE(terminal.wait_for("|xab|\r\n+---+\r\n|1  |\r\n")) << terminal.unseen();
  // A statement of two lines comes back as one entry.
  terminal.enter("select 6");
  terminal.enter("as six;");
  ASSERT_TRUE(terminal.wait_for("|six|\r\n+---+\r\n|6  |\r\n" + std::string(kPrompt))) << terminal.unseen();
  terminal.type(std::string(kUp) + "\r");
  ASSERT_TRUE(terminal.wait_for("|six|\r\n+---+\r\n|6  |\r\n" + std::string(kPrompt))) << terminal.unseen();
  terminal.type(std::string(kUp) + kUp + "\r");
  ASSERT_TRUE(terminal.wait_for("|xab|\r\n")) << terminal.unseen();
  terminal.enter("quit");
  EXPECT_EQ(terminal.exit_code(), 0);

  // The history outlives the run.
  Terminal again(sqlite(), dir_.string());
  ASSERT_TRUE(again.wait_for(kPrompt)) << again.screen();
  again.type(std::string(kUp) + "\r");
  ASSERT_TRUE(again.wait_for("|xab|\r\n")) << again.unseen();
  again.enter("exit");
  EXPECT_EQ(again.exit_code(), 0);
}

TEST_F(TerminalSession, CtrlRFindsAnEarlierStatement) {
  Terminal terminal(sqlite(), dir_.string());
  ASSERT_TRUE(terminal.wait_for(kPrompt));
  terminal.enter("select 77 as r;");
  ASSERT_TRUE(terminal.wait_for("|77|\r\n")) << terminal.unseen();
  terminal.enter("select 5 as f;");
  ASSERT_TRUE(terminal.wait_for("|5|\r\n" + std::string(kPrompt))) << terminal.unseen();
  terminal.type("\x12" "77\r");
  ASSERT_TRUE(terminal.wait_for("|77|\r\n")) << terminal.unseen();
  terminal.enter("\\q");
  EXPECT_EQ(terminal.exit_code(), 0);
}

TEST_F(TerminalSession, CtrlCAtThePromptThrowsAwayTheTypedStatement) {
  Terminal terminal(sqlite(), dir_.string());
  ASSERT_TRUE(terminal.wait_for(kPrompt)) << terminal.screen();
  terminal.enter("select 'half");
  ASSERT_TRUE(terminal.wait_for("sqlite:memory'> ")) << terminal.unseen();
  terminal.type(std::string("typed") + kCtrlC);
  ASSERT_TRUE(terminal.wait_for(kPrompt)) << terminal.unseen();
  terminal.enter("select 3 as c;");
  ASSERT_TRUE(terminal.wait_for("|c|\r\n+-+\r\n|3|\r\n" + std::string(kPrompt))) << terminal.unseen();
  EXPECT_EQ(terminal.screen().find("Error"), std::string::npos) << terminal.screen();
  terminal.type(kCtrlD);
  EXPECT_EQ(terminal.exit_code(), 0);
}

TEST_F(TerminalSession, EndOfInputRunsTheLastStatement) {
  Terminal terminal(sqlite(), dir_.string());
  ASSERT_TRUE(terminal.wait_for(kPrompt));
  terminal.enter("select 42 as answer");
  ASSERT_TRUE(terminal.wait_for("sqlite:memory-> ")) << terminal.unseen();
  terminal.type(kCtrlD);  // Ctrl-D on an empty line: end of input
  ASSERT_TRUE(terminal.wait_for("|42    |\r\n")) << terminal.screen();
  EXPECT_EQ(terminal.exit_code(), 0);
}

// At a UTF-8 terminal the engine code page is UTF-8 unless one is given:
// typed text is stored as typed, and a byte that is not UTF-8 is refused.
TEST_F(TerminalSession, TextTypedAtAUtf8TerminalIsStoredAsTyped) {
  Terminal terminal(sqlite(), dir_.string());
  ASSERT_TRUE(terminal.wait_for(kPrompt));
  terminal.enter("create table c (x text);");
  terminal.enter("insert into c values ('caf\xc3\xa9'), ('\xe2\x82\xac'), ('\xe6\x97\xa5\xe6\x9c\xac');");
  ASSERT_TRUE(terminal.wait_for("3 rows affected\r\n")) << terminal.unseen();
  terminal.enter("insert into c values ('bad \xff');");
  ASSERT_TRUE(terminal.wait_for("Error : the typed line holds a byte (0xFF) that is not valid UTF-8; "
                                "the statement was not run\r\n"))
      << terminal.unseen();
  terminal.enter("select length(x) as n, hex(x) as h from c;");
  ASSERT_TRUE(terminal.wait_for("|4|636166C3A9  |\r\n|1|E282AC      |\r\n|2|E697A5E69CAC|\r\n"))
      << terminal.unseen();
  terminal.enter("\\q");
  EXPECT_EQ(terminal.exit_code(), 0);
}

TEST_F(TerminalSession, TextTypedInUtf8ReachesALatin1EngineAsCharacters) {
  std::vector<std::string> arguments = sqlite();
  arguments.push_back("--code-page=iso-8859-1");
  Terminal terminal(arguments, dir_.string());
  ASSERT_TRUE(terminal.wait_for(kPrompt));
  terminal.enter("create table c (x text);");
  terminal.enter("insert into c values ('caf\xc3\xa9'), ('\xe2\x82\xac');");
  ASSERT_TRUE(terminal.wait_for("2 rows affected\r\n")) << terminal.unseen();
  terminal.enter("select length(x) as n, x from c;");
  // Stored as four characters, shown in UTF-8 again and measured as four
  // columns; the euro sign has no Latin-1 form and became "?".
  ASSERT_TRUE(terminal.wait_for("|n|x   |\r\n+-+----+\r\n|4|caf\xc3\xa9|\r\n|1|?   |\r\n")) << terminal.unseen();
  terminal.enter("\\q");
  EXPECT_EQ(terminal.exit_code(), 0);
}

TEST_F(TerminalSession, ATerminalClosedUnderTheShellEndsTheInput) {
  Terminal terminal(sqlite(), dir_.string());
  ASSERT_TRUE(terminal.wait_for(kPrompt));
  terminal.type("select 1");
  terminal.hang_up();
  // It ends by itself, promptly and normally: no loop on a dead terminal.
  // The unfinished statement runs, as at Ctrl-D, and its table cannot be
  // shown: the exit code says that output was lost.
  EXPECT_EQ(terminal.exit_code(5), 5);
}

TEST_F(TerminalSession, AnUnusableHistoryFileGivesOneWarning) {
  ASSERT_EQ(mkdir(path(".tarnwick_history").c_str(), 0700), 0);  // neither readable nor writable as a file
  Terminal terminal(sqlite(), dir_.string());
  ASSERT_TRUE(terminal.wait_for(kPrompt));
  terminal.enter("select 8 as h;");
  ASSERT_TRUE(terminal.wait_for("|8|\r\n" + std::string(kPrompt))) << terminal.unseen();
  terminal.type(std::string(kUp) + "\r");  // the history works in memory
  ASSERT_TRUE(terminal.wait_for("|8|\r\n")) << terminal.unseen();
  terminal.enter("quit");
  EXPECT_EQ(terminal.exit_code(), 0);
  const std::string& screen = terminal.screen();
  size_t warning = screen.find("Warning : cannot read history file " + path(".tarnwick_history"));
  ASSERT_NE(warning, std::string::npos) << screen;
  EXPECT_EQ(screen.find("Warning", warning + 1), std::string::npos) << screen;
}

// What stands at the history's name and cannot be read as a history (a
// planted link is not followed) is warned about once and never written.
TEST_F(TerminalSession, AHistoryFileThatCannotBeReadIsNeverWritten) {
  struct Case {
    bool link;
    std::string reason;  // in the warning
  };
  const std::string history = path(".tarnwick_history");
  for (const Case& c : {Case{true, " (Too many levels of symbolic links)"}, Case{false, ""}}) {
    std::filesystem::remove(history);
    write_file("target", "not a history\n");
    if (c.link) {
      std::filesystem::create_symlink("target", history);
    } else {
      std::filesystem::copy_file(path("target"), history);
    }
    const std::string screen = type_and_quit("select 8 as h;");
    const std::string warning = "Warning : cannot read history file " + history + c.reason + ", going on without it";
    EXPECT_NE(screen.find(warning), std::string::npos) << screen;
    EXPECT_EQ(screen.find("Warning", screen.find(warning) + 1), std::string::npos) << screen;
    EXPECT_EQ(std::filesystem::is_symlink(history), c.link);
    EXPECT_EQ(read_file(".tarnwick_history"), "not a history\n") << c.link;
    EXPECT_EQ(read_file("target"), "not a history\n") << c.link;
  }
}

// The history is written under another name and renamed: a first file is
// private, a later one keeps the mode its owner gave it; nothing else stays.
TEST_F(TerminalSession, TheHistoryIsReplacedWholeKeepingItsMode) {
  struct Case {
    std::string line;
    mode_t mode_before;  // 0: no file yet
    mode_t mode_after;
  };
  const std::string history = path(".tarnwick_history");
  for (const Case& c : {Case{"select 1 as first;", 0, 0600}, Case{"select 2 as second;", 0640, 0640}}) {
    if (c.mode_before != 0) chmod(history.c_str(), c.mode_before);
    type_and_quit(c.line);
    struct stat status {};
    ASSERT_EQ(stat(history.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, c.mode_after) << c.line;
    EXPECT_NE(read_file(".tarnwick_history").find("first;"), std::string::npos);
    EXPECT_NE(read_file(".tarnwick_history").find(c.line.substr(c.line.rfind(' ') + 1)), std::string::npos);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_)) names.push_back(entry.path().filename());
    EXPECT_EQ(names, std::vector<std::string>{".tarnwick_history"});
  }
}

// A terminal of 24 rows whose pager variables are only those given.
TerminalSetup screen(std::vector<std::string> environment) {
  environment.insert(environment.begin(), {"TARNWICK_PAGER", "PAGER"});
  return {24, 80, environment, std::nullopt};
}

// A result taller than the screen goes through the pager: here a script
// that keeps what it got, and its arguments, in files.
TEST_F(TerminalSession, TallResultsGoThroughThePagerUnlessItIsOff) {
  const std::string pager = path("pager.sh");
  write_file("pager.sh", "#!/bin/sh\necho \"$*\" > " + path("args") + "\ncat > " + path("paged") + "\n");
  chmod(pager.c_str(), 0755);
  std::string table = "100 row(s)\n+---+\n|i  |\n+---+\n", csv = "i\n";
  for (int i = 1; i <= 100; ++i) {
    table += "|" + std::to_string(i) + std::string(i < 10 ? 2 : i < 100 ? 1 : 0, ' ') + "|\n";
    csv += std::to_string(i) + "\n";
  }
  const std::string tall = "with recursive n(i) as (select 1 union all select i + 1 from n where i < 100) select i from n;";
  const std::string off = "\\pset pager off", none = "/nonexistent/pager";
  struct Case {
    std::vector<std::string> arguments, environment, lines;  // typed; the last one the query
    std::string result;
    std::optional<std::string> paged_with;  // the pager's arguments; none: shown directly
    std::string note;                       // on the screen too
  } cases[] = {
      {{}, {"PAGER=" + pager}, {tall}, table, "", ""},
      {{}, {"TARNWICK_PAGER=" + pager + " -S", "PAGER=" + none}, {tall}, table, "-S", ""},
      {{"--format=csv"}, {"PAGER=" + pager}, {tall}, csv, "", ""},
      {{}, {"PAGER=" + pager}, {"select 1 as one;"}, "1 row(s)\n+---+\n|one|\n+---+\n|1  |\n", std::nullopt, ""},
      {{"--no-pager"}, {"PAGER=" + pager}, {tall}, table, std::nullopt, ""},
      {{}, {"PAGER=" + pager}, {off, tall}, table, std::nullopt, "Pager usage is off.\n"},
      {{}, {"PAGER=" + pager}, {off, "\\pset pager", tall}, table, "", "Pager is used for long output.\n"},
      {{}, {"TARNWICK_PAGER=", "PAGER=" + pager}, {tall}, table, std::nullopt, ""},
      {{}, {"PAGER=" + none}, {tall}, table, std::nullopt,
       "Warning : could not start the pager '" + none + "'; results are shown without it\n"},
  };
  for (const Case& c : cases) {
    const std::string what = c.lines[0] + " " + ::testing::PrintToString(c.environment);
    std::filesystem::remove(path("paged"));
    std::vector<std::string> arguments = {"--host=sqlite::memory:", "--page-size=100"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    Terminal terminal(arguments, dir_.string(), screen(c.environment));
    ASSERT_TRUE(terminal.wait_for(kPrompt)) << what << terminal.screen();
    for (const std::string& line : c.lines) {
      terminal.enter(line);
      ASSERT_TRUE(terminal.wait_for(kPrompt)) << what << terminal.screen();
    }
    terminal.enter("\\q");
    EXPECT_EQ(terminal.exit_code(), 0) << what;
    std::string shown = terminal.screen();
    std::erase(shown, '\r');
    EXPECT_NE(shown.find(c.note), std::string::npos) << what << shown;
    if (!c.paged_with) {
      EXPECT_NE(shown.find(c.result), std::string::npos) << what << shown;
      EXPECT_FALSE(std::filesystem::exists(path("paged"))) << what;
      continue;
    }
    EXPECT_EQ(read_file("paged"), c.result) << what;
    EXPECT_EQ(read_file("args"), *c.paged_with + "\n") << what;
    EXPECT_EQ(shown.find(c.result.substr(c.result.rfind('\n', c.result.size() - 2))), std::string::npos)
        << what << shown;
  }
}

// A pager that Ctrl-C stops before it has read everything (more than a
// pipe holds) ends only itself: a run that reads no terminal goes on.
TEST_F(TerminalSession, APagerStoppedEarlyEndsOnlyItself) {
  write_file("stop.sh", "#!/bin/sh\ntouch " + path("started") + "\nsleep 30\n");
  chmod(path("stop.sh").c_str(), 0755);
  Terminal terminal({"--host=sqlite::memory:", "--format=csv", "-c",
                     "with recursive n(i) as (select 1 union all select i + 1 from n where i < 2000) "
                     "select printf('%0100d', i) as v from n;",
                     "-c", "select 'after' as a;"},
                    dir_.string(), screen({"TARNWICK_PAGER=" + path("stop.sh")}));
  for (auto until = Clock::now() + std::chrono::seconds(10);
       !std::filesystem::exists(path("started")) && Clock::now() < until;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  terminal.type(kCtrlC);
  EXPECT_TRUE(terminal.wait_for("a\r\nafter\r\n")) << terminal.screen();
  EXPECT_EQ(terminal.exit_code(), 0);
  EXPECT_EQ(terminal.screen().find("0001\r\n"), std::string::npos);
  EXPECT_EQ(terminal.screen().find("Cannot write"), std::string::npos) << terminal.screen();
}

TEST_F(TerminalSession, CtrlCCancelsARunningStatementOnPostgres) {
  PgServer server = pg_test_server();
  if (!server.available()) GTEST_SKIP() << "no PostgreSQL test server";
  std::vector<std::string> arguments{"--host=" + server.host, "--port=" + server.port,
                                     "--user=" + server.user};
  Terminal terminal(arguments, dir_.string());
  std::string prompt = "postgres:" + server.user + "=> ";
  ASSERT_TRUE(terminal.wait_for(prompt)) << terminal.screen();
  terminal.enter("select pg_sleep(30);");
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  auto pressed = Clock::now();
  terminal.type(kCtrlC);
  ASSERT_TRUE(terminal.wait_for("Error : ERROR:  canceling statement due to user request\r\n" + prompt, 5))
      << terminal.unseen();
  EXPECT_LT(Clock::now() - pressed, std::chrono::seconds(2));

  RunResult active = run_tarnwick(
      {"--host=" + server.host, "--port=" + server.port, "--user=" + server.user, "--quiet", "--raw"},
      "select count(*) as n from pg_stat_activity where state = 'active' and query = 'select pg_sleep(30);';",
      dir_.string());
  EXPECT_EQ(active.out, "1 row(s)\n+-+\n|n|\n+-+\n|0|\n");

  terminal.enter("select 'still here' as s;");
  ASSERT_TRUE(terminal.wait_for("|still here|\r\n")) << terminal.unseen();
  terminal.enter("\\q");
  EXPECT_EQ(terminal.exit_code(), 0);
}

// The prompt marks an open transaction block with '*' and a failed one with
// '!', and names the database \c opened; \timing on writes each statement's
// time after it.
TEST_F(TerminalSession, PromptShowsTheTransactionAndTimingShowsTimes) {
  PgServer server = pg_test_server();
  if (!server.available()) GTEST_SKIP() << "no PostgreSQL test server";
  Terminal terminal({"--host=" + server.host, "--port=" + server.port, "--user=" + server.user}, dir_.string());
  const std::string name = "postgres:" + server.user;
  ASSERT_TRUE(terminal.wait_for(name + "=> ")) << terminal.screen();
  terminal.enter("begin;");
  ASSERT_TRUE(terminal.wait_for(name + "=*> ")) << terminal.unseen();
  terminal.enter("select 1 as");
  ASSERT_TRUE(terminal.wait_for(name + "-*> ")) << terminal.unseen();
  terminal.enter("nope from nowhere;");
  ASSERT_TRUE(terminal.wait_for(name + "=!> ")) << terminal.unseen();
  terminal.enter("rollback;");
  ASSERT_TRUE(terminal.wait_for(name + "=> ")) << terminal.unseen();
  terminal.enter("\\timing on");
  ASSERT_TRUE(terminal.wait_for("Timing is on.\r\n" + name + "=> ")) << terminal.unseen();
  terminal.enter("select 2 as n;");
  ASSERT_TRUE(terminal.wait_for("|2|\r\nTime: ")) << terminal.unseen();
  ASSERT_TRUE(terminal.wait_for(" ms\r\n" + name + "=> ")) << terminal.unseen();
  terminal.enter("\\c postgres");
  ASSERT_TRUE(terminal.wait_for("postgres:postgres=> ")) << terminal.unseen();
  terminal.enter("\\q");
  EXPECT_EQ(terminal.exit_code(), 0);
}

// COPY data typed at the terminal is read raw after its own prompt: a tab
// separates the columns instead of going to the line editor.
TEST_F(TerminalSession, CopyDataTypedAtThePromptKeepsItsTabs) {
  PgServer server = pg_test_server();
  if (!server.available()) GTEST_SKIP() << "no PostgreSQL test server";
  Terminal terminal({"--host=" + server.host, "--port=" + server.port, "--user=" + server.user, "--mode=w"},
                    dir_.string());
  std::string prompt = "postgres:" + server.user + "=> ";
  ASSERT_TRUE(terminal.wait_for(prompt)) << terminal.screen();
  terminal.enter("create temp table typed (a int, b text);");
  ASSERT_TRUE(terminal.wait_for(prompt)) << terminal.unseen();
  terminal.enter("copy typed from stdin;");
  ASSERT_TRUE(terminal.wait_for(">> ")) << terminal.unseen();
  terminal.enter("7\tseven");
  ASSERT_TRUE(terminal.wait_for(">> ")) << terminal.unseen();
  terminal.enter("\\.");
  ASSERT_TRUE(terminal.wait_for(prompt)) << terminal.unseen();
  terminal.enter("select a, b from typed;");
  ASSERT_TRUE(terminal.wait_for("|a|b    |\r\n+-+-----+\r\n|7|seven|\r\n")) << terminal.unseen();
  terminal.enter("\\q");
  EXPECT_EQ(terminal.exit_code(), 0);
}

// A server that wants a password (the test server's scram-sha-256 role):
// asked for at a terminal without echo, never when standard input is not
// one. The prompt names the database opened, also when a service chose it.
TEST_F(TerminalSession, APasswordIsAskedForAtATerminalOnly) {
  PgServer server = pg_test_server();
  const char* user_variable = std::getenv("PGTEST_PASSWORD_USER");
  const char* password_variable = std::getenv("PGTEST_PASSWORD");
  if (!server.available() || user_variable == nullptr || password_variable == nullptr) GTEST_SKIP();
  const std::string user = user_variable, password = password_variable;
  write_file("services", "[pw]\nhost=" + server.host + "\nport=" + server.port + "\nuser=" + user +
                             "\ndbname=postgres\n");
  const std::vector<std::string> options{"--host=" + server.host, "--port=" + server.port, "--user=" + user};
  struct Case {
    std::vector<std::string> arguments, environment;
    std::optional<std::string> typed;  // at the password prompt; none: standard input is a pipe
    std::string wanted;                // on the screen after it
    int exit_code;
  } cases[] = {
      {options, {}, password, "postgres:" + user + "=> ", 0},
      {{}, {"PGSERVICEFILE=" + path("services"), "PGSERVICE=pw"}, password, "postgres:postgres=> ", 0},
      {options, {}, "x" + password, "password authentication failed for user \"" + user + "\"", 253},
      {options, {}, std::nullopt, "no password supplied\r\nThe password is asked for only at a terminal", 253},
  };
  for (const Case& c : cases) {
    TerminalSetup setup{0, 0, {"PGPASSWORD", "PGPASSFILE", "PGSERVICEFILE", "PGSERVICE", "PGHOST", "PGPORT",
                               "PGUSER", "PGDATABASE"}, std::nullopt};
    setup.environment.insert(setup.environment.end(), c.environment.begin(), c.environment.end());
    if (!c.typed) setup.piped_input = "select 1;\n";
    Terminal terminal(c.arguments, dir_.string(), setup);
    if (c.typed) {
      ASSERT_TRUE(terminal.wait_for("Password for user " + user + ": ")) << terminal.screen();
      terminal.enter(*c.typed);
    }
    ASSERT_TRUE(terminal.wait_for(c.wanted)) << terminal.screen();
    if (c.exit_code == 0) {
      terminal.enter("select current_user as u;");
      EXPECT_TRUE(terminal.wait_for("|" + user + "|\r\n")) << terminal.unseen();
      terminal.enter("\\q");
    }
    EXPECT_EQ(terminal.exit_code(), c.exit_code) << c.wanted;
    // Neither the typed password nor, from a pipe, a prompt is shown.
    EXPECT_EQ(terminal.screen().find(c.typed ? *c.typed : "Password"), std::string::npos) << terminal.screen();
  }
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
  Terminal terminal(std::vector<std::string>{"--host=sqlite::memory:", "--silent", "--rate=50", "--sql=" + log},
                    dir_.string());
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
}  // namespace tarnwick::e2e
