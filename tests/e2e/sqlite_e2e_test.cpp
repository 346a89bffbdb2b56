// The binary on the embedded engine: tables, counts, batches, switches and
// exit codes, each checked as exit code, standard output and standard error.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/run_binary.h"
#include "tests/support/file/temp_dir.h"

namespace tarnwick::e2e {
namespace {

class SqliteRun : public morvane::testing::TempDirTest {
 protected:
  RunResult run(std::vector<std::string> arguments, const std::string& input) {
    arguments.insert(arguments.begin(), {"--host=sqlite:" + path("test.db"), "--mode=w"});
    return run_tarnwick(arguments, input, dir_.string());
  }
};

TEST_F(SqliteRun, TheThreeRowTableAndAffectedLines) {
  RunResult result = run({}, std::string(kPeopleScript) +
                                 "select * from t order by id;\n"
                                 "update t set city = 'X' where id = 1;\n"
                                 "delete from t where id > 0");
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.out,
            "type quit; to exit.\n"
            "0 row affected\n"
            "3 rows affected\n" +
                std::string(kPeopleTable) +
            "1 row affected\n"
            "3 rows affected\n");
  EXPECT_EQ(result.err, "");
}

TEST_F(SqliteRun, RawMode) {
  RunResult result = run({"--raw", "--quiet"}, std::string(kPeopleScript) + "select * from t order by id;");
  EXPECT_EQ(result.out,
            "3 row(s)\n"
            "+--+----+----+\n"
            "|id|name|city|\n"
            "+--+----+----+\n"
            "|1|Ann||\n"
            "|22|Bartholomew|Oslo|\n"
            "|333||Rome|\n");
}

constexpr const char* kNumbers =
    "create table n (x int);\n"
    "insert into n with recursive c(x) as (select 1 union all select x + 1 from c where x < %d) "
    "select x from c;\n";

std::string numbers(int count) {
  char text[256];
  std::snprintf(text, sizeof text, kNumbers, count);
  return text;
}

TEST_F(SqliteRun, APageOfALongerResult) {
  RunResult result = run({"--quiet"}, numbers(57) + "select x from n order by x;");
  std::string expected = "57 (20 fetched) rows\n+--+\n|x |\n+--+\n";
  for (int i = 1; i <= 20; ++i) expected += (i < 10 ? "|" + std::to_string(i) + " |\n" : "|" + std::to_string(i) + "|\n");
  EXPECT_EQ(result.out, expected);
}

TEST_F(SqliteRun, TruncatedAtTheAnswersLimit) {
  RunResult result = run({"--quiet", "--page-size=1"}, numbers(3000) + "select x from n;");
  EXPECT_EQ(result.out, "result truncated to 1024 row(s)\n+-+\n|x|\n+-+\n|1|\n");
  result = run({"--quiet", "--page-size=1", "--answers-limit=5000"}, "select count(*) as c from n;");
  EXPECT_EQ(result.out, "1 row(s)\n+----+\n|c   |\n+----+\n|3000|\n");
}

TEST_F(SqliteRun, EngineErrorsAreReportedAndTheRunGoesOn) {
  RunResult result = run({"--quiet"}, "select * from missing; insert into missing values (1); select 7 as n;");
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.out,
            "Error : no such table: missing\n"
            "Error : no such table: missing\n"
            "1 row(s)\n+-+\n|n|\n+-+\n|7|\n");
}

TEST_F(SqliteRun, PoolBatchesKeepInputOrder) {
  RunResult result = run({"--sessions=1", "--statements=3"},
                         "create table p (x int);\n"
                         "insert into p values (1);\n"
                         "insert into p values (2), (3);\n"
                         "insert into p values (4), (5), (6);\n"
                         "delete from p where x > 5;\n"
                         "select 'first' as a;\n"
                         "select count(*) as c from p;\n");
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.out,
            "type quit; to exit.\n"
            "0 row affected\n1 row affected\n2 rows affected\n3 rows affected\n1 row affected\n"
            "1 row(s)\n+-----+\n|     |\n+-----+\n|first|\n"
            "1 row(s)\n+-+\n| |\n+-+\n|5|\n");
}

TEST_F(SqliteRun, IgnoreSwitchesDropStatements) {
  RunResult result = run({"--quiet", "--ignore-create", "--ignore-delete", "--ignore-transaction",
                          "--ignore-select"},
                         "create table a (x int);\n"
                         "begin transaction;\n"
                         "delete from a;\n"
                         "select 1;\n"
                         "create table b (x int);\n");
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "");
  result = run({"--quiet"}, "select name from sqlite_master;");
  EXPECT_EQ(result.out, "0 row(s)\n");
}

TEST_F(SqliteRun, TheStatementLimitEndsEachSourceOnceReached) {
  write_file("a.sql", "select 1 as a; select 2 as a; select 3 as a;");
  write_file("b.sql", "select 4 as b; select 5 as b;");
  RunResult result = run({"--quiet", "--raw", "--limit=2", "--sql=a.sql,b.sql"}, "");
  EXPECT_EQ(result.out,
            "1 row(s)\n+-+\n|a|\n+-+\n|1|\n"
            "1 row(s)\n+-+\n|a|\n+-+\n|2|\n"
            "1 row(s)\n+-+\n|b|\n+-+\n|4|\n");
}

TEST_F(SqliteRun, VerboseEchoAndPause) {
  RunResult result = run({"--quiet", "--verboze"}, "  pause0;\nselect 1 as n;");
  EXPECT_EQ(result.out, "  pause0;\n select 1 as n;\n1 row(s)\n+-+\n|n|\n+-+\n|1|\n");
}

TEST_F(SqliteRun, AFailedServerWaitExitsWith255OnStandardError) {
  RunResult result = run_tarnwick({"--host=127.0.0.1", "--port=1", "--timeout=1"}, "", dir_.string());
  EXPECT_EQ(result.exit_code, 255);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err.rfind("Fatal : ", 0), 0u) << result.err;
}

TEST_F(SqliteRun, AFailedConnectionExitsWith253OnStandardOutput) {
  RunResult result = run_tarnwick({"--host=sqlite:" + path("no/such/dir.db")}, "", dir_.string());
  EXPECT_EQ(result.exit_code, 253);
  EXPECT_EQ(result.out.rfind("Fatal : ", 0), 0u) << result.out;
  EXPECT_EQ(result.err, "");
}

TEST_F(SqliteRun, VersionAndUnknownArguments) {
  RunResult result = run_tarnwick({"--bogus", "--version"}, "", dir_.string());
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.out,
            "Warning : unrecognized argument --bogus\n"
            "Tarnwick release 6.1.5(Apr  5 2011) [revision #5367]\n");
}

}  // namespace
}  // namespace tarnwick::e2e
