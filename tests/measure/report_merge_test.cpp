// Merging reports: the merged histogram is exactly the histogram of all the
// runs' latencies, so its percentiles are those of one run that saw them
// all; reports that cannot be merged are left out, never half counted.
#include "measure/report_merge.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "measure/report.h"
#include "measure/run_stats.h"
#include "tests/measure/measured_run.h"

namespace tarnwick {
namespace {

class ReportMergeTest : public testing::MeasuredRunTest {
 protected:
  // One run's report of `latencies` (ns), its first `failures` failed.
  std::string run_report(const std::vector<int64_t>& latencies, int failures, const std::string& text) {
    std::vector<testing::RecordedStatement> statements;
    for (size_t i = 0; i < latencies.size(); ++i) {
      statements.push_back({latencies[i], text, kind_other, static_cast<int>(i) < failures ? "boom" : nullptr});
    }
    record_run(statements);
    return write_report("merge" + std::to_string(reports_++) + ".json");
  }
  int reports_ = 0;
};

TEST_F(ReportMergeTest, PercentilesOfTheMergeAreThoseOfAllLatenciesTogether) {
  std::mt19937_64 random(7);
  std::lognormal_distribution<double> spread(13.0, 1.2);  // about 0.4 ms, with a long tail
  std::vector<std::vector<int64_t>> runs(3);
  LatencyHistogram all;
  for (auto& run : runs) {
    for (int i = 0; i < 5000; ++i) run.push_back(static_cast<int64_t>(spread(random)));
  }
  std::vector<std::string> reports;
  for (size_t r = 0; r < runs.size(); ++r) {
    reports.push_back(run_report(runs[r], static_cast<int>(r), "select 1"));
    for (size_t i = r; i < runs[r].size(); ++i) all.record(runs[r][i]);  // the failed ones have no latency
  }
  MergeResult result = merge_reports(reports);
  EXPECT_EQ(result.merged, 3);
  EXPECT_EQ(run_stats.failed, 3u);
  EXPECT_EQ(run_stats.hosts.size(), 3u);
  LatencyHistogram merged = merged_latency(-1);
  EXPECT_EQ(merged.parts().buckets, all.parts().buckets);
  for (double q : {0.5, 0.9, 0.99, 0.999}) EXPECT_EQ(merged.percentile(q), all.percentile(q)) << q;
  ASSERT_EQ(run_stats.shapes.size(), 1u);
  EXPECT_EQ(run_stats.shapes[0]->latency.count() + run_stats.shapes[0]->failed, 15000u);
}

TEST_F(ReportMergeTest, ReportsThatCannotBeMergedAreLeftOutWhole) {
  const std::string good = run_report({1000, 2000, 3000}, 0, "select 1");
  std::ifstream file(good);
  const std::string whole((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::string old_format = whole;
  old_format.replace(old_format.find("\"format\": 2"), 11, "\"format\": 1");
  std::string bad_buckets = whole;
  bad_buckets.replace(bad_buckets.find("\"count\": 3, \"min_ns\""), 10, "\"count\": 4");
  write_file("half.json", whole.substr(0, whole.size() / 2));
  write_file("old.json", old_format);
  write_file("buckets.json", bad_buckets);
  const std::vector<std::string> bad = {path("half.json"), path("old.json"), path("buckets.json"), good,
                                        "/nonexistent/report.json"};
  std::vector<std::string> inputs = {good};
  inputs.insert(inputs.end(), bad.begin(), bad.end());
  MergeResult result = merge_reports(inputs);
  EXPECT_EQ(result.merged, 1);
  EXPECT_EQ(result.skipped, 5);
  EXPECT_EQ(run_stats.succeeded, 3u);
  EXPECT_EQ(run_stats.hosts.size(), 1u);
}

}  // namespace
}  // namespace tarnwick
