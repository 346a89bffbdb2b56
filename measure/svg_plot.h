// Line plots as inline SVG, and the HTML text around them, for the reports
// that are pages (measure/report_html, measure/report_compare). The program
// draws every plot itself; a page needs no script, font, style or picture
// from anywhere else, so it opens the same offline, mailed or printed.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "measure/histogram.h"

namespace tarnwick {

// `text` for an HTML page, in text and in attribute values: & < > " ' as
// character references. ISO-8859-1 text (utf8 false) becomes UTF-8; in
// UTF-8 text a byte that is not part of a whole character, and a control
// character other than tab and line feed, becomes U+FFFD. With a limit,
// only the first `limit` characters are kept, then "…".
std::string html_escape(const std::string& text, bool utf8 = true, size_t limit = 0);

// printf into a string, for the figures of the pages and the comparison
// (each piece short: at most 511 bytes are kept).
std::string format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));

struct PlotSeries {
  std::string name;
  // (x, y), x ascending; a y that is not a number breaks the line there.
  std::vector<std::pair<double, double>> points;
  int colour = -1;  // an index into the palette; below 0: the series' place
  bool dashed = false;
};

struct Plot {
  std::string title;
  std::string x_label;
  std::string y_label;
  // x is -log10(1 - q) of percentile q, ticked 0, 90, 99, 99.9, ... 99.999
  // (the percentile_points below); otherwise x is linear.
  bool percentile_axis = false;
  int height = 300;  // of the drawing, in the units of its 900-wide view
  std::vector<PlotSeries> series;
};

// The plot as a <figure> holding one <svg>: a grid and axes with ticks from
// 0 up, a <path> per series with points (a lone point of it drawn as a
// dot), and a legend naming the series in the palette's colours, a series
// past the eighth dashed.
std::string svg_plot(const Plot& plot);

// Adds one second's figure to a series of a second-by-second plot: held
// from the second's start to its end (`end`, when the run ended within
// it), so the line is a run of steps. A value below 0 (none that second)
// breaks the line.
void add_second(PlotSeries& series, double second, double value, double end = -1);

// A histogram's latency in milliseconds at percentiles from 0 up to
// 99.999, as points on the percentile axis: up to the percentile its count
// still tells apart from the maximum, which ends the line.
std::vector<std::pair<double, double>> percentile_points(const LatencyHistogram& latency);

// A whole page: the title, the inline style for screen and print, `body`.
std::string html_page(const std::string& title, const std::string& body);

}  // namespace tarnwick
