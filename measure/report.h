// The end-of-run report of a measured run: counts, elapsed time and rate,
// latency percentiles per statement kind and overall, the sessions, the
// most frequent error messages, how full the batches were, and, for
// fixed-rate runs, how late statements started. As text for standard
// error, or as one JSON object.
#pragma once

#include <cstdint>
#include <string>

namespace tarnwick {

// The settings the report describes besides run_stats.
struct ReportSettings {
  int32_t batch_capacity = 1;  // --statements; batches are reported when above 1
  double rate = 0;             // --rate; 0: not a fixed-rate run
  int32_t late_ms = 1000;
  bool utf8 = false;           // messages are UTF-8, otherwise ISO-8859-1
};

std::string report_text(const ReportSettings& report);
std::string report_json(const ReportSettings& report);

// Prepares the report file `path`: a temporary file in its directory that
// write_report renames over it (a device or fifo is opened in place);
// false, with a message on standard error, when it cannot be written or is
// a symbolic link. "-" needs no file.
bool open_report_file(const char* path);
// Writes the report where the settings say (standard error, standard
// output or the file prepared above), which then takes the file's name;
// false when that failed (reported on standard error).
bool write_report(const ReportSettings& report, const std::string& path);
// Drops the prepared file without a report: the file named stays as it was.
void close_report_file();

}  // namespace tarnwick
