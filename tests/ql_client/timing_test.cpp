// Per-statement timings, per-entry errors and scheduled starts
// (ql_last_timings, ql_last_entry_error, ql_schedule_next) on both engines.
#include <gtest/gtest.h>
#include <time.h>

#include <string>
#include <vector>

#include "tests/ql_client/engine_fixture.h"

namespace ql_test {
namespace {

using Timing = EngineTest;

int64_t now_ns() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

TEST_P(Timing, EveryEntryOfABatchHasItsSessionTimesAndError) {
  ql_handle pool = open_pool(2);
  run(pool, "create table timed (x integer)");
  // Six entries on two sessions (pipelined on PostgreSQL); entry 3 fails.
  const char* texts[] = {"insert into timed values (1)", "insert into timed values (2)",
                         "insert into timed values (3)", "insert into missing_table values (4)",
                         "insert into timed values (5)", "insert into timed values (6)"};
  int64_t before = now_ns();
  int32_t affected[6] = {};
  EXPECT_EQ(ql_pool_do(pool, texts, 6, affected, &error_), 1);
  int64_t after = now_ns();

  ql_entry_timing timings[8] = {};
  ASSERT_EQ(ql_last_timings(pool, timings, 8), 6);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(timings[i].session, i % 2) << i;
    EXPECT_GE(timings[i].started_ns, before) << i;
    EXPECT_LE(timings[i].started_ns, timings[i].finished_ns) << i;
    EXPECT_LE(timings[i].finished_ns, after) << i;
    EXPECT_EQ(timings[i].code, i == 3 ? QL_ERR_ENGINE : QL_OK) << i;
    // A session's entries are sent and answered in order.
    if (i >= 2) {
      EXPECT_LE(timings[i - 2].started_ns, timings[i].started_ns) << i;
      EXPECT_LE(timings[i - 2].finished_ns, timings[i].finished_ns) << i;
    }
  }
  ClientError entry{};
  ql_last_entry_error(pool, 3, &entry);
  EXPECT_EQ(entry.code, QL_ERR_ENGINE);
  EXPECT_NE(std::string(entry.text).find("missing_table"), std::string::npos) << entry.text;
  ql_last_entry_error(pool, 4, &entry);
  EXPECT_EQ(entry.code, QL_OK);
  ql_last_entry_error(pool, 6, &entry);
  EXPECT_EQ(entry.code, QL_ERR_RANGE);

  // A single statement is entry 0 of its call; asking for fewer copies fewer.
  EXPECT_EQ(ql_do(pool, "insert into timed values (7)", &error_), 1);
  ASSERT_EQ(ql_last_timings(pool, timings, 8), 1);
  EXPECT_EQ(timings[0].session, 0);
  EXPECT_GT(timings[0].finished_ns, 0);
  EXPECT_EQ(ql_pool_do(pool, texts, 6, affected, &error_), 1);
  EXPECT_EQ(ql_last_timings(pool, timings, 2), 2);

  EXPECT_EQ(ql_last_timings(0, timings, 8), 0);
  EXPECT_EQ(ql_last_timings(pool, nullptr, 8), 0);
  ql_last_entry_error(0, 0, &entry);
  EXPECT_EQ(entry.code, QL_ERR_HANDLE);
}

TEST_P(Timing, ScheduledEntriesStartNoEarlierThanTheirDueTimes) {
  ql_handle pool = open_pool(2);
  const char* texts[] = {"select 1", "select 2", "select 3", "select 4"};
  int64_t start = now_ns();
  int64_t due[] = {start + 20000000, start + 40000000, start + 60000000, start + 80000000};
  ASSERT_EQ(ql_schedule_next(pool, due, 4, &error_), 1);
  ql_cursor cursor = ql_pool_query(pool, texts, 4, nullptr, nullptr, nullptr, 0, 0, &error_);
  EXPECT_EQ(error_.code, QL_OK) << error_.text;
  ql_pool_close_cursor(cursor);
  ql_entry_timing timings[4] = {};
  ASSERT_EQ(ql_last_timings(pool, timings, 4), 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_GE(timings[i].started_ns, due[i]) << i;
    EXPECT_LT(timings[i].started_ns, due[i] + 50000000) << i << ": far later than due";
  }

  // The schedule was for one call only; a single statement takes it too.
  int64_t unscheduled = now_ns();
  EXPECT_EQ(query(pool, "select 5").cells[0][0], "5");
  ql_last_timings(pool, timings, 1);
  EXPECT_LT(timings[0].started_ns - unscheduled, 20000000);
  int64_t single_due = now_ns() + 30000000;
  ASSERT_EQ(ql_schedule_next(pool, &single_due, 1, &error_), 1);
  EXPECT_EQ(ql_do(pool, "select 6", &error_), 1);
  ql_last_timings(pool, timings, 1);
  EXPECT_GE(timings[0].started_ns, single_due);

  EXPECT_EQ(ql_schedule_next(pool, nullptr, 1, &error_), 0);
  EXPECT_EQ(error_.code, QL_ERR_ARGUMENT);
  EXPECT_EQ(ql_schedule_next(0, due, 1, &error_), 0);
  EXPECT_EQ(error_.code, QL_ERR_HANDLE);
}

INSTANTIATE_TEST_SUITE_P(Engines, Timing, testing::Values(Engine::sqlite, Engine::postgres), engine_name);

}  // namespace
}  // namespace ql_test
