// A few runs on the throw-away PostgreSQL server that make test starts; they
// skip when none is running.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/postgres_fixture.h"

namespace tarnwick::e2e {
namespace {

TEST_F(PostgresRun, TheThreeRowTable) {
  RunResult result = run({"--timeout=5"}, "drop table if exists t;\n" + std::string(kPeopleScript) +
                                              "select * from t order by id;\n");
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.out, kPeopleTable);  // --quiet: no affected lines
  // The server's notice about the missing table, as psql writes it.
  EXPECT_EQ(result.err, "NOTICE:  table \"t\" does not exist, skipping\n");
}

TEST_F(PostgresRun, ALostConnectionEndsTheSourceAndTheNextRuns) {
  write_file("a.sql",
             "select pg_terminate_backend(pg_backend_pid());\n"
             "create temporary table gone (x int);\n"
             "select 'not reached' as s;\n");
  write_file("b.sql", "reconnect;\nselect 'second' as s;\n");
  RunResult result = run({"--raw", "--sql=a.sql,b.sql"});
  EXPECT_EQ(result.exit_code, 2);  // statements were not sent
  EXPECT_EQ(result.out.find("not reached"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("|second|\n"), std::string::npos) << result.out;
  EXPECT_NE(result.err.find("The connection to the engine was lost: the rest of 'a.sql' (2 statements) was not run\n"),
            std::string::npos)
      << result.err;
}

TEST_F(PostgresRun, PoolBatchesInInputOrder) {
  RunResult result = run({"--raw", "--sessions=3", "--statements=3"},
                         "select 1 as a; select 2 as b; select 3 as c; select 4 as d;");
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.out,
            "1 row(s)\n++\n||\n++\n|1|\n"
            "1 row(s)\n++\n||\n++\n|2|\n"
            "1 row(s)\n++\n||\n++\n|3|\n"
            "1 row(s)\n++\n||\n++\n|4|\n");
}

}  // namespace
}  // namespace tarnwick::e2e
