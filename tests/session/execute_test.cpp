#include "session/execute.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/run_settings.h"
#include "session/connection.h"
#include "session/result_slots.h"
#include "runtime/console_text.h"
#include "tests/console/console_fixture.h"

namespace tarnwick {
namespace {

using Calls = std::vector<std::string>;

class ExecuteTest : public testing::ConsoleTest {
 protected:
  void SetUp() override {
    ConsoleTest::SetUp();
    open();
  }
  bool run(const char* text, bool query = false) {
    std::string copy(text);
    return settled(run_as(copy, query));
  }
};

TEST_F(ExecuteTest, FiltersCompareTheVeryStartIgnoringCase) {
  settings.ignore_delete = true;
  settings.ignore_backup = true;
  settings.ignore_switch = true;
  run("DELETE FROM t");
  run("Deleted");
  run(" DELETE FROM t");
  run("backup x");
  run("SWITCH y");
  run("insert into SEANCE values(1)");
  run("INSERT  INTO seance values(1)");
  EXPECT_EQ(statement_calls(), (Calls{"do  DELETE FROM t", "do INSERT  INTO seance values(1)"}));
  EXPECT_EQ(executed_count, 2u);
}

TEST_F(ExecuteTest, ImmediateIsDroppedOrBlankedUnderIgnoreTransaction) {
  settings.immediate_is_simple_commit = true;
  run("IMMEDIATE COMMIT");  // no effect without ignore_transaction
  settings.ignore_transaction = true;
  run("IMMEDIATE COMMIT");
  run("begin transaction");
  settings.immediate_is_simple_commit = false;
  run("immediate commit");
  EXPECT_EQ(statement_calls(), (Calls{"do IMMEDIATE COMMIT", "do " + std::string(10, ' ') + "COMMIT"}));
}

TEST_F(ExecuteTest, IgnoreExecuteDropsEveryNonQueryButQueriesRun) {
  settings.ignore_execute = true;
  run("update t");
  run("select 1", true);
  EXPECT_EQ(statement_calls(), (Calls{"query select 1", "close_cursor 2"}));
}

TEST_F(ExecuteTest, TheLimitCountsRunAndIgnoredQueriesNotDroppedStatements) {
  settings.statement_limit = 2;
  settings.ignore_select = true;
  settings.ignore_delete = true;
  EXPECT_FALSE(run("delete x"));
  EXPECT_FALSE(run("select 1", true));
  EXPECT_TRUE(run("insert 1"));
  EXPECT_EQ(statement_calls(), Calls{"do insert 1"});
}

TEST_F(ExecuteTest, EngineErrorsAreReportedAndTheRunGoesOn) {
  fake_ql::Outcome failing;
  failing.error_code = QL_ERR_ENGINE;
  failing.error_text = "no such table: t";
  fake_ql::push(failing);
  fake_ql::push(failing);
  EXPECT_FALSE(run("select * from t", true));
  EXPECT_FALSE(run("insert into t"));
  EXPECT_EQ(output(), "Error : no such table: t\nError : no such table: t\n");
}

// Nothing more can be sent on a lost connection, whatever failed on it.
TEST_F(ExecuteTest, ALostConnectionEndsTheSourceAfterAStatementOrAQuery) {
  fake_ql::Outcome lost;
  lost.error_code = QL_ERR_LOST;
  lost.error_text = "server closed the connection";
  fake_ql::push(lost);
  fake_ql::push(lost);
  EXPECT_TRUE(run("select 1", true));
  EXPECT_TRUE(run("insert 1"));
}

TEST_F(ExecuteTest, AQueryWithoutRowsGathersNoCaptions) {
  fake_ql::Outcome empty;
  empty.captions = {"a", "b"};
  fake_ql::push(testing::people());
  fake_ql::push(empty);
  run("select 1", true);
  EXPECT_EQ(result_slots.caption_lists[0].size(), 3u);
  run("select 2", true);
  EXPECT_TRUE(result_slots.caption_lists[0].empty());
  EXPECT_EQ(fake_ql::texts_outstanding(), 0);
}

TEST_F(ExecuteTest, ErrorTextsAreConvertedForATerminalOnly) {
  set_console_conversions([](std::string& text) { text[0] = '*'; }, nullptr);
  fake_ql::Outcome failing;
  failing.error_code = QL_ERR_ENGINE;
  failing.error_text = "bad";
  fake_ql::push(failing);
  fake_ql::push(failing);
  run("x");
  output_is_console = true;
  run("x");
  EXPECT_EQ(output(), "Error : bad\nError : *ad\n");
}

TEST_F(ExecuteTest, NoticesGoToStandardErrorBeforeTheResult) {
  fake_ql::Outcome noisy;
  noisy.notices = {"NOTICE:  first", "WARNING:  second\nDETAIL:  more"};
  fake_ql::push(noisy);
  ::testing::internal::CaptureStderr();
  run("insert x");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "NOTICE:  first\nWARNING:  second\nDETAIL:  more\n");
  EXPECT_EQ(output(), "1 row affected\n");
}

}  // namespace
}  // namespace tarnwick
