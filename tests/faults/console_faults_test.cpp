// Faults injected into whole runs of the tarnwick binary: memory and
// descriptor limits, closed and full standard streams, a pipe whose reader
// has gone, files that cannot be created or written, lost pool sessions,
// worker threads that cannot start, and a terminal that sends end of input
// twice. Each run is set up in the child before exec (setrlimit, dup2,
// signal dispositions); each test checks the messages, the exit code and,
// where statements were committed, the rows they left.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/e2e/run_binary.h"
#include "tests/support/file/temp_dir.h"

namespace {

// How one run is set up. Standard input is /dev/null unless `input` is
// given; standard output and error go to files unless redirected.
struct RunSetup {
  RunSetup(std::vector<std::string> arguments_, std::string input_ = "",
           std::vector<std::pair<int, rlim_t>> limits_ = {})
      : arguments(std::move(arguments_)), input(std::move(input_)), limits(std::move(limits_)) {}

  std::vector<std::string> arguments;
  std::string input;
  std::vector<std::pair<int, rlim_t>> limits;  // resource, soft and hard value
  const char* stdout_path = nullptr;           // e.g. "/dev/full"
  bool stdout_closed = false;
  bool stderr_closed = false;
  bool stdout_to_dead_pipe = false;  // a pipe whose read end is closed
  bool ignore_sigpipe = false;
  bool ignore_sigxfsz = false;
};

struct Outcome {
  int exit_code = -1;  // 128 + signal when killed
  bool killed_by_sigpipe = false;
  std::string out, err;
};

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A sanitizer's run-time cannot start under an address-space limit (its
// shadow memory), and its checks need descriptors of their own (it probes
// memory through a pipe), so runs under those limits skip there.
#ifdef TARNWICK_SANITIZED
#define SKIP_UNDER_A_SANITIZER() GTEST_SKIP() << "limits and sanitizers do not mix"
#else
#define SKIP_UNDER_A_SANITIZER() (void)0
#endif

size_t count_of(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

class ConsoleFaults : public morvane::testing::TempDirTest {
 protected:
  Outcome run(const RunSetup& setup) {
    const std::string in_path = path(".in"), out_path = path(".out"), err_path = path(".err");
    write_file(".in", setup.input);
    int dead_pipe[2] = {-1, -1};
    if (setup.stdout_to_dead_pipe) {
      EXPECT_EQ(pipe(dead_pipe), 0);
      close(dead_pipe[0]);
    }
    std::vector<std::string> copies = setup.arguments;
    std::string program = TARNWICK_BINARY;
    std::vector<char*> argv{program.data()};
    for (std::string& argument : copies) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t child = fork();
    if (child == 0) {
      int in = open(in_path.c_str(), O_RDONLY);
      int out = setup.stdout_to_dead_pipe ? dead_pipe[1]
                : setup.stdout_path != nullptr
                    ? open(setup.stdout_path, O_WRONLY)
                    : open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (in < 0 || out < 0 || err < 0 || chdir(dir_.c_str()) != 0) _exit(120);
      dup2(in, 0);
      dup2(out, 1);
      dup2(err, 2);
      for (int fd = 3; fd < 64; ++fd) close(fd);
      if (setup.stdout_closed) close(1);
      if (setup.stderr_closed) close(2);
      signal(SIGPIPE, setup.ignore_sigpipe ? SIG_IGN : SIG_DFL);
      if (setup.ignore_sigxfsz) signal(SIGXFSZ, SIG_IGN);
      for (const auto& [resource, value] : setup.limits) {
        rlimit limit{value, value};
        if (setrlimit(resource, &limit) != 0) _exit(122);
      }
      execv(program.c_str(), argv.data());
      _exit(121);
    }
    if (dead_pipe[1] >= 0) close(dead_pipe[1]);
    Outcome outcome;
    int status = 0;
    waitpid(child, &status, 0);
    outcome.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    outcome.killed_by_sigpipe = WIFSIGNALED(status) && WTERMSIG(status) == SIGPIPE;
    if (setup.stdout_path == nullptr && !setup.stdout_to_dead_pipe) outcome.out = slurp(out_path);
    outcome.err = slurp(err_path);
    return outcome;
  }

  // The rows of table t in the SQLite database db.sqlite, as a count line
  // of a run that nothing disturbs.
  std::string rows_of_t() {
    Outcome outcome = run({{"--host=sqlite:db.sqlite", "--quiet", "--raw"},
                           "select count(*) as n from t;"});
    return outcome.out;
  }

  static std::string count_table(int n) {
    return "1 row(s)\n+-+\n|n|\n+-+\n|" + std::to_string(n) + "|\n";
  }

  static constexpr const char* kSqlite = "--host=sqlite:db.sqlite";
  static constexpr const char* kThreeRows =
      "create table t (a int);\ninsert into t values (1), (2), (3);\n";
};

// --- allocation failures ---------------------------------------------------

TEST_F(ConsoleFaults, AHugeStatementEndsTheRunWithTheReportAndExitCode66) {
  SKIP_UNDER_A_SANITIZER();
  write_file("first.sql", kThreeRows);
  write_file("huge.sql", "select '" + std::string(60u << 20, 'x') + "' as big;\n");
  write_file("after.sql", "insert into t values (4);\n");
  Outcome outcome = run({{kSqlite, "--mode=w", "--quiet", "--sql=first.sql,huge.sql,after.sql"},
                         "",
                         {{RLIMIT_AS, 128u << 20}}});
  EXPECT_EQ(outcome.exit_code, 66);
  EXPECT_EQ(count_of(outcome.err, "MEMORY ALLOCATION FAILURE [0x"), 1u) << outcome.err;
  EXPECT_EQ(outcome.err.find("terminate"), std::string::npos) << outcome.err;
  // What was committed before the failure stays; the run ended there.
  EXPECT_EQ(rows_of_t(), count_table(3));
}

TEST_F(ConsoleFaults, PoolSessionsOutOfMemoryFailTheirEntriesAndTheRunGoesOn) {
  SKIP_UNDER_A_SANITIZER();
  std::string script;
  for (int i = 0; i < 4; ++i) {
    script +=
        "select x, x as y, x as z from (with recursive c(x) as (select 1 union all "
        "select x + 1 from c where x < 3000000) select x from c);\n";
  }
  script += "select 7 as n;\n";
  Outcome outcome = run({{"--host=sqlite::memory:", "--quiet", "--raw", "--sessions=4",
                          "--statements=4", "--page-size=3000000", "--answers-limit=3000000"},
                         script,
                         {{RLIMIT_AS, 250u << 20}}});
  EXPECT_EQ(outcome.exit_code, 0) << outcome.err;
  EXPECT_NE(outcome.err.find("MEMORY ALLOCATION FAILURE"), std::string::npos) << outcome.err;
  EXPECT_EQ(outcome.err.find("terminate"), std::string::npos) << outcome.err;
  EXPECT_EQ(count_of(outcome.out, "-1 (0 fetched) rows\n"), 4u) << outcome.out;
  EXPECT_NE(outcome.out.find("1 row(s)\n++\n||\n++\n|7|\n"), std::string::npos) << outcome.out;
}

// --- descriptor limits -----------------------------------------------------

TEST_F(ConsoleFaults, AScriptAtTheDescriptorLimitIsSkippedWithTheUsualMessage) {
  SKIP_UNDER_A_SANITIZER();
  // 0-2 and the database file take the four descriptors.
  write_file("a.sql", kThreeRows);
  Outcome outcome =
      run({{kSqlite, "--mode=w", "--quiet", "--sql=a.sql"}, "", {{RLIMIT_NOFILE, 4}}});
  EXPECT_EQ(outcome.exit_code, 1);  // a source that could not be read
  EXPECT_EQ(outcome.err, "Cannot stat file 'a.sql'\n");
  EXPECT_EQ(outcome.out, "");
}

TEST_F(ConsoleFaults, ATraceFileAtTheDescriptorLimitIsReportedOnceAndTheRunGoesOn) {
  SKIP_UNDER_A_SANITIZER();
  // 0-2 and the script take the four descriptors; the database is in memory.
  write_file("bad.sql", std::string(kThreeRows) +
                            "insert into missing values (1);\ninsert into missing values (2);\n"
                            "select count(*) as n from t;\n");
  Outcome outcome = run({{"--host=sqlite::memory:", "--mode=w", "--quiet", "--debug",
                          "--sql=bad.sql"},
                         "",
                         {{RLIMIT_NOFILE, 4}}});
  EXPECT_EQ(outcome.exit_code, 5);
  EXPECT_EQ(outcome.err.rfind("Cannot create trace file 'SQL.Tarnwick.", 0), 0u) << outcome.err;
  EXPECT_EQ(count_of(outcome.err, "\n"), 1u) << outcome.err;
  EXPECT_NE(outcome.err.find("': Too many open files\n"), std::string::npos) << outcome.err;
  EXPECT_EQ(outcome.out, "Error : no such table: missing\nError : no such table: missing\n" +
                             count_table(3));
}

// --- standard streams ------------------------------------------------------

TEST_F(ConsoleFaults, AFullStandardOutputIsReportedOnceTheRunGoesOnAndEndsWith5) {
  write_file("a.sql", std::string(kThreeRows) + "select a from t;\n");
  write_file("b.sql", "insert into t values (4);\nselect a from t;\n");
  RunSetup setup({kSqlite, "--mode=w", "--sql=a.sql,b.sql"});
  setup.stdout_path = "/dev/full";
  Outcome outcome = run(setup);
  EXPECT_EQ(outcome.exit_code, 5);
  EXPECT_EQ(outcome.err, "Cannot write standard output: No space left on device\n");
  EXPECT_EQ(rows_of_t(), count_table(4));
}

TEST_F(ConsoleFaults, AClosedPipeEndsTheRunQuietlyAtOnce) {
  write_file("a.sql", std::string(kThreeRows) + "select a from t;\n");
  write_file("b.sql", "insert into t values (4);\n");
  RunSetup setup({kSqlite, "--mode=w", "--sql=a.sql,b.sql"});
  setup.stdout_to_dead_pipe = true;
  Outcome outcome = run(setup);
  EXPECT_TRUE(outcome.killed_by_sigpipe) << outcome.exit_code;
  EXPECT_EQ(outcome.exit_code, 141);
  EXPECT_EQ(outcome.err, "");
}

TEST_F(ConsoleFaults, AClosedPipeWithSigpipeIgnoredIsReportedOnceAndEndsWith5) {
  write_file("a.sql", std::string(kThreeRows) + "select a from t;\n");
  write_file("b.sql", "insert into t values (4);\nselect a from t;\n");
  RunSetup setup({kSqlite, "--mode=w", "--sql=a.sql,b.sql"});
  setup.stdout_to_dead_pipe = true;
  setup.ignore_sigpipe = true;
  Outcome outcome = run(setup);
  EXPECT_EQ(outcome.exit_code, 5);
  EXPECT_EQ(outcome.err, "Cannot write standard output: Broken pipe\n");
  EXPECT_EQ(rows_of_t(), count_table(4));
}

TEST_F(ConsoleFaults, ATraceFileThatCannotBeWrittenIsReportedOnceAndEndsWith5) {
  // Files are limited to 1 KiB, and the 2 KiB statement does not fit.
  std::string long_insert = "insert into missing values ('" + std::string(2048, 'x') + "');\n";
  RunSetup setup({"--host=sqlite::memory:", "--quiet", "--raw", "--debug", "--sql=bad.sql"}, "",
                 {{RLIMIT_FSIZE, 1024}});
  setup.ignore_sigxfsz = true;
  write_file("bad.sql", long_insert + long_insert + "select 7 as n;\n");
  Outcome outcome = run(setup);
  EXPECT_EQ(outcome.exit_code, 5);
  EXPECT_EQ(outcome.err.rfind("Cannot write trace file 'SQL.Tarnwick.", 0), 0u) << outcome.err;
  EXPECT_EQ(count_of(outcome.err, "\n"), 1u) << outcome.err;
  EXPECT_EQ(outcome.out,
            "Error : no such table: missing\nError : no such table: missing\n"
            "1 row(s)\n+-+\n|n|\n+-+\n|7|\n");
}

// --- replay output ----------------------------------------------------------


TEST_F(ConsoleFaults, ReplayedResultsReachAPipeStatementByStatement) {
  write_file("run.SQL.log.1",
             tarnwick::e2e::replay_log_bytes({"select 1 as first",
                         "select count(*) from (with recursive c(x) as (select 1 union all "
                         "select x + 1 from c where x < 20000000) select x from c)"}));
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  std::string program = TARNWICK_BINARY;
  pid_t child = fork();
  if (child == 0) {
    dup2(out[1], 1);
    close(out[0]);
    if (chdir(dir_.c_str()) != 0) _exit(120);
    execl(program.c_str(), program.c_str(), "--host=sqlite::memory:", "--quiet", "--raw",
          "--sql=run.SQL.log.1", static_cast<char*>(nullptr));
    _exit(121);
  }
  close(out[1]);
  // The first result must arrive while the second statement (seconds of
  // counting) still runs.
  std::string seen;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  bool running_when_seen = false;
  while (std::chrono::steady_clock::now() < deadline) {
    pollfd descriptor{out[0], POLLIN, 0};
    if (poll(&descriptor, 1, 50) <= 0) continue;
    char buffer[4096];
    ssize_t n = read(out[0], buffer, sizeof buffer);
    if (n <= 0) break;
    seen.append(buffer, static_cast<size_t>(n));
    if (seen.find("|1|\n") != std::string::npos) {
      // Output flushed only at the end comes just before the exit.
      usleep(1000 * 1000);
      running_when_seen = waitpid(child, nullptr, WNOHANG) == 0;
      break;
    }
  }
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  close(out[0]);
  EXPECT_TRUE(running_when_seen) << seen;
}

// --- pools -------------------------------------------------------------------

TEST_F(ConsoleFaults, PoolWorkersThatCannotStartAreReportedOncePerMessage) {
  SKIP_UNDER_A_SANITIZER();
  // Each thread would need a 2 GiB stack in a 1.5 GiB address space.
  std::string script;
  for (int i = 0; i < 6; ++i) script += "select " + std::to_string(i) + " as n;\n";
  Outcome outcome = run({{"--host=sqlite::memory:", "--quiet", "--raw", "--sessions=3",
                          "--statements=3"},
                         script,
                         {{RLIMIT_STACK, rlim_t{2} << 30}, {RLIMIT_AS, rlim_t{1536} << 20}}});
  EXPECT_EQ(outcome.exit_code, 0);
  EXPECT_EQ(count_of(outcome.err, "The pool could not run a batch of 3 statement(s): "), 1u)
      << outcome.err;
  EXPECT_EQ(count_of(outcome.err, "\n"), 1u) << outcome.err;
  EXPECT_EQ(count_of(outcome.out, "-1 (0 fetched) rows\n"), 6u) << outcome.out;
}

class ConsoleFaultsOnPostgres : public ConsoleFaults {
 protected:
  void SetUp() override {
    ConsoleFaults::SetUp();
    const char* host = std::getenv("PGTEST_HOST");
    if (host == nullptr || *host == '\0') GTEST_SKIP() << "no PostgreSQL test server";
    server_ = {std::string("--host=") + host, std::string("--port=") + std::getenv("PGTEST_PORT"),
               std::string("--user=") + std::getenv("PGTEST_USER"), "--mode=w"};
  }
  std::vector<std::string> with_server(std::vector<std::string> arguments) const {
    arguments.insert(arguments.begin(), server_.begin(), server_.end());
    return arguments;
  }
  // The rows of table `table` on the server, as a count table.
  std::string rows_of(const std::string& table) {
    Outcome outcome =
        run({with_server({"--quiet", "--raw"}), "select count(*) as n from " + table + ";"});
    return outcome.out;
  }
  std::vector<std::string> server_;
};

TEST_F(ConsoleFaultsOnPostgres, ALostPoolSessionIsReportedOnceNamingItAndTheEngineMessage) {
  write_file("a.sql",
             "select pg_terminate_backend(pg_backend_pid()) as k; select 2 as b;\n"
             "select 3 as c; select 4 as d;\n"
             "select 5 as e; select 6 as f;\n");
  Outcome outcome =
      run({with_server({"--quiet", "--raw", "--sessions=2", "--statements=2", "--sql=a.sql"})});
  EXPECT_EQ(outcome.exit_code, 2);  // entries of the lost session were not run
  EXPECT_EQ(outcome.err.rfind("Session 0 of the pool is lost: ", 0), 0u) << outcome.err;
  EXPECT_NE(outcome.err.find("terminating connection due to administrator command"),
            std::string::npos)
      << outcome.err;
  EXPECT_EQ(count_of(outcome.err, "\n"), 1u) << outcome.err;
  // Session 1 goes on with its entries.
  EXPECT_EQ(count_of(outcome.out, "-1 (0 fetched) rows\n"), 3u) << outcome.out;
  EXPECT_NE(outcome.out.find("|6|\n"), std::string::npos) << outcome.out;
}

TEST_F(ConsoleFaultsOnPostgres, APoolNearTheDescriptorLimitNeverAborts) {
  SKIP_UNDER_A_SANITIZER();
  // Twelve sockets take descriptors 3 to 14; whether the libraries hold one
  // more varies, so the limit is walked up to where the pool opens but the
  // script does not.
  write_file("a.sql", "select 1;\n");
  bool script_refused = false;
  for (rlim_t limit = 14; limit <= 20; ++limit) {
    Outcome outcome = run({with_server({"--quiet", "--sessions=12", "--statements=12",
                                        "--sql=a.sql"}),
                           "",
                           {{RLIMIT_NOFILE, limit}}});
    EXPECT_TRUE(outcome.exit_code == 0 || outcome.exit_code == 1 || outcome.exit_code == 253)
        << limit << ": " << outcome.exit_code << " " << outcome.err;
    if (outcome.err == "Cannot stat file 'a.sql'\n") {
      EXPECT_EQ(outcome.exit_code, 1);
      script_refused = true;
    }
  }
  EXPECT_TRUE(script_refused);
}

TEST_F(ConsoleFaultsOnPostgres, ClosedStandardStreamsDoNotBecomeTheServerConnection) {
  // Closed standard output, then closed standard error with a missing
  // source to report: neither the tables nor the message may reach the
  // socket, and every statement of the script runs.
  for (int closed : {1, 2}) {
    std::string table = "closed_" + std::to_string(closed) + "_" + std::to_string(getpid());
    write_file("a.sql", "drop table if exists " + table + ";\ncreate table " + table +
                            " (a int);\ninsert into " + table + " values (1), (2);\n");
    RunSetup setup(with_server({"--sql=missing.sql,a.sql"}));
    setup.stdout_closed = closed == 1;
    setup.stderr_closed = closed == 2;
    Outcome outcome = run(setup);
    EXPECT_EQ(outcome.exit_code, 1) << closed;  // missing.sql
    // (The server's notice that the table is not there goes to standard
    // error too.)
    EXPECT_EQ(closed == 1 ? outcome.err : outcome.out.substr(0, 20),
              closed == 1 ? "Cannot stat file 'missing.sql'\nNOTICE:  table \"" + table +
                                "\" does not exist, skipping\n"
                          : "type quit; to exit.\n")
        << closed;
    EXPECT_EQ(rows_of(table), count_table(2)) << closed;
    run({with_server({"--quiet"}), "drop table " + table + ";"});
  }
}

// --- the terminal ------------------------------------------------------------

TEST_F(ConsoleFaults, AfterEndOfInputAtATerminalALaterDashReadsAgain) {
  write_file("a.sql", "select 'from a' as s;\n");
  int master = -1;
  std::string program = TARNWICK_BINARY;
  pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
  if (child == 0) {
    if (chdir(dir_.c_str()) != 0) _exit(120);
    execl(program.c_str(), program.c_str(), "--host=sqlite::memory:", "--raw", "--sql=-,a.sql,-",
          static_cast<char*>(nullptr));
    _exit(121);
  }
  std::string screen;
  auto wait_for = [&](const std::string& wanted) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (screen.find(wanted) == std::string::npos) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      pollfd descriptor{master, POLLIN, 0};
      if (poll(&descriptor, 1, 100) <= 0) continue;
      char buffer[4096];
      ssize_t n = read(master, buffer, sizeof buffer);
      if (n <= 0) return false;
      screen.append(buffer, static_cast<size_t>(n));
    }
    return true;
  };
  auto type = [&](const std::string& text) {
    ASSERT_EQ(write(master, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  };
  EXPECT_TRUE(wait_for("type quit; to exit.\r\n")) << screen;
  type("select 'one' as s;\n");
  // Keys are typed once the prompt is back, as a person types them: the
  // line editor takes the terminal when it shows the prompt.
  EXPECT_TRUE(wait_for("|one|\r\nsqlite:memory=> ")) << screen;
  // A key typed in the instant the prompt appears can still meet the
  // terminal in its cooked mode, where a Ctrl-D is lost (about one run in
  // twenty on a loaded machine); a person's key comes later than that.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  type("\x04");  // Ctrl-D: the end of the first "-"
  EXPECT_TRUE(wait_for("|from a|\r\n")) << screen;
  // A named source has run, so the second "-" is read as plain input, with
  // no prompt and no line editor.
  type("select 'two' as s;\n");
  EXPECT_TRUE(wait_for("|two|\r\n")) << screen;
  type("\x04");
  int status = 0;
  waitpid(child, &status, 0);
  close(master);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
