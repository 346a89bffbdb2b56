#include "measure/report.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <vector>
#include <memory>

#include "measure/run_stats.h"
#include "runtime/console_output.h"
#include "support/file/file.h"

namespace tarnwick {

namespace {

std::unique_ptr<morvane::iFile> report_file;

double milliseconds(int64_t nanoseconds) { return static_cast<double>(nanoseconds) / 1e6; }
double seconds(int64_t nanoseconds) { return static_cast<double>(nanoseconds) / 1e9; }
unsigned long long ull(uint64_t value) { return static_cast<unsigned long long>(value); }

void append(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
void append(std::string& out, const char* format, ...) {
  char piece[512];
  va_list arguments;
  va_start(arguments, format);
  int length = std::vsnprintf(piece, sizeof piece, format, arguments);
  va_end(arguments);
  if (length > 0) out.append(piece, std::min<size_t>(static_cast<size_t>(length), sizeof piece - 1));
}

double elapsed_seconds() { return seconds(run_stats.ended_ns - run_stats.started_ns); }

double rate_per_second() {
  double elapsed = elapsed_seconds();
  return elapsed > 0 ? static_cast<double>(statements_done()) / elapsed : 0.0;
}

uint64_t total_statements() { return run_stats.succeeded + run_stats.failed + run_stats.skipped; }

const char* const kKindNames[] = {"query", "other", "all"};

LatencyHistogram latency_of(int row) { return merged_latency(row == 2 ? -1 : row); }

// A JSON string: quotes, backslashes and control characters escaped;
// ISO-8859-1 text converted to UTF-8, UTF-8 text passed through.
void append_json_string(std::string& out, const std::string& text, bool utf8) {
  out += '"';
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || (c >= 0x80 && !utf8)) {
      append(out, "\\u%04x", c);
    } else {
      out += static_cast<char>(c);
    }
  }
  out += '"';
}

void append_json_latency(std::string& out, const LatencyHistogram& h) {
  append(out,
         "{\"count\": %llu, \"min\": %.3f, \"p50\": %.3f, \"p90\": %.3f, \"p99\": %.3f, \"p99_9\": %.3f, "
         "\"max\": %.3f, \"mean\": %.3f}",
         ull(h.count()), milliseconds(h.min()), milliseconds(h.percentile(0.50)), milliseconds(h.percentile(0.90)),
         milliseconds(h.percentile(0.99)), milliseconds(h.percentile(0.999)), milliseconds(h.max()),
         h.mean() / 1e6);
}

bool write_to_stream(FILE* stream, const std::string& text) {
  std::fflush(stdout);
  write_bytes(stream, text.data(), text.size());
  return std::fflush(stream) == 0 && !std::ferror(stream);
}

}  // namespace

std::string report_text(const ReportSettings& report) {
  std::string out = "Run report\n";
  append(out, "  statements  %llu: %llu run, %llu failed, %llu skipped\n", ull(total_statements()),
         ull(run_stats.succeeded), ull(run_stats.failed), ull(run_stats.skipped));
  append(out, "  elapsed     %.3f s\n", elapsed_seconds());
  append(out, "  rate        %.1f statements/s\n", rate_per_second());
  append(out, "  latency (ms)     count       min       p50       p90       p99     p99.9       max      mean\n");
  for (int row = 0; row < 3; ++row) {
    LatencyHistogram h = latency_of(row);
    append(out, "    %-7s %11llu %9.3f %9.3f %9.3f %9.3f %9.3f %9.3f %9.3f\n", kKindNames[row], ull(h.count()),
           milliseconds(h.min()), milliseconds(h.percentile(0.50)), milliseconds(h.percentile(0.90)),
           milliseconds(h.percentile(0.99)), milliseconds(h.percentile(0.999)), milliseconds(h.max()),
           h.mean() / 1e6);
  }
  append(out, "  sessions    statements    failed    busy s\n");
  for (size_t i = 0; i < run_stats.sessions.size(); ++i) {
    const SessionStats* s = run_stats.sessions[i].get();
    if (s == nullptr) continue;
    uint64_t ran = s->latency[kind_query].count() + s->latency[kind_other].count();
    append(out, "    %-7zu %11llu %9llu %9.3f\n", i, ull(ran + s->failed), ull(s->failed), seconds(s->busy_ns));
  }
  if (report.batch_capacity > 1) {
    double mean = run_stats.batches > 0
                      ? static_cast<double>(run_stats.batch_entries) / static_cast<double>(run_stats.batches)
                      : 0.0;
    append(out, "  batches     %llu sent, %.1f of %d entries on average (%.1f%% full), %llu full\n",
           ull(run_stats.batches), mean, report.batch_capacity, 100.0 * mean / report.batch_capacity,
           ull(run_stats.full_batches));
  }
  if (run_stats.paced) {
    append(out, "  schedule    %.1f/s: lag p50 %.3f ms, p99 %.3f ms, max %.3f ms; %llu behind by more than %d ms\n",
           report.rate, milliseconds(run_stats.lag.percentile(0.50)), milliseconds(run_stats.lag.percentile(0.99)),
           milliseconds(run_stats.lag.max()), ull(run_stats.late), report.late_ms);
  }
  if (run_stats.failed > 0) {
    append(out, "  errors      count  message\n");
    std::vector<const ErrorCount*> sorted;
    for (const ErrorCount& e : run_stats.errors) sorted.push_back(&e);
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const ErrorCount* a, const ErrorCount* b) { return a->count > b->count; });
    for (const ErrorCount* e : sorted) {
      append(out, "    %13llu  ", ull(e->count));
      out += e->message;
      out += '\n';
    }
    if (run_stats.other_errors > 0) append(out, "    %13llu  (other messages)\n", ull(run_stats.other_errors));
  }
  return out;
}

std::string report_json(const ReportSettings& report) {
  std::string out = "{\n";
  append(out, "  \"statements\": %llu,\n  \"run\": %llu,\n  \"failed\": %llu,\n  \"skipped\": %llu,\n",
         ull(total_statements()), ull(run_stats.succeeded), ull(run_stats.failed), ull(run_stats.skipped));
  append(out, "  \"elapsed_seconds\": %.6f,\n  \"rate_per_second\": %.3f,\n", elapsed_seconds(), rate_per_second());
  out += "  \"latency_ms\": {";
  for (int row = 0; row < 3; ++row) {
    append(out, "%s\n    \"%s\": ", row == 0 ? "" : ",", kKindNames[row]);
    append_json_latency(out, latency_of(row));
  }
  out += "\n  },\n  \"sessions\": [";
  bool first = true;
  for (size_t i = 0; i < run_stats.sessions.size(); ++i) {
    const SessionStats* s = run_stats.sessions[i].get();
    if (s == nullptr) continue;
    uint64_t ran = s->latency[kind_query].count() + s->latency[kind_other].count();
    append(out, "%s\n    {\"session\": %zu, \"statements\": %llu, \"failed\": %llu, \"busy_seconds\": %.6f}",
           first ? "" : ",", i, ull(ran + s->failed), ull(s->failed), seconds(s->busy_ns));
    first = false;
  }
  out += "\n  ],\n  \"errors\": [";
  first = true;
  for (const ErrorCount& e : run_stats.errors) {
    out += first ? "\n    {\"message\": " : ",\n    {\"message\": ";
    append_json_string(out, e.message, report.utf8);
    append(out, ", \"count\": %llu}", ull(e.count));
    first = false;
  }
  append(out, "\n  ],\n  \"other_errors\": %llu,\n", ull(run_stats.other_errors));
  if (report.batch_capacity > 1) {
    append(out,
           "  \"batches\": {\"sent\": %llu, \"entries\": %llu, \"capacity\": %d, \"full\": %llu},\n",
           ull(run_stats.batches), ull(run_stats.batch_entries), report.batch_capacity, ull(run_stats.full_batches));
  } else {
    out += "  \"batches\": null,\n";
  }
  if (run_stats.paced) {
    append(out,
           "  \"schedule\": {\"rate\": %.3f, \"lag_ms\": {\"p50\": %.3f, \"p99\": %.3f, \"max\": %.3f}, "
           "\"late_ms\": %d, \"late\": %llu}\n",
           report.rate, milliseconds(run_stats.lag.percentile(0.50)), milliseconds(run_stats.lag.percentile(0.99)),
           milliseconds(run_stats.lag.max()), report.late_ms, ull(run_stats.late));
  } else {
    out += "  \"schedule\": null\n";
  }
  out += "}\n";
  return out;
}

bool open_report_file(const char* path) {
  if (std::strcmp(path, "-") == 0) return true;
  report_file = std::make_unique<morvane::iFile>();
  errno = 0;
  if (!report_file->open(path, morvane::IF_MODE_CREATE, 0, 0)) {
    const char* reason = errno != 0 ? std::strerror(errno) : "cannot be created";
    error_line("Cannot write the report file '", path, (std::string("': ") + reason).c_str());
    report_file.reset();
    return false;
  }
  return true;
}

bool write_report(const ReportSettings& report, const std::string& path) {
  if (path.empty()) return write_to_stream(stderr, report_text(report));
  std::string json = report_json(report);
  if (path == "-") return write_to_stream(stdout, json);
  bool written = report_file != nullptr &&
                 report_file->write(json.data(), static_cast<uint32_t>(json.size())) ==
                     static_cast<int32_t>(json.size());
  if (written) report_file->flush();
  close_report_file();
  if (!written) error_line("Cannot write the report file '", path.c_str(), "'");
  return written;
}

void close_report_file() { report_file.reset(); }

}  // namespace tarnwick
