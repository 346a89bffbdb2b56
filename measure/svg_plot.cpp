#include "measure/svg_plot.h"

#include <cstdarg>
#include <cstdio>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tarnwick {

namespace {

// Colours told apart also by readers with a colour vision deficiency
// (Okabe and Ito's set, its yellow darkened for white paper).
constexpr const char* kPalette[] = {"#0072b2", "#d55e00", "#009e73", "#cc79a7",
                                    "#e69f00", "#56b4e9", "#333333", "#b8a000"};
constexpr int kColours = 8;

// The drawing: a 900-wide view, the legend in a column on the right.
constexpr double kWidth = 900;
constexpr double kLeft = 64;
constexpr double kRight = 690;  // where the plot area ends and the legend begins
constexpr double kTop = 30;
constexpr double kBottom = 42;  // below the plot area: tick labels and the x label
constexpr double kLegendLine = 18;

constexpr const char* kReplacement = "\xEF\xBF\xBD";  // U+FFFD

void append_utf8(std::string& out, unsigned code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// The length of the UTF-8 character that begins at text[at]; 0 when none
// whole does.
size_t utf8_length(const std::string& text, size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  size_t length = lead < 0x80                    ? 1
                  : lead >= 0xC2 && lead <= 0xDF ? 2
                  : lead >= 0xE0 && lead <= 0xEF ? 3
                  : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                 : 0;
  if (length == 0 || at + length > text.size()) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) return 0;
  }
  return length;
}

std::string number(double value, int digits) {
  if (std::fabs(value) < 0.5 * std::pow(10.0, -digits)) value = 0;  // no "-0.0"
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", digits, value);
  return text;
}

// A step of 1, 2 or 5 times a power of ten near `raw`, for ticks.
double nice_step(double raw) {
  if (!(raw > 0)) return 1;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  const double fraction = raw / power;
  return (fraction <= 1 ? 1 : fraction <= 2 ? 2 : fraction <= 5 ? 5 : 10) * power;
}

// The digits a tick label needs for `step` to show.
int digits_for(double step) { return step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(step) - 1e-9)); }

const char* percentile_label(int decade) {
  static constexpr const char* kLabels[] = {"0", "90", "99", "99.9", "99.99", "99.999"};
  return kLabels[std::clamp(decade, 0, 5)];
}

}  // namespace

std::string html_escape(const std::string& text, bool utf8, size_t limit) {
  std::string out;
  out.reserve(text.size());
  size_t characters = 0;
  for (size_t at = 0; at < text.size();) {
    if (limit > 0 && characters == limit) {
      out += "\xE2\x80\xA6";  // …
      break;
    }
    ++characters;
    const auto c = static_cast<unsigned char>(text[at]);
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        if ((c < 0x20 && c != '\t' && c != '\n') || c == 0x7F) {
          out += kReplacement;
        } else if (!utf8) {
          append_utf8(out, c);
        } else if (size_t length = utf8_length(text, at); length == 0) {
          out += kReplacement;
        } else {
          out.append(text, at, length);
          at += length;
          continue;
        }
    }
    ++at;
  }
  return out;
}

void add_second(PlotSeries& series, double second, double value, double end) {
  if (value < 0) {
    series.points.emplace_back(second, NAN);
    return;
  }
  series.points.emplace_back(second, value);
  series.points.emplace_back(end > second && end < second + 1 ? end : second + 1, value);
}

std::vector<std::pair<double, double>> percentile_points(const LatencyHistogram& latency) {
  std::vector<std::pair<double, double>> points;
  if (latency.count() == 0) return points;
  // Past 1 - 1/count every percentile is the maximum: the line stops there.
  const double top = std::min(5.0, std::log10(static_cast<double>(latency.count())));
  for (int step = 0;; ++step) {
    const double x = std::min(step * 0.05, top);
    const double q = 1 - std::pow(10.0, -x);
    points.emplace_back(x, static_cast<double>(latency.percentile(q)) / 1e6);
    if (x >= top) break;
  }
  if (points.back().second < static_cast<double>(latency.max()) / 1e6) {
    points.emplace_back(top, static_cast<double>(latency.max()) / 1e6);
  }
  return points;
}

std::string svg_plot(const Plot& plot) {
  const double height =
      std::max<double>(plot.height, kTop + kLegendLine * static_cast<double>(plot.series.size()) + 10);
  const double bottom = height - kBottom;

  // The ranges: y from 0; x from the first point (0 on the percentile
  // axis) to the last, on the percentile axis to a whole decade.
  double x_low = plot.percentile_axis ? 0 : INFINITY, x_high = -INFINITY, y_high = 0;
  for (const PlotSeries& series : plot.series) {
    for (const auto& [x, y] : series.points) {
      if (std::isnan(y)) continue;
      x_low = std::min(x_low, x);
      x_high = std::max(x_high, x);
      y_high = std::max(y_high, y);
    }
  }
  if (!std::isfinite(x_low)) x_low = 0;
  if (plot.percentile_axis) x_high = std::clamp(std::ceil(x_high - 1e-9), 1.0, 5.0);
  if (!(x_high > x_low)) x_high = x_low + 1;
  // A little room above the highest point, so that no line runs along the frame.
  const double y_step = nice_step((y_high > 0 ? y_high : 1) / 5);
  const double y_top = std::max(1.0, std::ceil(y_high * 1.04 / y_step - 1e-9)) * y_step;
  const double x_step = plot.percentile_axis ? 1 : nice_step((x_high - x_low) / 8);

  auto px = [&](double x) { return number(kLeft + (x - x_low) / (x_high - x_low) * (kRight - kLeft), 1); };
  auto py = [&](double y) { return number(bottom - y / y_top * (bottom - kTop), 1); };

  const std::string title = html_escape(plot.title);
  std::string out = "<figure>\n<svg viewBox=\"0 0 " + number(kWidth, 0) + " " + number(height, 0) +
                    "\" role=\"img\" aria-label=\"" + title + "\">\n<title>" + title + "</title>\n";
  out += "<text x=\"" + number(kLeft, 0) + "\" y=\"18\" class=\"plot-title\">" + title + "</text>\n";

  // The grid and the ticks.
  out += "<g class=\"grid\" stroke=\"#e2e2e2\" stroke-width=\"1\">\n";
  for (double y = 0; y <= y_top + y_step / 2; y += y_step) {
    out += "<line x1=\"" + number(kLeft, 0) + "\" x2=\"" + number(kRight, 0) + "\" y1=\"" + py(y) + "\" y2=\"" + py(y) +
           "\"/>\n";
  }
  const double x_first = std::ceil(x_low / x_step - 1e-9) * x_step;
  for (double x = x_first; x <= x_high + x_step / 1000; x += x_step) {
    out += "<line x1=\"" + px(x) + "\" x2=\"" + px(x) + "\" y1=\"" + number(kTop, 0) + "\" y2=\"" + number(bottom, 1) +
           "\"/>\n";
  }
  out += "</g>\n<g class=\"ticks\">\n";
  for (double y = 0; y <= y_top + y_step / 2; y += y_step) {
    out += "<text x=\"" + number(kLeft - 6, 0) + "\" y=\"" + py(y) + "\" dy=\"4\" text-anchor=\"end\">" +
           number(y, digits_for(y_step)) + "</text>\n";
  }
  for (double x = x_first; x <= x_high + x_step / 1000; x += x_step) {
    const std::string label =
        plot.percentile_axis ? percentile_label(static_cast<int>(std::lround(x))) : number(x, digits_for(x_step));
    out +=
        "<text x=\"" + px(x) + "\" y=\"" + number(bottom + 16, 1) + "\" text-anchor=\"middle\">" + label + "</text>\n";
  }
  out += "</g>\n";
  out += "<text x=\"" + number((kLeft + kRight) / 2, 0) + "\" y=\"" + number(height - 6, 0) +
         "\" text-anchor=\"middle\" class=\"axis-label\">" + html_escape(plot.x_label) + "</text>\n";
  out += "<text transform=\"translate(14 " + number((kTop + bottom) / 2, 0) +
         ") rotate(-90)\" text-anchor=\"middle\" class=\"axis-label\">" + html_escape(plot.y_label) + "</text>\n";
  out += "<rect x=\"" + number(kLeft, 0) + "\" y=\"" + number(kTop, 0) + "\" width=\"" + number(kRight - kLeft, 0) +
         "\" height=\"" + number(bottom - kTop, 1) + "\" fill=\"none\" stroke=\"#999\"/>\n";

  // The series, and their legend.
  for (size_t i = 0; i < plot.series.size(); ++i) {
    const PlotSeries& series = plot.series[i];
    const int place = series.colour >= 0 ? series.colour : static_cast<int>(i);
    const std::string colour = kPalette[place % kColours];
    const bool dashed = series.dashed || (series.colour < 0 && place >= kColours);
    const std::string stroke =
        "stroke=\"" + colour + "\" stroke-width=\"2\" fill=\"none\"" + (dashed ? " stroke-dasharray=\"7 4\"" : "");
    const std::string name = html_escape(series.name);
    // The line: a move to each point after a break, a line to the others;
    // a point alone between breaks gets a dot, as a line of no length
    // shows nothing.
    std::string path, dots;
    for (size_t p = 0; p < series.points.size(); ++p) {
      const auto& [x, y] = series.points[p];
      if (std::isnan(y)) continue;
      const bool starts = p == 0 || std::isnan(series.points[p - 1].second);
      const bool ends = p + 1 == series.points.size() || std::isnan(series.points[p + 1].second);
      path += (starts ? (path.empty() ? "M" : " M") : " L") + px(x) + "," + py(y);
      if (starts && ends) dots += "<circle cx=\"" + px(x) + "\" cy=\"" + py(y) + "\" r=\"3\" fill=\"" + colour + "\"/>";
    }
    if (!path.empty())
      out += "<path " + stroke + " d=\"" + path + "\"><title>" + name + "</title></path>" + dots + "\n";
    const std::string y = number(kTop + 8 + kLegendLine * static_cast<double>(i), 1);
    out += "<g class=\"legend\"><title>" + name + "</title><line x1=\"" + number(kRight + 14, 0) + "\" x2=\"" +
           number(kRight + 40, 0) + "\" y1=\"" + y + "\" y2=\"" + y + "\" " + stroke + "/><text x=\"" +
           number(kRight + 46, 0) + "\" y=\"" + y + "\" dy=\"4\">" + html_escape(series.name, true, 26) +
           "</text></g>\n";
  }
  out += "</svg>\n</figure>\n";
  return out;
}

std::string html_page(const std::string& title, const std::string& body) {
  return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
         "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>" +
         html_escape(title) +
         "</title>\n<style>\n"
         "body { font: 14px/1.45 system-ui, \"Segoe UI\", \"DejaVu Sans\", sans-serif; color: #222;"
         " max-width: 1180px; margin: 20px auto; padding: 0 20px; }\n"
         "h1 { font-size: 22px; margin: 0 0 4px; }\n"
         "h2 { font-size: 17px; margin: 26px 0 8px; padding-bottom: 3px; border-bottom: 1px solid #ddd; }\n"
         ".meta, .note { color: #555; margin: 4px 0; }\n"
         ".warning { color: #9a3412; font-weight: 600; }\n"
         "table { border-collapse: collapse; margin: 6px 0 12px; font-variant-numeric: tabular-nums; }\n"
         "th, td { padding: 3px 10px; border-bottom: 1px solid #e6e6e6; text-align: right; vertical-align: top; }\n"
         "th { font-weight: 600; background: #f5f5f5; }\n"
         "th.text, td.text { text-align: left; }\n"
         "td.shape { text-align: left; font: 12px/1.4 ui-monospace, \"DejaVu Sans Mono\", monospace;"
         " overflow-wrap: anywhere; max-width: 620px; }\n"
         "td.worse { color: #b3261e; font-weight: 600; } td.better { color: #1b7f3b; font-weight: 600; }"
         " td.within { color: #777; }\n"
         "figure { margin: 8px 0 16px; }\n"
         "figure svg { display: block; width: 100%; height: auto; }\n"
         "svg text { font: 12px system-ui, \"DejaVu Sans\", sans-serif; fill: #333; }\n"
         "svg text.plot-title { font-size: 14px; font-weight: 600; }\n"
         "@media print {\n"
         "  body { max-width: none; margin: 0; padding: 0; font-size: 10pt; }\n"
         "  h2 { break-after: avoid; page-break-after: avoid; }\n"
         "  figure, tr { break-inside: avoid; page-break-inside: avoid; }\n"
         "  th { background: none; }\n"
         "}\n"
         "@page { margin: 14mm; }\n"
         "</style>\n</head>\n<body>\n" +
         body + "</body>\n</html>\n";
}

std::string format(const char* pattern, ...) {
  char text[512];
  va_list arguments;
  va_start(arguments, pattern);
  std::vsnprintf(text, sizeof text, pattern, arguments);
  va_end(arguments);
  return text;
}

}  // namespace tarnwick
