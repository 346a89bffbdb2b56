// Progress lines on standard error during a measured run, one per interval:
//   progress: 10.0 s, 82410 statements (41.2%), 8246.1/s, 0 failed, p50 0.412 ms, p99 1.930 ms
// (the percentage only while a replay log of known size plays; the rate and
// the percentiles over the interval just ended). The main thread writes
// them after its calls. While it is held up (a statement that stalls, a
// source that is slow to give the next one), a watcher thread writes a line
// each interval in which nothing finished, with the time since something
// last did:
//   progress: 14.0 s, 82410 statements (41.2%), 0.0/s, 0 failed, nothing finished for 4.0 s
// Statements count when their call returns: the entries of a batch all
// finish when the batch comes back.
#pragma once

#include <cstdint>
#include <string>

namespace tarnwick {

// After a call: tells the watcher that statements finished, then writes a
// progress line when run_stats.progress_ns has passed since the last one
// (or the start), and starts a new interval. Main thread.
void progress_tick(int64_t now_ns);

// The line for an interval that ends at `now_ns`; for the tests.
std::string progress_line(int64_t now_ns);

// Starts the watcher for a run that started at `started_ns`, with lines
// every `interval_ns`; without it (a thread limit) stalls are silent.
// Stops it, waiting for it to end: no line is written after this returns.
// Main thread; start_measuring and stop_measuring call them.
void start_progress_watcher(int64_t started_ns, int64_t interval_ns);
void stop_progress_watcher();

}  // namespace tarnwick
