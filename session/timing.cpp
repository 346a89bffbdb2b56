#include "session/timing.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "measure/progress.h"
#include "measure/run_stats.h"
#include "runtime/client_error.h"
#include "runtime/run_settings.h"
#include "statements/statement_text.h"

namespace tarnwick {

namespace {

// Reused from call to call: they grow to the largest batch once.
std::vector<ql_entry_timing> timings;
std::vector<int64_t> due_times;
// Per session, the answer of its previous entry in the call being
// measured: a pipelining session's entries overlap, and its busy time
// counts each moment once.
std::vector<int64_t> session_free_ns;

int64_t schedule_start_ns = 0;  // the due time of the run's first statement
uint64_t scheduled_count = 0;   // statements scheduled so far
bool last_call_scheduled = false;
// Whether the statements measured so far left a transaction block open:
// its statements make one unit, counted when it ends.
bool measured_in_block = false;

}  // namespace

void schedule_next_call(size_t n) {
  last_call_scheduled = settings.rate > 0;
  if (!last_call_scheduled) return;
  if (due_times.size() < n) due_times.resize(n);
  if (schedule_start_ns == 0) schedule_start_ns = monotonic_ns();
  // The parser bounds the rate (0.001 to 10^7 a second), so the interval is
  // finite; a due time beyond the clock's range (centuries away) is held at
  // its end rather than cast out of range.
  const double interval_ns = 1e9 / settings.rate;
  for (size_t i = 0; i < n; ++i) {
    const double offset_ns = static_cast<double>(scheduled_count) * interval_ns;
    const int64_t step_ns = offset_ns < 0x1p62 ? static_cast<int64_t>(offset_ns) : INT64_MAX;
    due_times[i] = step_ns < INT64_MAX - schedule_start_ns ? schedule_start_ns + step_ns : INT64_MAX;
    ++scheduled_count;
  }
  ql_schedule_next(connection, due_times.data(), static_cast<int32_t>(n), nullptr);
  run_stats.paced = true;
}

void measure_call(size_t n, bool query, const char* const* texts, const uint8_t* marks) {
  if (!run_stats.active) return;
  if (timings.size() < n) timings.resize(n);
  const size_t known = static_cast<size_t>(ql_last_timings(connection, timings.data(), static_cast<int32_t>(n)));
  const StatementKind kind = query ? kind_query : kind_other;
  session_free_ns.assign(std::min<size_t>(n, static_cast<size_t>(settings.sessions)), 0);
  for (size_t i = 0; i < n; ++i) {
    if (i >= known) {  // the call failed as a whole (no connection, say)
      record_failure(-1, client_error.code != 0 ? client_error.text : "no outcome from the client library");
      continue;
    }
    const ql_entry_timing& timing = timings[i];
    int64_t busy_from = timing.started_ns;
    auto session = static_cast<size_t>(timing.session);
    if (session < session_free_ns.size() && timing.finished_ns != 0) {
      busy_from = std::max(busy_from, session_free_ns[session]);
      session_free_ns[session] = timing.finished_ns;
    }
    Sample sample;
    sample.session = timing.session;
    sample.kind = kind;
    sample.busy_ns = timing.finished_ns - busy_from;
    sample.finished_ns = timing.finished_ns;
    sample.shape = shape_id(texts[i]);
    if (!measured_in_block && (marks[i] & kOpensBlock) != 0) measured_in_block = true;
    if (measured_in_block && (marks[i] & kEndsBlock) != 0) measured_in_block = false;
    sample.ends_unit = !measured_in_block;
    // An empty statement is no failure: nothing was there to run.
    ClientError entry_error{};
    if (timing.code != 0 && timing.code != QL_ERR_EMPTY) {
      ql_last_entry_error(connection, static_cast<int32_t>(i), &entry_error);
      entry_error.text[sizeof entry_error.text - 1] = '\0';
      sample.failure = entry_error.text;
    } else {
      int64_t from = last_call_scheduled ? due_times[i] : timing.started_ns;
      sample.latency_ns = timing.finished_ns - from;
    }
    record_sample(sample);
    // A pool spread over servers: session s runs on server s mod servers.
    if (!run_stats.servers.empty() && timing.session >= 0) {
      HostRow& server = run_stats.servers[static_cast<size_t>(timing.session) % run_stats.servers.size()];
      ++server.statements;
      if (sample.failure != nullptr) {
        ++server.failed;
      } else {
        server.latency.record(sample.latency_ns);
      }
    }
    if (last_call_scheduled && timing.started_ns != 0) record_lag(timing.started_ns - due_times[i]);
  }
  progress_tick(monotonic_ns());
}

void reset_timing() {
  schedule_start_ns = 0;
  scheduled_count = 0;
  last_call_scheduled = false;
  measured_in_block = false;
}

}  // namespace tarnwick
