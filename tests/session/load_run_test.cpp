// Measured load runs against the fake client library: the report's counts,
// its error table and JSON, fixed-rate replay, and standard output left as
// it is.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "console/driver.h"
#include "measure/run_stats.h"
#include "statements/replay_log_writer.h"
#include "support/file/file.h"
#include "tests/console/console_fixture.h"

namespace tarnwick {
namespace {

struct RunOutcome {
  int exit_code = 0;
  std::string out;
  std::string err;
  double seconds = 0;
};

class LoadRun : public testing::ConsoleTest {
 protected:
  void SetUp() override {
    ConsoleTest::SetUp();
    output();  // the fixture's capture; each run captures its own
    char pattern[] = "/tmp/tarnwick-load.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    ConsoleTest::TearDown();
    std::system(("rm -rf " + dir_).c_str());
  }

  std::string path(const std::string& name) const { return dir_ + "/" + name; }

  // Writes the statements as an 8-bit replay log named `name`.
  std::string make_log(const std::vector<std::string>& statements, const std::string& name = "run.SQL.log.1") {
    morvane::iFile log;
    EXPECT_TRUE(log.open(path(name).c_str(), morvane::IF_MODE_CREATE, 0, 0));
    ReplayLogFormat format;
    EXPECT_TRUE(write_replay_header(log, format));
    for (const std::string& text : statements) {
      EXPECT_EQ(write_replay_record(log, format, text.c_str()), RecordWritten::written);
    }
    log.close();
    return path(name);
  }

  // One whole console run in this process, from fresh state.
  RunOutcome run(std::vector<std::string> arguments) {
    reset_process_state();
    fake_ql::reset();
    for (const fake_ql::Outcome& outcome : queued_) fake_ql::push(outcome);
    std::vector<const char*> argv = {"tarnwick"};
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    auto start = std::chrono::steady_clock::now();
    RunOutcome result;
    result.exit_code = run_console(static_cast<int>(argv.size()), argv.data());
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::fflush(stdout);
    result.out = ::testing::internal::GetCapturedStdout();
    result.err = ::testing::internal::GetCapturedStderr();
    return result;
  }

  std::string read(const std::string& file) const {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  std::vector<fake_ql::Outcome> queued_;
  std::string dir_;
};

fake_ql::Outcome failing(const std::string& message) {
  fake_ql::Outcome outcome;
  outcome.error_code = QL_ERR_ENGINE;
  outcome.error_text = message;
  return outcome;
}

// The number after `key` in `json`, looked for from the first `section`.
double number_in(const std::string& json, const std::string& section, const std::string& key) {
  size_t from = json.find(section);
  EXPECT_NE(from, std::string::npos) << section;
  size_t at = json.find("\"" + key + "\": ", from);
  EXPECT_NE(at, std::string::npos) << key;
  if (from == std::string::npos || at == std::string::npos) return -1;
  return std::strtod(json.c_str() + at + key.size() + 4, nullptr);
}

TEST_F(LoadRun, CountsAddUpErrorsAreCountedAndStandardOutputStaysAsItWas) {
  // 10 inserts (3 of them failing), 4 deletes dropped by --ignore-delete,
  // 6 queries, on a pool of 2 sessions in batches of 4.
  std::vector<std::string> statements;
  for (int i = 0; i < 20; ++i) {
    if (i % 5 == 4) {
      statements.push_back("delete from t");
    } else if (i % 3 == 0) {
      statements.push_back("select " + std::to_string(i) + " from t");
    } else {
      statements.push_back("insert into t values (" + std::to_string(i) + ")");
    }
  }
  int sent = 0;
  for (const std::string& text : statements) {
    if (text.rfind("delete", 0) == 0) continue;
    bool insert = text.rfind("insert", 0) == 0;
    queued_.push_back(insert && (sent == 1 || sent == 7) ? failing("boom")
                      : insert && sent == 4             ? failing("bang")
                                                        : fake_ql::Outcome());
    ++sent;
  }
  std::string log = make_log(statements);
  std::vector<std::string> common = {"--ignore-delete", "--sessions=2", "--statements=4", "--sql=" + log};

  RunOutcome plain = run(common);
  std::vector<std::string> reported = common;
  reported.push_back("--report=" + path("report.json"));
  RunOutcome measured = run(reported);
  EXPECT_EQ(plain.exit_code, 0);
  EXPECT_EQ(measured.exit_code, kExitStatementFailed);
  EXPECT_EQ(measured.out, plain.out) << "standard output is the same with a report";
  EXPECT_EQ(measured.err, plain.err);

  std::string json = read(path("report.json"));
  EXPECT_EQ(number_in(json, "{", "statements"), 20);
  EXPECT_EQ(number_in(json, "{", "run"), 13);
  EXPECT_EQ(number_in(json, "{", "failed"), 3);
  EXPECT_EQ(number_in(json, "{", "skipped"), 4);
  EXPECT_NE(json.find("{\"message\": \"boom\", \"count\": 2}"), std::string::npos) << json;
  EXPECT_NE(json.find("{\"message\": \"bang\", \"count\": 1}"), std::string::npos) << json;
  EXPECT_EQ(number_in(json, "\"query\"", "count"), 6);
  EXPECT_EQ(number_in(json, "\"other\"", "count"), 7);
  EXPECT_EQ(number_in(json, "\"session\": 0", "statements") + number_in(json, "\"session\": 1", "statements"), 16);
  EXPECT_EQ(number_in(json, "\"batches\"", "entries"), 16);
  EXPECT_NE(json.find("\"schedule\": null"), std::string::npos);

  // The text report on standard error, and without --report no exit code 4.
  reported.back() = "--report";
  RunOutcome text = run(reported);
  EXPECT_EQ(text.out, plain.out);
  EXPECT_NE(text.err.find("statements  20: 13 run, 3 failed, 4 skipped\n"), std::string::npos) << text.err;
  EXPECT_NE(text.err.find("            2  boom\n"), std::string::npos) << text.err;
  EXPECT_NE(text.err.find("batches     11 sent, 1.5 of 4 entries on average (36.4% full), 1 full\n"), std::string::npos) << text.err;
}

TEST_F(LoadRun, FixedRateRunsOnScheduleAndAStallShowsInLatencyAndLag) {
  // 1,000 statements at 500 a second; statement 100 stalls for 300 ms.
  std::vector<std::string> statements;
  for (int i = 0; i < 1000; ++i) statements.push_back("insert into t values (" + std::to_string(i) + ")");
  queued_.resize(1000);
  queued_[100].stall_ms = 300;
  std::string log = make_log(statements);
  RunOutcome result = run({"--silent", "--rate=500", "--late=100", "--report=" + path("rate.json"), "--sql=" + log});
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_NEAR(result.seconds, 2.0, 0.2);

  // Every statement was due 2 ms after the one before it.
  const std::vector<int64_t>& due = fake_ql::scheduled();
  ASSERT_EQ(due.size(), 1000u);
  EXPECT_NEAR(static_cast<double>(due[999] - due[0]), 999 * 2e6, 1e3);

  // Latency counts from the due time: the 150 statements held up behind the
  // stall have waited up to 300 ms, and the tail shows it (a latency taken
  // from the moment each was sent would hide all but the stalled one). Of
  // 1,000 the eleventh worst waited about 300 - 10 x 2 ms.
  std::string json = read(path("rate.json"));
  EXPECT_GE(number_in(json, "\"all\"", "max"), 300.0) << json;
  EXPECT_GE(number_in(json, "\"all\"", "p99"), 270.0) << json;
  EXPECT_GE(number_in(json, "\"all\"", "p90"), 90.0) << json;
  EXPECT_LT(number_in(json, "\"all\"", "p50"), 50.0) << json;
  EXPECT_GE(number_in(json, "\"schedule\"", "max"), 290.0) << json;
  double late = number_in(json, "\"schedule\"", "late");
  EXPECT_GE(late, 90);  // later than 100 ms: those due in the first ~200 ms of the stall
  EXPECT_LE(late, 110);
  EXPECT_EQ(number_in(json, "\"schedule\"", "rate"), 500);
}

TEST_F(LoadRun, FixedRateSpreadsOverThePoolAndAShortRunStillReports) {
  std::vector<std::string> statements;
  for (int i = 0; i < 200; ++i) statements.push_back(i % 2 == 0 ? "select 1" : "insert into t values (1)");
  std::string log = make_log(statements);
  RunOutcome pooled = run({"--silent", "--sessions=4", "--statements=8", "--rate=1000", "--report", "--sql=" + log});
  EXPECT_EQ(pooled.exit_code, 0);
  EXPECT_NEAR(pooled.seconds, 0.2, 0.1);
  EXPECT_EQ(fake_ql::scheduled().size(), 200u);
  EXPECT_NE(pooled.err.find("statements  200: 200 run, 0 failed, 0 skipped\n"), std::string::npos) << pooled.err;
  EXPECT_NE(pooled.err.find("schedule    1000.0 statements/s: lag p50"), std::string::npos) << pooled.err;

  // One statement, far less than a progress interval: no progress line,
  // and the report all the same.
  std::string one = make_log({"select 1"}, "one.SQL.log.1");
  RunOutcome shortest = run({"--quiet", "--progress=1", "--report", "--sql=" + one});
  EXPECT_EQ(shortest.err.find("progress:"), std::string::npos);
  EXPECT_NE(shortest.err.find("statements  1: 1 run, 0 failed, 0 skipped\n"), std::string::npos) << shortest.err;
  EXPECT_EQ(shortest.out, "0 row(s)\n");
}

TEST_F(LoadRun, ProgressLinesCountTheRunAndItsShareOfTheLog) {
  std::vector<std::string> statements(40, "insert into t values (1)");
  queued_.resize(40);
  queued_[10] = failing("boom");
  for (int i = 0; i < 40; ++i) queued_[i].stall_ms = 30;
  std::string log = make_log(statements);
  RunOutcome result = run({"--silent", "--progress=1", "--sql=" + log});
  EXPECT_EQ(result.exit_code, 0) << "no --report: exit codes as before";
  EXPECT_EQ(result.out, "Error : boom\n");
  // About 33 statements in the first second, one of them failed.
  size_t line = result.err.find("progress: 1.0 s, ");
  ASSERT_NE(line, std::string::npos) << result.err;
  EXPECT_NE(result.err.find("%), ", line), std::string::npos) << result.err;
  EXPECT_NE(result.err.find(" 1 failed, p50 3", line), std::string::npos) << result.err;
}

}  // namespace
}  // namespace tarnwick
