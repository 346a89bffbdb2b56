#include "measure/run_stats.h"

#include <time.h>

#include <cstring>
#include <string_view>

#include "measure/progress.h"

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

}  // namespace

int64_t monotonic_ns() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

void start_measuring(int64_t now_ns) {
  run_stats.active = true;
  run_stats.started_ns = now_ns;
  run_stats.ended_ns = now_ns;
  run_stats.interval_started_ns = now_ns;
  if (run_stats.progress_ns > 0) start_progress_watcher(now_ns, run_stats.progress_ns);
}

void stop_measuring(int64_t now_ns) {
  stop_progress_watcher();
  run_stats.ended_ns = now_ns;
}

void reset_run_stats() {
  stop_progress_watcher();
  run_stats = RunStats();
}

void record_success(int32_t session, StatementKind kind, int64_t latency_ns, int64_t busy_ns) {
  SessionStats& stats = session_stats(session);
  stats.latency[kind].record(latency_ns);
  stats.busy_ns += busy_ns;
  ++run_stats.succeeded;
  run_stats.interval.record(latency_ns);
  ++run_stats.interval_done;
}

void record_failure(int32_t session, const char* message, int64_t busy_ns) {
  if (session >= 0) {
    SessionStats& stats = session_stats(session);
    ++stats.failed;
    stats.busy_ns += busy_ns;
  }
  ++run_stats.failed;
  ++run_stats.interval_done;
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
