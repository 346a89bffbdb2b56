// The end-of-run report as one HTML page (--report=FILE.html): the counts,
// the latency table, plots of latency by percentile (per statement kind
// and, in a merged report, per run), of the rate, p50 and p99 and the
// failures second by second, the table by statement shape, the runs of a
// merged report and the errors. Self-contained: inline style and inline
// SVG drawn by measure/svg_plot, no script, nothing fetched.
#pragma once

#include <string>

#include "measure/report.h"

namespace tarnwick {

// Whether a report path names a page: it ends in ".html" (in any case).
bool is_html_path(const std::string& path);

// A wall-clock time (Unix seconds) as "2024-05-01 12:00:00 UTC".
std::string utc_time_text(double unix_seconds);

// The page, from run_stats and the settings, as report_json has them.
std::string report_html(const ReportSettings& report);

}  // namespace tarnwick
