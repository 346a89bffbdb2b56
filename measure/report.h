// The end-of-run report of a measured run: whether a signal cut it short
// and what it then left unplayed, counts, elapsed time and rate, latency
// percentiles per statement kind and overall, the sessions, the most
// frequent error messages, how full the batches were, and, for fixed-rate
// runs, how late statements started. As text for standard error, as one
// JSON object, or as a page with plots (measure/report_html.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarnwick {

struct ShapeStats;

// The version of the JSON report's layout; --merge-reports reads this one.
inline constexpr int kReportFormat = 2;

// The settings the report describes besides run_stats.
struct ReportSettings {
  int32_t batch_capacity = 1;  // --statements; batches are reported when above 1
  double rate = 0;             // --rate; 0: not a fixed-rate run
  int32_t late_ms = 1000;
  bool utf8 = false;           // messages are UTF-8, otherwise ISO-8859-1
  bool interrupted = false;    // a signal (Ctrl-C, SIGTERM, SIGHUP) ended the run
  // The statements the run would have played had it gone through all its
  // sources (see count_log_records); below 0 when that is not known.
  int64_t planned = -1;
  int32_t sessions = 1;  // --sessions
  int32_t clients = 0;   // --clients; 0: none
  int32_t pipeline = 1;  // --pipeline
  bool prepared = false;  // --protocol=prepared
  double speed = -1;     // --speed; below 0: not given
};

// The records of the replay log at `path` that a replay plays, each one a
// statement of the run (run, failed or skipped): those after the header up
// to the end of the file or to the first record cut short, none when the
// header is not valid (the layout is in statements/replay_log.h). Only the
// 8-byte record prefixes are read; the texts are skipped. 0 for a file
// that cannot be opened or a directory (the run skips those); -1 when the
// size is not known (a pipe, a device).
int64_t count_log_records(const char* path);

std::string report_text(const ReportSettings& report);
std::string report_json(const ReportSettings& report);

// The figures every form of the report opens with, from run_stats.
struct ReportSummary {
  std::string host;  // this machine's name; "(merged)" for a merged report
  uint64_t statements = 0;  // run, failed and skipped
  uint64_t done = 0;        // run and failed
  uint64_t not_run = 0;     // of the planned ones
  double elapsed_seconds = 0;
  double rate = 0;  // statements done a second
  // Units (a transaction block counts once) a second, and the same without
  // the time the clients spent opening their sessions.
  double tps = 0;
  double tps_without_connecting = 0;
};
ReportSummary report_summary(const ReportSettings& report);
// The shapes of run_stats, costliest first (by the time their statements
// took in all), and the name a shape row is shown by.
std::vector<const ShapeStats*> shapes_by_cost();
const char* shape_name(const ShapeStats* shape);

// Prepares the report file `path`: a temporary file in its directory that
// write_report renames over it (a device or fifo is opened in place);
// false, with a message on standard error, when it cannot be written or is
// a symbolic link. "-" needs no file.
bool open_report_file(const char* path);
// Writes the report where the settings say (standard error, standard
// output or the file prepared above), which then takes the file's name;
// false when that failed (reported on standard error). A path ending in
// ".html" gets the page of measure/report_html.h, any other the JSON.
bool write_report(const ReportSettings& report, const std::string& path);
// Writes `content` into the file prepared above, which then takes the
// name `path`; false when that failed (reported on standard error).
bool write_report_file(const std::string& path, const std::string& content);
// Drops the prepared file without a report: the file named stays as it was.
void close_report_file();

}  // namespace tarnwick
