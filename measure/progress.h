// Progress lines on standard error during a measured run, one per interval:
//   progress: 10.0 s, 82410 statements (41.2%), 8246.1/s, 0 failed, p50 0.412 ms, p99 1.930 ms
// (the percentage only while a replay log of known size plays; the rate and
// the percentiles over the interval just ended).
#pragma once

#include <cstdint>
#include <string>

namespace tarnwick {

// Writes a progress line when run_stats.progress_ns has passed since the
// last one (or the start), and starts a new interval.
void progress_tick(int64_t now_ns);

// The line for an interval that ends at `now_ns`; for the tests.
std::string progress_line(int64_t now_ns);

}  // namespace tarnwick
