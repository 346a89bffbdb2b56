#include "console/commands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/console_text.h"
#include "runtime/run_settings.h"
#include "session/connection.h"
#include "tests/console/console_fixture.h"

namespace tarnwick {
namespace {

using Calls = std::vector<std::string>;

class CommandsTest : public testing::ConsoleTest {
 protected:
  void SetUp() override {
    ConsoleTest::SetUp();
    open();
  }
  bool run(const char* text) {
    return settled(interpret(text, &connection));
  }
};

TEST_F(CommandsTest, BlankTextAndCommentLinesDoNothingNotEvenTheEcho) {
  settings.verbose = true;
  EXPECT_FALSE(run(""));
  EXPECT_FALSE(run("  \t\r\n "));
  EXPECT_FALSE(run("# one\n -- two\n--three"));
  EXPECT_EQ(statement_calls(), Calls{});
  EXPECT_EQ(output(), "");
}

TEST_F(CommandsTest, QuitWordsStopTheSourceInAnyCase) {
  for (const char* text : {"quit;", "QUIT;", "Exit;", " q;", "bye", "-- c\nquit;"}) {
    EXPECT_TRUE(run(text)) << text;
  }
  EXPECT_FALSE(run("quitter;"));
  EXPECT_EQ(statement_calls(), Calls{"do quitter;"});
}

// A query is a statement whose first word is SELECT, however the word
// ends and whatever comes before it, as psql prints the rows of each.
TEST_F(CommandsTest, QueriesAreStatementsWhoseFirstWordIsSelect) {
  run("select 1;");
  run("{unicode}SELECT x from t;");
  run("select* from t;");
  run("\n  select\t1;");
  run("/* note */ select\n2;");
  run("selection;");
  EXPECT_EQ(statement_calls(),
            (Calls{"query select 1;", "close_cursor 2", "query {unicode}SELECT x from t;", "close_cursor 3",
                   "query select* from t;", "close_cursor 4", "query select\t1;", "close_cursor 5",
                   "query /* note */ select\n2;", "close_cursor 6", "do selection;"}));
}

TEST_F(CommandsTest, StatementsStartAfterBlanksAndCommentLines) {
  run("# note\n  insert into t values(1);");
  EXPECT_EQ(statement_calls(), Calls{"do insert into t values(1);"});
}

TEST_F(CommandsTest, VerboseEchoesTheTextAsReceived) {
  settings.verbose = true;
  run("  pause;");
  run(" insert x;");
  EXPECT_EQ(output(), "  pause;\n insert x;\n1 row affected\n");
}

TEST_F(CommandsTest, TheConsoleConversionAppliesToTheStatementNotToCommandsOrTheEcho) {
  set_console_conversions(nullptr, [](std::string& text) {
    for (char& c : text) if (c == 'o') c = '0';
  });
  input_is_console = true;
  settings.verbose = true;
  run("insert foo;");
  EXPECT_TRUE(run("QUIT;"));
  input_is_console = false;
  run("insert foo;");
  EXPECT_EQ(statement_calls(), (Calls{"do insert f00;", "do insert foo;"}));
  EXPECT_EQ(output(), "insert foo;\n1 row affected\ninsert foo;\n1 row affected\n");
}

TEST_F(CommandsTest, PauseAndWaitWithNothingToWaitFor) {
  run("pause 5;");    // the number belongs to the first word: 0 seconds
  run("pause-3;");    // negative: 0
  run("wait 0;");     // the moment has passed
  run("waiting;");    // a wait with N = 0
  EXPECT_EQ(statement_calls(), Calls{});
}

TEST_F(CommandsTest, TransactionStatementsAreDroppedOnlyWhenAsked) {
  run("BEGIN TRANSACTION;");
  run("immediate;");
  settings.ignore_transaction = true;
  run("begin transaction;");
  run("IMMEDIATE commit;");
  EXPECT_EQ(statement_calls(), (Calls{"do BEGIN TRANSACTION;", "do immediate;"}));
}

TEST_F(CommandsTest, CreateIsDroppedOnlyAsAWholeFirstWord) {
  settings.ignore_create = true;
  run("create table t (a int);");
  run("{UNICODE}create x;");
  run("createx;");
  EXPECT_EQ(statement_calls(), Calls{"do createx;"});
}

TEST_F(CommandsTest, ReconnectAndDisconnect) {
  run("disconnect;");
  run("disconnect;");
  EXPECT_EQ(connection, 0);
  run("reconnection;");
  EXPECT_NE(connection, 0);
  EXPECT_EQ(fake_ql::calls(), (Calls{"open", "close 1", "open"}));
}

TEST_F(CommandsTest, NoConnectDisconnectOnlySendsTheBatch) {
  settings.connect_disconnect = false;
  run("disconnect;");
  run("reconnect;");
  EXPECT_EQ(connection, 1);
  EXPECT_EQ(fake_ql::calls(), Calls{"open"});
}

TEST_F(CommandsTest, AFailedReconnectIsReportedAndALostConnectionEndsTheSource) {
  fake_ql::fail_next_open(QL_ERR_CONNECT, "refused");
  EXPECT_FALSE(run("reconnect;"));
  fake_ql::fail_next_open(QL_ERR_LOST, "gone");
  EXPECT_TRUE(run("reconnect;"));
  EXPECT_EQ(output(), "Error : refused\nError : gone\n");
}

TEST_F(CommandsTest, CommandsSendThePendingBatchFirst) {
  release_result_slots();
  settings.statements = 3;
  open();
  run("insert 1;");
  run("pause;");
  run("insert 2;");
  run("create x;");  // not a command: joins the batch
  run("disconnect;");
  EXPECT_EQ(statement_calls(),
            (Calls{"pool_do insert 1;", "pool_do insert 2;|create x;", "pool_close 2"}));
}

}  // namespace
}  // namespace tarnwick
