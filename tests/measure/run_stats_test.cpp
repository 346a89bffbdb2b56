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
