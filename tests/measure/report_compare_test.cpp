// Comparing reports: two reports that cannot be compared give a message
// and no figure; a change the histograms cannot tell from none is marked.
#include "measure/report_compare.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tests/measure/measured_run.h"

namespace tarnwick {
namespace {

class ReportCompareTest : public testing::MeasuredRunTest {
 protected:
  // A run of 2000 queries of one shape, their latencies spread about
  // 0.4 ms and multiplied by `factor`, into the report `name`.
  std::string run_report(const std::string& name, double factor) {
    std::mt19937_64 random(11);
    std::lognormal_distribution<double> spread(13.0, 0.5);
    std::vector<testing::RecordedStatement> statements;
    for (int i = 0; i < 2000; ++i) {
      statements.push_back({static_cast<int64_t>(spread(random) * factor), "select 1", kind_query, nullptr});
    }
    record_run(statements);
    return write_report(name);
  }
};

TEST_F(ReportCompareTest, ReportsThatCannotBeComparedGiveAMessageAndNoFigure) {
  const std::string before = run_report("before.json", 1), after = run_report("after.json", 1.5);
  record_run({});
  const std::string empty = write_report("empty.json");
  const std::string whole = read_file("before.json");
  std::string old_format = whole, bad_buckets = whole;
  old_format.replace(old_format.find("\"format\": 2"), 11, "\"format\": 1");
  bad_buckets.replace(bad_buckets.find("\"buckets\": [["), 13, "\"buckets\": [[9");
  write_file("old.json", old_format);
  write_file("cut.json", whole.substr(0, whole.size() - 40));
  write_file("buckets.json", bad_buckets);
  write_file("copy.json", whole);

  const struct {
    std::vector<std::string> paths;
    std::string message;
  } cases[] = {
      {{before}, "takes two reports, before and after"},
      {{before, after, empty}, "takes two reports, before and after"},
      {{before, path("old.json")}, "old.json': its format is 1, this program compares format 2"},
      {{path("cut.json"), after}, "cut.json': it is not a whole JSON report"},
      {{before, path("buckets.json")}, "buckets.json': it is damaged (a histogram whose buckets do not add up)"},
      {{before, empty}, "empty.json': it holds no statements"},
      {{before, before}, "they are the same file"},
      {{before, path("copy.json")}, "they are reports of the same run"},
      {{before, path("missing.json")}, "missing.json': it cannot be read (No such file or directory)"},
  };
  for (const auto& c : cases) {
    ReportComparison comparison;
    std::string problem;
    EXPECT_FALSE(compare_reports(c.paths, &comparison, &problem)) << c.message;
    EXPECT_NE(problem.find(c.message), std::string::npos) << problem;
    EXPECT_TRUE(comparison.kinds.empty() && comparison.shapes.empty()) << c.message;
  }
  ReportComparison comparison;
  std::string problem;
  EXPECT_TRUE(compare_reports({before, after}, &comparison, &problem)) << problem;
}

TEST_F(ReportCompareTest, ChangesWithinTheHistogramsErrorAreMarked) {
  const struct {
    double factor;
    bool within;
  } cases[] = {{1.003, true}, {1.1, false}, {0.9, false}};
  const std::string before = run_report("before.json", 1);
  for (const auto& c : cases) {
    const std::string after = run_report("after.json", c.factor);
    ReportComparison comparison;
    std::string problem;
    ASSERT_TRUE(compare_reports({before, after}, &comparison, &problem)) << problem;
    // The row of the query kind: rate, p50, p99 and failed, each before,
    // after and the change.
    const std::string text = comparison_text(comparison);
    const size_t end = text.find("  query\n");
    ASSERT_NE(end, std::string::npos) << text;
    std::istringstream row(text.substr(text.rfind('\n', end) + 1, end - text.rfind('\n', end)));
    std::vector<std::string> cells{std::istream_iterator<std::string>(row), std::istream_iterator<std::string>()};
    ASSERT_EQ(cells.size(), 12u) << text;
    EXPECT_EQ(cells[2], "~+0.0%") << "the same count over the same time";
    EXPECT_EQ(cells[5][0] == '~', c.within) << c.factor << ": p50 " << cells[5];
    EXPECT_EQ(cells[8][0] == '~', c.within) << c.factor << ": p99 " << cells[8];
    EXPECT_EQ(comparison.shapes.at(0).name, "select $1");
  }
}

}  // namespace
}  // namespace tarnwick
