// Load runs of the built binary cut short from outside: a signal while a
// statement runs, the report's folder removed before the report is
// written, a statement that stalls under --progress, and pool sessions and
// independent clients that the server ends. The test reads standard output as it comes, so that it
// acts at a known point of the run rather than after a guessed delay.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/run_binary.h"
#include "tests/support/file/temp_dir.h"

namespace {


// Counting that takes SQLite half a minute, unless it is cancelled.
constexpr const char* kEndlessCount =
    "select count(*) from (with recursive c(x) as (select 1 union all "
    "select x + 1 from c where x < 100000000) select x from c)";

// Five quick statements, the endless one, five more: 11 in all.
std::vector<std::string> five_then_endless_then_five() {
  std::vector<std::string> statements;
  for (int i = 1; i <= 5; ++i) statements.push_back("select " + std::to_string(i) + " as n");
  statements.push_back(kEndlessCount);
  for (int i = 0; i < 5; ++i) statements.push_back("select 6 as n");
  return statements;
}

size_t count_of(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// The number after "key": in a JSON text; -1 when it is not there.
long long json_number(const std::string& json, const std::string& key) {
  size_t at = json.find("\"" + key + "\": ");
  return at == std::string::npos ? -1 : std::atoll(json.c_str() + at + key.size() + 4);
}

struct Ended {
  bool exited = false;  // ended through exit, not killed by a signal
  int exit_code = -1;   // 128 + signal when killed
  std::string out, err;
  double seconds_after_marker = 0;
};

class LoadRunFaults : public morvane::testing::TempDirTest {
 protected:
  // Runs the binary with standard input from a pipe the test writes
  // `input` to, reads standard output until `marker` shows, calls `act`
  // with the process id, closes standard input and waits for the end.
  template <typename Act>
  Ended run(const std::vector<std::string>& arguments, const std::string& input,
            const std::string& marker, Act act) {
    int in[2], out[2];
    EXPECT_EQ(pipe(in), 0);
    EXPECT_EQ(pipe(out), 0);
    std::string program = TARNWICK_BINARY, err_path = path(".err");
    std::vector<std::string> copies = arguments;
    std::vector<char*> argv{program.data()};
    for (std::string& argument : copies) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t child = fork();
    if (child == 0) {
      int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (err < 0 || chdir(dir_.c_str()) != 0) _exit(120);
      dup2(in[0], 0);
      dup2(out[1], 1);
      dup2(err, 2);
      for (int fd = 3; fd < 64; ++fd) close(fd);
      execv(program.c_str(), argv.data());
      _exit(121);
    }
    close(in[0]);
    close(out[1]);
    EXPECT_EQ(write(in[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
    Ended ended;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (ended.out.find(marker) == std::string::npos &&
           std::chrono::steady_clock::now() < deadline) {
      pollfd descriptor{out[0], POLLIN, 0};
      if (poll(&descriptor, 1, 50) <= 0) continue;
      char buffer[4096];
      ssize_t n = read(out[0], buffer, sizeof buffer);
      if (n <= 0) break;
      ended.out.append(buffer, static_cast<size_t>(n));
    }
    EXPECT_NE(ended.out.find(marker), std::string::npos) << ended.out;
    auto acted = std::chrono::steady_clock::now();
    act(child);
    close(in[1]);
    for (char buffer[4096];;) {
      ssize_t n = read(out[0], buffer, sizeof buffer);
      if (n <= 0) break;
      ended.out.append(buffer, static_cast<size_t>(n));
    }
    close(out[0]);
    int status = 0;
    waitpid(child, &status, 0);
    ended.seconds_after_marker =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - acted).count();
    ended.exited = WIFEXITED(status);
    ended.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    ended.err = read_file(".err");
    return ended;
  }

  std::vector<std::string> files_in(const std::string& folder) const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path(folder))) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
};

// SIGTERM and SIGHUP end a run as Ctrl-C does: the running statement is
// cancelled, nothing after it runs, and the report replaces the earlier one
// and says what was not run; the exit code is the one a shell shows for
// the signal.
TEST_F(LoadRunFaults, ASignalEndsTheRunWithAReportThatSaysWhatWasNotRun) {
  write_file("run.SQL.log.1", tarnwick::e2e::replay_log_bytes(five_then_endless_then_five()));
  std::filesystem::create_directory(path("reports"));
  struct Case {
    int signal_number;
    int exit_code;
  };
  for (const Case& c : {Case{SIGTERM, 143}, Case{SIGHUP, 129}, Case{SIGINT, 130}}) {
    const int signal_number = c.signal_number, exit_code = c.exit_code;
    write_file("reports/r.json", "earlier report\n");
    Ended ended = run({"--host=sqlite::memory:", "--quiet", "--raw",
                       "--report=" + path("reports/r.json"), "--sql=run.SQL.log.1"},
                      "", "|5|\n", [signal_number](pid_t child) { kill(child, signal_number); });
    EXPECT_TRUE(ended.exited) << signal_number << ": killed, not ended";
    EXPECT_EQ(ended.exit_code, exit_code) << signal_number << ended.err;
    EXPECT_LT(ended.seconds_after_marker, 5.0)
        << signal_number << ": the statement was not cancelled";
    EXPECT_EQ(ended.out.find("|6|"), std::string::npos) << signal_number << ended.out;
    std::string report = read_file("reports/r.json");
    EXPECT_NE(report.find("\"interrupted\": true,"), std::string::npos) << signal_number << report;
    EXPECT_EQ(json_number(report, "planned"), 11) << signal_number << report;
    // The endless statement was cancelled (a failure), or the signal came
    // before it started.
    long long statements = json_number(report, "statements");
    EXPECT_TRUE(statements == 5 || statements == 6) << signal_number << report;
    EXPECT_EQ(json_number(report, "not_run"), 11 - statements) << signal_number << report;
    EXPECT_EQ(files_in("reports"), std::vector<std::string>{"r.json"}) << signal_number;
  }
}

// The report's folder removed while the run goes on: the report cannot take
// its name at the end, which is an error, not a silent loss.
TEST_F(LoadRunFaults, AReportWhoseFolderWasRemovedIsAnErrorWithExitCode5) {
  std::filesystem::create_directory(path("reports"));
  Ended ended = run({"--host=sqlite::memory:", "--quiet", "--raw", "--sessions=2", "--statements=2",
                     "--report=" + path("reports/r.json"), "--sql=-"},
                    "select 1 as n;\nselect 2 as n;\n", "|2|\n",
                    [this](pid_t) { std::filesystem::remove_all(path("reports")); });
  EXPECT_EQ(ended.exit_code, 5);
  EXPECT_EQ(ended.err, "Cannot write the report file '" + path("reports/r.json") +
                           "': No such file or directory\n");
}

// A statement that stalls does not stop the progress lines: each interval
// in which nothing finished has a line that says so.
TEST_F(LoadRunFaults, ProgressLinesGoOnWhileAStatementStalls) {
  write_file("run.SQL.log.1", tarnwick::e2e::replay_log_bytes(five_then_endless_then_five()));
  Ended ended =
      run({"--host=sqlite::memory:", "--quiet", "--raw", "--progress=1", "--sql=run.SQL.log.1"}, "",
          "|5|\n", [](pid_t child) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2600));
            kill(child, SIGINT);
          });
  EXPECT_EQ(ended.exit_code, 130);
  // One line a second, from about a second after the last statement ended.
  EXPECT_GE(count_of(ended.err, ", 0.0/s, 0 failed, nothing finished for "), 2u) << ended.err;
  size_t first = ended.err.find("progress: ");
  EXPECT_EQ(ended.err.compare(ended.err.find(" s, ", first), 16, " s, 5 statements"), 0)
      << ended.err;
  EXPECT_NE(ended.err.find("nothing finished for 1.", first), std::string::npos) << ended.err;
}

// Sessions of a pool that the server ends are each named once, also behind
// an entry that failed for another reason; a pool that loses every session
// at once gets one line.
TEST_F(LoadRunFaults, EveryLostPoolSessionIsNamed) {
  const char* host = std::getenv("PGTEST_HOST");
  if (host == nullptr || *host == '\0') GTEST_SKIP() << "no PostgreSQL test server";
  // The sleep makes the backend take its own termination mid-statement.
  const std::string kill_own_session =
      "select pg_terminate_backend(pg_backend_pid()), pg_sleep(5);\n";
  struct Case {
    std::string sessions;
    std::string script;
    std::vector<std::string> lines;  // the beginnings of standard error's lines
  };
  const Case cases[] = {
      {"3",
       "select 1 / 0;\n" + kill_own_session + kill_own_session + "select 4;\n",
       {"Session 1 of the pool is lost: ", "Session 2 of the pool is lost: "}},
      {"2",
       kill_own_session + kill_own_session + "select 3;\nselect 4;\n",
       {"All 2 sessions of the pool are lost: "}},
  };
  for (const Case& c : cases) {
    Ended ended =
        run({std::string("--host=") + host, std::string("--port=") + std::getenv("PGTEST_PORT"),
             std::string("--user=") + std::getenv("PGTEST_USER"), "--mode=w", "--quiet", "--raw",
             "--sessions=" + c.sessions, "--statements=" + c.sessions, "--sql=-"},
            c.script, "", [](pid_t) {});
    EXPECT_EQ(count_of(ended.err, "\n"), c.lines.size()) << c.sessions << ": " << ended.err;
    size_t line_start = 0;
    for (const std::string& line : c.lines) {
      EXPECT_EQ(ended.err.compare(line_start, line.size(), line), 0)
          << c.sessions << ": " << ended.err;
      EXPECT_NE(ended.err.find("terminating connection due to administrator command", line_start),
                std::string::npos)
          << ended.err;
      line_start = ended.err.find('\n', line_start) + 1;
    }
  }
}

// Independent clients on PostgreSQL, several on one event loop: Ctrl-C
// cancels what every client runs, in flight or not yet sent, and the
// report says what was not run; a client whose connection the server ends
// is named, and the run ends with exit code 2.
TEST_F(LoadRunFaults, ClientsStopAtCtrlCAndAtALostConnection) {
  const char* host = std::getenv("PGTEST_HOST");
  if (host == nullptr || *host == '\0') GTEST_SKIP() << "no PostgreSQL test server";
  std::vector<std::string> sleeps(8, "select pg_sleep(30)");
  sleeps.resize(16, "select 1");
  write_file("sleeps.SQL.log.1", tarnwick::e2e::replay_log_bytes(sleeps));
  write_file("lost.sql", "select 1;\nselect pg_terminate_backend(pg_backend_pid()), pg_sleep(5);\nselect 3;\n");
  struct Case {
    std::string script;
    int signal_number;  // 0: none
    int exit_code;
    std::vector<std::string> err_parts;
  };
  const Case cases[] = {
      {"sleeps.SQL.log.1", SIGINT, 130, {}},
      {"lost.sql", 0, 2, {"Client ", " is lost: ", "terminating connection due to administrator command"}},
  };
  for (const Case& c : cases) {
    const int signal_number = c.signal_number;
    Ended ended = run({std::string("--host=") + host, std::string("--port=") + std::getenv("PGTEST_PORT"),
                       std::string("--user=") + std::getenv("PGTEST_USER"), "--mode=w", "--silent", "--clients=4",
                       "--pipeline=2", "--report=" + path("r.json"), "--sql=" + c.script},
                      "", "", [signal_number](pid_t child) {
                        if (signal_number == 0) return;
                        std::this_thread::sleep_for(std::chrono::milliseconds(500));
                        kill(child, signal_number);
                      });
    EXPECT_EQ(ended.exit_code, c.exit_code) << c.script << ended.err;
    EXPECT_LT(ended.seconds_after_marker, 10.0) << c.script;
    for (const std::string& part : c.err_parts) EXPECT_NE(ended.err.find(part), std::string::npos) << ended.err;
    if (signal_number == 0) continue;
    std::string report = read_file("r.json");
    EXPECT_NE(report.find("\"interrupted\": true,"), std::string::npos) << report;
    EXPECT_EQ(json_number(report, "planned"), 16) << report;
    EXPECT_EQ(json_number(report, "not_run"), 16 - json_number(report, "statements")) << report;
    EXPECT_GT(json_number(report, "not_run"), 0) << report;
  }
}

}  // namespace
