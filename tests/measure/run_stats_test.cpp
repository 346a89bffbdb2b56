// The run statistics: how failures are grouped and bounded, and how the
// sessions' histograms are merged.
#include "measure/run_stats.h"

#include <gtest/gtest.h>

#include <string>

namespace tarnwick {
namespace {

class RunStatsTest : public ::testing::Test {
 protected:
  void SetUp() override { reset_run_stats(); }
  void TearDown() override { reset_run_stats(); }
};

TEST_F(RunStatsTest, FailuresAreGroupedByTheirFirstLineAndAtMostTwentyAreKept) {
  record_failure(0, "ERROR:  duplicate key\nDETAIL:  Key (id)=(1) already exists.", 5);
  record_failure(1, "ERROR:  duplicate key\nDETAIL:  Key (id)=(2) already exists.");
  record_failure(-1, "ERROR:  duplicate key");
  ASSERT_EQ(run_stats.errors.size(), 1u);
  EXPECT_EQ(run_stats.errors[0].message, "ERROR:  duplicate key");
  EXPECT_EQ(run_stats.errors[0].count, 3u);

  for (int i = 0; i < 25; ++i) record_failure(0, ("message " + std::to_string(i)).c_str());
  record_failure(0, "message 3");
  EXPECT_EQ(run_stats.errors.size(), RunStats::kMaxErrorMessages);
  EXPECT_EQ(run_stats.other_errors, 6u);  // messages 19 to 24
  EXPECT_EQ(run_stats.errors[4].count, 2u);
  EXPECT_EQ(run_stats.failed, 29u);
  ASSERT_EQ(run_stats.sessions.size(), 2u);
  EXPECT_EQ(run_stats.sessions[0]->failed, 27u);
  EXPECT_EQ(run_stats.sessions[0]->busy_ns, 5);
}

TEST_F(RunStatsTest, SessionsAreMergedByKindAndLagCountsTheLateOnes) {
  record_success(0, kind_query, 1000, 1000);
  record_success(3, kind_query, 3000, 2000);
  record_success(3, kind_other, 5000, 4000);
  ASSERT_EQ(run_stats.sessions.size(), 4u);
  EXPECT_EQ(run_stats.sessions[1], nullptr) << "sessions that never reported cost nothing";
  EXPECT_EQ(merged_latency(kind_query).count(), 2u);
  EXPECT_EQ(merged_latency(kind_query).max(), 3000);
  EXPECT_EQ(merged_latency(kind_other).count(), 1u);
  EXPECT_EQ(merged_latency(-1).count(), 3u);
  EXPECT_EQ(merged_latency(-1).min(), 1000);
  EXPECT_EQ(run_stats.sessions[3]->busy_ns, 6000);
  EXPECT_EQ(statements_done(), 3u);

  run_stats.late_threshold_ns = 100;
  record_lag(50);
  record_lag(100);
  record_lag(101);
  record_lag(-7);  // started before its time: no lag
  EXPECT_EQ(run_stats.late, 1u);
  EXPECT_EQ(run_stats.lag.count(), 4u);
  EXPECT_EQ(run_stats.lag.min(), 0);
}

}  // namespace
}  // namespace tarnwick

namespace tarnwick {
namespace {

Sample at_second(double second, int64_t latency_ns, bool ends_unit = true, const char* failure = nullptr) {
  Sample sample;
  sample.finished_ns = run_stats.started_ns + static_cast<int64_t>(second * 1e9);
  sample.latency_ns = latency_ns;
  sample.ends_unit = ends_unit;
  sample.failure = failure;
  return sample;
}

TEST_F(RunStatsTest, SecondsAreRowsInOrderWithGapsFilledAndLateSamplesCounted) {
  start_measuring(1000000000);
  // Clients hand back their timings in pieces: second 1 arrives after 2.
  record_sample(at_second(0.5, 1000000));
  record_sample(at_second(2.1, 3000000, false));
  record_sample(at_second(1.2, 2000000));
  record_sample(at_second(2.9, 5000000, true, "boom"));
  record_sample(at_second(9.0, 1000000));  // closes 0 to 5: 3 to 4 are idle
  record_sample(at_second(0.7, 4000000));  // later than its window: counted only
  stop_measuring(run_stats.started_ns + 10000000000);
  ASSERT_EQ(run_stats.seconds.size(), 10u);
  EXPECT_EQ(run_stats.seconds[0].done, 2u);
  EXPECT_EQ(run_stats.seconds[0].p99_ns, 1000000);  // the late 4 ms is not in it
  EXPECT_EQ(run_stats.seconds[2].done, 2u);
  EXPECT_EQ(run_stats.seconds[2].failed, 1u);
  EXPECT_EQ(run_stats.seconds[4].done, 0u);
  EXPECT_EQ(run_stats.seconds[9].done, 1u);
  for (size_t i = 0; i < run_stats.seconds.size(); ++i) EXPECT_EQ(run_stats.seconds[i].second, int64_t(i));
  EXPECT_EQ(run_stats.units, 5u);  // the sample inside a block does not end a unit
}

TEST_F(RunStatsTest, ShapesBeyondTheLimitShareOneRowAndRepeatedTextsKeepTheirs) {
  run_stats.active = true;
  const int32_t first = shape_id("select 1");
  EXPECT_EQ(shape_id("select 2"), first);
  for (size_t i = 1; i < RunStats::kMaxShapes; ++i) shape_id(("select * from t" + std::to_string(i)).c_str());
  const int32_t other = shape_id("select * from u");
  EXPECT_EQ(other, static_cast<int32_t>(RunStats::kMaxShapes));
  EXPECT_EQ(shape_id("select * from v"), other);
  EXPECT_TRUE(run_stats.shapes.back()->shape.empty());
  EXPECT_EQ(shape_id("select 1"), first);
  LatencyHistogram h;
  for (int64_t v : {2, 4, 4, 4, 5, 5, 7, 9}) h.record(v);
  EXPECT_DOUBLE_EQ(h.stddev(), 2.0);
}

}  // namespace
}  // namespace tarnwick
