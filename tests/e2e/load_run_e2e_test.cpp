// Measured load runs of the built binary on both engines: the error table
// of a log with known failing statements, a valid JSON report with every
// field, a report file that cannot be written, how a report file replaces
// the one before it, and the lower bound of --rate.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/e2e/run_binary.h"
#include "tests/support/file/temp_dir.h"

namespace tarnwick::e2e {
namespace {

// A log of 21 statements: a table, a query (so that in a pool the table
// is made before the inserts run), 12 good inserts, then three kinds of
// failure (3 duplicate keys, 2 missing tables, 1 syntax error), 1 query.
std::string failing_script(const std::string& table) {
  std::string script = "create table " + table + " (id int primary key);\nselect 1;\n";
  for (int i = 1; i <= 12; ++i) script += "insert into " + table + " values (" + std::to_string(i) + ");\n";
  for (int i = 0; i < 3; ++i) script += "insert into " + table + " values (5);\n";
  script += "select * from no_such_table;\nselect * from no_such_table;\nselec 1;\n";
  script += "select count(*) from " + table + ";\n";
  return script;
}

// Checks with Python's own parser that `file` holds one JSON object with
// every field of the report, and prints its counts and sorted error counts.
std::string json_summary(const std::string& file) {
  std::string command =
      "python3 -c 'import json,sys; r=json.load(open(sys.argv[1]));"
      "keys=[\"statements\",\"run\",\"failed\",\"skipped\",\"interrupted\",\"planned\",\"not_run\","
      "\"elapsed_seconds\",\"rate_per_second\",\"latency_ms\","
      "\"sessions\",\"errors\",\"other_errors\",\"batches\",\"schedule\"];"
      "missing=[k for k in keys if k not in r];"
      "missing+=[k+\".\"+f for k in (\"query\",\"other\",\"all\") for f in "
      "(\"count\",\"min\",\"p50\",\"p90\",\"p99\",\"p99_9\",\"max\",\"mean\") if f not in r[\"latency_ms\"][k]];"
      "print(missing, r[\"statements\"], r[\"run\"], r[\"failed\"], r[\"skipped\"],"
      "sorted(e[\"count\"] for e in r[\"errors\"]), len(r[\"sessions\"]), r[\"interrupted\"], r[\"planned\"],"
      "r[\"not_run\"])' " +
      file + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  std::string out;
  char buffer[512];
  while (pipe != nullptr && fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
  if (pipe != nullptr) pclose(pipe);
  return out;
}

bool have_python() { return std::system("python3 -c pass >/dev/null 2>&1") == 0; }

class LoadRunE2e : public morvane::testing::TempDirTest, public ::testing::WithParamInterface<bool> {
 protected:
  bool postgres() const { return GetParam(); }

  void SetUp() override {
    TempDirTest::SetUp();
    if (postgres() && !pg_test_server().available()) GTEST_SKIP() << "no PostgreSQL test server";
  }

  std::vector<std::string> engine() {
    if (!postgres()) return {"--host=sqlite:" + path("load.db"), "--mode=w"};
    PgServer server = pg_test_server();
    return {"--host=" + server.host, "--port=" + server.port, "--user=" + server.user, "--mode=w"};
  }

  // A fresh table name per run (the PostgreSQL database is shared).
  std::string make_failing_log(const std::string& table) {
    write_file("script.sql", (postgres() ? "drop table if exists " + table + ";\nselect 1;\n" : "") + failing_script(table));
    std::string command = std::string(TARNWICK_LOG_BINARY) + " " + path("script.sql") + " " +
                          path("fail.SQL.log.1") + " 2>/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return path("fail.SQL.log.1");
  }

  RunResult run(std::vector<std::string> arguments) {
    std::vector<std::string> all = engine();
    all.insert(all.end(), arguments.begin(), arguments.end());
    return run_tarnwick(all, "", dir_.string(), dir_.string());
  }
};

TEST_P(LoadRunE2e, TheErrorTableCountsEachFailureInSingleAndPoolRuns) {
  if (!have_python()) GTEST_SKIP() << "python3 checks the JSON";
  int extra = postgres() ? 2 : 0;  // the drop statement and a query after it
  std::string log = make_failing_log("load_single");
  RunResult single = run({"--silent", "--report=" + path("single.json"), "--sql=" + log});
  EXPECT_EQ(single.exit_code, 4) << single.err;
  EXPECT_EQ(json_summary(path("single.json")),
            "[] " + std::to_string(21 + extra) + " " + std::to_string(15 + extra) + " 6 0 [1, 2, 3] 1 False " +
                std::to_string(21 + extra) + " 0\n");

  // In a pool each failing entry is counted with its own message.
  log = make_failing_log("load_pool");
  RunResult pool = run({"--silent", "--sessions=3", "--statements=4", "--report", "--sql=" + log});
  EXPECT_EQ(pool.exit_code, 4);
  EXPECT_EQ(pool.out, "") << "pool failures stay off standard output under --silent";
  EXPECT_NE(pool.err.find(": " + std::to_string(15 + extra) + " run, 6 failed, 0 skipped\n"), std::string::npos)
      << pool.err;
  EXPECT_NE(pool.err.find("            3  "), std::string::npos) << pool.err;
  EXPECT_NE(pool.err.find("            2  "), std::string::npos) << pool.err;
  EXPECT_NE(pool.err.find("no_such_table"), std::string::npos) << pool.err;
  EXPECT_EQ(pool.err.find("DETAIL"), std::string::npos) << "failures are grouped by their first line";
  EXPECT_NE(pool.err.find("batches     "), std::string::npos) << pool.err;

  // The JSON on standard output, which --silent leaves free for it.
  log = make_failing_log("load_stdout");
  RunResult to_stdout = run({"--silent", "--sessions=2", "--statements=5", "--report=-", "--sql=" + log});
  write_file("stdout.json", to_stdout.out);
  EXPECT_EQ(json_summary(path("stdout.json")),
            "[] " + std::to_string(21 + extra) + " " + std::to_string(15 + extra) + " 6 0 [1, 2, 3] 2 False " +
                std::to_string(21 + extra) + " 0\n");
}

TEST_P(LoadRunE2e, AReportInAMissingDirectoryStopsTheRunBeforeItStarts) {
  std::string log = make_failing_log("load_never");
  RunResult missing = run({"--report=" + path("no/such/dir/r.json"), "--sql=" + log});
  EXPECT_EQ(missing.exit_code, 5);
  EXPECT_EQ(missing.out, "") << "not even the start-up hint";
  EXPECT_EQ(missing.err, "Cannot write the report file '" + path("no/such/dir/r.json") +
                             "': No such file or directory\n");
  if (!postgres()) {
    EXPECT_FALSE(std::filesystem::exists(path("load.db"))) << "nothing was opened";
  }

}

TEST_P(LoadRunE2e, AReportInAReadOnlyDirectoryStopsTheRunBeforeItStarts) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only directories";
  std::string log = make_failing_log("load_never");
  std::filesystem::create_directory(path("locked"));
  chmod(path("locked").c_str(), 0555);
  RunResult locked = run({"--report=" + path("locked/r.json"), "--sql=" + log});
  EXPECT_EQ(locked.exit_code, 5);
  EXPECT_NE(locked.err.find("Permission denied"), std::string::npos) << locked.err;
  chmod(path("locked").c_str(), 0755);
}

INSTANTIATE_TEST_SUITE_P(Engines, LoadRunE2e, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return info.param ? "PostgreSQL" : "SQLite";
                         });

// The report file on SQLite, in a folder of its own (the run's captured
// streams live in the test's folder).
class ReportFileE2e : public morvane::testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    std::filesystem::create_directory(path("reports"));
  }
  std::vector<std::string> files_in_reports() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path("reports"))) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(ReportFileE2e, ALinkAtTheReportsNameStopsTheRunAndItsTargetIsKept) {
  write_file("reports/target", "keep\n");
  std::filesystem::create_symlink("target", path("reports/r.json"));
  RunResult run = run_tarnwick({"--host=sqlite::memory:", "--report=" + path("reports/r.json")}, "select 1;\n", dir_);
  EXPECT_EQ(run.exit_code, 5);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "Cannot write the report file '" + path("reports/r.json") +
                         "': Too many levels of symbolic links\n");
  EXPECT_TRUE(std::filesystem::is_symlink(path("reports/r.json")));
  EXPECT_EQ(read_file("reports/target"), "keep\n");
}

// A run that ends before its report leaves the earlier report whole; a run
// that reports replaces it, keeping its mode. No other file stays behind.
TEST_F(ReportFileE2e, AReportReplacesTheEarlierOneOnlyWhenComplete) {
  struct Case {
    std::string host;
    int exit_code;
    std::string report_start;
  };
  const Case cases[] = {
      {"sqlite:" + path("no/such/folder/x.db"), 253, "earlier report\n"},  // the connection fails
      {"sqlite::memory:", 0, "{\n  \"format\": 2,\n"},
  };
  for (const Case& c : cases) {
    write_file("reports/r.json", "earlier report\n");
    chmod(path("reports/r.json").c_str(), 0640);
    RunResult run = run_tarnwick({"--host=" + c.host, "--report=" + path("reports/r.json")}, "select 1;\n", dir_);
    EXPECT_EQ(run.exit_code, c.exit_code) << c.host << run.err;
    EXPECT_EQ(read_file("reports/r.json").rfind(c.report_start, 0), 0u) << c.host;
    struct stat status {};
    ASSERT_EQ(stat(path("reports/r.json").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u) << c.host;
    EXPECT_EQ(files_in_reports(), std::vector<std::string>{"r.json"}) << c.host;
  }
}

// --rate has a lower bound, one statement every 1000 s: below it the value
// is warned about and the run has no schedule; at it the run has one.
TEST_F(ReportFileE2e, ARateBelowItsLowerBoundIsWarnedAboutAndNotUsed) {
  const std::string warning =
      ": the rate is a number of statements per second above 0 (at least 0.001, at most 10000000)\n";
  RunResult below = run_tarnwick({"--host=sqlite::memory:", "--quiet", "--rate=0.0001", "--rate=1e-300",
                                  "--report=" + path("reports/r.json")},
                                 "select 1;\n", dir_);
  EXPECT_EQ(below.exit_code, 0);
  EXPECT_EQ(below.err, "Warning : ignoring --rate=0.0001" + warning + "Warning : ignoring --rate=1e-300" + warning);
  const std::string report = read_file("reports/r.json");
  EXPECT_NE(report.find("\"schedule\": null\n"), std::string::npos) << report;

  RunResult at =
      run_tarnwick({"--host=sqlite::memory:", "--quiet", "--rate=0.001", "--report"}, "select 1;\n", dir_);
  EXPECT_EQ(at.exit_code, 0);
  EXPECT_NE(at.err.find("  schedule    0.001 statements/s: lag p50 "), std::string::npos) << at.err;
  // Clients pace transactions, a block counting once, and say so.
  RunResult clients = run_tarnwick({"--host=sqlite::memory:", "--quiet", "--clients=2", "--rate=1000", "--report"},
                                   "select 1;\nbegin;\nselect 2;\ncommit;\n", dir_);
  EXPECT_NE(clients.err.find("  schedule    1000.0 transactions/s: lag p50 "), std::string::npos) << clients.err;
}

// Two runs of 400 statements, the second with a stall in every 100th (a
// select of the same shape over a million joined rows instead of a
// thousand): the comparison puts the stalled shape first, its p99 and the
// queries' changed beyond error, and writes the page asked for.
TEST_F(ReportFileE2e, ComparingRunsNamesTheP99ChangeAndTheStalledShape) {
  for (const bool stalls : {false, true}) {
    std::string script =
        "create table if not exists big (x int);\ndelete from big;\n"
        "insert into big with recursive c(x) as (select 1 union all select x + 1 from c where x < 1000) "
        "select x from c;\ncreate table if not exists item (id int, name text);\n";
    for (int i = 1; i <= 400; ++i) {
      script += i % 2 == 1 ? "insert into item values (" + std::to_string(i) + ", 'n');\n"
                           : std::string("select count(*) from big a, big b where a.x < ") +
                                 (stalls && i % 100 == 0 ? "1000" : "1") + ";\n";
    }
    write_file("run.sql", script);
    const std::string report = path(stalls ? "after.json" : "before.json");
    RunResult run = run_tarnwick({"--host=sqlite::memory:", "--mode=w", "--silent", "--report=" + report,
                                  "--sql=" + path("run.sql")},
                                 "", dir_);
    ASSERT_EQ(run.exit_code, 0) << run.err;
  }
  RunResult compared = run_tarnwick({"--compare-reports=" + path("before.json") + "," + path("after.json"),
                                     "--report=" + path("reports/compare.html")},
                                    "", dir_);
  ASSERT_EQ(compared.exit_code, 0) << compared.err;
  auto line_of = [&](const std::string& start) {
    const size_t at = compared.out.find(start);
    return at == std::string::npos ? std::string() : compared.out.substr(at, compared.out.find('\n', at) - at);
  };
  EXPECT_NE(line_of("  p99 of query: ").find(" ms (+"), std::string::npos) << compared.out;
  EXPECT_NE(line_of("  p99 of shape: ").find(" ms (+"), std::string::npos) << compared.out;
  EXPECT_NE(line_of("  p99 of shape: ").find("  select count(*) from big a, big b where a.x < $1"), std::string::npos)
      << compared.out;
  EXPECT_NE(read_file("reports/compare.html").find("<svg "), std::string::npos);

  RunResult itself = run_tarnwick({"--compare-reports=" + path("after.json") + "," + path("after.json")}, "", dir_);
  EXPECT_EQ(itself.exit_code, 1);
  EXPECT_EQ(itself.out, "");
  EXPECT_EQ(itself.err, "Cannot compare '" + path("after.json") + "' with '" + path("after.json") +
                            "': they are the same file\n");
}

// Values of the clients' options out of range are warned about and the
// defaults kept; the run itself goes on.
TEST_F(ReportFileE2e, ClientOptionsOutOfRangeAreWarnedAboutAndTheRunGoesOn) {
  const struct {
    const char* option;
    const char* warning;
  } cases[] = {
      {"--clients=0", "the clients are a whole number from 1 to 10000"},
      {"--clients=-3", "the clients are a whole number from 1 to 10000"},
      {"--clients=99999999999", "the clients are a whole number from 1 to 10000"},
      {"--pipeline=0", "the depth is a whole number of statements from 1 to 10000"},
      {"--speed=-1", "the speed is a number from 0 (as fast as possible) to 1000000 (1: as recorded)"},
      {"--speed=nan", "the speed is a number from 0 (as fast as possible) to 1000000 (1: as recorded)"},
  };
  for (const auto& c : cases) {
    RunResult result = run_tarnwick({"--host=sqlite::memory:", "--quiet", c.option}, "select 7;\n", dir_);
    EXPECT_EQ(result.exit_code, 0) << c.option;
    EXPECT_EQ(result.err, std::string("Warning : ignoring ") + c.option + ": " + c.warning + "\n");
    EXPECT_NE(result.out.find("|7"), std::string::npos) << c.option << result.out;
  }
}

// Independent clients on both engines: a script that makes its table
// first (a schema change waits for what was dealt before it, and what
// follows waits for it), failures printed and counted in every figure, and
// --on-error=stop ending the run at the first one with what was not run
// in the report.
TEST_P(LoadRunE2e, IndependentClientsCountFailuresAndStopOnTheFirstWhenAsked) {
  if (!have_python()) GTEST_SKIP() << "python3 checks the JSON";
  std::string log = make_failing_log("load_clients");
  RunResult run_all = run({"--silent", "--clients=3", "--pipeline=4", "--report=" + path("clients.json"), "--sql=" + log});
  EXPECT_EQ(run_all.exit_code, 4) << run_all.err;
  int extra = postgres() ? 2 : 0;
  EXPECT_EQ(json_summary(path("clients.json")),
            "[] " + std::to_string(21 + extra) + " " + std::to_string(15 + extra) + " 6 0 [1, 2, 3] 3 False " +
                std::to_string(21 + extra) + " 0\n");
  std::string fields = output_of("python3 -c 'import json,sys; r=json.load(open(sys.argv[1]));"
                                 "print(r[\"units\"], r[\"done\"], len(r[\"per_second\"]) > 0, r[\"shapes\"][0][\"count\"] > 0,"
                                 "\"stddev\" in r[\"latency_ms\"][\"all\"], r[\"settings\"][\"clients\"])' " +
                                 path("clients.json"));
  EXPECT_EQ(fields, std::to_string(21 + extra) + " " + std::to_string(21 + extra) + " True True True 3\n");

  log = make_failing_log("load_clients_stop");
  RunResult stopped = run({"--silent", "--clients=2", "--on-error=stop", "--report", "--sql=" + log});
  EXPECT_EQ(stopped.exit_code, 3) << stopped.err;
  EXPECT_NE((stopped.out + stopped.err).find("Error : "), std::string::npos) << stopped.out;
  EXPECT_NE(stopped.err.find("planned     " + std::to_string(21 + extra) + " statements, "), std::string::npos)
      << stopped.err;
}

// Under --on-error=stop independent clients stop sending at the first
// failure: what was on its way finishes, the rest is not sent. (With
// several clients, the others' statements that ran while the failing one
// waited count as on their way; how many depends on the machine.)
TEST_P(LoadRunE2e, ClientsStopSendingAtTheFirstFailure) {
  std::vector<std::string> inserts = {"insert into stop_t values (1)", "insert into stop_t values (1)"};
  for (int i = 2; i <= 400; ++i) inserts.push_back("insert into stop_t values (" + std::to_string(i) + ")");
  write_file("stop.SQL.log.1", replay_log_bytes(inserts));
  const struct {
    std::vector<std::string> mode;
    int most;  // rows at most: the first, and what was on its way
  } cases[] = {{{"--clients=1"}, 1}, {{"--clients=1", "--pipeline=16"}, 17}};
  for (const auto& c : cases) {
    run({"--command=drop table if exists stop_t; create table stop_t (i int primary key)"});
    std::vector<std::string> arguments = c.mode;
    arguments.insert(arguments.end(), {"--silent", "--on-error=stop", "--sql=" + path("stop.SQL.log.1")});
    EXPECT_EQ(run(arguments).exit_code, 3) << c.mode.back();
    const std::string rows = run({"--format=csv", "--command=select count(*) from stop_t"}).out;
    const int count = std::atoi(rows.substr(rows.find('\n') + 1).c_str());
    EXPECT_GE(count, 1) << c.mode.back();
    EXPECT_LE(count, c.most) << c.mode.back();
  }
}

// A captured session that holds a lock in its open transaction while
// another session's statements pile up behind the lock: the log is read on
// past them to the COMMIT that frees them, as fast as it goes.
// --limit=N runs N statements of a replay log as of a script, on one
// session, in a pool's batches and on independent clients.
TEST_P(LoadRunE2e, TheLimitHoldsForReplayLogsInEveryMode) {
  std::vector<std::string> inserts;
  for (int i = 0; i < 20; ++i) inserts.push_back("insert into lim_t values (" + std::to_string(i) + ")");
  write_file("lim.SQL.log.1", replay_log_bytes(inserts));
  const std::vector<std::vector<std::string>> modes = {{}, {"--sessions=2", "--statements=2"}, {"--clients=2"}};
  for (const std::vector<std::string>& mode : modes) {
    run({"--command=drop table if exists lim_t; create table lim_t (i int)"});
    std::vector<std::string> arguments = mode;
    arguments.insert(arguments.end(), {"--silent", "--limit=5", "--sql=" + path("lim.SQL.log.1")});
    run(arguments);
    RunResult rows = run({"--format=csv", "--command=select count(*) from lim_t"});
    EXPECT_NE(rows.out.find("\n5\n"), std::string::npos) << (mode.empty() ? "single" : mode[0]) << ": " << rows.out;
  }
}

TEST_P(LoadRunE2e, ACapturedSessionWaitingOnAnotherDoesNotStopTheLog) {
  if (!postgres()) GTEST_SKIP() << "a server log is PostgreSQL's";
  std::string log;
  int tick = 0;
  auto line = [&](int pid, const std::string& text) {
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "2026-12-08 10:00:%02d.%03d UTC [%d] ", tick / 1000, tick % 1000, pid);
    ++tick;
    log += std::string(stamp) + "LOG:  statement: " + text + "\n";
  };
  line(101, "begin");
  line(101, "update held set v = v + 1 where id = 1");
  for (int i = 0; i < 1000; ++i) line(102, "update held set v = v + 1 where id = 1");
  line(101, "commit");
  write_file("server.log", log);
  ASSERT_EQ(std::system((std::string(TARNWICK_LOG_BINARY) + " " + path("server.log") + " " + path("held.SQL.log.1") +
                         " 2>/dev/null").c_str()), 0);
  // The table is made by a script before the log: at --speed=0 the
  // captured sessions keep their own order, not each other's.
  write_file("held.sql", "drop table if exists held;\ncreate table held (id int primary key, v int);\n"
                         "insert into held values (1, 0);\n");
  RunResult result = run({"--silent", "--speed=0", "--report", "--sql=" + path("held.sql") + "," + path("held.SQL.log.1")});
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_NE(result.err.find("1006 run, 0 failed"), std::string::npos) << result.err;
  EXPECT_EQ(result.err.find("share clients"), std::string::npos) << result.err;
  // A pool's batch still waiting when the log starts is sent before it:
  // the table the log updates is made there.
  run({"--silent", "--command=drop table held"});
  RunResult pooled = run({"--silent", "--statements=5", "--speed=0", "--report",
                          "--sql=" + path("held.sql") + "," + path("held.SQL.log.1")});
  EXPECT_NE(pooled.err.find("1006 run, 0 failed"), std::string::npos) << pooled.err;

  // One client for two sessions at once: they share it, and the run says so.
  RunResult shared = run({"--silent", "--clients=1", "--sql=" + path("held.sql") + "," + path("held.SQL.log.1")});
  EXPECT_NE(shared.err.find("Warning : more captured sessions at once than 1 clients: sessions share clients"),
            std::string::npos)
      << shared.err;

  // Sharing, they take turns between transactions: a row of one session
  // is not rolled back with another's block, and a session that ends in a
  // block leaves it rolled back, as its server did.
  log.clear();
  line(201, "begin");
  line(201, "insert into held values (2, 0)");
  line(202, "insert into held values (3, 0)");
  line(201, "rollback");
  line(203, "begin");
  line(203, "insert into held values (4, 0)");
  log += "2026-12-08 10:00:59.000 UTC [203] LOG:  disconnection: session time: 0:00:01.000 user=u database=d\n";
  line(204, "insert into held values (5, 0)");
  write_file("turns.log", log);
  ASSERT_EQ(std::system((std::string(TARNWICK_LOG_BINARY) + " " + path("turns.log") + " " + path("turns.SQL.log.1") +
                         " 2>/dev/null").c_str()), 0);
  RunResult turns = run({"--silent", "--clients=1", "--speed=0", "--report",
                         "--sql=" + path("held.sql") + "," + path("turns.SQL.log.1")});
  EXPECT_NE(turns.err.find("10 run, 0 failed"), std::string::npos) << turns.err;
  RunResult rows = run({"--format=csv", "--command=select string_agg(id::text, ' ' order by id) from held"});
  EXPECT_NE(rows.out.find("1 3 5"), std::string::npos) << rows.out << rows.err;
}

}  // namespace
}  // namespace tarnwick::e2e
