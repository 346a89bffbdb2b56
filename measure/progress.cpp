#include "measure/progress.h"

#include <cstdio>

#include "measure/run_stats.h"
#include "runtime/console_output.h"

namespace tarnwick {

namespace {

double milliseconds(int64_t nanoseconds) { return static_cast<double>(nanoseconds) / 1e6; }
double seconds(int64_t nanoseconds) { return static_cast<double>(nanoseconds) / 1e9; }

}  // namespace

std::string progress_line(int64_t now_ns) {
  char percent[32] = "";
  if (run_stats.log_bytes > 0) {
    std::snprintf(percent, sizeof percent, " (%.1f%%)",
                  100.0 * static_cast<double>(run_stats.log_bytes_done) / static_cast<double>(run_stats.log_bytes));
  }
  double interval = seconds(now_ns - run_stats.interval_started_ns);
  double rate = interval > 0 ? static_cast<double>(run_stats.interval_done) / interval : 0.0;
  char line[256];
  std::snprintf(line, sizeof line,
                "progress: %.1f s, %llu statements%s, %.1f/s, %llu failed, p50 %.3f ms, p99 %.3f ms",
                seconds(now_ns - run_stats.started_ns), static_cast<unsigned long long>(statements_done()), percent,
                rate, static_cast<unsigned long long>(run_stats.failed),
                milliseconds(run_stats.interval.percentile(0.50)), milliseconds(run_stats.interval.percentile(0.99)));
  return line;
}

void progress_tick(int64_t now_ns) {
  if (run_stats.progress_ns <= 0 || now_ns - run_stats.interval_started_ns < run_stats.progress_ns) return;
  error_line(progress_line(now_ns).c_str());
  run_stats.interval.reset();
  run_stats.interval_done = 0;
  run_stats.interval_started_ns = now_ns;
}

}  // namespace tarnwick
