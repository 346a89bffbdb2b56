// Input sources and trace files, through the binary on the embedded engine.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/e2e/run_binary.h"
#include "tests/support/file/temp_dir.h"

namespace tarnwick::e2e {
namespace {

namespace fs = std::filesystem;

class Sources : public morvane::testing::TempDirTest {
 protected:
  RunResult run(std::vector<std::string> arguments, const std::string& input = "",
                const std::string& directory = "") {
    arguments.insert(arguments.begin(),
                     {"--host=sqlite:" + path("test.db"), "--mode=w", "--quiet", "--raw"});
    return run_tarnwick(arguments, input, directory.empty() ? dir_.string() : directory,
                        dir_.string());
  }

  std::vector<std::string> trace_files() const { return trace_files_in(dir_.string()); }
};

TEST_F(Sources, QuitEndsOneSourceAndTheNextRuns) {
  write_file("a.sql", "select 1 as a;\nQUIT;\nselect 2 as a;\n");
  write_file("b.sql", "select 3 as b");  // no final ";"
  RunResult result = run({"--sql=a.sql;b.sql"});
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.out, "1 row(s)\n+-+\n|a|\n+-+\n|1|\n1 row(s)\n+-+\n|b|\n+-+\n|3|\n");
  EXPECT_EQ(result.err, "");
}

TEST_F(Sources, StandardInputTakesItsPlaceInTheList) {
  write_file("a.sql", "select 'file' as s;");
  RunResult result = run({"--sql=a.sql,-"}, "select 'stdin' as s;");
  EXPECT_EQ(result.out,
            "1 row(s)\n+-+\n|s|\n+-+\n|file|\n1 row(s)\n+-+\n|s|\n+-+\n|stdin|\n");
}

TEST_F(Sources, UnreadableSourcesAreReportedAndSkipped) {
  fs::create_directory(path("folder"));
  write_file("ok.sql", "select 1 as n;");
  RunResult result = run({"--sql=missing.sql,folder,,ok.sql"});
  EXPECT_EQ(result.exit_code, 1);  // the run went on, and says a source was missing
  EXPECT_EQ(result.err,
            "Cannot stat file 'missing.sql'\nCannot stat file 'folder'\nCannot stat file ''\n");
  EXPECT_EQ(result.out, "1 row(s)\n+-+\n|n|\n+-+\n|1|\n");
  // Under --on-error=stop the run ends at the first one.
  RunResult stopped = run({"--on-error=stop", "--sql=missing.sql,ok.sql"});
  EXPECT_EQ(stopped.exit_code, 1);
  EXPECT_EQ(stopped.err, "Cannot stat file 'missing.sql'\n");
  EXPECT_EQ(stopped.out, "");
}

TEST_F(Sources, UnterminatedQuotesAndCommentsAtTheEnd) {
  write_file("a.sql", "select 'open");
  write_file("b.sql", "select 2 as n; /* never closed");
  RunResult result = run({"--sql=a.sql,b.sql"});
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.out, "Error : unrecognized token: \"'open\"\n1 row(s)\n+-+\n|n|\n+-+\n|2|\n");
}

TEST_F(Sources, BinaryAndNulBytesInAScript) {
  static const char kScript[] = "select\0 1 as n;\x01\xff\xfe;select 2 as m;";
  write_file("a.sql", std::string(kScript, sizeof kScript - 1));
  RunResult result = run({"--sql=a.sql"});
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_NE(result.out.find("|n|\n+-+\n|1|\n"), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("Error : "), std::string::npos);
  EXPECT_NE(result.out.find("|m|\n+-+\n|2|\n"), std::string::npos);
}

TEST_F(Sources, AStatementOf100Megabytes) {
  write_file("big.sql", "select length('" + std::string(100 << 20, 'y') + "') as n;");
  RunResult result = run({"--sql=big.sql"});
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.out, "1 row(s)\n+-+\n|n|\n+-+\n|104857600|\n");
}

TEST_F(Sources, NoTraceFileWithoutDebug) {
  RunResult result = run({}, "insert into missing values (1);");
  EXPECT_EQ(result.out, "Error : no such table: missing\n");
  EXPECT_TRUE(trace_files().empty());
}

TEST_F(Sources, DebugTracesFailedStatementsInTheWorkingDirectory) {
  RunResult result = run({"--debug"},
                         "insert into missing values (1);\n"
                         "select * from missing;\n"  // queries are not traced
                         "insert into missing\nvalues (2);\n"
                         "create table t (x int); insert into t values (3);");
  EXPECT_EQ(result.exit_code, 0);
  std::vector<std::string> files = trace_files();
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].substr(files[0].size() - 10), ".000000000");
  EXPECT_EQ(read_file(files[0]),
            "insert into missing values (1);\n"
            "insert into missing values (2);\n");
}

TEST_F(Sources, AnUnwritableDirectoryIsReportedOnceAndTheRunGoesOn) {
  // /proc takes no new files, even for root.
  RunResult result = run({"--debug"},
                         "insert into missing values (1); insert into missing values (2);"
                         " select 5 as n;",
                         "/proc");
  EXPECT_EQ(result.exit_code, 5);  // output was lost
  EXPECT_EQ(result.out,
            "Error : no such table: missing\nError : no such table: missing\n"
            "1 row(s)\n+-+\n|n|\n+-+\n|5|\n");
  EXPECT_EQ(result.err.rfind("Cannot create trace file 'SQL.Tarnwick.", 0), 0u) << result.err;
  EXPECT_NE(result.err.find(".000000000': "), std::string::npos) << result.err;
  EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << "one line only: " << result.err;
}

}  // namespace
}  // namespace tarnwick::e2e
