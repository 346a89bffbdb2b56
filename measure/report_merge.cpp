#include "measure/report_merge.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

#include "measure/report.h"
#include "measure/report_reading.h"
#include "measure/run_stats.h"
#include "runtime/console_output.h"

namespace tarnwick {

namespace {

using nlohmann::json;

// Runs further apart than this on the wall clock were not started together
// (their hosts' clocks differ, or they are not one load): said, and kept.
constexpr double kApartSeconds = 5.0;
// Unix seconds of the year 3000: no report is written later.
constexpr double kLatestTime = 32503680000.0;
// The longest stretch of seconds without a statement that the merged
// series shows as empty seconds; runs further apart follow each other in it
// with their own second numbers, so that runs a year apart cost no more
// than runs a minute apart.
constexpr int64_t kLongestEmptyStretch = 3600;

struct Second {
  uint64_t done = 0;
  uint64_t failed = 0;
  LatencyHistogram latency;
};

// What the reports read so far add up to, before it goes into run_stats.
struct Merged {
  std::map<int64_t, Second> seconds;  // by whole seconds after the first start
  std::map<std::string, std::unique_ptr<ShapeStats>> shapes;
  std::map<std::string, uint64_t> errors;
};

// Takes one report in; throws std::exception with what is wrong.
void take(const json& r, double first_start, Merged& merged) {
  const double started = r.at("started_at").get<double>();
  HostRow host;
  host.host = r.at("host").get<std::string>();
  host.started_at = started;
  host.ended_at = r.at("ended_at").get<double>();
  host.statements = r.at("statements").get<uint64_t>();
  host.failed = r.at("failed").get<uint64_t>();
  const LatencyHistogram query = report_histogram(r.at("histograms").at("query"));
  const LatencyHistogram other = report_histogram(r.at("histograms").at("other"));
  host.latency.merge(query);
  host.latency.merge(other);

  // The run's sessions as one row of the merged report's sessions.
  auto session = std::make_unique<SessionStats>();
  session->latency[kind_query] = query;
  session->latency[kind_other] = other;
  session->failed = host.failed;
  for (const json& s : r.at("sessions")) {
    session->busy_ns += static_cast<int64_t>(s.at("busy_seconds").get<double>() * 1e9);
  }
  run_stats.sessions.push_back(std::move(session));

  run_stats.succeeded += r.at("run").get<uint64_t>();
  run_stats.failed += host.failed;
  run_stats.skipped += r.at("skipped").get<uint64_t>();
  run_stats.units += r.at("units").get<uint64_t>();
  run_stats.connections += r.at("connections").at("opened").get<int32_t>();
  run_stats.connect_ns += static_cast<int64_t>(r.at("connections").at("seconds").get<double>() * 1e9);
  for (const json& e : r.at("errors")) merged.errors[e.at("message").get<std::string>()] += e.at("count").get<uint64_t>();
  run_stats.other_errors += r.at("other_errors").get<uint64_t>();

  for (const json& s : r.at("shapes")) {
    std::unique_ptr<ShapeStats>& shape = merged.shapes[s.at("shape").get<std::string>()];
    if (shape == nullptr) {
      shape = std::make_unique<ShapeStats>();
      shape->shape = s.at("shape").get<std::string>();
      if (shape->shape == "(other shapes)") shape->shape.clear();
    }
    shape->latency.merge(report_histogram(s.at("latency")));
    shape->failed += s.at("failed").get<uint64_t>();
  }
  for (const json& row : r.at("per_second")) {
    const double at = started + static_cast<double>(row.at("second").get<int64_t>());
    Second& second = merged.seconds[static_cast<int64_t>(std::floor(at - first_start + 1e-9))];
    second.done += row.at("done").get<uint64_t>();
    second.failed += row.at("failed").get<uint64_t>();
    second.latency.merge(report_histogram(row.at("latency")));
  }
  run_stats.hosts.push_back(std::move(host));
}

}  // namespace

MergeResult merge_reports(const std::vector<std::string>& paths) {
  reset_run_stats();
  MergeResult result;
  std::vector<std::pair<std::string, json>> reports;
  for (const std::string& path : paths) {
    ReadReport read = read_report(path);
    if (read.status == ReportRead::unreadable || read.status == ReportRead::not_json) {
      const std::string why = read.status == ReportRead::unreadable ? "cannot be read" : read.detail;
      error_line("Cannot merge the report '", path.c_str(), ("': not a whole JSON report (" + why + ")").c_str());
      ++result.skipped;
      continue;
    }
    if (read.status == ReportRead::other_format) {
      error_line("Cannot merge the report '", path.c_str(),
                 ("': its format is " + std::to_string(read.format) + ", this program merges format " +
                  std::to_string(kReportFormat) + " (the same version's reports)")
                     .c_str());
      ++result.skipped;
      continue;
    }
    json& report = read.report;
    // Times place each run's seconds: a report whose clock says nothing of
    // a run (before 1970, past the year 3000, ending before it starts)
    // cannot be placed, and its seconds would have no end.
    const double started = report.value("started_at", 0.0), ended = report.value("ended_at", 0.0);
    if (!(started > 0 && started < kLatestTime && ended >= started && ended < kLatestTime)) {
      error_line("Cannot merge the report '", path.c_str(),
                 ("': its started_at (" + std::to_string(started) + ") and ended_at (" + std::to_string(ended) +
                  ") are not the times of a run")
                     .c_str());
      ++result.skipped;
      continue;
    }
    // The same run named twice would count its statements twice.
    const auto same = std::find_if(reports.begin(), reports.end(), [&](const auto& other) {
      return other.second.value("host", "") == report.value("host", "") &&
             other.second.value("started_at", 0.0) == report.value("started_at", 0.0);
    });
    if (same != reports.end()) {
      error_line("Not merging the report '", path.c_str(),
                 ("': it is the same run as '" + same->first + "', which is counted once").c_str());
      ++result.skipped;
      continue;
    }
    reports.emplace_back(path, std::move(report));
  }

  double first_start = 0, last_end = 0;
  for (const auto& [path, report] : reports) {
    const double started = report.value("started_at", 0.0), ended = report.value("ended_at", 0.0);
    if (first_start == 0 || started < first_start) first_start = started;
    last_end = std::max(last_end, ended);
  }
  Merged merged;
  result.planned = 0;
  for (const auto& [path, report] : reports) {
    try {
      take(report, first_start, merged);
    } catch (const std::exception& e) {
      error_line("Cannot merge the report '", path.c_str(), (std::string("': ") + e.what()).c_str());
      ++result.skipped;
      // What it had added stays out: merging starts again without it.
      std::vector<std::string> rest;
      for (const auto& [other, ignored] : reports) {
        if (other != path) rest.push_back(other);
      }
      MergeResult again = merge_reports(rest);
      again.skipped += result.skipped;
      return again;
    }
    const double offset = report.value("started_at", 0.0) - first_start;
    if (offset > kApartSeconds) {
      error_line("Note : the run of '", path.c_str(),
                 ("' started " + std::to_string(static_cast<int64_t>(offset)) +
                  " s after the first: its seconds are placed by its own clock")
                     .c_str());
    }
    const json& planned = report.at("planned");
    result.planned = planned.is_number() && result.planned >= 0 ? result.planned + planned.get<int64_t>() : -1;
    result.interrupted = result.interrupted || report.value("interrupted", false);
    ++result.merged;
  }

  run_stats.active = true;
  run_stats.started_at = first_start;
  run_stats.ended_at = last_end;
  run_stats.started_ns = 0;
  run_stats.ended_ns = static_cast<int64_t>((last_end - first_start) * 1e9);
  for (auto& [message, count] : merged.errors) {
    if (run_stats.errors.size() < RunStats::kMaxErrorMessages) {
      run_stats.errors.push_back({message, count});
    } else {
      run_stats.other_errors += count;
    }
  }
  std::unique_ptr<ShapeStats> others;
  for (auto& [text, shape] : merged.shapes) {
    if (shape->shape.empty() || run_stats.shapes.size() >= RunStats::kMaxShapes) {
      if (others == nullptr) others = std::make_unique<ShapeStats>();
      others->latency.merge(shape->latency);
      others->failed += shape->failed;
    } else {
      run_stats.shapes.push_back(std::move(shape));
    }
  }
  if (others != nullptr) run_stats.shapes.push_back(std::move(others));
  for (auto& [second, row] : merged.seconds) {
    int64_t next = run_stats.seconds.empty() ? 0 : run_stats.seconds.back().second + 1;
    if (second - next > kLongestEmptyStretch) next = second;
    for (; next < second; ++next) run_stats.seconds.push_back({next, 0, 0, 0, 0, {}});
    run_stats.seconds.push_back({second, row.done, row.failed, row.latency.percentile(0.50),
                                 row.latency.percentile(0.99), row.latency.parts()});
  }
  return result;
}

}  // namespace tarnwick
