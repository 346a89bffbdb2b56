#include "session/show_results.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "runtime/console_text.h"
#include "runtime/run_settings.h"
#include "session/connection.h"
#include "session/result_slots.h"
#include "tests/console/console_fixture.h"

namespace tarnwick {
namespace {

// Runs one query through the single-statement path of the renderer: the
// fake's outcome becomes slot 0 and its captions the caption list.
class ResultTableTest : public testing::ConsoleTest {
 protected:
  std::string render(const fake_ql::Outcome& outcome) {
    open();
    fake_ql::push(outcome);
    ql_cursor cursor = ql_query(connection, "select", &result_slots.column_counts[0],
                                &result_slots.row_counts[0], &result_slots.fetched_counts[0], 0,
                                0, &client_error);
    // As run_query gathers them: only when a row was fetched.
    result_slots.caption_lists[0] = outcome.rows.empty() ? std::vector<std::string>() : outcome.captions;
    print_results(true, cursor, 1);
    ql_close_cursor(cursor);
    EXPECT_EQ(fake_ql::texts_outstanding(), 0);
    return output();
  }
};

TEST_F(ResultTableTest, TheThreeRowLayout) {
  EXPECT_EQ(render(testing::people()),
            "3 row(s)\n"
            "+---+-----------+----+\n"
            "|id |name       |city|\n"
            "+---+-----------+----+\n"
            "|1  |Ann        |    |\n"
            "|22 |Bartholomew|Oslo|\n"
            "|333|           |Rome|\n");
}

TEST_F(ResultTableTest, RawModeMeasuresNothing) {
  settings.raw = true;
  EXPECT_EQ(render(testing::people()),
            "3 row(s)\n"
            "+--+----+----+\n"
            "|id|name|city|\n"
            "+--+----+----+\n"
            "|1|Ann||\n"
            "|22|Bartholomew|Oslo|\n"
            "|333||Rome|\n");
}

TEST_F(ResultTableTest, CountLines) {
  fake_ql::Outcome outcome;
  outcome.captions = {"n"};
  outcome.rows = {{"1"}, {"2"}};
  outcome.row_count = 57;
  EXPECT_EQ(render(outcome).substr(0, 22), "57 (2 fetched) rows\n+-");
}

TEST_F(ResultTableTest, TruncatedAtTheAnswersLimit) {
  settings.answers_limit = 2;
  fake_ql::Outcome outcome;
  outcome.captions = {"n"};
  outcome.rows = {{"1"}, {"2"}};
  EXPECT_EQ(render(outcome), "result truncated to 2 row(s)\n+-+\n|n|\n+-+\n|1|\n|2|\n");
}

TEST_F(ResultTableTest, NoRowsNoTable) {
  fake_ql::Outcome outcome;
  outcome.captions = {"n"};
  EXPECT_EQ(render(outcome), "0 row(s)\n");
}

TEST_F(ResultTableTest, RowsReportedButNoneFetchedHaveEmptyHeaders) {
  fake_ql::Outcome outcome;
  outcome.captions = {"a", "b"};
  outcome.row_count = 5;
  EXPECT_EQ(render(outcome), "5 (0 fetched) rows\n+++\n|||\n+++\n");
}

TEST_F(ResultTableTest, NoColumnsGiveEmptyLines) {
  fake_ql::Outcome outcome;
  outcome.rows = {{}, {}};
  EXPECT_EQ(render(outcome), "2 row(s)\n\n\n\n\n\n");
}

TEST_F(ResultTableTest, AFailingFetchIsAnEmptyCellThatDoesNotWiden) {
  fake_ql::Outcome outcome;
  outcome.captions = {"x"};
  outcome.rows = {{"wide value"}, {"ab"}};
  outcome.failing_cells = {{0, 0}};
  EXPECT_EQ(render(outcome), "2 row(s)\n+--+\n|x |\n+--+\n|  |\n|ab|\n");
}

TEST_F(ResultTableTest, SilentWritesNothingButStillFetchesEverything) {
  settings.suppress_results = true;
  EXPECT_EQ(render(testing::people()), "");
}

TEST_F(ResultTableTest, QuietKeepsTables) {
  settings.quiet = true;
  EXPECT_EQ(render(testing::people()).substr(0, 9), "3 row(s)\n");
}

void upper(std::string& text) {
  for (char& c : text) c = static_cast<char>(std::toupper(c));
}

TEST_F(ResultTableTest, ValuesAndCaptionsAreConvertedOnlyForATerminal) {
  set_console_conversions(upper, nullptr);
  output_is_console = true;
  EXPECT_EQ(render(testing::people()),
            "3 row(s)\n"
            "+---+-----------+----+\n"
            "|ID |NAME       |CITY|\n"
            "+---+-----------+----+\n"
            "|1  |ANN        |    |\n"
            "|22 |BARTHOLOMEW|OSLO|\n"
            "|333|           |ROME|\n");
}

class AffectedLineTest : public testing::ConsoleTest {};

TEST_F(AffectedLineTest, SingularForZeroAndOnePluralAbove) {
  open();
  for (int32_t rows : {0, 1, 2, 5}) {
    result_slots.row_counts[0] = rows;
    print_results(false, 0, 1);
  }
  settings.quiet = true;
  print_results(false, 0, 1);
  EXPECT_EQ(output(), "0 row affected\n1 row affected\n2 rows affected\n5 rows affected\n");
}

TEST_F(AffectedLineTest, AnEmptyBatchRendersNothing) {
  settings.statements = 4;
  open();
  print_results(false, 0, 0);
  EXPECT_EQ(output(), "");
}

}  // namespace
}  // namespace tarnwick
