// The shell in a pipeline: the row formats against what psql writes for the
// same result (golden files made by psql, and psql itself when the test
// server runs), --on-error=stop, engine notices, and Ctrl-C (SIGINT) in a
// run that reads no terminal.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/e2e/postgres_fixture.h"
#include "tests/e2e/run_binary.h"
#include "tests/support/file/temp_dir.h"

namespace tarnwick::e2e {
namespace {

std::string golden(const std::string& name) {
  std::ifstream in(std::string(TARNWICK_GOLDEN_DIR) + "/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}


const char* const kFormats[] = {"csv", "tsv", "unaligned"};

using PipelineRun = morvane::testing::TempDirTest;

TEST_F(PipelineRun, FormatsWriteWhatPsqlWritesOnSqlite) {
  for (const char* format : kFormats) {
    RunResult result = run_tarnwick({"--host=sqlite::memory:", "--mode=w", std::string("--format=") + format},
                                    golden("formats.sql"), dir_.string());
    EXPECT_EQ(result.exit_code, 0) << format;
    EXPECT_EQ(result.out, golden(std::string("formats.") + format)) << format;  // no hint, no counts
    EXPECT_EQ(result.err, "") << format;
  }
}

TEST_F(PipelineRun, TheTableStaysTheDefaultAndUnknownValuesWarn) {
  RunResult result = run_tarnwick({"--host=sqlite::memory:", "--format=xml", "--on-error=halt"},
                                  "select 1 as a;\nselect nope;\nselect 2 as b;\n", dir_.string());
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.out,
            "Warning : unrecognized argument --format=xml\n"
            "Warning : unrecognized argument --on-error=halt\n"
            "type quit; to exit.\n"
            "1 row(s)\n+-+\n|a|\n+-+\n|1|\n"
            "Error : no such column: nope\n"
            "1 row(s)\n+-+\n|b|\n+-+\n|2|\n");
}

TEST_F(PipelineRun, OnErrorStopEndsTheRunAtTheFirstFailure) {
  std::string database = "--host=sqlite:" + path("db.sqlite");
  write_file("second.sql", "create table from_second (x int);\n");
  RunResult result = run_tarnwick({database, "--mode=w", "--quiet", "--on-error=stop", "--sql=-,second.sql"},
                                  "create table first (x int);\ninsert into nowhere values (1);\n"
                                  "create table after_error (x int);\n",
                                  dir_.string());
  EXPECT_EQ(result.exit_code, 3);
  EXPECT_EQ(result.out, "Error : no such table: nowhere\n");
  RunResult tables = run_tarnwick({database, "--quiet", "--raw"},
                                  "select name from sqlite_master order by name;", dir_.string());
  EXPECT_EQ(tables.out, "1 row(s)\n+----+\n|name|\n+----+\n|first|\n");

  // A pool batch that fails stops the run in the same way, naming the error.
  RunResult pool = run_tarnwick({database, "--mode=w", "--quiet", "--on-error=stop", "--sessions=2",
                                 "--statements=2"},
                                "insert into first values (1);\ninsert into nowhere values (2);\n"
                                "create table after_pool (x int);\ncreate table after_pool2 (x int);\n",
                                dir_.string());
  EXPECT_EQ(pool.exit_code, 3);
  EXPECT_EQ(pool.out, "Error : no such table: nowhere\n");
  tables = run_tarnwick({database, "--quiet", "--raw"},
                        "select count(*) as n from sqlite_master where name like 'after%';", dir_.string());
  EXPECT_EQ(tables.out, "1 row(s)\n+-+\n|n|\n+-+\n|0|\n");
}

// Standard input is read in blocks: what the first "-" read past the
// "quit" that ended it is where the second "-" starts.
TEST_F(PipelineRun, StandardInputNamedTwiceGoesOnAfterQuit) {
  RunResult result = run_tarnwick({"--host=sqlite::memory:", "--quiet", "--raw", "--sql=-,-"},
                                  "select 1 as a;\nquit;\nselect 2 as b;\n", dir_.string());
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.out, "1 row(s)\n+-+\n|a|\n+-+\n|1|\n1 row(s)\n+-+\n|b|\n+-+\n|2|\n");
}

TEST_F(PipelineRun, CtrlCEndsAPauseAndTheRun) {
  RunResult result = run_tarnwick_interrupted({"--host=sqlite::memory:", "--quiet", "--raw"},
                                              "select 1 as a;\npause60;\nselect 2 as b;\n", dir_.string(), 300);
  EXPECT_EQ(result.exit_code, 130);
  EXPECT_LT(result.seconds_after_interrupt, 2.0);
  EXPECT_EQ(result.out, "1 row(s)\n+-+\n|a|\n+-+\n|1|\n");
}

class PostgresPipeline : public PostgresRun {
 protected:
  // The statement `text` no longer runs on the server. (Each test sleeps
  // for its own time, so that tests running at the same time on the same
  // server are told apart.)
  void expect_nothing_active(const std::string& text) {
    RunResult active = run_tarnwick(
        arguments({"--raw"}),
        "select count(*) as n from pg_stat_activity where state = 'active' and query = '" + text + "';",
        dir_.string());
    EXPECT_EQ(active.out, "1 row(s)\n+-+\n|n|\n+-+\n|0|\n");
  }
};

TEST_F(PostgresPipeline, FormatsWriteWhatPsqlWrites) {
  // A temporary table: each session has its own, so parallel runs do not meet.
  std::string script = golden("formats.sql");
  script.replace(script.find("create table"), 12, "create temporary table");
  write_file("formats.sql", script);
  bool have_psql = !output_of("command -v psql").empty();
  for (const char* format : kFormats) {
    RunResult result = run({std::string("--format=") + format}, script);
    EXPECT_EQ(result.exit_code, 0) << format;
    EXPECT_EQ(result.out, golden(std::string("formats.") + format)) << format;
    if (!have_psql) continue;
    std::string options = std::string(format) == "csv" ? "--csv"
                          : std::string(format) == "tsv" ? "-A -F '\t' -P footer=off"
                                                          : "-A -P footer=off";
    std::string psql = "psql -X -q -h " + server_.host + " -p " + server_.port + " -U " + server_.user +
                       " -d postgres " + options + " -f " + path("formats.sql");
    EXPECT_EQ(result.out, output_of(psql)) << format;
  }
}

TEST_F(PostgresPipeline, NoticesGoToStandardErrorAsPsqlWritesThem) {
  RunResult result = run(
      {"--raw"},
      "do 'begin raise notice ''hello %'', 1; raise warning ''careful''; end';\nselect 1 as x;\n");
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.err, "NOTICE:  hello 1\nWARNING:  careful\n");
  EXPECT_EQ(result.out, "1 row(s)\n+-+\n|x|\n+-+\n|1|\n");
}

TEST_F(PostgresPipeline, CtrlCCancelsTheStatementAndEndsTheRun) {
  RunResult result = run_tarnwick_interrupted(arguments({}), "select pg_sleep(30.5);\nselect 'after' as s;\n",
                                              dir_.string(), 500);
  EXPECT_EQ(result.exit_code, 130);
  EXPECT_LT(result.seconds_after_interrupt, 2.0);
  EXPECT_EQ(result.out, "Error : ERROR:  canceling statement due to user request\n");
  expect_nothing_active("select pg_sleep(30.5);");
}

TEST_F(PostgresPipeline, CtrlCCancelsEverySessionOfAPool) {
  RunResult result = run_tarnwick_interrupted(
      arguments({"--sessions=2", "--statements=2"}),
      "select pg_sleep(30.25);\nselect pg_sleep(30.25);\nselect 'after' as s;\nselect 'after' as s;\n",
      dir_.string(), 500);
  EXPECT_EQ(result.exit_code, 130);
  EXPECT_LT(result.seconds_after_interrupt, 2.0);
  EXPECT_EQ(result.out.find("after"), std::string::npos) << result.out;
  expect_nothing_active("select pg_sleep(30.25);");
}

}  // namespace
}  // namespace tarnwick::e2e
