// Input sources that are pipes: process substitution, /dev/stdin and named
// pipes, as scripts and as replay logs, through the binary on SQLite. Every
// statement of such a source must run; none may be skipped as unreadable.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/support/file/temp_dir.h"

namespace tarnwick {
namespace {

class PipeSources : public morvane::testing::TempDirTest {
 protected:
  struct Result {
    int exit_code = -1;
    std::string out, err;
  };

  // Runs `command` with bash in the test directory; "$T" is the binary with
  // its options for the test database, "$LOG" the log maker.
  Result shell(const std::string& command) {
    write_file("command.sh", "T=\"" TARNWICK_BINARY " --host=sqlite:" + path("test.db") +
                                 " --mode=w --quiet --raw\"\nLOG=\"" TARNWICK_LOG_BINARY "\"\n" +
                                 command + "\n");
    std::string run = "cd '" + dir_.string() + "' && bash command.sh >out.txt 2>err.txt";
    int status = std::system(run.c_str());
    Result result;
    result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = read_file("out.txt");
    result.err = read_file("err.txt");
    return result;
  }

  // The rows of t, counted by a separate run.
  std::string rows_of_t() {
    write_file("count.sql", "select count(*) as n from t;");
    return shell("$T --sql=count.sql").out;
  }
};

constexpr const char* kFill =
    "create table t (x int);\n"
    "insert into t values (1);\n"
    "insert into t values (2);\n"
    "insert into t values (3);\n";
constexpr const char* kThreeRows = "1 row(s)\n+-+\n|n|\n+-+\n|3|\n";

TEST_F(PipeSources, ProcessSubstitutionIsAScript) {
  write_file("fill.sql", kFill);
  Result result = shell("$T --sql=<(cat fill.sql)");
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(rows_of_t(), kThreeRows);
}

TEST_F(PipeSources, DevStdinIsAScriptAndKeepsItsPlaceInTheList) {
  write_file("fill.sql", kFill);
  write_file("last.sql", "select 'last' as s;");
  Result result = shell("cat fill.sql | $T --sql=/dev/stdin,last.sql");
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out, "1 row(s)\n+-+\n|s|\n+-+\n|last|\n");
  EXPECT_EQ(rows_of_t(), kThreeRows);
}

TEST_F(PipeSources, NamedPipesCarryScriptsAndReplayLogs) {
  write_file("fill.sql", kFill);
  write_file("more.sql", "insert into t values (4);\ninsert into t values (5);\n");
  Result result = shell(
      "$LOG more.sql more.log 2>/dev/null || exit 90\n"
      "mkfifo script.pipe run.SQL.log.1 || exit 91\n"
      "cat fill.sql > script.pipe &\n"
      "cat more.log > run.SQL.log.1 &\n"
      "$T --sql=script.pipe,run.SQL.log.1\n"
      "status=$?\nwait\nexit $status");
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(rows_of_t(), "1 row(s)\n+-+\n|n|\n+-+\n|5|\n");
}

}  // namespace
}  // namespace tarnwick
