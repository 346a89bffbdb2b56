#include "measure/report.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <vector>

#include "measure/report_html.h"
#include "measure/run_stats.h"
#include "runtime/console_output.h"
#include "support/platform/platform.h"

namespace tarnwick {

namespace {

// The report file of a run. A regular file is written under a temporary
// name in its directory, made at start, and renamed over the target once
// the report is complete: a run cut short leaves the earlier report, or
// none, never an empty or partial one. A target that exists and is not a
// regular file (a device, a fifo) is written in place. A symbolic link at
// the target's name is refused, neither followed nor replaced.
struct ReportFile {
  std::string temporary;  // empty when the target is written in place
  int descriptor = -1;

  // Closes the file and removes the temporary one: the target stays as it
  // was. Also runs at exit, for the runs that end before their report.
  void discard() {
    if (descriptor >= 0) ::close(descriptor);
    descriptor = -1;
    if (!temporary.empty()) ::unlink(temporary.c_str());
    temporary.clear();
  }
  ~ReportFile() { discard(); }
};

ReportFile report_file;

// Creates a file that did not exist, in the directory of `target`, under a
// name no other file has (O_EXCL: nothing planted there is followed or
// reused); its name goes into `name`. -1 with errno set when the directory
// takes no new file.
int create_temporary(const std::string& target, std::string* name) {
  size_t slash = target.rfind('/');
  std::string directory = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  // Cut long names so that the temporary one stays within NAME_MAX.
  std::string base = target.substr(slash == std::string::npos ? 0 : slash + 1).substr(0, 200);
  const std::string stem = directory + "." + base + ".tarnwick-" +
                           std::to_string(morvane::platform::process_id()) + "-";
  for (int attempt = 0; attempt < 100; ++attempt) {
    *name = stem + std::to_string(attempt);
    int descriptor = ::open(name->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor >= 0 || errno != EEXIST) return descriptor;
  }
  return -1;  // errno is EEXIST
}

// Writes all of `text`, going on after interruptions and partial writes.
bool write_all(int descriptor, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(descriptor, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

void report_file_error(const std::string& path, int error_number) {
  std::string reason = error_number != 0 ? std::string("': ") + std::strerror(error_number) : "'";
  error_line("Cannot write the report file '", path.c_str(), reason.c_str());
}

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

// The planned statements that were not run; 0 when the run played more
// than was counted (a log that shrank while it played).
uint64_t not_run(const ReportSettings& report) {
  const auto planned = static_cast<uint64_t>(report.planned);
  return planned > total_statements() ? planned - total_statements() : 0;
}

// The fixed rate as asked for: slow rates keep their digits.
std::string rate_text(double rate) {
  char text[64];
  std::snprintf(text, sizeof text, rate >= 1 ? "%.1f" : "%.3f", rate);
  return text;
}

const char* const kKindNames[] = {"query", "other", "all"};

// Units a second: transaction blocks count once. Without connecting: the
// time the clients spent opening their sessions (on average per client,
// as they opened side by side) comes off the elapsed time.
double units_rate(bool without_connecting) {
  double elapsed = elapsed_seconds();
  if (without_connecting && run_stats.connections > 0) {
    elapsed -= seconds(run_stats.connect_ns) / run_stats.connections;
  }
  return elapsed > 0 ? static_cast<double>(run_stats.units) / elapsed : 0.0;
}

}  // namespace

std::vector<const ShapeStats*> shapes_by_cost() {
  std::vector<const ShapeStats*> sorted;
  for (const auto& shape : run_stats.shapes) sorted.push_back(shape.get());
  auto cost = [](const ShapeStats* s) { return s->latency.mean() * static_cast<double>(s->latency.count()); };
  std::stable_sort(sorted.begin(), sorted.end(), [&](const ShapeStats* a, const ShapeStats* b) {
    return cost(a) > cost(b) || (cost(a) == cost(b) && a->failed > b->failed);
  });
  return sorted;
}

const char* shape_name(const ShapeStats* shape) { return shape->shape.empty() ? "(other shapes)" : shape->shape.c_str(); }

namespace {

// Seconds in the text report; longer runs have their series in the JSON.
constexpr size_t kTextSeconds = 60;
constexpr size_t kTextShapes = 20;

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
         "\"max\": %.3f, \"mean\": %.3f, \"stddev\": %.3f}",
         ull(h.count()), milliseconds(h.min()), milliseconds(h.percentile(0.50)), milliseconds(h.percentile(0.90)),
         milliseconds(h.percentile(0.99)), milliseconds(h.percentile(0.999)), milliseconds(h.max()),
         h.mean() / 1e6, h.stddev() / 1e6);
}

// A histogram as it is kept, so that reports merge exactly: the buckets
// that are not empty as [index, count] and the exact totals, in ns.
void append_json_histogram(std::string& out, const LatencyHistogram::Parts& h) {
  append(out, "{\"count\": %llu, \"min_ns\": %lld, \"max_ns\": %lld, \"sum_ns\": %lld, \"sum_squares\": %.17g, \"buckets\": [",
         ull(h.count), static_cast<long long>(h.min), static_cast<long long>(h.max), static_cast<long long>(h.sum),
         h.sum_squares);
  for (size_t i = 0; i < h.buckets.size(); ++i) {
    append(out, "%s[%u, %llu]", i == 0 ? "" : ", ", h.buckets[i].first, ull(h.buckets[i].second));
  }
  out += "]}";
}

std::string host_name() {
  char name[256] = "";
  if (gethostname(name, sizeof name - 1) != 0) return "";
  return name;
}

bool write_to_stream(FILE* stream, const std::string& text) {
  std::fflush(stdout);
  write_bytes(stream, text.data(), text.size());
  return std::fflush(stream) == 0 && !std::ferror(stream);
}

}  // namespace

ReportSummary report_summary(const ReportSettings& report) {
  ReportSummary summary;
  summary.host = run_stats.hosts.empty() ? host_name() : std::string("(merged)");
  summary.statements = total_statements();
  summary.done = statements_done();
  summary.not_run = not_run(report);
  summary.elapsed_seconds = elapsed_seconds();
  summary.rate = rate_per_second();
  summary.tps = units_rate(false);
  summary.tps_without_connecting = units_rate(true);
  return summary;
}

std::string report_text(const ReportSettings& report) {
  std::string out = "Run report\n";
  if (report.interrupted && report.planned >= 0) {
    append(out, "  interrupted %llu of %lld planned statements not run\n", ull(not_run(report)),
           static_cast<long long>(report.planned));
  } else if (report.interrupted) {
    out += "  interrupted the statements after that point were not run (how many is not known)\n";
  }
  append(out, "  statements  %llu: %llu run, %llu failed, %llu skipped\n", ull(total_statements()),
         ull(run_stats.succeeded), ull(run_stats.failed), ull(run_stats.skipped));
  append(out, "  elapsed     %.3f s\n", elapsed_seconds());
  if (run_stats.start_at > 0) {
    append(out, "  start       at %.3f (Unix seconds), %.3f s late\n", run_stats.start_at, run_stats.start_late);
  }
  append(out, "  rate        %.1f statements/s\n", rate_per_second());
  append(out, "  units       %llu (a transaction block counts once): %.1f/s, %.1f/s without connecting\n",
         ull(run_stats.units), units_rate(false), units_rate(true));
  if (report.planned >= 0) {
    append(out, "  planned     %lld statements, %llu done\n", static_cast<long long>(report.planned),
           ull(statements_done()));
  }
  append(out,
         "  latency (ms)     count       min       p50       p90       p99     p99.9       max      mean    stddev\n");
  for (int row = 0; row < 3; ++row) {
    LatencyHistogram h = latency_of(row);
    append(out, "    %-7s %11llu %9.3f %9.3f %9.3f %9.3f %9.3f %9.3f %9.3f %9.3f\n", kKindNames[row], ull(h.count()),
           milliseconds(h.min()), milliseconds(h.percentile(0.50)), milliseconds(h.percentile(0.90)),
           milliseconds(h.percentile(0.99)), milliseconds(h.percentile(0.999)), milliseconds(h.max()),
           h.mean() / 1e6, h.stddev() / 1e6);
  }
  append(out, "  sessions    statements    failed    busy s\n");
  for (size_t i = 0; i < run_stats.sessions.size(); ++i) {
    const SessionStats* s = run_stats.sessions[i].get();
    if (s == nullptr) continue;
    uint64_t ran = s->latency[kind_query].count() + s->latency[kind_other].count();
    append(out, "    %-7zu %11llu %9llu %9.3f\n", i, ull(ran + s->failed), ull(s->failed), seconds(s->busy_ns));
  }
  if (!run_stats.servers.empty()) {
    append(out, "  servers     statements    failed    rate/s    p50 ms    p99 ms\n");
    for (const HostRow& server : run_stats.servers) {
      append(out, "    %-20s %9llu %9llu %9.1f %9.3f %9.3f\n", server.host.substr(0, 20).c_str(),
             ull(server.statements), ull(server.failed),
             elapsed_seconds() > 0 ? static_cast<double>(server.statements) / elapsed_seconds() : 0.0,
             milliseconds(server.latency.percentile(0.50)), milliseconds(server.latency.percentile(0.99)));
    }
  }
  if (!run_stats.hosts.empty()) {
    append(out, "  hosts       statements    failed    rate/s    p50 ms    p99 ms  started\n");
    for (const HostRow& host : run_stats.hosts) {
      const double elapsed = host.ended_at - host.started_at;
      append(out, "    %-20s %9llu %9llu %9.1f %9.3f %9.3f  +%.3f s\n", host.host.substr(0, 20).c_str(),
             ull(host.statements), ull(host.failed),
             elapsed > 0 ? static_cast<double>(host.statements) / elapsed : 0.0,
             milliseconds(host.latency.percentile(0.50)), milliseconds(host.latency.percentile(0.99)),
             host.started_at - run_stats.started_at);
    }
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
    // A fixed rate, or a captured log's recorded times (divided by --speed=).
    // Clients pace units (a transaction block counts once), the pool and a
    // single session statements.
    std::string plan = report.rate > 0 ? rate_text(report.rate) +
                                             (report.clients > 0 ? " transactions/s" : " statements/s")
                                       : "recorded times";
    if (report.rate <= 0 && report.speed > 0 && report.speed != 1) plan += " / " + rate_text(report.speed);
    append(out, "  schedule    %s: lag p50 %.3f ms, p99 %.3f ms, max %.3f ms; %llu behind by more than %d ms\n",
           plan.c_str(), milliseconds(run_stats.lag.percentile(0.50)),
           milliseconds(run_stats.lag.percentile(0.99)), milliseconds(run_stats.lag.max()), ull(run_stats.late),
           report.late_ms);
  }
  if (!run_stats.shapes.empty()) {
    append(out, "  shapes          count   mean ms    p99 ms    failed  shape (the %zu costliest)\n", kTextShapes);
    std::vector<const ShapeStats*> shapes = shapes_by_cost();
    for (size_t i = 0; i < shapes.size() && i < kTextShapes; ++i) {
      const ShapeStats* shape = shapes[i];
      append(out, "    %11llu %9.3f %9.3f %9llu  ", ull(shape->latency.count() + shape->failed),
             shape->latency.mean() / 1e6, milliseconds(shape->latency.percentile(0.99)), ull(shape->failed));
      std::string name = shape_name(shape);
      if (name.size() > 100) name = name.substr(0, 97) + "...";
      out += name;
      out += '\n';
    }
  }
  if (!run_stats.seconds.empty() && run_stats.seconds.size() <= kTextSeconds) {
    append(out, "  second       done    failed   p50 ms    p99 ms\n");
    for (const SecondRow& row : run_stats.seconds) {
      append(out, "    %5lld %9llu %9llu %8.3f %9.3f\n", static_cast<long long>(row.second), ull(row.done),
             ull(row.failed), milliseconds(row.p50_ns), milliseconds(row.p99_ns));
    }
  } else if (!run_stats.seconds.empty()) {
    append(out, "  seconds     %zu: the per-second series is in the JSON report (--report=FILE)\n",
           run_stats.seconds.size());
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
  append(out, "  \"format\": %d,\n", kReportFormat);
  out += "  \"host\": ";
  append_json_string(out, run_stats.hosts.empty() ? host_name() : std::string("(merged)"), true);
  append(out, ",\n  \"started_at\": %.6f,\n  \"ended_at\": %.6f,\n", run_stats.started_at, run_stats.ended_at);
  if (run_stats.start_at > 0) {
    append(out, "  \"start\": {\"at\": %.6f, \"late_seconds\": %.6f},\n", run_stats.start_at, run_stats.start_late);
  } else {
    out += "  \"start\": null,\n";
  }
  append(out, "  \"statements\": %llu,\n  \"run\": %llu,\n  \"failed\": %llu,\n  \"skipped\": %llu,\n",
         ull(total_statements()), ull(run_stats.succeeded), ull(run_stats.failed), ull(run_stats.skipped));
  append(out, "  \"interrupted\": %s,\n", report.interrupted ? "true" : "false");
  if (report.planned >= 0) {
    append(out, "  \"planned\": %lld,\n  \"not_run\": %llu,\n", static_cast<long long>(report.planned),
           ull(not_run(report)));
  } else {
    out += "  \"planned\": null,\n  \"not_run\": null,\n";
  }
  append(out, "  \"done\": %llu,\n", ull(statements_done()));
  append(out, "  \"settings\": {\"sessions\": %d, \"statements\": %d, \"clients\": %d, \"pipeline\": %d, "
              "\"protocol\": \"%s\", \"rate\": %.3f, \"speed\": %.3f},\n",
         report.sessions, report.batch_capacity, report.clients, report.pipeline,
         report.prepared ? "prepared" : "simple", report.rate,
         report.speed < 0 ? 1.0 : report.speed);
  append(out, "  \"elapsed_seconds\": %.6f,\n  \"rate_per_second\": %.3f,\n", elapsed_seconds(), rate_per_second());
  append(out, "  \"units\": %llu,\n  \"tps\": %.3f,\n  \"tps_without_connecting\": %.3f,\n", ull(run_stats.units),
         units_rate(false), units_rate(true));
  append(out, "  \"connections\": {\"opened\": %d, \"seconds\": %.6f},\n", run_stats.connections,
         seconds(run_stats.connect_ns));
  out += "  \"latency_ms\": {";
  for (int row = 0; row < 3; ++row) {
    append(out, "%s\n    \"%s\": ", row == 0 ? "" : ",", kKindNames[row]);
    append_json_latency(out, latency_of(row));
  }
  out += "\n  },\n  \"histograms\": {\n    \"query\": ";
  append_json_histogram(out, latency_of(kind_query).parts());
  out += ",\n    \"other\": ";
  append_json_histogram(out, latency_of(kind_other).parts());
  out += "\n  },\n  \"per_second\": [";
  for (size_t i = 0; i < run_stats.seconds.size(); ++i) {
    const SecondRow& row = run_stats.seconds[i];
    append(out, "%s\n    {\"second\": %lld, \"done\": %llu, \"failed\": %llu, \"p50_ms\": %.3f, \"p99_ms\": %.3f, \"latency\": ",
           i == 0 ? "" : ",", static_cast<long long>(row.second), ull(row.done), ull(row.failed),
           milliseconds(row.p50_ns), milliseconds(row.p99_ns));
    append_json_histogram(out, row.latency);
    out += "}";
  }
  out += "\n  ],\n  \"shapes\": [";
  {
    std::vector<const ShapeStats*> shapes = shapes_by_cost();
    for (size_t i = 0; i < shapes.size(); ++i) {
      const ShapeStats* shape = shapes[i];
      out += i == 0 ? "\n    {\"shape\": " : ",\n    {\"shape\": ";
      append_json_string(out, shape_name(shape), report.utf8);
      append(out, ", \"count\": %llu, \"failed\": %llu, \"mean_ms\": %.3f, \"p99_ms\": %.3f, \"latency\": ",
             ull(shape->latency.count() + shape->failed), ull(shape->failed), shape->latency.mean() / 1e6,
             milliseconds(shape->latency.percentile(0.99)));
      append_json_histogram(out, shape->latency.parts());
      out += "}";
    }
  }
  out += "\n  ],\n  \"hosts\": [";
  for (size_t i = 0; i < run_stats.hosts.size(); ++i) {
    const HostRow& host = run_stats.hosts[i];
    out += i == 0 ? "\n    {\"host\": " : ",\n    {\"host\": ";
    append_json_string(out, host.host, true);
    const double elapsed = host.ended_at - host.started_at;
    append(out, ", \"started_at\": %.6f, \"ended_at\": %.6f, \"statements\": %llu, \"failed\": %llu, "
                "\"rate_per_second\": %.3f, \"p50_ms\": %.3f, \"p99_ms\": %.3f}",
           host.started_at, host.ended_at, ull(host.statements), ull(host.failed),
           elapsed > 0 ? static_cast<double>(host.statements) / elapsed : 0.0,
           milliseconds(host.latency.percentile(0.50)), milliseconds(host.latency.percentile(0.99)));
  }
  out += "\n  ],\n  \"servers\": [";
  for (size_t i = 0; i < run_stats.servers.size(); ++i) {
    const HostRow& server = run_stats.servers[i];
    out += i == 0 ? "\n    {\"server\": " : ",\n    {\"server\": ";
    append_json_string(out, server.host, true);
    append(out, ", \"statements\": %llu, \"failed\": %llu, \"rate_per_second\": %.3f, \"p50_ms\": %.3f, \"p99_ms\": %.3f}",
           ull(server.statements), ull(server.failed),
           elapsed_seconds() > 0 ? static_cast<double>(server.statements) / elapsed_seconds() : 0.0,
           milliseconds(server.latency.percentile(0.50)), milliseconds(server.latency.percentile(0.99)));
  }
  out += "\n  ],\n  \"sessions\": [";
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

int64_t count_log_records(const char* path) {
  // Non-blocking: opening a fifo must not wait for its writer.
  int descriptor = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (descriptor < 0) return 0;
  struct stat status {};
  if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
    ::close(descriptor);
    return S_ISDIR(status.st_mode) ? 0 : -1;
  }
  const auto size = static_cast<uint64_t>(status.st_size);
  // A window of the file, moved forward when a prefix falls outside it: a
  // log of small records is read once in large pieces; a large record's
  // text is skipped unread.
  std::vector<unsigned char> window(64 * 1024);
  uint64_t window_at = 0, window_length = 0;
  unsigned char prefix[8];
  auto read_prefix = [&](uint64_t at) {
    if (at < window_at || at + 8 > window_at + window_length) {
      ssize_t got;
      do {
        got = ::pread(descriptor, window.data(), window.size(), static_cast<off_t>(at));
      } while (got < 0 && errno == EINTR);
      if (got < 8) return false;
      window_at = at;
      window_length = static_cast<uint64_t>(got);
    }
    std::memcpy(prefix, window.data() + (at - window_at), 8);
    return true;
  };
  auto word = [&](int index, bool big_endian) {
    const unsigned char* b = prefix + 4 * index;
    return big_endian ? uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 | b[3]
                      : uint32_t{b[3]} << 24 | uint32_t{b[2]} << 16 | uint32_t{b[1]} << 8 | b[0];
  };
  constexpr uint32_t kBigEndianMarker = 0xFFBBBBFFu;
  int64_t records = 0;
  if (read_prefix(0)) {
    const bool big_endian = word(0, false) == kBigEndianMarker;
    const uint32_t width = word(1, big_endian);
    if (width == 1 || width == 2) {
      // Each record: a skipped word, the length L, then width x L bytes.
      for (uint64_t at = 8; at + 8 <= size && read_prefix(at); ++records) {
        const uint64_t length = uint64_t{word(1, big_endian)} * width;
        if (length > size - at - 8) break;  // cut short: the replay stops before it
        at += 8 + length;
      }
    }
  }
  ::close(descriptor);
  return records;
}

bool open_report_file(const char* path) {
  if (std::strcmp(path, "-") == 0) return true;
  report_file.discard();
  struct stat status;
  const bool exists = ::lstat(path, &status) == 0;
  int error = 0;
  if (exists && S_ISLNK(status.st_mode)) {
    error = ELOOP;
  } else if (exists && S_ISDIR(status.st_mode)) {
    error = EISDIR;
  } else if (exists && !S_ISREG(status.st_mode)) {
    report_file.descriptor = ::open(path, O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    if (report_file.descriptor < 0) error = errno;
  } else if (exists && ::access(path, W_OK) != 0) {
    error = errno;  // a file the user may not write is not replaced either
  } else {
    report_file.descriptor = create_temporary(path, &report_file.temporary);
    if (report_file.descriptor < 0) {
      error = errno;
      report_file.temporary.clear();
    } else if (exists) {
      ::fchmod(report_file.descriptor, status.st_mode & 07777);  // the new report keeps the old one's mode
    }
  }
  if (error != 0) {
    report_file.discard();
    report_file_error(path, error);
    return false;
  }
  return true;
}

bool write_report(const ReportSettings& report, const std::string& path) {
  if (path.empty()) return write_to_stream(stderr, report_text(report));
  if (path == "-") return write_to_stream(stdout, report_json(report));
  return write_report_file(path, is_html_path(path) ? report_html(report) : report_json(report));
}

bool write_report_file(const std::string& path, const std::string& content) {
  errno = 0;
  bool written = report_file.descriptor >= 0 && write_all(report_file.descriptor, content);
  if (written && !report_file.temporary.empty()) {
    // On disk before it takes the target's name, so that the name never
    // points at a file that a crash leaves empty.
    written = ::fsync(report_file.descriptor) == 0;
    written = ::close(report_file.descriptor) == 0 && written;
    report_file.descriptor = -1;
    written = written && ::rename(report_file.temporary.c_str(), path.c_str()) == 0;
    if (written) report_file.temporary.clear();
  }
  const int error = written ? 0 : errno;
  close_report_file();
  if (!written) report_file_error(path, error);
  return written;
}

void close_report_file() { report_file.discard(); }

}  // namespace tarnwick
