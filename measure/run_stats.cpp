#include "measure/run_stats.h"

#include <time.h>

#include <algorithm>
#include <cstring>
#include <string_view>

#include "measure/progress.h"
#include "sqltext/literals.h"

namespace tarnwick {

RunStats run_stats;

namespace {

SessionStats& session_stats(int32_t session) {
  if (session < 0) session = 0;
  auto index = static_cast<size_t>(session);
  if (index >= run_stats.sessions.size()) run_stats.sessions.resize(index + 1);
  if (run_stats.sessions[index] == nullptr) run_stats.sessions[index] = std::make_unique<SessionStats>();
  return *run_stats.sessions[index];
}

void count_error(const char* message) {
  // Failures are grouped by the first line of their message: engines put
  // the particulars of one failure (PostgreSQL's DETAIL and LINE parts: the
  // key, the position) on the lines after it.
  std::string_view first_line(message);
  first_line = first_line.substr(0, first_line.find('\n'));
  for (ErrorCount& error : run_stats.errors) {
    if (error.message == first_line) {
      ++error.count;
      return;
    }
  }
  if (run_stats.errors.size() < RunStats::kMaxErrorMessages) {
    run_stats.errors.push_back({std::string(first_line), 1});
  } else {
    ++run_stats.other_errors;
  }
}

// Appends the row of an open second, after rows of zeros for the seconds
// between it and the last row.
void close_second(OpenSecond& open) {
  if (open.second < 0) return;
  int64_t next = run_stats.seconds.empty() ? 0 : run_stats.seconds.back().second + 1;
  for (; next < open.second; ++next) run_stats.seconds.push_back({next, 0, 0, 0, 0, {}});
  run_stats.seconds.push_back({open.second, open.latency.count() + open.failed, open.failed,
                               open.latency.percentile(0.50), open.latency.percentile(0.99), open.latency.parts()});
  open = OpenSecond();
}

// Closes, oldest first, the open seconds at or before `last`.
void close_seconds_through(int64_t last) {
  for (;;) {
    OpenSecond* oldest = nullptr;
    for (OpenSecond& open : run_stats.open_seconds) {
      if (open.second >= 0 && open.second <= last && (oldest == nullptr || open.second < oldest->second)) {
        oldest = &open;
      }
    }
    if (oldest == nullptr) return;
    close_second(*oldest);
  }
}

void count_in_second(const Sample& sample) {
  const int64_t finished = sample.finished_ns != 0 ? sample.finished_ns : monotonic_ns();
  const int64_t second = std::max<int64_t>(0, (finished - run_stats.started_ns) / 1000000000);
  if (second > run_stats.newest_second) {
    close_seconds_through(second - RunStats::kOpenSeconds);
    run_stats.newest_second = second;
  }
  OpenSecond& open = run_stats.open_seconds[static_cast<size_t>(second % RunStats::kOpenSeconds)];
  if (second > run_stats.newest_second - RunStats::kOpenSeconds) {  // its window is open
    open.second = second;
    if (sample.failure != nullptr) {
      ++open.failed;
    } else {
      open.latency.record(sample.latency_ns);
    }
    return;
  }
  // Later than its second's window: counted, its latency left out of the
  // second's percentiles (it is in every other figure).
  auto row = std::lower_bound(run_stats.seconds.begin(), run_stats.seconds.end(), second,
                              [](const SecondRow& r, int64_t s) { return r.second < s; });
  if (row != run_stats.seconds.end() && row->second == second) {
    ++row->done;
    if (sample.failure != nullptr) ++row->failed;
  }
}

}  // namespace

void record_sample(const Sample& sample) {
  if (sample.failure != nullptr) {
    if (sample.session >= 0) {
      SessionStats& stats = session_stats(sample.session);
      ++stats.failed;
      stats.busy_ns += sample.busy_ns;
    }
    ++run_stats.failed;
    count_error(sample.failure);
  } else {
    SessionStats& stats = session_stats(sample.session);
    stats.latency[sample.kind].record(sample.latency_ns);
    stats.busy_ns += sample.busy_ns;
    ++run_stats.succeeded;
    run_stats.interval.record(sample.latency_ns);
  }
  ++run_stats.interval_done;
  if (sample.ends_unit) ++run_stats.units;
  if (sample.shape >= 0 && static_cast<size_t>(sample.shape) < run_stats.shapes.size()) {
    ShapeStats& shape = *run_stats.shapes[static_cast<size_t>(sample.shape)];
    if (sample.failure != nullptr) {
      ++shape.failed;
    } else {
      shape.latency.record(sample.latency_ns);
    }
  }
  count_in_second(sample);
}

int32_t shape_id(const char* text) {
  if (!run_stats.active) return -1;
  // A program sends the same few texts again and again: those are found by
  // their exact text without being shaped. The cache of texts is bounded
  // like the shapes.
  auto known = run_stats.known_texts.find(text);
  if (known != run_stats.known_texts.end()) return known->second;
  std::string shape = sqltext::shape(text);
  int32_t id;
  auto found = run_stats.shape_ids.find(shape);
  if (found != run_stats.shape_ids.end()) {
    id = found->second;
  } else if (run_stats.shape_ids.size() < RunStats::kMaxShapes) {
    // Shapes are only added while fewer than kMaxShapes exist, so the
    // "(other shapes)" row, made at the first one past them, stays last.
    id = static_cast<int32_t>(run_stats.shapes.size());
    run_stats.shapes.push_back(std::make_unique<ShapeStats>());
    run_stats.shapes.back()->shape = shape;
    run_stats.shape_ids.emplace(std::move(shape), id);
  } else {
    if (run_stats.shapes.size() == RunStats::kMaxShapes) run_stats.shapes.push_back(std::make_unique<ShapeStats>());
    id = static_cast<int32_t>(RunStats::kMaxShapes);
  }
  if (run_stats.known_texts.size() < 4 * RunStats::kMaxShapes) run_stats.known_texts.emplace(text, id);
  return id;
}

void close_seconds() { close_seconds_through(INT64_MAX); }

int64_t monotonic_ns() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

double wall_clock_now() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

void start_measuring(int64_t now_ns) {
  run_stats.active = true;
  run_stats.started_at = wall_clock_now();
  run_stats.started_ns = now_ns;
  run_stats.ended_ns = now_ns;
  run_stats.interval_started_ns = now_ns;
  if (run_stats.progress_ns > 0) start_progress_watcher(now_ns, run_stats.progress_ns);
}

void stop_measuring(int64_t now_ns) {
  stop_progress_watcher();
  run_stats.ended_ns = now_ns;
  run_stats.ended_at = run_stats.started_at + static_cast<double>(now_ns - run_stats.started_ns) / 1e9;
  close_seconds();
}

void reset_run_stats() {
  stop_progress_watcher();
  run_stats = RunStats();
}

void record_success(int32_t session, StatementKind kind, int64_t latency_ns, int64_t busy_ns) {
  Sample sample;
  sample.session = session;
  sample.kind = kind;
  sample.latency_ns = latency_ns;
  sample.busy_ns = busy_ns;
  record_sample(sample);
}

void record_failure(int32_t session, const char* message, int64_t busy_ns) {
  Sample sample;
  sample.session = session;
  sample.busy_ns = busy_ns;
  sample.failure = message;
  record_sample(sample);
}

void record_skipped() { ++run_stats.skipped; }

void record_batch(uint64_t entries, uint64_t capacity) {
  ++run_stats.batches;
  run_stats.batch_entries += entries;
  if (entries >= capacity) ++run_stats.full_batches;
}

void record_lag(int64_t lag_ns) {
  if (lag_ns < 0) lag_ns = 0;
  run_stats.lag.record(lag_ns);
  if (lag_ns > run_stats.late_threshold_ns) ++run_stats.late;
}

LatencyHistogram merged_latency(int kind) {
  LatencyHistogram all;
  for (const std::unique_ptr<SessionStats>& stats : run_stats.sessions) {
    if (stats == nullptr) continue;
    if (kind != kind_other) all.merge(stats->latency[kind_query]);
    if (kind != kind_query) all.merge(stats->latency[kind_other]);
  }
  return all;
}

uint64_t statements_done() { return run_stats.succeeded + run_stats.failed; }

}  // namespace tarnwick
