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

// Runs a year apart merge into series of their own seconds, not a year of
// empty ones; a report whose clock places no run is left out.
TEST_F(ReportMergeTest, RunsFarApartCostNoMoreThanRunsSideBySide) {
  const std::string first = run_report({1000, 2000}, 0, "select 1");
  std::ifstream file(first);
  const std::string whole((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  // The same report with its times moved: `started` and `ended` replace the
  // numbers after "started_at": and "ended_at": (the run's, and its host's).
  auto moved = [&](const std::string& name, const std::string& started, const std::string& ended) {
    std::string text = whole;
    for (const auto& [key, value] : {std::pair{"\"started_at\": ", started}, std::pair{"\"ended_at\": ", ended}}) {
      for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + 1)) {
        const size_t from = at + std::string(key).size();
        text.replace(from, text.find_first_of(",}\n", from) - from, value);
      }
    }
    write_file(name, text);
    return path(name);
  };
  const std::string year_later = moved("later.json", "1800000000.5", "1800000001.5");
  const std::string epoch = moved("epoch.json", "5", "6");
  const std::string huge = moved("huge.json", "1e308", "1e308");
  const std::string backwards = moved("backwards.json", "1800000009", "1800000001");
  MergeResult result = merge_reports({first, year_later, epoch, huge, backwards});
  EXPECT_EQ(result.merged, 3);
  EXPECT_EQ(result.skipped, 2);
  EXPECT_EQ(run_stats.succeeded, 6u);
  EXPECT_LT(run_stats.seconds.size(), 10u);
}

}  // namespace
}  // namespace tarnwick
