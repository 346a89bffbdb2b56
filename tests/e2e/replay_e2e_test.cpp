// Replay logs made by tarnwick-log, played by the binary on the embedded
// engine.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/e2e/run_binary.h"
#include "tests/support/file/temp_dir.h"

namespace tarnwick::e2e {
namespace {

namespace fs = std::filesystem;

class Replay : public morvane::testing::TempDirTest {
 protected:
  RunResult run(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(),
                     {"--host=sqlite:" + path("test.db"), "--mode=w", "--quiet", "--raw"});
    return run_tarnwick(arguments, "", dir_.string(), dir_.string());
  }
  // Turns `script` into the log `name` with tarnwick-log and `options`.
  void make_log(const std::string& script, const std::string& name, const std::string& options = "") {
    write_file("script.sql", script);
    std::string command = std::string(TARNWICK_LOG_BINARY) + " " + options + " " +
                          path("script.sql") + " " + path(name) + " 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
  }
  std::vector<std::string> trace_files() const { return trace_files_in(dir_.string()); }
};

TEST_F(Replay, OnlyANameHoldingSqlLogIsAReplayLog) {
  make_log("select 1 as a;", "run.SQL.log.1", "--big-endian --utf16");
  fs::copy_file(path("run.SQL.log.1"), path("run.sql.log.1"));
  RunResult replayed = run({"--sql=run.SQL.log.1"});
  EXPECT_EQ(replayed.out, "1 row(s)\n+-+\n|a|\n+-+\n|1|\n");
  EXPECT_EQ(replayed.err, "");
  RunResult as_text = run({"--sql=run.sql.log.1"});
  EXPECT_EQ(as_text.out.find("|a|"), std::string::npos) << "read as a script, not a log";
}

TEST_F(Replay, CommandsAreStatementsAndTheStopFlagIsNotConsulted) {
  make_log("create table t (x int); quit; insert into t values (1); select count(*) as n from t;",
           "cmd.SQL.log.1");
  RunResult result = run({"--sql=cmd.SQL.log.1"});
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.out, "Error : near \"quit\": syntax error\n1 row(s)\n+-+\n|n|\n+-+\n|1|\n");
}

TEST_F(Replay, ADamagedLogIsReportedAndTheNextEntryRuns) {
  make_log("create table t (x int); insert into t values (7);", "bad.SQL.log.1");
  std::string bytes = read_file("bad.SQL.log.1");
  write_file("bad.SQL.log.1", bytes.substr(0, bytes.size() - 3));  // cut the last text
  write_file("short.SQL.log.2", "\xFF\xBB\xBB");
  write_file("next.sql", "select count(*) as n from t;");
  RunResult result = run({"--sql=bad.SQL.log.1,short.SQL.log.2,missing.SQL.log.3,next.sql"});
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_EQ(result.err,
            "Invalid entry in file 'bad.SQL.log.1' (skipping at this point)\n"
            "Invalid file 'short.SQL.log.2' (skipping it)\n"
            "Cannot stat file 'missing.SQL.log.3'\n");
  EXPECT_EQ(result.out, "1 row(s)\n+-+\n|n|\n+-+\n|0|\n") << "the create before the damage ran";
}

TEST_F(Replay, DebugTracesTheRejectedNonQueriesInOrder) {
  make_log(
      "create table t (x int);\n"
      "insert into t values (1);\n"
      "insert into missing values (2);\n"
      "select * from missing;\n"
      "update missing set x = 3;\n"
      "insert into t values (4);\n",
      "load.SQL.log.1", "--utf16");
  RunResult result = run({"--debug", "--sql=load.SQL.log.1", "--silent"});
  EXPECT_EQ(result.exit_code, 0);
  std::vector<std::string> files = trace_files();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(read_file(files[0]), "insert into missing values (2);\nupdate missing set x = 3;\n");
}

TEST_F(Replay, PoolBatchesPlayTheWholeLog) {
  // The table is made by a run of its own: within a batch the sessions run
  // at the same time, so a create in the same batch could come after
  // inserts into it.
  write_file("make.sql", "create table t (x int);");
  ASSERT_EQ(run({"--sql=make.sql"}).exit_code, 0);
  std::string script;
  for (int i = 0; i < 500; ++i) script += "insert into t values (" + std::to_string(i) + ");\n";
  make_log(script, "pool.SQL.log.1");
  write_file("check.sql", "select count(*) as n, sum(x) as s from t;");
  RunResult result = run({"--sessions=4", "--statements=64", "--sql=pool.SQL.log.1,check.sql"});
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_NE(result.out.find("|500|124750|"), std::string::npos) << result.out;
  EXPECT_EQ(result.err, "");
}

}  // namespace
}  // namespace tarnwick::e2e
