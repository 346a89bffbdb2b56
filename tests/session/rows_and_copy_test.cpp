// Statements that are not queries by their first word but that the engine
// answers with rows, and COPY statements with their data.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/run_settings.h"
#include "session/batch.h"
#include "session/execute.h"
#include "statements/statement_reader.h"
#include "tests/console/console_fixture.h"

namespace tarnwick {
namespace {

using Calls = std::vector<std::string>;

class RowsAndCopyTest : public testing::ConsoleTest {
 protected:
  bool run(const char* text, bool query = false) {
    std::string copy(text);
    return settled(run_as(copy, query));
  }
  static fake_ql::Outcome with_rows() {
    fake_ql::Outcome outcome = testing::people();
    outcome.returns_rows = true;
    return outcome;
  }
  static constexpr const char* kPeople =
      "3 row(s)\n+---+-----------+----+\n|id |name       |city|\n+---+-----------+----+\n"
      "|1  |Ann        |    |\n|22 |Bartholomew|Oslo|\n|333|           |Rome|\n";
};

TEST_F(RowsAndCopyTest, RowsOfANonQueryShowAsAQueryTable) {
  open();
  fake_ql::push(with_rows());
  run("insert into t values (1) returning *");
  fake_ql::Outcome affected;
  affected.affected = 2;
  fake_ql::push(affected);
  run("update t set x = 1");
  EXPECT_EQ(output(), std::string(kPeople) + "2 rows affected\n");
  EXPECT_EQ(statement_calls(), (Calls{"do insert into t values (1) returning *", "close_cursor 2",
                                      "do update t set x = 1"}));
  EXPECT_EQ(fake_ql::texts_outstanding(), 0);
}

TEST_F(RowsAndCopyTest, QuietHidesAffectedLinesButNotTheRowsOfANonQuery) {
  settings.quiet = true;
  open();
  fake_ql::push(with_rows());
  run("values (1)");
  run("delete from t");
  EXPECT_EQ(output(), kPeople);
}

TEST_F(RowsAndCopyTest, PoolEntriesWithRowsShowTheirTablesInOrder) {
  settings.statements = 3;
  open();
  fake_ql::Outcome affected;
  affected.affected = 4;
  fake_ql::Outcome failed;
  failed.error_code = 1;
  fake_ql::push(affected);
  fake_ql::push(with_rows());
  fake_ql::push(failed);
  run("update t");
  run("with x as (select 1) select * from x");
  run("bad");
  EXPECT_EQ(output(),
            "4 rows affected\n"
            "3 row(s)\n+---+-----------+----+\n|   |           |    |\n+---+-----------+----+\n"
            "|1  |Ann        |    |\n|22 |Bartholomew|Oslo|\n|333|           |Rome|\n"
            "-1 row affected\n");
  EXPECT_EQ(statement_calls(), (Calls{"pool_do update t|with x as (select 1) select * from x|bad",
                                      "pool_close_cursor 2"}));
}

// The data a COPY reads comes from the copy feed, and only when the engine
// asks for it.
int32_t two_rows(void* given, const char** data) {
  bool* once = static_cast<bool*>(given);
  if (*once) return 0;
  *once = true;
  *data = "1\tx\n2\ty\n";
  return 8;
}

TEST_F(RowsAndCopyTest, CopyReadsItsDataWhenTheEngineAsksAndWritesWhatItReceives) {
  open();
  bool given = false;
  set_copy_feed({two_rows, &given});
  fake_ql::Outcome copied;
  copied.affected = 2;
  copied.copy_in = true;
  fake_ql::push(copied);
  run("copy t from stdin;");
  fake_ql::Outcome rejected;  // a copy the engine refuses asks for nothing
  rejected.error_code = 1;
  rejected.error_text = "ERROR:  bad option";
  fake_ql::push(rejected);
  run("copy t from stdin (bad);");
  fake_ql::Outcome out;
  out.affected = 1;
  out.copy_out = "7\tz\n";
  fake_ql::push(out);
  run("COPY t to stdout;");
  EXPECT_EQ(output(), "2 rows affected\nError : ERROR:  bad option\n7\tz\n1 row affected\n");
  EXPECT_EQ(statement_calls(), (Calls{"copy_in copy t from stdin;|1\tx\n2\ty\n", "do copy t from stdin (bad);",
                                      "do COPY t to stdout;"}));
}

TEST_F(RowsAndCopyTest, SuppressedResultsSuppressCopyDataToo) {
  settings.suppress_results = true;
  open();
  fake_ql::Outcome out;
  out.copy_out = "7\tz\n";
  fake_ql::push(out);
  run("copy t to stdout;");
  EXPECT_EQ(output(), "1 row affected\n");
}

TEST_F(RowsAndCopyTest, ACopyInPoolModeSendsThePendingBatchFirst) {
  settings.statements = 4;
  open();
  run("insert 1");
  run("copy t from stdin;");
  run("insert 2");
  settled(flush_batch());
  EXPECT_EQ(statement_calls(), (Calls{"pool_do insert 1", "do copy t from stdin;", "pool_do insert 2"}));
  EXPECT_EQ(output(), "1 row affected\n1 row affected\n1 row affected\n");
}

TEST_F(RowsAndCopyTest, ARejectedCopyIsReportedAndTheRunGoesOn) {
  open();
  fake_ql::Outcome rejected;
  rejected.error_code = 1;
  rejected.error_text = "ERROR:  invalid input syntax";
  fake_ql::push(rejected);
  EXPECT_FALSE(run("copy t from stdin;"));
  run("select 1", true);
  EXPECT_EQ(output(), "Error : ERROR:  invalid input syntax\n0 row(s)\n");
}

}  // namespace
}  // namespace tarnwick
