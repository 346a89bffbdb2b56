// Reading JSON reports back (--merge-reports, --compare-reports): the file
// parsed whole, its format checked, and its histograms rebuilt from their
// exact buckets. Only the measure library's own sources include this
// header: it brings nlohmann's JSON along.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "measure/histogram.h"

namespace tarnwick {

enum class ReportRead {
  ok,
  unreadable,    // the file cannot be opened or read
  not_json,      // not one whole JSON object: cut short, or not a report
  other_format,  // a report of another layout than kReportFormat
};

struct ReadReport {
  ReportRead status = ReportRead::unreadable;
  nlohmann::json report;  // the report when ok
  std::string detail;     // the parser's words when not_json; the system's, if any, when unreadable
  int format = 0;         // the report's format when other_format
};

ReadReport read_report(const std::string& path);

// A histogram of a report ({"count", "min_ns", "max_ns", "sum_ns",
// "sum_squares", "buckets"}); throws std::exception when a field is missing
// or its parts do not agree.
LatencyHistogram report_histogram(const nlohmann::json& histogram);

}  // namespace tarnwick
