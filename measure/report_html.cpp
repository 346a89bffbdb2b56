#include "measure/report_html.h"

#include <strings.h>
#include <time.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <vector>

#include "measure/run_stats.h"
#include "measure/svg_plot.h"

namespace tarnwick {

namespace {

// Shape texts longer than this are cut in the table (the JSON keeps them).
constexpr size_t kShapeCharacters = 400;

std::string ms(int64_t nanoseconds) { return format("%.3f", static_cast<double>(nanoseconds) / 1e6); }
std::string count(uint64_t value) { return format("%llu", static_cast<unsigned long long>(value)); }

// Cells of a row; the first `text_cells` hold text, the rest numbers.
std::string cells(const std::vector<std::string>& texts, const char* tag = "td", size_t text_cells = 1) {
  std::string out;
  for (size_t i = 0; i < texts.size(); ++i) {
    out += std::string("<") + tag + (i < text_cells ? " class=\"text\">" : ">") + texts[i] + "</" + tag + ">";
  }
  return out;
}

std::string row(const std::vector<std::string>& texts, const char* tag = "td", size_t text_cells = 1) {
  return "<tr>" + cells(texts, tag, text_cells) + "</tr>\n";
}

const char* const kKindNames[] = {"query", "other", "all"};

LatencyHistogram kind_latency(int row) { return merged_latency(row == 2 ? -1 : row); }

std::string summary_section(const ReportSettings& report, const ReportSummary& summary) {
  std::string out;
  if (run_stats.hosts.empty()) {
    out += "<h1>Run report</h1>\n<p class=\"meta\">" + html_escape(summary.host) + ", started " +
           utc_time_text(run_stats.started_at) + format(", %.3f s", summary.elapsed_seconds);
  } else {
    out += format("<h1>Merged report of %zu runs</h1>\n<p class=\"meta\">first started ", run_stats.hosts.size()) +
           utc_time_text(run_stats.started_at) +
           format(", %.3f s from the first start to the last end", summary.elapsed_seconds);
  }
  if (run_stats.hosts.empty()) {
    // Independent clients each have a session of their own, and pace
    // units (a transaction block counts once); the pool paces statements.
    if (report.clients > 0) {
      out += format("; %d client(s), pipeline %d%s", report.clients, report.pipeline,
                    report.prepared ? ", prepared statements" : "");
    } else {
      out += format("; %d session(s)", report.sessions);
    }
    if (report.batch_capacity > 1) out += format(", batches of %d", report.batch_capacity);
    if (report.rate > 0) {
      out += format(report.clients > 0 ? ", %.3f transactions/s asked for" : ", %.3f statements/s asked for",
                    report.rate);
    }
  }
  out += "</p>\n";
  if (report.interrupted) {
    out += report.planned >= 0
               ? format("<p class=\"warning\">Interrupted: %llu of %lld planned statements were not run.</p>\n",
                        static_cast<unsigned long long>(summary.not_run), static_cast<long long>(report.planned))
               : std::string("<p class=\"warning\">Interrupted: the statements after that point were not run.</p>\n");
  }
  out += "<table>\n";
  out += row({"statements", "run", "failed", "skipped", "elapsed s", "statements/s", "units", "units/s",
              "units/s without connecting"},
             "th", 0);
  out += row({count(summary.statements), count(run_stats.succeeded), count(run_stats.failed), count(run_stats.skipped),
              format("%.3f", summary.elapsed_seconds), format("%.1f", summary.rate), count(run_stats.units),
              format("%.1f", summary.tps), format("%.1f", summary.tps_without_connecting)},
             "td", 0);
  out += "</table>\n";
  if (report.planned >= 0) {
    out += format("<p class=\"note\">Planned: %lld statements, %llu done.</p>\n",
                  static_cast<long long>(report.planned), static_cast<unsigned long long>(summary.done));
  }
  if (report.batch_capacity > 1 && run_stats.batches > 0) {
    const double mean = static_cast<double>(run_stats.batch_entries) / static_cast<double>(run_stats.batches);
    out += format("<p class=\"note\">Batches: %llu sent, %.1f of %d entries on average (%.1f%% full).</p>\n",
                  static_cast<unsigned long long>(run_stats.batches), mean, report.batch_capacity,
                  100.0 * mean / report.batch_capacity);
  }
  if (run_stats.paced) {
    out += format(
        "<p class=\"note\">Schedule: lag p50 %s ms, p99 %s ms, max %s ms; %llu behind by more than "
        "%d ms.</p>\n",
        ms(run_stats.lag.percentile(0.50)).c_str(), ms(run_stats.lag.percentile(0.99)).c_str(),
        ms(run_stats.lag.max()).c_str(), static_cast<unsigned long long>(run_stats.late), report.late_ms);
  }
  return out;
}

std::string latency_section() {
  std::string out = "<h2>Latency</h2>\n<table>\n";
  out += row({"ms", "count", "min", "p50", "p90", "p99", "p99.9", "max", "mean", "stddev"}, "th");
  Plot plot;
  plot.title = "Latency by percentile";
  plot.x_label = "percentile";
  plot.y_label = "latency (ms)";
  plot.percentile_axis = true;
  plot.height = 340;
  for (int kind = 0; kind < 3; ++kind) {
    const LatencyHistogram h = kind_latency(kind);
    out += row({kKindNames[kind], count(h.count()), ms(h.min()), ms(h.percentile(0.50)), ms(h.percentile(0.90)),
                ms(h.percentile(0.99)), ms(h.percentile(0.999)), ms(h.max()), format("%.3f", h.mean() / 1e6),
                format("%.3f", h.stddev() / 1e6)});
    if (h.count() > 0 || kind == 2) plot.series.push_back({kKindNames[kind], percentile_points(h), kind, false});
  }
  out += "</table>\n";
  for (size_t i = 0; i < run_stats.hosts.size(); ++i) {
    plot.series.push_back({"run " + std::to_string(i + 1) + ": " + run_stats.hosts[i].host,
                           percentile_points(run_stats.hosts[i].latency), static_cast<int>(3 + i), i + 3 >= 8});
  }
  return out + svg_plot(plot);
}

std::string time_section() {
  std::string out = "<h2>Second by second</h2>\n";
  if (run_stats.seconds.empty()) return out + "<p class=\"note\">No statement finished.</p>\n";
  Plot rate{"Statements finished a second", "second of the run", "statements", false, 220, {}};
  Plot latency{"Latency second by second", "second of the run", "latency (ms)", false, 240, {}};
  Plot failures{"Failures a second", "second of the run", "failed statements", false, 200, {}};
  PlotSeries done{"finished", {}, 0, false}, p50{"p50", {}, 0, false}, p99{"p99", {}, 1, false},
      failed{"failed", {}, 1, false};
  // The last second ends with the run, often within it.
  const double end = static_cast<double>(run_stats.ended_ns - run_stats.started_ns) / 1e9;
  for (const SecondRow& second : run_stats.seconds) {
    const auto x = static_cast<double>(second.second);
    add_second(done, x, static_cast<double>(second.done), end);
    add_second(failed, x, static_cast<double>(second.failed), end);
    // A second in which nothing succeeded has no latency: a gap.
    const bool some = second.done > second.failed;
    add_second(p50, x, some ? static_cast<double>(second.p50_ns) / 1e6 : -1, end);
    add_second(p99, x, some ? static_cast<double>(second.p99_ns) / 1e6 : -1, end);
  }
  rate.series.push_back(std::move(done));
  latency.series.push_back(std::move(p50));
  latency.series.push_back(std::move(p99));
  failures.series.push_back(std::move(failed));
  return out + svg_plot(rate) + svg_plot(latency) + svg_plot(failures);
}

std::string shapes_section(bool utf8) {
  if (run_stats.shapes.empty()) return "";
  std::string out =
      "<h2>Statements by shape</h2>\n<p class=\"note\">Literals are shown as $n; the costliest "
      "shapes (by the time their statements took in all) first.</p>\n<table>\n";
  out += "<tr>" + cells({"count", "failed", "mean ms", "p50 ms", "p99 ms", "max ms"}, "th", 0) +
         "<th class=\"text\">shape</th></tr>\n";
  for (const ShapeStats* shape : shapes_by_cost()) {
    const LatencyHistogram& h = shape->latency;
    out += "<tr>" +
           cells({count(h.count() + shape->failed), count(shape->failed), format("%.3f", h.mean() / 1e6),
                  ms(h.percentile(0.50)), ms(h.percentile(0.99)), ms(h.max())},
                 "td", 0) +
           "<td class=\"shape\">" + html_escape(shape_name(shape), utf8, kShapeCharacters) + "</td></tr>\n";
  }
  return out + "</table>\n";
}

std::string hosts_section() {
  if (run_stats.hosts.empty()) return "";
  std::string out = "<h2>Runs</h2>\n<table>\n";
  out += row({"run", "host", "started", "statements", "failed", "statements/s", "p50 ms", "p99 ms"}, "th", 3);
  for (size_t i = 0; i < run_stats.hosts.size(); ++i) {
    const HostRow& host = run_stats.hosts[i];
    const double elapsed = host.ended_at - host.started_at;
    out += row({std::to_string(i + 1), html_escape(host.host),
                format("+%.3f s", host.started_at - run_stats.started_at), count(host.statements), count(host.failed),
                format("%.1f", elapsed > 0 ? static_cast<double>(host.statements) / elapsed : 0.0),
                ms(host.latency.percentile(0.50)), ms(host.latency.percentile(0.99))},
               "td", 3);
  }
  return out + "</table>\n";
}

std::string errors_section(bool utf8) {
  if (run_stats.failed == 0) return "";
  std::string out = "<h2>Errors</h2>\n<table>\n<tr><th>count</th><th class=\"text\">message</th></tr>\n";
  std::vector<const ErrorCount*> sorted;
  for (const ErrorCount& e : run_stats.errors) sorted.push_back(&e);
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const ErrorCount* a, const ErrorCount* b) { return a->count > b->count; });
  for (const ErrorCount* e : sorted) {
    out += "<tr><td>" + count(e->count) + "</td><td class=\"text\">" + html_escape(e->message, utf8) + "</td></tr>\n";
  }
  if (run_stats.other_errors > 0) {
    out += "<tr><td>" + count(run_stats.other_errors) + "</td><td class=\"text\">(other messages)</td></tr>\n";
  }
  return out + "</table>\n";
}

}  // namespace

bool is_html_path(const std::string& path) {
  return path.size() > 5 && strcasecmp(path.c_str() + path.size() - 5, ".html") == 0;
}

std::string utc_time_text(double unix_seconds) {
  const auto whole = static_cast<time_t>(unix_seconds);
  struct tm parts {};
  if (unix_seconds <= 0 || gmtime_r(&whole, &parts) == nullptr) return "at an unknown time";
  char text[64];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &parts);
  return text;
}

std::string report_html(const ReportSettings& report) {
  const ReportSummary summary = report_summary(report);
  std::string body = summary_section(report, summary) + latency_section() + time_section() +
                     shapes_section(report.utf8) + hosts_section() + errors_section(report.utf8);
  return html_page(run_stats.hosts.empty() ? "Run report" : "Merged report", body);
}

}  // namespace tarnwick
