// A few runs on the throw-away PostgreSQL server that make test starts; they
// skip when none is running.
#include <gtest/gtest.h>

#include <cstdlib>

#include <string>
#include <vector>

#include "tests/e2e/postgres_fixture.h"

namespace tarnwick::e2e {
namespace {

// Where to connect, as psql finds it: each way of naming the server, the
// database and the user; an option given wins over the environment; a
// service that does not exist fails with libpq's message.
TEST_F(PostgresRun, ConnectionSourcesInPsqlsOrder) {
  write_file("services.conf", "[tw]\nhost=" + server_.host + "\nport=" + server_.port + "\nuser=" + server_.user +
                                  "\ndbname=postgres\n");
  const std::string where = "--host=" + server_.host, port = "--port=" + server_.port, user = "--user=" + server_.user;
  const std::vector<std::pair<std::string, std::string>> environment = {
      {"PGHOST", server_.host}, {"PGPORT", server_.port}, {"PGUSER", server_.user}, {"PGDATABASE", "postgres"}};
  struct Case {
    const char* what;
    std::vector<std::string> arguments;
    std::vector<std::pair<std::string, std::string>> environment;
  };
  const std::vector<Case> cases = {
      {"options", {where, port, user, "--dbname=postgres"}, {}},
      {"-d", {where, port, user, "-d", "postgres"}, {}},
      {"URI", {"--host=postgresql://" + server_.user + "@" + server_.host + ":" + server_.port + "/postgres"}, {}},
      {"key=value", {"--host=host=" + server_.host + " port=" + server_.port + " user=" + server_.user + " dbname=postgres"}, {}},
      {"environment", {}, environment},
      {"service", {}, {{"PGSERVICEFILE", path("services.conf")}, {"PGSERVICE", "tw"}}},
      {"options over environment",
       {where, port, user},
       {{"PGHOST", "no-such-host.invalid"}, {"PGPORT", "1"}, {"PGUSER", "nobody"}, {"PGDATABASE", "postgres"}}},
  };
  for (const Case& test : cases) {
    for (const char* name : {"PGHOST", "PGPORT", "PGUSER", "PGDATABASE", "PGSERVICE", "PGSERVICEFILE"}) unsetenv(name);
    for (const auto& [name, value] : test.environment) setenv(name.c_str(), value.c_str(), 1);
    std::vector<std::string> arguments = test.arguments;
    arguments.insert(arguments.end(), {"--quiet", "--format=csv", "-c", "select current_database(), current_user"});
    RunResult result = run_tarnwick(arguments, "", dir_.string());
    EXPECT_EQ(result.out, "current_database,current_user\npostgres," + server_.user + "\n") << test.what << result.err;
  }
  for (const char* name : {"PGHOST", "PGPORT", "PGUSER", "PGDATABASE", "PGSERVICEFILE"}) unsetenv(name);
  setenv("PGSERVICE", "missing", 1);
  RunResult result = run_tarnwick({"--quiet", "-c", "select 1"}, "", dir_.string());
  unsetenv("PGSERVICE");
  EXPECT_EQ(result.exit_code, 253);
  EXPECT_NE(result.out.find("Fatal : definition of service \"missing\" not found"), std::string::npos)
      << result.out << result.err;
}

// -c texts and -f files run in the order given, as sources of their own.
TEST_F(PostgresRun, CommandsAndFilesRunInOrder) {
  write_file("two.sql", "select 2 as n;");
  RunResult result = run({"--format=csv", "-c", "select 1 as n; select 'a;b' as n", "-f", path("two.sql"),
                          "--command=select 3 as n"});
  EXPECT_EQ(result.out, "n\n1\nn\na;b\nn\n2\nn\n3\n") << result.err;
  EXPECT_EQ(result.exit_code, 0);
}

// In a script \timing's lines go to standard error; the results stay as they were.
TEST_F(PostgresRun, TimingInAScriptWritesToStandardError) {
  RunResult result = run({"--format=csv", "-c", "\\timing on", "-c", "select 1 as n; select 2 as n"});
  EXPECT_EQ(result.out, "n\n1\nn\n2\n");
  EXPECT_EQ(result.err.rfind("Time: ", 0), 0u) << result.err;
  EXPECT_NE(result.err.find(" ms\nTime: "), std::string::npos) << result.err;
}

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
