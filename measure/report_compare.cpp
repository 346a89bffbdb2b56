#include "measure/report_compare.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <map>
#include <stdexcept>

#include "measure/report.h"
#include "measure/report_html.h"
#include "measure/report_reading.h"
#include "measure/svg_plot.h"

namespace tarnwick {

namespace {

using nlohmann::json;

// Changes smaller than these are within error (see the header).
constexpr double kPercentileError = 0.02;
constexpr double kRateError = 0.01;

// Shape texts in the text comparison are cut to this many bytes, in the
// page to this many characters.
constexpr size_t kTextShape = 100;
constexpr size_t kPageShape = 400;

const char* const kKindNames[] = {"query", "other", "all"};

double ms(int64_t nanoseconds) { return static_cast<double>(nanoseconds) / 1e6; }

enum class Figure { rate, latency, failures };

// How one figure changed from before to after.
struct Change {
  std::string text;     // "+12.3%", "~-0.4%" (within error), "from 0", "=", "-" (not known)
  int worse = 0;        // 1: the after run did worse, -1: better, 0: within error or no change
  bool beyond = false;  // a change beyond error
};

Change change_of(double before, double after, Figure figure) {
  if (before < 0 || after < 0) return {"-", 0, false};
  if (before == after && (figure == Figure::failures || before == 0)) return {"=", 0, false};
  const int up_is_worse = figure == Figure::rate ? -1 : 1;
  if (before == 0) return {"from 0", up_is_worse, true};
  const double relative = (after - before) / before;
  const double error = figure == Figure::latency ? kPercentileError : figure == Figure::rate ? kRateError : 0;
  if (std::fabs(relative) < error) return {format("~%+.1f%%", relative * 100), 0, false};
  return {format("%+.1f%%", relative * 100), relative > 0 ? up_is_worse : -up_is_worse, true};
}

double failed_of(const CompareSide& side) { return side.present ? static_cast<double>(side.failed) : -1; }
// A figure of a row, -1 when the run had none of it.
double figure_of(const CompareSide& side, double value) { return side.present ? value : -1; }

Change rate_change(const CompareRow& row) {
  return change_of(figure_of(row.before, row.before.rate), figure_of(row.after, row.after.rate), Figure::rate);
}
Change p50_change(const CompareRow& row) {
  return change_of(figure_of(row.before, row.before.p50_ms), figure_of(row.after, row.after.p50_ms), Figure::latency);
}
Change p99_change(const CompareRow& row) {
  return change_of(figure_of(row.before, row.before.p99_ms), figure_of(row.after, row.after.p99_ms), Figure::latency);
}
Change failed_change(const CompareRow& row) {
  return change_of(failed_of(row.before), failed_of(row.after), Figure::failures);
}

// The figures of a histogram of `statements` (ran and failed) over `elapsed`.
CompareSide side_of(const LatencyHistogram& latency, uint64_t statements, int64_t failed, double elapsed) {
  CompareSide side;
  side.present = true;
  side.statements = statements;
  side.rate = static_cast<double>(statements) / elapsed;
  side.p50_ms = ms(latency.percentile(0.50));
  side.p99_ms = ms(latency.percentile(0.99));
  side.failed = failed;
  return side;
}

// Reads one report in; throws std::exception with what is wrong.
void take(const json& r, CompareRun& run, std::map<std::string, CompareSide>& shapes) {
  run.host = r.at("host").get<std::string>();
  run.started_at = r.at("started_at").get<double>();
  run.ended_at = r.at("ended_at").get<double>();
  run.elapsed_seconds = r.at("elapsed_seconds").get<double>();
  run.statements = r.at("run").get<uint64_t>() + r.at("failed").get<uint64_t>();
  run.failed = r.at("failed").get<uint64_t>();
  run.latency[0] = report_histogram(r.at("histograms").at("query"));
  run.latency[1] = report_histogram(r.at("histograms").at("other"));
  run.latency[2] = run.latency[0];
  run.latency[2].merge(run.latency[1]);
  if (run.statements == 0 || !(run.elapsed_seconds > 0)) return;  // the caller says so
  for (const json& s : r.at("shapes")) {
    const uint64_t statements = s.at("count").get<uint64_t>();
    const auto failed = s.at("failed").get<int64_t>();
    const LatencyHistogram latency = report_histogram(s.at("latency"));
    if (latency.count() + static_cast<uint64_t>(failed) != statements) {
      throw std::runtime_error("a shape whose count is not its latency's count and its failures");
    }
    shapes[s.at("shape").get<std::string>()] = side_of(latency, statements, failed, run.elapsed_seconds);
  }
  for (const json& row : r.at("per_second")) {
    CompareRun::Second second;
    second.second = row.at("second").get<double>();
    second.done = row.at("done").get<double>();
    second.failed = row.at("failed").get<double>();
    if (second.done > second.failed) second.p99_ms = row.at("p99_ms").get<double>();
    run.seconds.push_back(second);
  }
}

// The message for a report that cannot be read as one to compare; empty
// when it was read.
std::string read_run(const std::string& path, CompareRun& run, std::map<std::string, CompareSide>& shapes) {
  const std::string name = "Cannot compare the report '" + path + "': ";
  run.path = path;
  ReadReport read = read_report(path);
  switch (read.status) {
    case ReportRead::unreadable:
      return name + "it cannot be read" + (read.detail.empty() ? "" : " (" + read.detail + ")");
    case ReportRead::not_json:
      return name + "it is not a whole JSON report (" + read.detail + ")";
    case ReportRead::other_format:
      return name + "its format is " + std::to_string(read.format) + ", this program compares format " +
             std::to_string(kReportFormat) + " (reports of the same version)";
    case ReportRead::ok:
      break;
  }
  try {
    take(read.report, run, shapes);
  } catch (const std::exception& e) {
    return name + "it is damaged (" + e.what() + ")";
  }
  if (run.statements == 0) return name + "it holds no statements that ran or failed";
  if (!(run.elapsed_seconds > 0)) return name + "its elapsed time is 0, so it gives no rate";
  return "";
}

std::string run_line(const CompareRun& run) {
  return format("host %s, started %s, %llu statements in %.3f s, %llu failed", run.host.c_str(),
                utc_time_text(run.started_at).c_str(), static_cast<unsigned long long>(run.statements),
                run.elapsed_seconds, static_cast<unsigned long long>(run.failed));
}

const char* const kLegend =
    "~ marks a change within error: percentiles less than 2% apart (the histograms' buckets are within 1%), "
    "rates less than 1% apart.";

// The first `most` shapes whose p99 moved beyond error, in the order of
// compare_reports: the move that weighs most first.
std::vector<const CompareRow*> largest_p99_changes(const ReportComparison& comparison, size_t most) {
  std::vector<const CompareRow*> rows;
  for (const CompareRow& row : comparison.shapes) {
    if (rows.size() < most && p99_change(row).beyond) rows.push_back(&row);
  }
  return rows;
}

// "0.052 -> 18.200 ms (+34900.0%)"
std::string p99_move(const CompareRow& row) {
  return format("%.3f -> %.3f ms (%s)", row.before.p99_ms, row.after.p99_ms, p99_change(row).text.c_str());
}

// A shape's text for a line: its first line and no more than kTextShape bytes.
std::string text_shape(const std::string& shape) {
  std::string text = shape.substr(0, shape.find('\n'));
  if (text.size() > kTextShape) text = text.substr(0, kTextShape - 3) + "...";
  return text;
}

std::string text_table(const std::vector<CompareRow>& rows, const char* what) {
  std::string out = format("  %-32s %-32s %-32s %-25s %s\n", "rate/s", "p50 ms", "p99 ms", "failed", what);
  out += format("  %10s %10s %10s %10s %10s %10s %10s %10s %10s %7s %7s %9s\n", "before", "after", "change", "before",
                "after", "change", "before", "after", "change", "before", "after", "change");
  auto value = [](const CompareSide& side, double figure, int digits) {
    return side.present ? format("%.*f", digits, figure) : std::string("-");
  };
  auto failed = [](const CompareSide& side) {
    return side.present && side.failed >= 0 ? format("%lld", static_cast<long long>(side.failed)) : std::string("-");
  };
  for (const CompareRow& row : rows) {
    std::string name = text_shape(row.name);
    if (!row.before.present) name += "  (only after)";
    if (!row.after.present) name += "  (only before)";
    out += format("  %10s %10s %10s %10s %10s %10s %10s %10s %10s %7s %7s %9s  ",
                  value(row.before, row.before.rate, 1).c_str(), value(row.after, row.after.rate, 1).c_str(),
                  rate_change(row).text.c_str(), value(row.before, row.before.p50_ms, 3).c_str(),
                  value(row.after, row.after.p50_ms, 3).c_str(), p50_change(row).text.c_str(),
                  value(row.before, row.before.p99_ms, 3).c_str(), value(row.after, row.after.p99_ms, 3).c_str(),
                  p99_change(row).text.c_str(), failed(row.before).c_str(), failed(row.after).c_str(),
                  failed_change(row).text.c_str());
    out += name + "\n";
  }
  return out;
}

// A cell of a change on the page, coloured by whether the after run did
// worse or better.
std::string change_cell(const Change& change) {
  const char* kind = change.worse > 0 ? "worse" : change.worse < 0 ? "better" : "within";
  return std::string("<td class=\"") + kind + "\">" + html_escape(change.text) + "</td>";
}

std::string html_table(const std::vector<CompareRow>& rows, const char* what, bool shapes) {
  std::string out =
      "<table>\n<tr><th colspan=\"3\">rate/s</th><th colspan=\"3\">p50 ms</th>"
      "<th colspan=\"3\">p99 ms</th><th colspan=\"3\">failed</th><th class=\"text\" rowspan=\"2\">" +
      std::string(what) + "</th></tr>\n<tr>";
  for (int i = 0; i < 4; ++i) out += "<th>before</th><th>after</th><th>change</th>";
  out += "</tr>\n";
  auto cell = [](const CompareSide& side, double figure, int digits) {
    return "<td>" + (side.present ? format("%.*f", digits, figure) : std::string("-")) + "</td>";
  };
  auto failed = [](const CompareSide& side) {
    return "<td>" +
           (side.present && side.failed >= 0 ? format("%lld", static_cast<long long>(side.failed)) : std::string("-")) +
           "</td>";
  };
  for (const CompareRow& row : rows) {
    std::string name = html_escape(row.name, true, kPageShape);
    if (!row.before.present) name += " <em>(only after)</em>";
    if (!row.after.present) name += " <em>(only before)</em>";
    out += "<tr>" + cell(row.before, row.before.rate, 1) + cell(row.after, row.after.rate, 1) +
           change_cell(rate_change(row)) + cell(row.before, row.before.p50_ms, 3) +
           cell(row.after, row.after.p50_ms, 3) + change_cell(p50_change(row)) +
           cell(row.before, row.before.p99_ms, 3) + cell(row.after, row.after.p99_ms, 3) +
           change_cell(p99_change(row)) + failed(row.before) + failed(row.after) + change_cell(failed_change(row)) +
           (shapes ? "<td class=\"shape\">" : "<td class=\"text\">") + name + "</td></tr>\n";
  }
  return out + "</table>\n";
}

// Both runs' second-by-second figure `pick` as a before (dashed) and an
// after line.
Plot seconds_plot(const ReportComparison& c, const char* title, const char* y_label,
                  double (*pick)(const CompareRun::Second&)) {
  Plot plot{title, "second of the run", y_label, false, 240, {}};
  for (const CompareRun* run : {&c.before, &c.after}) {
    PlotSeries series{run == &c.before ? "before" : "after", {}, 0, run == &c.before};
    for (const CompareRun::Second& second : run->seconds) {
      const double y = pick(second);
      add_second(series, second.second, y, run->elapsed_seconds);
    }
    plot.series.push_back(std::move(series));
  }
  return plot;
}

}  // namespace

bool compare_reports(const std::vector<std::string>& paths, ReportComparison* comparison, std::string* problem) {
  *comparison = ReportComparison();
  if (paths.size() != 2) {
    *problem = "--compare-reports= takes two reports, before and after (--compare-reports=before.json,after.json); " +
               std::to_string(paths.size()) + " given";
    return false;
  }
  struct stat first {};
  struct stat second {};
  if (::stat(paths[0].c_str(), &first) == 0 && ::stat(paths[1].c_str(), &second) == 0 &&
      first.st_dev == second.st_dev && first.st_ino == second.st_ino) {
    *problem = "Cannot compare '" + paths[0] + "' with '" + paths[1] + "': they are the same file";
    return false;
  }
  std::map<std::string, CompareSide> shapes[2];
  CompareRun* runs[2] = {&comparison->before, &comparison->after};
  for (int i = 0; i < 2; ++i) {
    *problem = read_run(paths[i], *runs[i], shapes[i]);
    if (!problem->empty()) return false;
  }
  const CompareRun &before = comparison->before, &after = comparison->after;
  if (before.host == after.host && before.started_at == after.started_at && before.ended_at == after.ended_at &&
      before.statements == after.statements) {
    *problem = "Cannot compare '" + paths[0] + "' with '" + paths[1] + "': they are reports of the same run (" +
               run_line(before) + ")";
    return false;
  }

  for (int kind = 0; kind < 3; ++kind) {
    CompareRow row{kKindNames[kind], {}, {}};
    for (const CompareRun* run : runs) {
      // By kind the reports count the statements that ran; all of them
      // with the failed ones, which are counted only in all.
      const uint64_t statements = run->latency[kind].count() + (kind == 2 ? run->failed : 0);
      CompareSide side = side_of(run->latency[kind], statements, kind == 2 ? static_cast<int64_t>(run->failed) : -1,
                                 run->elapsed_seconds);
      side.present = statements > 0;
      (run == runs[0] ? row.before : row.after) = side;
    }
    if (row.before.present || row.after.present) comparison->kinds.push_back(std::move(row));
  }

  std::map<std::string, CompareRow> rows;
  for (int i = 0; i < 2; ++i) {
    for (const auto& [shape, side] : shapes[i]) {
      CompareRow& row = rows[shape];
      row.name = shape;
      (i == 0 ? row.before : row.after) = side;
    }
  }
  for (auto& [shape, row] : rows) comparison->shapes.push_back(std::move(row));
  auto group = [](const CompareRow& row) {
    return !row.before.present || !row.after.present ? 1 : p99_change(row).beyond ? 0 : 2;
  };
  auto statements = [](const CompareRow& row) { return std::max(row.before.statements, row.after.statements); };
  auto weight = [&](const CompareRow& row) {
    return std::fabs(row.after.p99_ms - row.before.p99_ms) * static_cast<double>(statements(row));
  };
  std::stable_sort(comparison->shapes.begin(), comparison->shapes.end(), [&](const CompareRow& a, const CompareRow& b) {
    if (group(a) != group(b)) return group(a) < group(b);
    if (group(a) == 0) return weight(a) > weight(b);
    return statements(a) > statements(b);
  });
  return true;
}

std::string comparison_text(const ReportComparison& c) {
  std::string out = "Comparison of two runs\n";
  out += "  before  '" + c.before.path + "': " + run_line(c.before) + "\n";
  out += "  after   '" + c.after.path + "': " + run_line(c.after) + "\n";
  out += std::string("  ") + kLegend + "\n";
  for (const CompareRow& kind : c.kinds) {
    if (kind.before.present && kind.after.present) out += "  p99 of " + kind.name + ": " + p99_move(kind) + "\n";
  }
  const std::vector<const CompareRow*> moved = largest_p99_changes(c, 3);
  if (moved.empty()) out += "  no shape's p99 changed beyond error\n";
  for (const CompareRow* row : moved) out += "  p99 of shape: " + p99_move(*row) + "  " + text_shape(row->name) + "\n";
  out += "\nBy statement kind (rate/s by kind: statements that ran; all: with those that failed)\n";
  out += text_table(c.kinds, "kind");
  if (!c.shapes.empty()) {
    out += "\nBy statement shape (first the changes of p99 that weigh most: milliseconds times statements)\n";
    out += text_table(c.shapes, "shape");
  }
  return out;
}

std::string comparison_html(const ReportComparison& c) {
  std::string body = "<h1>Comparison of two runs</h1>\n";
  body += "<p class=\"meta\">before: " + html_escape(c.before.path) + " &mdash; " + html_escape(run_line(c.before)) +
          "<br>\nafter: " + html_escape(c.after.path) + " &mdash; " + html_escape(run_line(c.after)) + "</p>\n";
  body += "<p class=\"note\">" + html_escape(kLegend) + " Red: the after run did worse; green: better.</p>\n";
  const std::vector<const CompareRow*> moved = largest_p99_changes(c, 3);
  body += "<ul>\n";
  for (const CompareRow& kind : c.kinds) {
    if (kind.before.present && kind.after.present) {
      body += "<li>p99 of " + kind.name + ": " + html_escape(p99_move(kind)) + "</li>\n";
    }
  }
  body += "</ul>\n";
  if (!moved.empty()) {
    body += "<p>The shapes whose p99 change weighs most:</p>\n<ul>\n";
    for (const CompareRow* row : moved) {
      body += "<li>" + html_escape(p99_move(*row)) + ": <code>" + html_escape(row->name, true, kPageShape) +
              "</code></li>\n";
    }
    body += "</ul>\n";
  }
  body += "<h2>By statement kind</h2>\n";
  body += html_table(c.kinds, "kind", false);
  Plot percentiles{"Latency by percentile, before (dashed) and after", "percentile", "latency (ms)", true, 340, {}};
  for (int kind = 0; kind < 3; ++kind) {
    for (const CompareRun* run : {&c.before, &c.after}) {
      if (run->latency[kind].count() == 0) continue;
      percentiles.series.push_back({std::string(kKindNames[kind]) + (run == &c.before ? " before" : " after"),
                                    percentile_points(run->latency[kind]), kind, run == &c.before});
    }
  }
  body += svg_plot(percentiles);
  body += "<h2>Second by second</h2>\n";
  body += svg_plot(seconds_plot(c, "Statements finished a second", "statements",
                                [](const CompareRun::Second& s) { return s.done; }));
  body += svg_plot(
      seconds_plot(c, "p99 second by second", "latency (ms)", [](const CompareRun::Second& s) { return s.p99_ms; }));
  if (!c.shapes.empty()) {
    body +=
        "<h2>By statement shape</h2>\n<p class=\"note\">First the changes of p99 that weigh most (milliseconds times "
        "statements), then the shapes of one run only, then the rest.</p>\n";
    body += html_table(c.shapes, "shape", true);
  }
  return html_page("Comparison of two runs", body);
}

}  // namespace tarnwick
