// Comparing two JSON reports (--compare-reports=before.json,after.json):
// per statement kind and per statement shape, the rate, p50, p99 and
// failures of the two runs side by side, with the change in percent.
//
// The percentiles come from histograms whose buckets are within 1%, so two
// percentiles less than 2% apart may be the same latency; a rate is
// counted exactly but over a wall-clock time, and a change below 1% is
// within what two runs of one load differ by. Such changes are marked
// "~", as within error; what is said without the mark is a change.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "measure/histogram.h"

namespace tarnwick {

// What one report says about one row (a kind or a shape).
struct CompareSide {
  bool present = false;  // a shape only one run had is absent in the other
  uint64_t statements = 0;
  double rate = 0;  // statements a second
  double p50_ms = 0;
  double p99_ms = 0;
  int64_t failed = -1;  // below 0: not known (the reports count failures by shape, not by kind)
};

struct CompareRow {
  std::string name;
  CompareSide before, after;
};

// One report as a whole.
struct CompareRun {
  std::string path;
  std::string host;
  double started_at = 0;  // wall clock, Unix seconds
  double ended_at = 0;
  double elapsed_seconds = 0;
  uint64_t statements = 0;
  uint64_t failed = 0;
  LatencyHistogram latency[3];  // query, other, all
  struct Second {
    double second = 0;
    double done = 0;
    double failed = 0;
    double p99_ms = -1;  // below 0: nothing succeeded in that second
  };
  std::vector<Second> seconds;
};

struct ReportComparison {
  CompareRun before, after;
  std::vector<CompareRow> kinds;   // query, other, all: those either run had
  std::vector<CompareRow> shapes;  // the largest change of p99 first (see compare_reports)
};

// Reads the two reports named (before, after). False, with the message in
// `problem`, when there are not two, when they are the same file or the
// same run, or when one cannot be read, is cut short or damaged, has
// another format than kReportFormat, or holds no statements: no figure
// is given then. Shapes whose p99 moved beyond error come first, by how
// much the move weighs (its milliseconds times the shape's statements),
// then those of one run only, then the rest, the most frequent first.
bool compare_reports(const std::vector<std::string>& paths, ReportComparison* comparison, std::string* problem);

// The comparison as text for standard output, and as an HTML page with
// the latency of both runs by percentile and their rate and p99 second by
// second.
std::string comparison_text(const ReportComparison& comparison);
std::string comparison_html(const ReportComparison& comparison);

}  // namespace tarnwick
