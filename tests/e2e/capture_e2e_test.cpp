// Traffic of two psql sessions on the test server, taken from the server's
// own log by tarnwick-log and read back from the captured log.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "statements/replay_log.h"
#include "support/file/file.h"
#include "support/file/open_flags.h"
#include "tests/e2e/postgres_fixture.h"

namespace tarnwick::e2e {
namespace {

class Capture : public PostgresRun {
 protected:
  void SetUp() override {
    PostgresRun::SetUp();
    if (IsSkipped()) return;
    const char* dir = std::getenv("PGTEST_DIR");
    server_log_ = std::string(dir == nullptr ? "" : dir) + "/server.log";
    if (!std::ifstream(server_log_).is_open()) {
      GTEST_SKIP() << "the test server's log '" << server_log_ << "' cannot be read by this user";
    }
    if (output_of("command -v psql").empty()) GTEST_SKIP() << "no psql";
  }

  // Runs `script` in a psql session that logs its statements and its end;
  // gives back the session's process id (the script's first output line).
  std::string run_session(const std::string& script) {
    write_file("session.sql", "select pg_backend_pid();\n" + script);
    const std::string pid = output_of("PGOPTIONS='-c log_statement=all -c log_disconnections=on' psql -X -q -At -h " +
                                      server_.host + " -p " + server_.port + " -U " + server_.user + " -f " +
                                      path("session.sql") + " 2>/dev/null");
    return pid.substr(0, pid.find('\n'));
  }

  // The lines of the server log written by the given processes (prefix
  // "%m [%p] ", a message's further lines led by a tab), once the end of
  // each has been logged.
  std::string lines_of(const std::vector<std::string>& pids) {
    std::string kept;
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::ifstream in(server_log_);
      std::string line;
      kept.clear();
      bool keeping = false;
      int ends = 0;
      while (std::getline(in, line)) {
        if (line.empty() || line[0] != '\t') {
          keeping = false;
          for (const std::string& pid : pids) keeping = keeping || line.find(" [" + pid + "] ") != std::string::npos;
        }
        if (!keeping) continue;
        kept += line + "\n";
        ends += line.find("LOG:  disconnection: ") != std::string::npos;
      }
      if (ends == static_cast<int>(pids.size())) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return kept;
  }

  std::string server_log_;
};

TEST_F(Capture, TheServerLogOfTwoSessionsBecomesACapturedLog) {
  const std::string first = run_session("select 'a1';\nselect 'a2\nline two';\nselect * from capture_no_such_table;\n");
  const std::string second = run_session("select 'b1';\n");
  ASSERT_FALSE(first.empty());
  ASSERT_FALSE(second.empty());
  write_file("server.log", lines_of({first, second}));

  std::ostringstream command;
  command << TARNWICK_LOG_BINARY << " " << path("server.log") << " " << path("out.SQL.log.1") << " 2>&1";
  const std::string said = output_of(command.str());
  EXPECT_EQ(said, "tarnwick-log: 6 statement(s) of 2 session(s) written to '" + path("out.SQL.log.1") +
                      "'; 0 entries skipped\n");

  morvane::iFile source;
  ASSERT_TRUE(source.open(path("out.SQL.log.1").c_str(), morvane::IF_MODE_READ, 0, 0));
  ReplayLogReader reader(source, "out.SQL.log.1", false);
  std::vector<std::string> records;
  int64_t last_time = 0;
  ReplayRecord record;
  while (reader.next(&record)) {
    records.push_back(std::to_string(record.session) + (record.session_ends ? " end " : " ") + record.text);
    EXPECT_GE(record.time_us, last_time) << record.text;
    last_time = record.time_us;
  }
  EXPECT_TRUE(reader.captured());
  EXPECT_EQ(reader.end(), ReplayEnd::finished);
  EXPECT_EQ(records, (std::vector<std::string>{"1 select pg_backend_pid();", "1 select 'a1';",
                                               "1 select 'a2\nline two';", "1 end select * from capture_no_such_table;",
                                               "2 select pg_backend_pid();", "2 end select 'b1';"}));
  EXPECT_GT(last_time, 1700000000LL * 1000000) << "times since the epoch";
}

// A replay sends the server exactly its log's statements: no savepoint of
// ours around a select stopped at the answers limit inside a block, on a
// single session, in a pool's batches or on independent clients. A script
// keeps that guard, which shows that the log would show one.
TEST_F(Capture, AReplaySendsOnlyTheStatementsOfItsLog) {
  run({"--command=drop table if exists exact_t; create table exact_t (i int); "
       "insert into exact_t select generate_series(1, 30)"});
  const std::string script = "begin;\nselect i, 'exact-marker' from exact_t;\ncommit;\n";
  write_file("exact.sql", script);
  ASSERT_EQ(std::system((std::string(TARNWICK_LOG_BINARY) + " " + path("exact.sql") + " " + path("exact.SQL.log.1") +
                         " 2>/dev/null").c_str()),
            0);
  // What the server logged while `more` ran: its savepoints and selects.
  auto logged = [&](std::vector<std::string> more) {
    std::ifstream before(server_log_, std::ios::ate);
    const std::streamoff start = before.tellg();
    setenv("PGOPTIONS", "-c log_statement=all", 1);
    more.push_back("--answers-limit=10");
    run(more);
    unsetenv("PGOPTIONS");
    std::ifstream in(server_log_);
    in.seekg(start);
    std::string line;
    int savepoints = 0, selects = 0;
    while (std::getline(in, line)) {
      savepoints += line.find("statement: savepoint tarnwick_limit") != std::string::npos;
      selects += line.find("statement: select i, 'exact-marker'") != std::string::npos;
    }
    return std::to_string(savepoints) + " savepoint(s), " + std::to_string(selects) + " select(s)";
  };
  EXPECT_EQ(logged({"--sql=" + path("exact.sql")}), "1 savepoint(s), 1 select(s)");
  const std::string log = "--sql=" + path("exact.SQL.log.1");
  EXPECT_EQ(logged({log}), "0 savepoint(s), 1 select(s)");
  EXPECT_EQ(logged({"--sessions=2", "--statements=2", log}), "0 savepoint(s), 1 select(s)");
  EXPECT_EQ(logged({"--clients=2", log}), "0 savepoint(s), 1 select(s)");
}

}  // namespace
}  // namespace tarnwick::e2e
