// The statistics of a load run: what the report and the progress lines are
// made of. One process-wide record, written and read by the main thread
// only (the client library's session threads hand their timings back
// through the library's calls), so nothing here takes a lock. The progress
// watcher thread reads none of it: progress_tick hands it copies of the
// counts in atomics of its own (measure/progress.cpp).
//
// Latency is kept per session and per statement kind in histograms that
// are created when a session first reports and merged only when read, plus
// one histogram for the current progress interval.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "measure/histogram.h"

namespace tarnwick {

enum StatementKind : int { kind_query = 0, kind_other = 1 };

struct SessionStats {
  LatencyHistogram latency[2];  // by StatementKind
  uint64_t failed = 0;
  int64_t busy_ns = 0;  // time the session spent on its statements
};

// The statements of one shape (sqltext::shape).
struct ShapeStats {
  std::string shape;
  LatencyHistogram latency;  // of those that succeeded
  uint64_t failed = 0;
};

// One second of the run, counted by when statements finished: how many
// finished, how many of those failed, and the latency percentiles of the
// others. Seconds in which nothing finished have rows of zeros.
struct SecondRow {
  int64_t second = 0;  // from the start of the run
  uint64_t done = 0;
  uint64_t failed = 0;
  int64_t p50_ns = 0;
  int64_t p99_ns = 0;
  LatencyHistogram::Parts latency;  // what the percentiles come from, for merging
};

// One run of a merged report (--merge-reports): where and when it ran.
struct HostRow {
  std::string host;
  double started_at = 0;  // wall clock, Unix seconds
  double ended_at = 0;
  uint64_t statements = 0;
  uint64_t failed = 0;
  LatencyHistogram latency;
};

// A second still taking statements: the clients of a run hand their
// timings back in pieces, so a statement may arrive after later ones.
struct OpenSecond {
  int64_t second = -1;
  LatencyHistogram latency;
  uint64_t failed = 0;
};

struct ErrorCount {
  std::string message;
  uint64_t count = 0;
};

struct RunStats {
  static constexpr size_t kMaxErrorMessages = 20;
  // Distinct shapes kept; statements of further shapes count in one row
  // "(other shapes)", so a log of ever new texts costs constant memory.
  static constexpr size_t kMaxShapes = 200;
  static constexpr int64_t kOpenSeconds = 4;

  bool active = false;  // measuring was asked for (--report or progress)
  int64_t started_ns = 0;
  int64_t ended_ns = 0;
  double started_at = 0;  // the same two on the wall clock, Unix seconds
  double ended_at = 0;
  // --start-at: when the run was to start (wall clock, Unix seconds; 0:
  // not set) and how late it was when it got there (connecting, say).
  double start_at = 0;
  double start_late = 0;
  // The runs a merged report is made of, one row each; empty for a run's
  // own report.
  std::vector<HostRow> hosts;
  // The servers of a --spread-hosts run, one row each (host is the server).
  std::vector<HostRow> servers;

  uint64_t succeeded = 0;
  uint64_t failed = 0;
  uint64_t skipped = 0;  // dropped by the filters, never sent

  std::vector<std::unique_ptr<SessionStats>> sessions;  // by session number

  // Units: a transaction block counts once, when its last statement
  // finished; every statement outside blocks counts alone.
  uint64_t units = 0;
  // The time independent clients spent opening their connections, summed
  // over them, and how many opened.
  int64_t connect_ns = 0;
  int32_t connections = 0;

  // By shape: the index shape_id gives; the last row, when there, is
  // "(other shapes)". shape_ids is keyed by shape; known_texts by the
  // exact text, so that a program's repeated text is shaped once.
  std::vector<std::unique_ptr<ShapeStats>> shapes;
  std::unordered_map<std::string, int32_t> shape_ids;
  std::unordered_map<std::string, int32_t> known_texts;

  // The per-second series: closed seconds in order, and the open ones.
  std::vector<SecondRow> seconds;
  std::array<OpenSecond, kOpenSeconds> open_seconds;
  int64_t newest_second = -1;

  // Failures by the first line of their message. The first
  // kMaxErrorMessages distinct messages are kept; failures with any other
  // message are counted apart.
  std::vector<ErrorCount> errors;
  uint64_t other_errors = 0;

  // Batches of a --statements run: how many, and how full.
  uint64_t batches = 0;
  uint64_t batch_entries = 0;
  uint64_t full_batches = 0;

  // Fixed-rate runs: how late each statement started against its schedule.
  bool paced = false;
  LatencyHistogram lag;
  int64_t late_threshold_ns = 0;
  uint64_t late = 0;

  // The progress interval under way; progress_ns 0 means no progress lines.
  int64_t progress_ns = 0;
  LatencyHistogram interval;
  int64_t interval_started_ns = 0;
  uint64_t interval_done = 0;

  // The replay log being played, in bytes, for the percentage done.
  uint64_t log_bytes = 0;
  uint64_t log_bytes_done = 0;
};

extern RunStats run_stats;

// Starts a measured run at `now_ns` (see monotonic_ns), and the progress
// watcher when progress_ns is set.
void start_measuring(int64_t now_ns);
// Ends it: the elapsed time stops here, and no progress line comes after.
void stop_measuring(int64_t now_ns);
// Puts the record back to its state at process start (the watcher stopped).
void reset_run_stats();

// One finished statement, as the report counts it.
struct Sample {
  int32_t session = 0;  // -1: not known
  StatementKind kind = kind_other;
  int64_t latency_ns = 0;
  int64_t busy_ns = 0;
  int64_t finished_ns = 0;  // monotonic_ns(); 0: now
  int32_t shape = -1;       // shape_id(); -1: none
  bool ends_unit = true;    // the last statement of its unit
  const char* failure = nullptr;  // the message; null when it succeeded
};
void record_sample(const Sample& sample);

// The shape row of `text` (created when new); -1 when the run is not
// measured.
int32_t shape_id(const char* text);

// Turns the seconds still open into rows; stop_measuring calls it.
void close_seconds();

// One statement that succeeded on `session`: its latency (from its
// scheduled time in fixed-rate runs) and the time its session spent on it.
void record_success(int32_t session, StatementKind kind, int64_t latency_ns, int64_t busy_ns);
// One statement that failed with `message` on `session` (-1: unknown),
// which spent `busy_ns` on it.
void record_failure(int32_t session, const char* message, int64_t busy_ns = 0);
void record_skipped();
void record_batch(uint64_t entries, uint64_t capacity);
// How late a scheduled statement started.
void record_lag(int64_t lag_ns);

// All sessions' latency of one kind, or of both (kind < 0), merged.
LatencyHistogram merged_latency(int kind);
uint64_t statements_done();

// Nanoseconds of CLOCK_MONOTONIC, the clock of the client library's timings.
int64_t monotonic_ns();

}  // namespace tarnwick
