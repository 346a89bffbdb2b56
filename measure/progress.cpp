#include "measure/progress.h"

#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <system_error>
#include <thread>

#include "measure/run_stats.h"
#include "runtime/console_output.h"

namespace tarnwick {

namespace {

double milliseconds(int64_t nanoseconds) { return static_cast<double>(nanoseconds) / 1e6; }
double seconds(int64_t nanoseconds) { return static_cast<double>(nanoseconds) / 1e9; }

// The share of the replay log played, in percent; below 0 when no log of
// known size plays.
double log_percent() {
  if (run_stats.log_bytes == 0) return -1;
  return 100.0 * static_cast<double>(run_stats.log_bytes_done) /
         static_cast<double>(run_stats.log_bytes);
}

std::string percent_text(double percent) {
  char text[32] = "";
  if (percent >= 0) std::snprintf(text, sizeof text, " (%.1f%%)", percent);
  return text;
}

// What the watcher thread knows of the run, and how the two threads meet.
// Thread rules:
//   done, failed, percent, last_finished_ns   stored by the main thread after
//       each call (progress_tick), loaded by the watcher; the watcher reads
//       nothing of run_stats, which stays the main thread's alone.
//   last_line_ns   when the last line of either thread was written; stored
//       under `lock`.
//   lock   held by either thread while it writes a progress line (the
//       watcher also while it decides to), so that lines never mix; the
//       main thread takes it once per interval, never per statement.
//   started_ns, interval_ns, thread   set by the main thread while no
//       watcher runs.
//   stopping   under `lock`; `wake` tells the watcher it changed.
// Made once and never destroyed: nothing is torn down at exit under a
// watcher that still runs (a run that ends through an exception).
struct Watcher {
  std::atomic<uint64_t> done{0};
  std::atomic<uint64_t> failed{0};
  std::atomic<double> percent{-1};
  std::atomic<int64_t> last_finished_ns{0};
  std::atomic<int64_t> last_line_ns{0};
  std::mutex lock;
  std::condition_variable wake;
  bool stopping = false;
  int64_t started_ns = 0;
  int64_t interval_ns = 0;
  std::thread thread;
};

Watcher& watcher() {
  static Watcher* const shared = new Watcher;
  return *shared;
}

// The watcher's line at `now_ns` for a run that started at `started_ns`:
// `done` statements finished, `failed` of them failed, `percent` of its log
// played (below 0: not known), the last one at `last_finished_ns`.
std::string stall_line(int64_t now_ns, int64_t started_ns, uint64_t done, uint64_t failed,
                       double percent, int64_t last_finished_ns) {
  char line[256];
  std::snprintf(
      line, sizeof line,
      "progress: %.1f s, %llu statements%s, 0.0/s, %llu failed, nothing finished for %.1f s",
      seconds(now_ns - started_ns), static_cast<unsigned long long>(done),
      percent_text(percent).c_str(), static_cast<unsigned long long>(failed),
      seconds(now_ns - last_finished_ns));
  return line;
}

// Writes a line when nothing has finished, and no line was written, for a
// whole interval; otherwise sleeps until that could first be so.
void watch() {
  Watcher& w = watcher();
  std::unique_lock<std::mutex> guard(w.lock);
  while (!w.stopping) {
    const int64_t now = monotonic_ns();
    const int64_t last_finished = w.last_finished_ns.load();
    const int64_t due = std::max(last_finished, w.last_line_ns.load()) + w.interval_ns;
    if (now < due) {
      w.wake.wait_for(guard, std::chrono::nanoseconds(due - now));
      continue;
    }
    // Standard error only: standard output's buffer is the main thread's.
    std::string line = stall_line(now, w.started_ns, w.done.load(), w.failed.load(),
                                  w.percent.load(), last_finished) +
                       "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    w.last_line_ns = now;
  }
}

}  // namespace

std::string progress_line(int64_t now_ns) {
  double interval = seconds(now_ns - run_stats.interval_started_ns);
  double rate = interval > 0 ? static_cast<double>(run_stats.interval_done) / interval : 0.0;
  char line[256];
  std::snprintf(
      line, sizeof line,
      "progress: %.1f s, %llu statements%s, %.1f/s, %llu failed, p50 %.3f ms, p99 %.3f ms",
      seconds(now_ns - run_stats.started_ns), static_cast<unsigned long long>(statements_done()),
      percent_text(log_percent()).c_str(), rate, static_cast<unsigned long long>(run_stats.failed),
      milliseconds(run_stats.interval.percentile(0.50)),
      milliseconds(run_stats.interval.percentile(0.99)));
  return line;
}

void progress_tick(int64_t now_ns) {
  if (run_stats.progress_ns <= 0) return;
  Watcher& w = watcher();
  w.done.store(statements_done(), std::memory_order_relaxed);
  w.failed.store(run_stats.failed, std::memory_order_relaxed);
  w.percent.store(log_percent(), std::memory_order_relaxed);
  w.last_finished_ns.store(now_ns);
  if (now_ns - run_stats.interval_started_ns < run_stats.progress_ns) return;
  {
    std::lock_guard<std::mutex> guard(w.lock);
    error_line(progress_line(now_ns).c_str());
    w.last_line_ns = now_ns;
  }
  run_stats.interval.reset();
  run_stats.interval_done = 0;
  run_stats.interval_started_ns = now_ns;
}

void start_progress_watcher(int64_t started_ns, int64_t interval_ns) {
  stop_progress_watcher();
  Watcher& w = watcher();
  w.done = 0;
  w.failed = 0;
  w.percent = -1;
  w.last_finished_ns = started_ns;
  w.last_line_ns = started_ns;
  w.started_ns = started_ns;
  w.interval_ns = interval_ns;
  w.stopping = false;
  // The watcher takes no signal: they are the main thread's (Ctrl-C ends
  // its blocking reads).
  sigset_t all, previous;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, &previous);
  try {
    w.thread = std::thread(watch);
  } catch (const std::system_error&) {
    // No thread: the main thread's lines still come.
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

void stop_progress_watcher() {
  Watcher& w = watcher();
  if (!w.thread.joinable()) return;
  {
    std::lock_guard<std::mutex> guard(w.lock);
    w.stopping = true;
  }
  w.wake.notify_one();
  w.thread.join();
}

}  // namespace tarnwick
