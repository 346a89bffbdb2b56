// Runs recorded straight into run_stats, for the tests of the reports made
// from it, and their JSON reports written into a temporary directory.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "measure/report.h"
#include "measure/run_stats.h"
#include "tests/support/file/temp_dir.h"

namespace tarnwick::testing {

struct RecordedStatement {
  int64_t latency_ns = 0;
  std::string text;  // the statement, shaped as a run shapes it
  StatementKind kind = kind_query;
  const char* failure = nullptr;  // the message of a failed one
};

class MeasuredRunTest : public morvane::testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    reset_run_stats();
  }
  void TearDown() override {
    reset_run_stats();
    TempDirTest::TearDown();
  }

  // One run in run_stats (reset first): a statement finishing every
  // `spacing_ns` from the start, the run ending `length_ns` after it.
  static void record_run(const std::vector<RecordedStatement>& statements, int64_t spacing_ns = 1000000,
                         int64_t length_ns = 3000000000) {
    reset_run_stats();
    start_measuring(1000000000);
    for (size_t i = 0; i < statements.size(); ++i) {
      Sample sample;
      sample.kind = statements[i].kind;
      sample.latency_ns = statements[i].latency_ns;
      sample.finished_ns = run_stats.started_ns + static_cast<int64_t>(i) * spacing_ns;
      sample.shape = shape_id(statements[i].text.c_str());
      sample.failure = statements[i].failure;
      record_sample(sample);
    }
    stop_measuring(run_stats.started_ns + length_ns);
  }

  // The JSON report of the run in run_stats, as the file `name`.
  std::string write_report(const std::string& name) {
    write_file(name, report_json(ReportSettings{}));
    return path(name);
  }
};

}  // namespace tarnwick::testing
