#include "results/result_table.h"

#include <cstring>

#include "results/delimited.h"
#include "runtime/console_output.h"

namespace tarnwick {

namespace {

// The characters that draw the frame.
constexpr char kCorner = '+';
constexpr char kHorizontal = '-';
constexpr char kVertical = '|';

void put_char(const TableOptions& options, char c) { putc_unlocked(c, options.stream); }

void put_text(const TableOptions& options, const char* text) {
  write_bytes(options.stream, text, std::strlen(text));
}

void end_table_line(const TableOptions& options) {
  putc_unlocked('\n', options.stream);
  if (options.flush_lines) std::fflush(options.stream);
}

void print_count_line(const TableOptions& options, int32_t rows, int32_t fetched) {
  if (rows >= options.answers_limit) {
    put_text(options, "result truncated to ");
    write_number(options.stream, rows);
    put_text(options, " row(s)");
  } else if (rows == fetched) {
    write_number(options.stream, rows);
    put_text(options, " row(s)");
  } else {
    write_number(options.stream, rows);
    put_text(options, " (");
    write_number(options.stream, fetched);
    put_text(options, " fetched) rows");
  }
  end_table_line(options);
}

void print_border(const TableOptions& options, const std::vector<int64_t>& widths,
                  const std::vector<std::string>& captions) {
  for (size_t k = 0; k < widths.size(); ++k) {
    if (k == 0) put_char(options, kCorner);
    int64_t dashes = widths[k];
    if (options.raw) dashes = k < captions.size() ? shown_width(options, captions[k].c_str()) : 0;
    write_repeat(options.stream, kHorizontal, dashes);
    put_char(options, kCorner);
  }
  end_table_line(options);
}

// Column widths: the caption, or the longest fetched value, as shown.
std::vector<int64_t> measure(const TableOptions& options, const QueryCounts& counts,
                             const std::vector<std::string>& captions, const CellSource& cells) {
  std::vector<int64_t> widths(static_cast<size_t>(counts.columns), 0);
  for (int32_t j = 0; j < counts.fetched; ++j) {
    for (int32_t k = 0; k < counts.columns; ++k) {
      if (j == 0) {
        widths[k] = k < static_cast<int32_t>(captions.size()) ? shown_width(options, captions[k].c_str()) : 0;
      }
      bool ok;
      char* value = cells.fetch(cells.context, j, k, &ok);
      if (!ok) continue;
      int64_t length = value != nullptr ? shown_width(options, value) : 0;
      if (length > widths[k]) widths[k] = length;
      cells.release(value);
    }
  }
  return widths;
}

void print_header(const TableOptions& options, const std::vector<int64_t>& widths,
                  const std::vector<std::string>& captions) {
  print_border(options, widths, captions);
  for (size_t k = 0; k < widths.size(); ++k) {
    if (k == 0) put_char(options, kVertical);
    const char* caption = k < captions.size() ? captions[k].c_str() : nullptr;
    print_cell(options, options.raw ? 0 : widths[k], caption);
    put_char(options, kVertical);
  }
  end_table_line(options);
  print_border(options, widths, captions);
}

}  // namespace

namespace {

// The text as written: converted for a terminal when the options say so.
const char* shown_text(const TableOptions& options, const char* text, std::string* converted) {
  if (options.to_console == nullptr) return text;
  *converted = text;
  options.to_console(*converted);
  return converted->c_str();
}

int64_t columns(const TableOptions& options, const char* text) {
  size_t length = std::strlen(text);
  return options.width_of != nullptr ? options.width_of(text, length) : static_cast<int64_t>(length);
}

}  // namespace

int64_t shown_width(const TableOptions& options, const char* text) {
  std::string converted;
  return columns(options, shown_text(options, text, &converted));
}

void print_cell(const TableOptions& options, int64_t width, const char* text) {
  if (options.suppress_results) return;
  if (text == nullptr || text[0] == '\0') {
    write_repeat(options.stream, ' ', width);
    return;
  }
  std::string converted;
  const char* shown = shown_text(options, text, &converted);
  put_text(options, shown);
  write_repeat(options.stream, ' ', width - columns(options, shown));
}

void print_query_table(const TableOptions& options, const QueryCounts& counts,
                       const std::vector<std::string>& captions, const CellSource& cells) {
  QueryCounts shown = counts;
  if (shown.columns < 0) shown.columns = 0;
  if (options.format != OutputFormat::table) {
    print_delimited(options, shown, captions, cells);
    return;
  }
  if (!options.suppress_results) print_count_line(options, shown.rows, shown.fetched);
  if (shown.rows <= 0) return;

  std::vector<int64_t> widths = options.raw
                                    ? std::vector<int64_t>(static_cast<size_t>(shown.columns), 0)
                                    : measure(options, shown, captions, cells);
  if (!options.suppress_results) print_header(options, widths, captions);

  for (int32_t j = 0; j < shown.fetched; ++j) {
    for (int32_t k = 0; k < shown.columns; ++k) {
      if (k == 0 && !options.suppress_results) put_char(options, kVertical);
      int64_t width = options.raw ? 0 : widths[k];
      bool ok;
      char* value = cells.fetch(cells.context, j, k, &ok);
      print_cell(options, width, value);
      if (ok) cells.release(value);
      if (!options.suppress_results) put_char(options, kVertical);
    }
    if (!options.suppress_results) end_table_line(options);
  }
}

void print_affected_line(const TableOptions& options, int32_t rows) {
  if (options.quiet || options.format != OutputFormat::table) return;
  write_number(options.stream, rows);
  put_text(options, rows > 1 ? " rows affected" : " row affected");
  end_table_line(options);
}

}  // namespace tarnwick
