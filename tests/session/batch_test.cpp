#include "session/batch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/run_settings.h"
#include "session/connection.h"
#include "session/execute.h"
#include "session/result_slots.h"
#include "tests/console/console_fixture.h"

namespace tarnwick {
namespace {

using Calls = std::vector<std::string>;

class BatchTest : public testing::ConsoleTest {
 protected:
  void run(const char* text, bool query) {
    std::string copy(text);
    settled(run_as(copy, query));
  }
};

TEST_F(BatchTest, FullBatchesGoAtOnceAndTheRestAtTheEnd) {
  settings.statements = 3;
  open();
  for (int i = 1; i <= 5; ++i) {
    fake_ql::Outcome outcome;
    outcome.affected = i;
    fake_ql::push(outcome);
    run(("insert " + std::to_string(i)).c_str(), false);
  }
  EXPECT_EQ(statement_calls(), Calls{"pool_do insert 1|insert 2|insert 3"});
  settled(flush_batch());
  EXPECT_EQ(statement_calls().back(), "pool_do insert 4|insert 5");
  EXPECT_EQ(output(),
            "1 row affected\n2 rows affected\n3 rows affected\n4 rows affected\n5 rows affected\n");
  // Only what the command line gave is handed on: none of the three here.
  EXPECT_EQ(fake_ql::last_open_arguments(), "   English 1 20 1024 0");
}

TEST_F(BatchTest, AStatementOfTheOtherKindSendsTheBatch) {
  settings.statements = 4;
  settings.sessions = 2;
  open();
  run("select 1", true);
  run("select 2", true);
  run("update t", false);
  run("select 3", true);
  settled(flush_batch());
  EXPECT_EQ(fake_ql::calls()[0], "pool_open 2");
  EXPECT_EQ(statement_calls(), (Calls{"pool_query select 1|select 2", "pool_close_cursor 2",
                                      "pool_do update t", "pool_query select 3",
                                      "pool_close_cursor 3"}));
}

TEST_F(BatchTest, BatchTablesHaveEmptyCaptionsAndComeInQueueOrder) {
  settings.statements = 2;
  open();
  fake_ql::Outcome first;
  first.captions = {"a"};
  first.rows = {{"xy"}};
  fake_ql::Outcome second;
  second.captions = {"b", "c"};
  second.rows = {{"1", std::nullopt}};
  second.failing_cells = {{0, 0}};
  fake_ql::push(first);
  fake_ql::push(second);
  run("select a", true);
  run("select b, c", true);
  EXPECT_EQ(output(),
            "1 row(s)\n+--+\n|  |\n+--+\n|xy|\n"
            "1 row(s)\n+++\n|||\n+++\n|||\n");
  EXPECT_EQ(fake_ql::texts_outstanding(), 0);
}

TEST_F(BatchTest, AFailedEntryShowsTheFailureMarker) {
  settings.statements = 2;
  open();
  fake_ql::Outcome failing;
  failing.error_code = QL_ERR_ENGINE;
  fake_ql::push(failing);
  run("update bad", false);
  run("update good", false);
  EXPECT_EQ(output(), "-1 row affected\n1 row affected\n");
}

TEST_F(BatchTest, StatementsOneWithSeveralSessionsShowsResults) {
  settings.sessions = 3;
  open();
  fake_ql::push(testing::people());
  run("select * from t", true);
  run("insert x", false);
  settled(flush_batch());  // nothing to send: statements go one by one
  EXPECT_EQ(fake_ql::calls()[0], "pool_open 3");
  EXPECT_EQ(statement_calls(), (Calls{"query select * from t", "close_cursor 2", "do insert x"}));
  std::string shown = output();
  EXPECT_NE(shown.find("|22 |Bartholomew|Oslo|\n"), std::string::npos);
  EXPECT_NE(shown.find("1 row affected\n"), std::string::npos);
}

TEST_F(BatchTest, SingleModeNeverSendsABatch) {
  open();
  settled(flush_batch());
  EXPECT_TRUE(pending_statements.empty());
  EXPECT_EQ(statement_calls(), Calls{});
}

TEST_F(BatchTest, PoolFailuresAreNamedOnStandardErrorOncePerSessionOrMessage) {
  settings.sessions = 2;
  settings.statements = 2;
  open();
  auto entry = [](int32_t code, const char* text) {
    fake_ql::Outcome outcome;
    outcome.error_code = code;
    outcome.error_text = text;
    return outcome;
  };
  ::testing::internal::CaptureStderr();
  // Session 0 is lost: its entries fail in every batch, reported once.
  for (int batch = 0; batch < 3; ++batch) {
    fake_ql::push(entry(QL_ERR_LOST, "server gone\n\tfor good"));
    fake_ql::push(entry(0, ""));
    run("insert 1", false);
    run("insert 2", false);
  }
  // An ordinary engine error is no pool failure.
  fake_ql::push(entry(0, ""));
  fake_ql::push(entry(QL_ERR_ENGINE, "syntax"));
  run("insert 3", false);
  run("insert 4", false);
  // Then session 1 goes too.
  fake_ql::push(entry(0, ""));
  fake_ql::push(entry(QL_ERR_LOST, "reset"));
  run("select 5", true);
  run("select 6", true);
  // A new handle starts afresh.
  reconnect(&connection);
  fake_ql::push(entry(QL_ERR_LOST, "again"));
  run("insert 7", false);
  run("insert 8", false);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "Session 0 of the pool is lost: server gone for good\n"
            "Session 1 of the pool is lost: reset\n"
            "Session 0 of the pool is lost: again\n");
}

}  // namespace
}  // namespace tarnwick
