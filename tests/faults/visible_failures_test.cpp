// Runs that failed must say so: each case a whole run of the binary, with
// the exit code and the line on standard error that tell what happened, and
// standard output holding only what it should. The PostgreSQL cases cut the
// connection from the server's side.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/e2e/run_binary.h"
#include "tests/support/file/temp_dir.h"

namespace tarnwick::e2e {
namespace {

class VisibleFailures : public morvane::testing::TempDirTest {
 protected:
  RunResult run(std::vector<std::string> arguments, const std::string& input = "") {
    return run_tarnwick(arguments, input, dir_.string());
  }
  std::string sqlite() const { return "--host=sqlite::memory:"; }
};

// Empty statements keep their line but are no failure: psql -v
// ON_ERROR_STOP=1 and sqlite3 -bail run past them.
TEST_F(VisibleFailures, EmptyStatementsAreNoFailure) {
  write_file("e.sql", "select 1 as a;;\n/* off */;\nselect 2 as b;\n");
  RunResult result = run({sqlite(), "--quiet", "--raw", "--on-error=stop", "--report", "--sql=e.sql"});
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_NE(result.out.find("|2|"), std::string::npos) << result.out;
  EXPECT_NE(result.err.find(" 0 failed"), std::string::npos) << result.err;
}

// When standard output carries data for another program, a connection that
// cannot be opened is named on standard error only.
TEST_F(VisibleFailures, AFailedConnectionKeepsStandardOutputClean) {
  for (std::vector<std::string> extra :
       {std::vector<std::string>{"--silent", "--report=-"}, std::vector<std::string>{"--format=csv"}}) {
    std::vector<std::string> arguments{"--host=sqlite:" + path("missing/none.db"), "--sql=-"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    RunResult result = run(arguments, "select 1;");
    EXPECT_EQ(result.exit_code, 253) << extra[0];
    EXPECT_EQ(result.out, "") << extra[0];
    EXPECT_EQ(result.err.rfind("Fatal : ", 0), 0u) << result.err;
  }
}

// A folder's name does not make the scripts in it replay logs.
TEST_F(VisibleFailures, AScriptInAFolderNamedLikeALogIsAScript) {
  std::filesystem::create_directory(path("backup.SQL.log.2024"));
  write_file("backup.SQL.log.2024/a.sql", "select 7 as n;");
  RunResult result = run({sqlite(), "--quiet", "--raw", "--sql=" + path("backup.SQL.log.2024/a.sql")});
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_EQ(result.out, "1 row(s)\n+-+\n|n|\n+-+\n|7|\n");
}

// The server ends the session: in the middle of a script, after a session
// stayed idle in its transaction too long, and in the middle of a COPY ... TO
// STDOUT export, whose data must not end with the message.
TEST_F(VisibleFailures, ALostConnectionNamesWhatWasNotRunAndEndsWith2) {
  PgServer server = pg_test_server();
  if (!server.available()) GTEST_SKIP() << "no PostgreSQL test server";
  std::vector<std::string> connect{"--host=" + server.host, "--port=" + server.port, "--user=" + server.user,
                                   "--quiet", "--raw"};
  write_file("lost.sql",
             "select pg_terminate_backend(pg_backend_pid());\nselect 1;\nselect 2;\nselect 3;\n");
  std::vector<std::string> arguments = connect;
  arguments.push_back("--sql=lost.sql");
  RunResult lost = run(arguments);
  EXPECT_EQ(lost.exit_code, 2);
  EXPECT_EQ(lost.err, "The connection to the engine was lost: the rest of 'lost.sql' (3 statements) was not run\n");

  // The server ends a session left idle in its transaction (pause1 waits
  // a second between statements).
  write_file("idle.sql",
             "set idle_in_transaction_session_timeout = '100ms';\nbegin;\nselect 1;\npause1;\n"
             "select 2;\nselect 3;\ncommit;\n");
  arguments = connect;
  arguments.push_back("--sql=idle.sql");
  RunResult idle = run(arguments);
  EXPECT_EQ(idle.exit_code, 2);
  EXPECT_EQ(idle.err, "The connection to the engine was lost: the rest of 'idle.sql' (2 statements) was not run\n");

  write_file("export.sql",
             "copy (select case when g < 500 then g else pg_terminate_backend(pg_backend_pid())::int end "
             "from generate_series(1, 1000) g) to stdout;\n");
  arguments = connect;
  arguments.push_back("--sql=export.sql");
  RunResult cut = run(arguments);
  EXPECT_EQ(cut.exit_code, 2);
  EXPECT_EQ(cut.out.find("Error"), std::string::npos) << "the message is not data";
  EXPECT_EQ(cut.out.rfind("1\n2\n", 0), 0u);
  EXPECT_NE(cut.err.find("Error : "), std::string::npos) << cut.err;
}

}  // namespace
}  // namespace tarnwick::e2e
