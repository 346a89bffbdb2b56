// Merging JSON reports of runs made apart (several hosts playing one load,
// started together): counts add, histograms merge bucket by bucket, so
// that percentiles come from the merged buckets, exact as in one run; the
// per-second series line up on the wall clock; each run keeps a row of its
// own (run_stats.hosts) and its sessions' row.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarnwick {

struct MergeResult {
  int merged = 0;        // reports taken in
  int skipped = 0;       // reports left out, each said on standard error
  int64_t planned = 0;   // the runs' planned statements; below 0 when one did not know
  bool interrupted = false;
};

// Reads the reports at `paths` into run_stats (reset first). A report that
// cannot be read, is cut short, has another format, or is the same run as
// one before it is named on standard error and left out; a run whose clock
// is far from the others' is said and kept, placed by its own clock.
MergeResult merge_reports(const std::vector<std::string>& paths);

}  // namespace tarnwick
